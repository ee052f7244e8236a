#include "store/history.h"

#include "store/codingcopy.h"
#include "store/liststore.h"
#include "store/notestore.h"

namespace coding {

History::History(Connection &db, QObject *parent) : QObject(parent), m_db(db) {}

void History::refuseIfReadOnly() const
{
    if (m_readOnly)
        throw StoreError(QStringLiteral("L'analyse est ouverte en lecture seule : rien ne peut y "
                                        "être changé."));
}

void History::push(undo::ChangeSet set)
{
    if (set.empty())
        return;
    m_steps.erase(m_steps.begin() + qsizetype(m_done), m_steps.end());
    m_steps.push_back(std::move(set));
    while (m_steps.size() > size_t(kDepth))
        m_steps.pop_front();
    m_done = m_steps.size();
    emit stepsChanged();
}

qint64 History::addCoding(qint64 segment)
{
    refuseIfReadOnly();
    undo::ChangeSet set = lists::addCoding(m_db, segment);
    const qint64 coding = set.rows.front().key.numero;
    push(std::move(set));
    return coding;
}

void History::setCodingValue(qint64 coding, int list, qint64 value)
{
    refuseIfReadOnly();
    if (std::optional<undo::ChangeSet> over =
            suggestions::chooseOverAccepted(m_db, coding, list, value)) {
        push(std::move(*over));
        return;
    }
    push(lists::setCodingValue(m_db, coding, list, value));
}

void History::deleteCoding(qint64 coding)
{
    refuseIfReadOnly();
    push(lists::deleteCoding(m_db, coding));
}

void History::copyCoding(qint64 from, qint64 to)
{
    refuseIfReadOnly();
    push(coding::copyCoding(m_db, from, to));
}

coding::BulkOutcome History::codeSegments(int list, const std::vector<SegmentValue> &assignments,
                                         const QString &what)
{
    refuseIfReadOnly();
    coding::BulkOutcome outcome = coding::codeSegments(m_db, list, assignments, what);
    push(outcome.set);
    return outcome;
}

coding::BulkOutcome History::acceptSuggestions(int list,
                                               const std::vector<suggestions::Accepted> &accepted,
                                               const QString &coder)
{
    refuseIfReadOnly();
    coding::BulkOutcome outcome = suggestions::acceptMany(m_db, list, accepted, coder);
    push(outcome.set);
    return outcome;
}

void History::acceptSuggestion(qint64 coding, int list, qint64 value, double confidence,
                               const QString &coder)
{
    refuseIfReadOnly();
    push(suggestions::acceptOnRow(m_db, coding, list, value, confidence, coder));
}

std::optional<DictionaryOutcome>
History::codeByDictionary(int list, const std::vector<QString> &paths,
                          const std::function<bool(DictionaryCoding &coding)> &work,
                          const QString &what, bool counted)
{
    refuseIfReadOnly();
    DictionaryCoding coding(m_db, list, paths);
    if (!work(coding))
        return std::nullopt; // rolled back with the coding
    DictionaryOutcome outcome = coding.commit(what, counted);
    // The step's images go to the history; the outcome keeps its name.
    undo::ChangeSet set = std::move(outcome.set);
    outcome.set = undo::ChangeSet();
    outcome.set.description = set.description;
    push(std::move(set));
    return outcome;
}

qint64 History::addValue(int list, const QString &text, const QString &definition)
{
    refuseIfReadOnly();
    undo::ChangeSet set = lists::addValue(m_db, list, text, definition);
    const qint64 numero = set.rows.front().key.numero;
    push(std::move(set));
    return numero;
}

void History::modifyValue(int list, qint64 numero, const QString &text)
{
    refuseIfReadOnly();
    push(lists::modifyValue(m_db, list, numero, text));
}

void History::deleteValue(int list, qint64 numero, qint64 expectedUses)
{
    refuseIfReadOnly();
    push(lists::deleteValue(m_db, list, numero, expectedUses));
}

void History::replaceValue(int list, qint64 from, qint64 to)
{
    refuseIfReadOnly();
    push(lists::replaceValue(m_db, list, from, to));
}

void History::setListName(int list, const QString &name)
{
    refuseIfReadOnly();
    push(lists::setListName(m_db, list, name));
}

void History::setDefinition(int list, qint64 numero, const QString &definition)
{
    refuseIfReadOnly();
    push(lists::setDefinition(m_db, list, numero, definition));
}

void History::setNote(int genre, qint64 target, const QString &text)
{
    refuseIfReadOnly();
    push(notes::set(m_db, notes::Genre(genre), target, text));
}

qint64 History::addAttribute(const QString &name)
{
    refuseIfReadOnly();
    undo::ChangeSet set = attributes::addStep(m_db, name);
    const qint64 number = set.rows.front().key.numero;
    push(std::move(set));
    return number;
}

void History::renameAttribute(qint64 number, const QString &name)
{
    refuseIfReadOnly();
    push(attributes::renameStep(m_db, number, name));
}

void History::removeAttribute(qint64 number)
{
    refuseIfReadOnly();
    push(attributes::removeStep(m_db, number));
}

void History::setAttributeValues(const std::vector<attributes::Assignment> &cells,
                                 const QString &description)
{
    refuseIfReadOnly();
    push(attributes::assignStep(m_db, cells, description));
}

attributes::SheetCount History::importAttributes(const attributes::Sheet &sheet,
                                                 const QString &description)
{
    refuseIfReadOnly();
    attributes::SheetCount count;
    push(attributes::sheetStep(m_db, sheet, description, &count));
    return count;
}

lists::CodebookOutcome History::importCodebook(const lists::Codebook &codebook,
                                              const QString &source)
{
    refuseIfReadOnly();
    lists::CodebookOutcome outcome;
    push(lists::importCodebook(m_db, codebook, source, &outcome));
    return outcome;
}

bool History::canUndo() const
{
    return !m_readOnly && m_done > 0;
}

bool History::canRedo() const
{
    return !m_readOnly && m_done < m_steps.size();
}

QString History::undoText() const
{
    return canUndo() ? QStringLiteral("Annuler ") + m_steps[m_done - 1].description
                     : QStringLiteral("Annuler");
}

QString History::redoText() const
{
    return canRedo() ? QStringLiteral("Rétablir ") + m_steps[m_done].description
                     : QStringLiteral("Rétablir");
}

QString History::undo()
{
    refuseIfReadOnly();
    if (m_done == 0)
        throw StoreError(QStringLiteral("Il n'y a rien à annuler."));
    const undo::ChangeSet &step = m_steps[m_done - 1];
    try {
        undo::apply(m_db, step, undo::Direction::Undo);
    } catch (const undo::Conflict &e) {
        throw undo::Conflict(QStringLiteral("Impossible d'annuler %1 : %2, sans doute par un autre "
                                            "programme. Rien n'a été changé.")
                                 .arg(step.description, e.message()));
    } catch (const StoreError &e) {
        throw StoreError(QStringLiteral("Impossible d'annuler %1.\n\n%2")
                             .arg(step.description, e.message()));
    }
    --m_done;
    emit stepsChanged();
    emit replayed();
    return QStringLiteral("Annulé : %1.").arg(step.description);
}

QString History::redo()
{
    refuseIfReadOnly();
    if (m_done >= m_steps.size())
        throw StoreError(QStringLiteral("Il n'y a rien à rétablir."));
    const undo::ChangeSet &step = m_steps[m_done];
    try {
        undo::apply(m_db, step, undo::Direction::Redo);
    } catch (const undo::Conflict &e) {
        throw undo::Conflict(QStringLiteral("Impossible de rétablir %1 : %2, sans doute par un "
                                            "autre programme. Rien n'a été changé.")
                                 .arg(step.description, e.message()));
    } catch (const StoreError &e) {
        throw StoreError(QStringLiteral("Impossible de rétablir %1.\n\n%2")
                             .arg(step.description, e.message()));
    }
    ++m_done;
    emit stepsChanged();
    emit replayed();
    return QStringLiteral("Rétabli : %1.").arg(step.description);
}

void History::setReadOnly(bool readOnly)
{
    if (m_readOnly == readOnly)
        return;
    m_readOnly = readOnly;
    emit stepsChanged();
    emit readOnlyChanged(readOnly);
}

} // namespace coding
