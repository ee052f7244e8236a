#include "store/resultsstore.h"

#include "store/scopefilter.h"

#include "common/frenchorder.h"
#include "store/connection.h"
#include "store/statement.h"
#include "store/storeerror.h"
#include "store/suggestionstore.h"

#include <QStringList>
#include <sqlite3.h>

#include <unordered_map>

namespace results {
namespace {

// The column of list K in `Contenus`, as k.numvar0K.
QString column(int list)
{
    return QStringLiteral("k.numvar0%1").arg(list);
}

// The numbers of the values of list K that count: every row but row 1.
QString counted(int list)
{
    return QStringLiteral("(SELECT numero FROM var_comp_0%1 WHERE numero <> 1)").arg(list);
}

QString where(const QStringList &conditions)
{
    return whereClause(conditions);
}

std::unordered_map<qint64, size_t> indexOf(const std::vector<Value> &values)
{
    std::unordered_map<qint64, size_t> index;
    for (size_t i = 0; i < values.size(); ++i)
        index.emplace(values[i].numero, i);
    return index;
}

// A pair of 32-bit numbers as one, a * 2^32 + b, and back.
QString pairOf(const QString &a, const QString &b)
{
    return QStringLiteral("(%1 * 4294967296 + %2)").arg(a, b);
}

void splitPair(qint64 p, qint64 *a, qint64 *b)
{
    *b = qint32(quint32(quint64(p)));
    *a = (p - *b) / 4294967296LL;
}

} // namespace

QString withoutValueLabel()
{
    return QStringLiteral("(sans valeur)");
}

QString describe(const std::vector<Condition> &conditions)
{
    QStringList parts;
    for (const Condition &c : conditions) {
        if (!c.range)
            parts << QStringLiteral("%1 = %2").arg(c.name, c.value);
        else if (!c.from.isEmpty() && !c.to.isEmpty())
            parts << QStringLiteral("%1 de %2 à %3").arg(c.name, c.from, c.to);
        else if (!c.from.isEmpty())
            parts << QStringLiteral("%1 à partir de %2").arg(c.name, c.from);
        else if (!c.to.isEmpty())
            parts << QStringLiteral("%1 jusqu'à %2").arg(c.name, c.to);
        else
            parts << QStringLiteral("%1 renseigné").arg(c.name);
    }
    return parts.join(QStringLiteral(" et "));
}

ResultsStore::ResultsStore(Connection &db) : m_db(db), m_rows(QStringLiteral("Contenus")) {}

void ResultsStore::checkCondition(const Condition &condition)
{
    Scope scope;
    scope.conditions.push_back(condition);
    textFilter(m_db, scope, QStringLiteral("numtexte"));
}

void ResultsStore::bind(sqlite3_stmt *stmt, const ScopeFilter &filter)
{
    check(filter.bind(stmt));
}

void ResultsStore::leaveOutAcceptedSuggestions(bool leaveOut)
{
    m_rows = suggestions::codingRows(m_db, leaveOut);
}

sqlite3_stmt *ResultsStore::prepare(const QString &given)
{
    // Every query reads the coding rows as "FROM Contenus k": through the
    // view without accepted suggestions when they are left out.
    QString sql = given;
    if (m_rows != QLatin1String("Contenus"))
        sql.replace(QStringLiteral("FROM Contenus k"), QStringLiteral("FROM %1 k").arg(m_rows));
    sqlite3_stmt *stmt = nullptr;
    const QByteArray utf8 = sql.toUtf8();
    if (sqlite3_prepare_v2(m_db.handle(), utf8.constData(), int(utf8.size()), &stmt, nullptr)
        != SQLITE_OK) {
        sqlite3_finalize(stmt);
        fail();
    }
    return stmt;
}

bool ResultsStore::step(sqlite3_stmt *stmt)
{
    const int rc = sqlite3_step(stmt);
    if (rc == SQLITE_ROW)
        return true;
    if (rc != SQLITE_DONE)
        fail();
    return false;
}

void ResultsStore::check(int rc)
{
    if (rc != SQLITE_OK)
        fail();
}

void ResultsStore::fail()
{
    const int rc = sqlite3_errcode(m_db.handle()) & 0xff;
    QString cause = m_db.engineMessage();
    if (rc == SQLITE_BUSY || rc == SQLITE_LOCKED)
        cause = QStringLiteral("la base est verrouillée par un autre programme (%1)").arg(cause);
    throw StoreError(QStringLiteral("Les résultats n'ont pas pu être lus dans la base de données "
                                    "« %1 » : %2.")
                         .arg(m_db.path(), cause));
}

std::vector<Value> ResultsStore::values(int list)
{
    checkListNumber(list);
    OwnedStatement stmt(prepare(QStringLiteral("SELECT numero, variable0%1 FROM var_comp_0%1"
                                          " WHERE numero <> 1 ORDER BY numero")
                               .arg(list)));
    // In the order the coding window lists them: French order, ties by number.
    std::vector<french::OrderedValue> ordered;
    while (step(stmt))
        ordered.push_back({sqlite3_column_int64(stmt, 0), textColumn(stmt, 1)});
    french::sortFrench(ordered);
    std::vector<Value> result;
    result.reserve(ordered.size());
    for (french::OrderedValue &v : ordered)
        result.push_back(Value{v.numero, std::move(v.text)});
    return result;
}

qint64 ResultsStore::single(const QString &sql, const ScopeFilter &filter)
{
    OwnedStatement stmt(prepare(sql));
    bind(stmt, filter);
    if (!step(stmt))
        fail();
    return sqlite3_column_int64(stmt, 0);
}

qint64 ResultsStore::segmentCount(const Scope &scope)
{
    const ScopeFilter filter = textFilter(m_db, scope, QStringLiteral("numtexte"));
    return single(QStringLiteral("SELECT count(*) FROM textes") + where(filter.conditions), filter);
}

void ResultsStore::segmentMargins(const Scope &scope, const QStringList &conditions,
                                  const ScopeFilter &filter, const QString &distinct, qint64 *uncoded,
                                  qint64 *multiple)
{
    *uncoded = segmentCount(scope)
               - single(QStringLiteral("SELECT count(DISTINCT k.numtexte) FROM ") + m_rows + QStringLiteral(" k")
                            + where(conditions),
                        filter);
    *multiple = single(QStringLiteral("SELECT count(*) FROM (SELECT k.numtexte FROM "
                                      "Contenus k%1 GROUP BY k.numtexte HAVING "
                                      "count(DISTINCT %2) > 1)")
                           .arg(where(conditions), distinct),
                       filter);
}

// How the counts are asked for, so that they stay fast on a million rows:
// - the whole analysis by coding rows reads the index of the list's column
//   alone (it holds all it needs);
// - otherwise the rows are read in the table's own order (a "+" keeps the
//   engine from going through a list's index, which would mean one look-up
//   in the table per row) or, for a few texts, through the segments' index;
//   the texts counted are found first (by number, and through
//   ValeursAttributs for the conditions), then their segments;
// - a pair of values is grouped as one number, a * 2^32 + b (both are
//   32-bit), which halves the engine's sorting; the pair is read back here
//   from the few groups found. Crossed with an attribute, the rows are
//   grouped by value and text, and the few texts then fall in their value's
//   column here.
FrequencyCounts ResultsStore::frequencies(int list, Unit unit, const Scope &scope)
{
    FrequencyCounts result;
    result.values = values(list);
    result.counts.assign(result.values.size(), 0);
    const auto index = indexOf(result.values);
    const QString v = column(list);

    const ScopeFilter filter = segmentFilter(m_db, scope, QStringLiteral("k.numtexte"));
    QStringList conditions = filter.conditions;
    QString sql;
    if (unit == Unit::Lines) {
        // Every group, the left-out values included: they are the "non codé".
        sql = scope.unrestricted()
                  ? QStringLiteral("SELECT %1, count(*) FROM Contenus k GROUP BY %1").arg(v)
                  : QStringLiteral("SELECT +%1 AS v, count(*) FROM Contenus k%2 GROUP BY v")
                        .arg(v, where(conditions));
    } else {
        conditions << QStringLiteral("+") + v + QStringLiteral(" IN ") + counted(list);
        sql = QStringLiteral("SELECT +%1 AS v, count(DISTINCT k.numtexte) FROM Contenus k%2"
                             " GROUP BY v")
                  .arg(v, where(conditions));
    }
    OwnedStatement stmt(prepare(sql));
    bind(stmt, filter);
    while (step(stmt)) {
        const qint64 n = sqlite3_column_int64(stmt, 1);
        const auto found = sqlite3_column_type(stmt, 0) == SQLITE_NULL
                               ? index.end()
                               : index.find(sqlite3_column_int64(stmt, 0));
        if (found == index.end())
            result.uncoded += n;
        else
            result.counts[found->second] = n;
    }
    if (unit == Unit::Segments)
        segmentMargins(scope, conditions, filter, QStringLiteral("+") + v, &result.uncoded,
                       &result.multiple);
    return result;
}

CrossCounts ResultsStore::crossCounts(int rowList, int columnList, Unit unit, const Scope &scope)
{
    CrossCounts result;
    result.rows = values(rowList);
    result.columns = values(columnList);
    result.counts.assign(result.rows.size(), std::vector<qint64>(result.columns.size(), 0));
    const auto rowIndex = indexOf(result.rows);
    const auto columnIndex = indexOf(result.columns);
    const QString pair = pairOf(column(rowList), column(columnList));

    const ScopeFilter filter = segmentFilter(m_db, scope, QStringLiteral("k.numtexte"));
    QStringList conditions = filter.conditions;
    QString sql;
    if (unit == Unit::Lines) {
        sql = QStringLiteral("SELECT %1 AS p, count(*) FROM Contenus k%2 GROUP BY p")
                  .arg(pair, where(conditions));
    } else {
        conditions << QStringLiteral("+") + column(rowList) + QStringLiteral(" IN ")
                          + counted(rowList)
                   << QStringLiteral("+") + column(columnList) + QStringLiteral(" IN ")
                          + counted(columnList);
        sql = QStringLiteral("SELECT %1 AS p, count(DISTINCT k.numtexte) FROM Contenus k%2"
                             " GROUP BY p")
                  .arg(pair, where(conditions));
    }
    OwnedStatement stmt(prepare(sql));
    bind(stmt, filter);
    while (step(stmt)) {
        const qint64 n = sqlite3_column_int64(stmt, 1);
        if (sqlite3_column_type(stmt, 0) == SQLITE_NULL) {
            result.uncoded += n;
            continue;
        }
        qint64 a = 0;
        qint64 b = 0;
        splitPair(sqlite3_column_int64(stmt, 0), &a, &b);
        const auto r = rowIndex.find(a);
        const auto c = columnIndex.find(b);
        if (r == rowIndex.end() || c == columnIndex.end())
            result.uncoded += n;
        else
            result.counts[r->second][c->second] = n;
    }
    if (unit == Unit::Segments)
        segmentMargins(scope, conditions, filter, pair, &result.uncoded, &result.multiple);
    return result;
}

std::vector<Value> ResultsStore::attributeValues(qint64 attribute)
{
    std::vector<french::OrderedValue> ordered;
    {
        OwnedStatement stmt(prepare(QStringLiteral(
            "SELECT DISTINCT valeur FROM ValeursAttributs WHERE attribut = ?1")));
        check(sqlite3_bind_int64(stmt, 1, attribute));
        while (step(stmt))
            ordered.push_back({qint64(ordered.size()), textColumn(stmt, 0)});
    }
    french::sortFrench(ordered);
    std::vector<Value> result;
    result.reserve(ordered.size() + 1);
    for (french::OrderedValue &v : ordered)
        result.push_back(Value{qint64(result.size()) + 1, std::move(v.text)});
    OwnedStatement none(prepare(QStringLiteral(
        "SELECT EXISTS (SELECT 1 FROM Chemin c WHERE NOT EXISTS (SELECT 1 FROM ValeursAttributs"
        " WHERE attribut = ?1 AND texte = c.numero))")));
    check(sqlite3_bind_int64(none, 1, attribute));
    if (step(none) && sqlite3_column_int(none, 0) != 0)
        result.push_back(Value{kWithoutValue, withoutValueLabel()});
    return result;
}

CrossCounts ResultsStore::attributeCounts(int list, qint64 attribute, Unit unit,
                                          const Scope &scope)
{
    CrossCounts result;
    result.rows = values(list);
    result.columns = attributeValues(attribute);
    result.counts.assign(result.rows.size(), std::vector<qint64>(result.columns.size(), 0));
    const auto rowIndex = indexOf(result.rows);

    // The column of each text: its value's, or "(sans valeur)".
    std::unordered_map<QString, size_t> valueIndex;
    std::optional<size_t> without;
    for (size_t i = 0; i < result.columns.size(); ++i) {
        if (result.columns[i].numero == kWithoutValue)
            without = i;
        else
            valueIndex.emplace(result.columns[i].text, i);
    }
    std::unordered_map<qint64, size_t> textColumnOf;
    {
        OwnedStatement stmt(prepare(QStringLiteral(
            "SELECT c.numero, a.valeur FROM Chemin c LEFT JOIN ValeursAttributs a"
            " ON a.attribut = ?1 AND a.texte = c.numero")));
        check(sqlite3_bind_int64(stmt, 1, attribute));
        while (step(stmt)) {
            if (sqlite3_column_type(stmt, 1) == SQLITE_NULL) {
                if (without)
                    textColumnOf.emplace(sqlite3_column_int64(stmt, 0), *without);
                continue;
            }
            const auto found = valueIndex.find(textColumn(stmt, 1));
            if (found != valueIndex.end())
                textColumnOf.emplace(sqlite3_column_int64(stmt, 0), found->second);
        }
    }

    const QString v = column(list);
    const QString pair = pairOf(QStringLiteral("+") + v, QStringLiteral("t.numtexte"));
    const ScopeFilter filter = segmentFilter(m_db, scope, QStringLiteral("k.numtexte"));
    QStringList conditions = filter.conditions;
    if (unit == Unit::Segments)
        conditions << QStringLiteral("+") + v + QStringLiteral(" IN ") + counted(list);
    const QString count = unit == Unit::Lines ? QStringLiteral("count(*)")
                                              : QStringLiteral("count(DISTINCT k.numtexte)");
    OwnedStatement stmt(prepare(QStringLiteral("SELECT %1 AS p, %2 FROM Contenus k"
                                               " LEFT JOIN textes t ON t.numero = k.numtexte%3"
                                               " GROUP BY p")
                                    .arg(pair, count, where(conditions))));
    bind(stmt, filter);
    while (step(stmt)) {
        const qint64 n = sqlite3_column_int64(stmt, 1);
        if (sqlite3_column_type(stmt, 0) == SQLITE_NULL) {
            // No value of the list, or a row without its segment.
            result.uncoded += n;
            continue;
        }
        qint64 a = 0;
        qint64 text = 0;
        splitPair(sqlite3_column_int64(stmt, 0), &a, &text);
        const auto r = rowIndex.find(a);
        const auto c = textColumnOf.find(text);
        if (r == rowIndex.end() || c == textColumnOf.end())
            result.uncoded += n;
        else
            result.counts[r->second][c->second] += n;
    }
    if (unit == Unit::Segments)
        segmentMargins(scope, conditions, filter, QStringLiteral("+") + v, &result.uncoded,
                       &result.multiple);
    return result;
}

std::vector<CellSegment> ResultsStore::cellSegments(int rowList, qint64 rowValue, int columnList,
                                                    qint64 columnValue, const Scope &scope)
{
    checkListNumber(rowList);
    if (columnList != 0)
        checkListNumber(columnList);
    const ScopeFilter filter = textFilter(m_db, scope, QStringLiteral("t.numtexte"));
    QStringList conditions = filter.conditions;
    const QString a = column(rowList);
    conditions << (rowValue != 0 ? a + QStringLiteral(" = ?2")
                                 : a + QStringLiteral(" IN ") + counted(rowList));
    if (columnList != 0) {
        const QString b = column(columnList);
        conditions << (columnValue != 0 ? b + QStringLiteral(" = ?3")
                                        : b + QStringLiteral(" IN ") + counted(columnList));
    }
    OwnedStatement stmt(prepare(QStringLiteral("SELECT DISTINCT k.numtexte, t.numtexte FROM Contenus k"
                                          " JOIN textes t ON t.numero = k.numtexte%1"
                                          " ORDER BY k.numtexte")
                               .arg(where(conditions))));
    bind(stmt, filter);
    if (rowValue != 0)
        check(sqlite3_bind_int64(stmt, 2, rowValue));
    if (columnList != 0 && columnValue != 0)
        check(sqlite3_bind_int64(stmt, 3, columnValue));
    std::vector<CellSegment> result;
    while (step(stmt))
        result.push_back(CellSegment{sqlite3_column_int64(stmt, 0), sqlite3_column_int64(stmt, 1)});
    return result;
}

std::vector<CellSegment> ResultsStore::attributeCellSegments(int list, qint64 listValue,
                                                             qint64 attribute,
                                                             const std::optional<QString> &value,
                                                             const Scope &scope)
{
    checkListNumber(list);
    const ScopeFilter filter = textFilter(m_db, scope, QStringLiteral("t.numtexte"));
    QStringList conditions = filter.conditions;
    const QString a = column(list);
    conditions << (listValue != 0 ? a + QStringLiteral(" = ?2")
                                  : a + QStringLiteral(" IN ") + counted(list));
    if (value) {
        conditions << (value->isEmpty()
                           ? QStringLiteral("t.numtexte NOT IN (SELECT texte FROM ValeursAttributs"
                                            " WHERE attribut = ?3)")
                           : QStringLiteral("t.numtexte IN (SELECT texte FROM ValeursAttributs"
                                            " WHERE attribut = ?3 AND valeur = ?4)"));
    }
    OwnedStatement stmt(prepare(QStringLiteral("SELECT DISTINCT k.numtexte, t.numtexte FROM Contenus k"
                                               " JOIN textes t ON t.numero = k.numtexte%1"
                                               " ORDER BY k.numtexte")
                                    .arg(where(conditions))));
    bind(stmt, filter);
    if (listValue != 0)
        check(sqlite3_bind_int64(stmt, 2, listValue));
    if (value) {
        check(sqlite3_bind_int64(stmt, 3, attribute));
        if (!value->isEmpty()) {
            const QByteArray utf8 = value->toUtf8();
            check(sqlite3_bind_text(stmt, 4, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT));
        }
    }
    std::vector<CellSegment> result;
    while (step(stmt))
        result.push_back(CellSegment{sqlite3_column_int64(stmt, 0), sqlite3_column_int64(stmt, 1)});
    return result;
}

std::vector<QString> ResultsStore::starts(const std::vector<qint64> &segments, int length)
{
    OwnedStatement stmt(prepare(QStringLiteral("SELECT substr(texte, 1, ?2) FROM textes WHERE numero = ?1")));
    check(sqlite3_bind_int(stmt, 2, length));
    std::vector<QString> result;
    result.reserve(segments.size());
    for (qint64 segment : segments) {
        check(sqlite3_bind_int64(stmt, 1, segment));
        result.push_back(step(stmt) ? textColumn(stmt, 0) : QString());
        check(sqlite3_reset(stmt));
    }
    return result;
}

} // namespace results
