#pragma once
// Subform `Contenus Sous-formulaire`: the coding rows of the segment shown,
// each with five drop-down lookups, one per list, that show the list's
// values in French order, store the value's number and accept only listed
// values. Every change is saved at once, as a step of the analysis's
// history (Édition > Annuler).
//
// Made for coding from the keyboard. Typing in a lookup reaches a value by
// its first letters, case and accents ignored (french::typedValue); what has
// been typed so far shows in the label "saisie_valeur" under the rows, and
// letters that no value starts with choose nothing (the stored value stays)
// and say so there ("Aucune valeur ne commence par « xq »"). Backspace
// shortens what was typed; a pause (the keyboard search interval of the
// application), Escape, or another lookup starts again. Return goes to the
// next list, from the last list to the next row, and from the last row to
// the next segment (nextSegmentWanted).
//
// Suggestions (coding/suggester.h): a lookup that holds the empty value, on
// a segment that holds no value of its list, shows the value the list's
// model suggests, greyed, with a question mark and its confidence (the
// lookup's placeholder; nothing is stored), and the label "suggestion"
// under the rows names it with the words or context that weighed most.
// Ctrl+Entrée accepts it (stored as any choice and recorded as an accepted
// suggestion, one step of the history) and goes on as Return does; typing
// chooses as ever and the suggestion is gone; Escape puts it away; Return
// or leaving the lookup goes on without it.
#include <QElapsedTimer>
#include <QPointer>
#include <QWidget>
#include "suggestions/model.h"

#include <array>
#include <optional>
#include <vector>

class QComboBox;
class QKeyEvent;
class QLabel;
class QTimer;
class QPushButton;
class QScrollArea;
class QStandardItemModel;
class QVBoxLayout;

namespace coding {

class CodingStore;
class Session;
struct Coding;

class ContenusSubform : public QWidget
{
    Q_OBJECT
public:
    explicit ContenusSubform(Session &session, QWidget *parent = nullptr);

    // Reads the five lists again: their names (the lookups' captions), their
    // values in French order, the values' definitions (the lookups'
    // tooltips). Throws StoreError.
    void loadLists();
    // Disables every change of the rows (a read-only analysis); follows the
    // analysis's history (History::setReadOnly).
    void setReadOnly(bool readOnly);
    // Shows the coding rows of a segment (0: none). Throws StoreError.
    void showSegment(qint64 segment);
    // Reads the rows of the shown segment again, keeping the focus where it
    // was. Throws StoreError.
    void reload();

    int rowCount() const { return int(m_rows.size()); }
    // The combo of list K (1 to 5) on row R (0-based).
    QComboBox *combo(int row, int list) const;
    // The suggestion the lookup with the focus shows, if any.
    const std::optional<suggestions::Suggestion> &suggestionShown() const { return m_suggestion; }
    // The coding row number on row R.
    qint64 codingAt(int row) const;

    // "Comme le segment précédent": replaces the rows of the segment shown
    // by copies of those of `previous`, the segment before it in its text
    // (0 when there is none), as one step of the history. Asks first when
    // the segment shown is coded; changes nothing when `previous` has no
    // coding. Returns what the status bar tells (empty after a failure,
    // which a message explains).
    QString likePrevious(qint64 previous);

public slots:
    // Adds a coding row to the segment, pointing to row 1 of each list, and
    // puts the focus on its first list.
    void addRow();
    // Deletes the current row after asking.
    void deleteRow();
    // Puts the focus on list K of the current row.
    void focusList(int list);

signals:
    // The segment's coded mark may have changed.
    void codingChanged(qint64 segment, bool coded);
    // Return on the last list of the last row: on to the next segment, where
    // the focus goes to the first list.
    void nextSegmentWanted();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    struct RowWidgets {
        qint64 coding = 0;
        std::array<qint64, 5> stored{}; // the values the database holds
        QWidget *line = nullptr;
        QLabel *number = nullptr;
        std::array<QComboBox *, 5> combos{};
    };
    void build(const std::vector<Coding> &codings);
    void valueChosen(int row, int list, int index);
    // The row and list (1 to 5) of a lookup; false when it is none of them.
    bool placeOf(const QObject *box, int *row, int *list) const;
    // A key pressed in a lookup: typing, Backspace, Escape, Return. Returns
    // whether the key was handled here.
    bool lookupKey(QComboBox *box, int row, int list, QKeyEvent *event);
    // Chooses the value that the letters typed so far reach, or says that
    // none does.
    void searchTyped(QComboBox *box, int row, int list);
    // Forgets the letters typed (a pause, Escape, another lookup); the
    // label is cleared too unless `keepNotice`.
    void endTyping(bool keepNotice = false);
    // Return in list K of row R: the next list, row or segment.
    void moveOn(int row, int list);
    // Scrolls the rows so that this one shows.
    void reveal(QWidget *line);
    // Shows the segment's rows again after they changed (`done` tells how,
    // should they not be read again), the focus on the first list of row
    // `row`.
    void showAfterChange(const QString &done, int row);
    void announce();
    // Shows the suggestion of list K for the segment in the lookup of row
    // R when it holds the empty value and the segment no value of K.
    void offerSuggestion(QComboBox *box, int row, int list);
    // Puts away the suggestion shown (the lookup shows what is stored).
    void withdrawSuggestion();
    // Ctrl+Entrée: stores the suggestion shown; false when there is none.
    bool acceptSuggestion(QComboBox *box, int row, int list);

    Session &m_session;
    CodingStore &m_store;
    qint64 m_segment = 0;
    bool m_readOnly = false;
    std::array<QLabel *, 5> m_titles{};
    std::array<QStandardItemModel *, 5> m_models{};
    std::vector<RowWidgets> m_rows;
    int m_currentRow = -1;
    // The list the focus goes to on the next segment (0: the list it was on).
    int m_focusListAfterMove = 0;

    // What has been typed in a lookup, in which, and when last.
    QString m_typed;
    QPointer<QComboBox> m_typedBox;
    QElapsedTimer m_typedClock;
    QTimer *m_typedPause = nullptr;
    QLabel *m_typedLabel = nullptr;
    // The suggestion shown, in which lookup.
    std::optional<suggestions::Suggestion> m_suggestion;
    QPointer<QComboBox> m_suggestionBox;
    QLabel *m_suggestionLabel = nullptr;
    bool m_noValueTold = false; // the label says that no value matches

    QScrollArea *m_scroll = nullptr;
    QWidget *m_lines = nullptr;
    QVBoxLayout *m_linesLayout = nullptr;
    QLabel *m_empty = nullptr;
    QPushButton *m_add = nullptr;
    QPushButton *m_delete = nullptr;
};

} // namespace coding
