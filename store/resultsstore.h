#pragma once
// The counts behind the results of the coding: how often each value of a
// list was coded, and how two lists' values go together, counted by SQL over
// the indexed columns of `Contenus`, for the whole analysis or a set of
// texts. Also the segments behind one cell of a table.
//
// Two units of count:
// - coding rows: each `Contenus` row counts once; a row whose value is the
//   list's row 1 (the empty value), null or not in the list is left out and
//   counted as "non codé";
// - segments: a segment counts once for each distinct value it holds in the
//   list (once for each distinct pair of values found on one of its rows, in
//   a cross-table); the segments of the texts counted that hold no value
//   there (no coding row at all included) are "non codé".
//
// Values are in list order: the French order in which the coding window lists
// them (common/frenchorder.h), equal values by number. Every failure throws StoreError in French.
#include <QString>
#include <vector>

class Connection;
struct sqlite3_stmt;

namespace results {

enum class Unit { Lines, Segments };

// Which texts are counted: all of them, or those numbered.
struct Scope {
    bool all = true;
    std::vector<qint64> texts; // Chemin numbers, when not all

    static Scope whole() { return Scope{}; }
    static Scope of(std::vector<qint64> texts) { return Scope{false, std::move(texts)}; }
};

struct Value {
    qint64 numero = 0;
    QString text; // as stored (empty for a value without text)
};

struct FrequencyCounts {
    std::vector<Value> values;  // list order
    std::vector<qint64> counts; // one per value
    qint64 uncoded = 0;
    qint64 multiple = 0; // segments counted in several cells (segment unit)
};

struct CrossCounts {
    std::vector<Value> rows;                 // values of the first list
    std::vector<Value> columns;              // values of the second list
    std::vector<std::vector<qint64>> counts; // [row][column]
    qint64 uncoded = 0;
    qint64 multiple = 0; // segments counted in several cells (segment unit)
};

struct CellSegment {
    qint64 segment = 0; // textes.numero
    qint64 text = 0;    // its text (Chemin.numero)
};

class ResultsStore
{
public:
    explicit ResultsStore(Connection &db);

    // The values of list K (1 to 5) in list order (French order), its row 1
    // left out.
    std::vector<Value> values(int list);

    FrequencyCounts frequencies(int list, Unit unit, const Scope &scope);
    CrossCounts crossCounts(int rowList, int columnList, Unit unit, const Scope &scope);

    // The segments of the counted texts that hold, on one coding row, the
    // value rowValue of rowList and (when columnList is not 0) the value
    // columnValue of columnList; a value 0 stands for any value of its list
    // (a margin of the table). In segment number order.
    std::vector<CellSegment> cellSegments(int rowList, qint64 rowValue, int columnList,
                                          qint64 columnValue, const Scope &scope);

    // The first `length` characters of each segment, in the order given
    // (empty for a segment no longer there).
    std::vector<QString> starts(const std::vector<qint64> &segments, int length = 80);

private:
    sqlite3_stmt *prepare(const QString &sql);
    bool step(sqlite3_stmt *stmt);
    void bindScope(sqlite3_stmt *stmt, int index, const Scope &scope);
    // The one number a query returns.
    qint64 single(const QString &sql, const Scope &scope);
    // The segments of the texts counted.
    qint64 segmentCount(const Scope &scope);
    void check(int rc);
    [[noreturn]] void fail();

    Connection &m_db;
};

} // namespace results
