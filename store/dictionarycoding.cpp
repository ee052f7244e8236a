#include "store/dictionarycoding.h"

#include "store/connection.h"
#include "store/liststore.h"
#include "store/statement.h"
#include "store/storeerror.h"

#include <sqlite3.h>

#include <QSet>

#include <algorithm>
#include <map>

namespace coding {

DictionaryCoding::DictionaryCoding(Connection &db, int list, const std::vector<QString> &paths,
                                   bool keepImages)
    : m_db(db), m_list(list)
{
    checkListNumber(list);
    for (const QString &path : paths) {
        const QString problem = lists::valueProblem(path.trimmed());
        if (!problem.isEmpty())
            throw StoreError(QStringLiteral("La catégorie « %1 » ne peut pas devenir une valeur de "
                                            "la liste %2 : %3. Rien n'a été codé.")
                                 .arg(path.left(80))
                                 .arg(list)
                                 .arg(problem));
    }
    undo::beginWrite(db);
    try {
        // The first value of a text (lowest number) is the one used.
        std::map<QString, qint64> known;
        std::vector<lists::Value> existing = lists::values(db, list);
        std::sort(existing.begin(), existing.end(),
                  [](const lists::Value &a, const lists::Value &b) { return a.numero < b.numero; });
        for (const lists::Value &v : existing)
            if (v.numero != lists::kEmptyValue)
                known.emplace(v.text.trimmed(), v.numero);
        const QByteArray sql =
            QStringLiteral("INSERT INTO var_comp_0%1 (variable0%1) VALUES (?1)").arg(list).toUtf8();
        Statement insert(db, sql.constData());
        for (const QString &given : paths) {
            const QString path = given.trimmed();
            const auto found = known.find(path);
            if (found != known.end()) {
                m_outcome.values.push_back(found->second);
                continue;
            }
            insert.reset();
            insert.bind(1, path);
            if (sqlite3_step(insert.handle()) != SQLITE_DONE)
                undo::failWrite(db,
                                QStringLiteral("La valeur %1 n'a pas pu être ajoutée à la liste %2")
                                    .arg(lists::quoted(path))
                                    .arg(list),
                                sqlite3_extended_errcode(db.handle()));
            const qint64 numero = sqlite3_last_insert_rowid(db.handle());
            m_outcome.set.rows.push_back(
                {undo::RowKey{undo::Table::Value, list, numero}, std::nullopt,
                 undo::Image::ofText(path)});
            m_outcome.added.push_back(path);
            m_outcome.values.push_back(numero);
            known.emplace(path, numero);
        }
        m_outcome.coded.assign(paths.size(), 0);
        for (size_t c = 0; c < m_outcome.values.size(); ++c)
            m_category.emplace(m_outcome.values[c], int(c));
        m_coder = new BulkCoder(db, list, keepImages, true);
    } catch (...) {
        db.rollback();
        throw;
    }
}

DictionaryCoding::~DictionaryCoding()
{
    delete m_coder;
    if (!m_done)
        m_db.rollback();
}

void DictionaryCoding::code(const std::vector<Holding> &batch)
{
    // Each segment's categories in category order: the first takes the
    // empty field of a row, the next ones new rows.
    m_assignments.clear();
    for (const Holding &h : batch) {
        if (h.category < 0 || size_t(h.category) >= m_outcome.values.size())
            throw StoreError(QStringLiteral("La catégorie n° %1 n'est pas dans le dictionnaire.")
                                 .arg(h.category + 1));
        m_assignments.push_back({h.segment, m_outcome.values[size_t(h.category)]});
    }
    std::stable_sort(m_assignments.begin(), m_assignments.end(),
                     [this](const SegmentValue &a, const SegmentValue &b) {
                         return a.segment != b.segment ? a.segment < b.segment
                                                       : m_category.at(a.value) < m_category.at(b.value);
                     });
    m_changed.clear();
    BulkOutcome outcome;
    m_coder->code(m_assignments, &outcome, &m_changed);
    m_outcome.unchanged += outcome.unchanged;
    for (undo::RowChange &row : outcome.set.rows)
        m_outcome.set.rows.push_back(std::move(row));
    for (undo::AddedCodingRun &run : outcome.set.added) {
        std::vector<undo::AddedCodingRun> &runs = m_outcome.set.added;
        if (!runs.empty() && runs.back().list == run.list
            && runs.back().first + qint64(runs.back().rows.size()) == run.first)
            runs.back().rows.insert(runs.back().rows.end(), run.rows.begin(), run.rows.end());
        else
            runs.push_back(std::move(run));
    }
    // Segments of one batch are met in no other: counted apart once each.
    qint64 last = 0;
    for (const SegmentValue &c : m_changed) {
        ++m_outcome.coded[size_t(m_category.at(c.value))];
        if (c.segment != last)
            ++m_outcome.segments;
        last = c.segment;
    }
}

DictionaryOutcome DictionaryCoding::commit(const QString &what, bool counted)
{
    delete m_coder;
    m_coder = nullptr;
    undo::commitWrite(m_db);
    m_done = true;
    m_outcome.set.description =
        counted ? QStringLiteral("%1 (%2)").arg(what, segmentsText(m_outcome.segments)) : what;
    return std::move(m_outcome);
}

std::vector<QString> missingValues(Connection &db, int list, const std::vector<QString> &paths)
{
    checkListNumber(list);
    QSet<QString> known;
    for (const lists::Value &v : lists::values(db, list))
        if (v.numero != lists::kEmptyValue)
            known.insert(v.text.trimmed());
    std::vector<QString> missing;
    for (const QString &path : paths)
        if (!known.contains(path.trimmed()))
            missing.push_back(path.trimmed());
    return missing;
}

} // namespace coding
