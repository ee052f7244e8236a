#include "store/resultsstore.h"

#include "common/frenchorder.h"
#include "store/connection.h"
#include "store/statement.h"
#include "store/storeerror.h"

#include <QStringList>
#include <sqlite3.h>

#include <unordered_map>

namespace results {
namespace {

constexpr int kLists = 5;

void checkList(int list)
{
    if (list < 1 || list > kLists)
        throw StoreError(QStringLiteral("La liste n° %1 n'existe pas (listes 1 à 5).").arg(list));
}

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

// The texts counted, as a condition on a segment number; bound to ?1.
QString segmentInScope(const QString &segment)
{
    return segment
           + QStringLiteral(" IN (SELECT numero FROM textes WHERE numtexte IN"
                            " (SELECT value FROM json_each(?1)))");
}

QString where(const QStringList &conditions)
{
    return conditions.isEmpty() ? QString()
                                : QStringLiteral(" WHERE ") + conditions.join(QStringLiteral(" AND "));
}

std::unordered_map<qint64, size_t> indexOf(const std::vector<Value> &values)
{
    std::unordered_map<qint64, size_t> index;
    for (size_t i = 0; i < values.size(); ++i)
        index.emplace(values[i].numero, i);
    return index;
}

} // namespace

ResultsStore::ResultsStore(Connection &db) : m_db(db) {}

sqlite3_stmt *ResultsStore::prepare(const QString &sql)
{
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

void ResultsStore::bindScope(sqlite3_stmt *stmt, int index, const Scope &scope)
{
    if (scope.all)
        return;
    QByteArray json = "[";
    for (size_t i = 0; i < scope.texts.size(); ++i) {
        if (i > 0)
            json += ',';
        json += QByteArray::number(scope.texts[i]);
    }
    json += ']';
    check(sqlite3_bind_text(stmt, index, json.constData(), int(json.size()), SQLITE_TRANSIENT));
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
    checkList(list);
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

qint64 ResultsStore::single(const QString &sql, const Scope &scope)
{
    OwnedStatement stmt(prepare(sql));
    bindScope(stmt, 1, scope);
    if (!step(stmt))
        fail();
    return sqlite3_column_int64(stmt, 0);
}

qint64 ResultsStore::segmentCount(const Scope &scope)
{
    return single(scope.all ? QStringLiteral("SELECT count(*) FROM textes")
                            : QStringLiteral("SELECT count(*) FROM textes WHERE numtexte IN"
                                             " (SELECT value FROM json_each(?1))"),
                  scope);
}

// How the counts are asked for, so that they stay fast on a million rows:
// - the whole analysis by coding rows reads the index of the list's column
//   alone (it holds all it needs);
// - otherwise the rows are read in the table's own order (a "+" keeps the
//   engine from going through a list's index, which would mean one look-up
//   in the table per row) or, for a few texts, through the segments' index;
// - a pair of values is grouped as one number, a * 2^32 + b (both are
//   32-bit), which halves the engine's sorting; the pair is read back here
//   from the few groups found.
FrequencyCounts ResultsStore::frequencies(int list, Unit unit, const Scope &scope)
{
    FrequencyCounts result;
    result.values = values(list);
    result.counts.assign(result.values.size(), 0);
    const auto index = indexOf(result.values);
    const QString v = column(list);

    QStringList conditions;
    if (!scope.all)
        conditions << segmentInScope(QStringLiteral("k.numtexte"));
    QString sql;
    if (unit == Unit::Lines) {
        // Every group, the left-out values included: they are the "non codé".
        sql = scope.all ? QStringLiteral("SELECT %1, count(*) FROM Contenus k GROUP BY %1").arg(v)
                        : QStringLiteral("SELECT +%1 AS v, count(*) FROM Contenus k%2 GROUP BY v")
                              .arg(v, where(conditions));
    } else {
        conditions << QStringLiteral("+") + v + QStringLiteral(" IN ") + counted(list);
        sql = QStringLiteral("SELECT +%1 AS v, count(DISTINCT k.numtexte) FROM Contenus k%2"
                             " GROUP BY v")
                  .arg(v, where(conditions));
    }
    OwnedStatement stmt(prepare(sql));
    bindScope(stmt, 1, scope);
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
    if (unit == Unit::Segments) {
        result.uncoded = segmentCount(scope)
                         - single(QStringLiteral("SELECT count(DISTINCT k.numtexte) FROM Contenus k")
                                      + where(conditions),
                                  scope);
        result.multiple = single(QStringLiteral("SELECT count(*) FROM (SELECT k.numtexte FROM "
                                                "Contenus k%1 GROUP BY k.numtexte HAVING "
                                                "count(DISTINCT +%2) > 1)")
                                     .arg(where(conditions), v),
                                 scope);
    }
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
    const QString pair = QStringLiteral("(%1 * 4294967296 + %2)").arg(column(rowList), column(columnList));

    QStringList conditions;
    if (!scope.all)
        conditions << segmentInScope(QStringLiteral("k.numtexte"));
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
    bindScope(stmt, 1, scope);
    while (step(stmt)) {
        const qint64 n = sqlite3_column_int64(stmt, 1);
        if (sqlite3_column_type(stmt, 0) == SQLITE_NULL) {
            result.uncoded += n;
            continue;
        }
        // p = a * 2^32 + b, b a signed 32-bit number.
        const qint64 p = sqlite3_column_int64(stmt, 0);
        const qint64 b = qint32(quint32(quint64(p)));
        const qint64 a = (p - b) / 4294967296LL;
        const auto r = rowIndex.find(a);
        const auto c = columnIndex.find(b);
        if (r == rowIndex.end() || c == columnIndex.end())
            result.uncoded += n;
        else
            result.counts[r->second][c->second] = n;
    }
    if (unit == Unit::Segments) {
        result.uncoded = segmentCount(scope)
                         - single(QStringLiteral("SELECT count(DISTINCT k.numtexte) FROM Contenus k")
                                      + where(conditions),
                                  scope);
        result.multiple = single(QStringLiteral("SELECT count(*) FROM (SELECT k.numtexte FROM "
                                                "Contenus k%1 GROUP BY k.numtexte HAVING "
                                                "count(DISTINCT %2) > 1)")
                                     .arg(where(conditions), pair),
                                 scope);
    }
    return result;
}

std::vector<CellSegment> ResultsStore::cellSegments(int rowList, qint64 rowValue, int columnList,
                                                    qint64 columnValue, const Scope &scope)
{
    checkList(rowList);
    if (columnList != 0)
        checkList(columnList);
    QStringList conditions;
    if (!scope.all)
        conditions << QStringLiteral("t.numtexte IN (SELECT value FROM json_each(?1))");
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
    bindScope(stmt, 1, scope);
    if (rowValue != 0)
        check(sqlite3_bind_int64(stmt, 2, rowValue));
    if (columnList != 0 && columnValue != 0)
        check(sqlite3_bind_int64(stmt, 3, columnValue));
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
