#pragma once
// The undo history of one open analysis, shared by all its windows: every
// change of the coding rows, of the lists (values, names, definitions) and
// of the notes goes through here and is kept as one step, which "Édition >
// Annuler" and "Rétablir" undo and redo. The newest kDepth steps are kept; a new change
// drops the steps undone before it.
//
// Undoing or redoing a step whose rows another program changed meanwhile is
// refused (nothing written, the step stays where it was): the message names
// the step and the row. No window and no SQL here: the edits are those of
// store/liststore.h, store/codingcopy.h, store/notestore.h and
// store/attributestore.h, the replay that of store/undostore.h.
#include "store/attributestore.h"
#include "store/bulkcoding.h"
#include "store/dictionarycoding.h"
#include "store/liststore.h"
#include "store/suggestionstore.h"
#include "store/undostore.h"

#include <QObject>
#include <QString>
#include <deque>
#include <functional>
#include <optional>

class Connection;

namespace coding {

class History : public QObject
{
    Q_OBJECT
public:
    static constexpr int kDepth = 500;

    explicit History(Connection &db, QObject *parent = nullptr);

    // The edits. Each is written at once and kept as a step; each throws
    // StoreError (nothing written, no step) on failure. An edit that changes
    // nothing (the same name again) makes no step.
    qint64 addCoding(qint64 segment); // returns the new row's number
    void setCodingValue(qint64 coding, int list, qint64 value);
    void deleteCoding(qint64 coding);
    // "Comme le segment précédent": the rows of segment `to` replaced by
    // copies of those of `from` (store/codingcopy.h), one step.
    void copyCoding(qint64 from, qint64 to);
    // Many segments given a value of list `list` (store/bulkcoding.h), one
    // step named after `what` ("le codage des segments trouvés"); no step
    // when nothing changed.
    coding::BulkOutcome codeSegments(int list, const std::vector<SegmentValue> &assignments,
                                     const QString &what);
    // Suggestions accepted (store/suggestionstore.h): many segments, one
    // step "l'acceptation des suggestions (412 segments)"; or one field of
    // a coding row. Each recorded as accepted by `coder`, in the same step.
    // A value chosen by hand (setCodingValue) on a field holding an accepted
    // suggestion ends its record in the same step.
    coding::BulkOutcome acceptSuggestions(int list,
                                          const std::vector<suggestions::Accepted> &accepted,
                                          const QString &coder);
    void acceptSuggestion(qint64 coding, int list, qint64 value, double confidence,
                          const QString &coder);
    // Coding with a dictionary (store/dictionarycoding.h), one step that
    // holds the values it adds: `work` hands the segments holding each
    // category to the coding, batch by batch, and returns false to stop
    // (nothing is then kept, and nullopt returned). The step reads "le
    // codage par dictionnaire (12 408 segments)"; with `counted` false,
    // `what` alone (values added, no segment coded).
    std::optional<DictionaryOutcome>
    codeByDictionary(int list, const std::vector<QString> &paths,
                     const std::function<bool(DictionaryCoding &coding)> &work,
                     const QString &what = QStringLiteral("le codage par dictionnaire"),
                     bool counted = true);
    // Returns the new value's number; a definition given is part of the step.
    qint64 addValue(int list, const QString &text, const QString &definition = QString());
    void modifyValue(int list, qint64 numero, const QString &text);
    // Throws lists::UsageChanged when other than `expectedUses` rows use it.
    void deleteValue(int list, qint64 numero, qint64 expectedUses);
    void replaceValue(int list, qint64 from, qint64 to);
    void setListName(int list, const QString &name);
    void setDefinition(int list, qint64 numero, const QString &definition);
    // A note (store/notestore.h): genre 1 a segment, 2 a text, 3 the
    // analysis (target 0); an empty text removes it.
    void setNote(int genre, qint64 target, const QString &text);

    // The texts' attributes (store/attributestore.h), with the same rules.
    qint64 addAttribute(const QString &name); // returns the new attribute's number
    void renameAttribute(qint64 number, const QString &name);
    void removeAttribute(qint64 number);
    void setAttributeValues(const std::vector<attributes::Assignment> &cells,
                            const QString &description);
    attributes::SheetCount importAttributes(const attributes::Sheet &sheet,
                                            const QString &description);
    // A codebook taken in from a file named `source` (lists::importCodebook).
    lists::CodebookOutcome importCodebook(const lists::Codebook &codebook, const QString &source);

    bool canUndo() const;
    bool canRedo() const;
    // "Annuler la suppression de « Installation » (5 lignes)"; "Annuler"
    // when there is nothing to undo. Likewise "Rétablir ...".
    QString undoText() const;
    QString redoText() const;
    int undoCount() const { return int(m_done); }
    int redoCount() const { return int(m_steps.size() - m_done); }

    // Undoes the newest step done, or redoes the last one undone; returns
    // what was done ("Annulé : ..."). Throws undo::Conflict or StoreError
    // with a message naming the step: nothing written, the step stays.
    QString undo();
    QString redo();

    // A read-only analysis: every edit, undo and redo is refused, and the
    // windows of the analysis disable their editing controls (they follow
    // readOnlyChanged).
    void setReadOnly(bool readOnly);
    bool readOnly() const { return m_readOnly; }

signals:
    // The steps or their names changed (menus follow).
    void stepsChanged();
    // A step was undone or redone: the windows read the file again.
    void replayed();
    void readOnlyChanged(bool readOnly);

private:
    void refuseIfReadOnly() const;
    void push(undo::ChangeSet set);

    Connection &m_db;
    std::deque<undo::ChangeSet> m_steps;
    size_t m_done = 0; // steps [0, m_done) are done, the others undone
    bool m_readOnly = false;
};

} // namespace coding
