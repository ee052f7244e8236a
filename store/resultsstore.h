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
//
// A list can also be crossed with an attribute of the texts (see
// store/attributestore.h): each unit falls in the column of its text's value,
// the attribute's values in French order, then "(sans valeur)" when some
// text of the analysis has none. The columns are the same whichever texts
// are counted, as a list's values are.
//
// The texts counted are those chosen by number, if any, whose attributes
// also meet every condition ("journal = Le Monde", "date de 2003-01-01 à
// 2003-12-31"). A range compares as the attribute's type says
// (attributes::kindOf): dates as dates, numbers as numbers (a decimal comma
// read as a point); a range on an attribute of text is refused.
#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

class Connection;
struct sqlite3_stmt;

namespace results {

struct ScopeFilter; // store/scopefilter.h

enum class Unit { Lines, Segments };

// A condition on one attribute of the texts: its value equals `value`, or
// (a range) lies from `from` to `to`, both included; an empty bound is no
// bound.
struct Condition {
    qint64 attribute = 0; // Attributs.numero
    QString name;         // the attribute's name, as shown
    bool range = false;
    QString value; // when not a range
    QString from;  // when a range
    QString to;

    static Condition equals(qint64 attribute, QString name, QString value)
    {
        return Condition{attribute, std::move(name), false, std::move(value), {}, {}};
    }
    static Condition between(qint64 attribute, QString name, QString from, QString to)
    {
        return Condition{attribute, std::move(name), true, {}, std::move(from), std::move(to)};
    }
};

// The conditions as the user reads them: "journal = Le Monde et date de
// 2003-01-01 à 2003-12-31" ("date à partir de 2003-01-01", "date jusqu'à
// 2003-12-31" for a range open on one side); empty without conditions.
QString describe(const std::vector<Condition> &conditions);

// Which texts are counted: all of them, or those numbered; in both cases
// only those that meet every condition.
struct Scope {
    bool all = true;
    std::vector<qint64> texts; // Chemin numbers, when not all
    std::vector<Condition> conditions;

    static Scope whole() { return Scope{}; }
    static Scope of(std::vector<qint64> texts) { return Scope{false, std::move(texts), {}}; }
    // Every text of the analysis, without condition.
    bool unrestricted() const { return all && conditions.empty(); }
};

struct Value {
    qint64 numero = 0;
    QString text; // as stored (empty for a value without text)
};

// The number of the column "(sans valeur)" in a cross-table by attribute;
// the attribute's values are numbered 1, 2... in their order.
inline constexpr qint64 kWithoutValue = -1;
QString withoutValueLabel(); // "(sans valeur)"

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

    // Counts the values accepted from a suggestion (store/suggestionstore.h)
    // as not coded: every count, cross-table and cell's segments that
    // follow. Throws StoreError.
    void leaveOutAcceptedSuggestions(bool leaveOut);

    // Throws StoreError when the condition cannot be applied: a range on an
    // attribute of text, a bound that is not a date or a number as the
    // attribute's values are.
    void checkCondition(const Condition &condition);

    // The values of list K (1 to 5) in list order (French order), its row 1
    // left out.
    std::vector<Value> values(int list);

    FrequencyCounts frequencies(int list, Unit unit, const Scope &scope);
    CrossCounts crossCounts(int rowList, int columnList, Unit unit, const Scope &scope);

    // The distinct values of an attribute in French order (equal values
    // are one), numbered 1, 2...; then "(sans valeur)", numbered
    // kWithoutValue, when some text of the analysis has no value.
    std::vector<Value> attributeValues(qint64 attribute);
    // List `list` (the rows) crossed with an attribute (the columns, as
    // attributeValues gives them).
    CrossCounts attributeCounts(int list, qint64 attribute, Unit unit, const Scope &scope);

    // The segments of the counted texts that hold, on one coding row, the
    // value rowValue of rowList and (when columnList is not 0) the value
    // columnValue of columnList; a value 0 stands for any value of its list
    // (a margin of the table). In segment number order.
    std::vector<CellSegment> cellSegments(int rowList, qint64 rowValue, int columnList,
                                          qint64 columnValue, const Scope &scope);
    // The same for a list crossed with an attribute: the segments holding
    // listValue (0: any) whose text has the attribute's value `value`; an
    // empty value is "(sans valeur)", none is any.
    std::vector<CellSegment> attributeCellSegments(int list, qint64 listValue, qint64 attribute,
                                                   const std::optional<QString> &value,
                                                   const Scope &scope);

    // The first `length` characters of each segment, in the order given
    // (empty for a segment no longer there).
    std::vector<QString> starts(const std::vector<qint64> &segments, int length = 80);

private:
    sqlite3_stmt *prepare(const QString &sql);
    bool step(sqlite3_stmt *stmt);
    void bind(sqlite3_stmt *stmt, const ScopeFilter &filter);
    // The one number a query returns.
    qint64 single(const QString &sql, const ScopeFilter &filter);
    // The segments of the texts counted.
    qint64 segmentCount(const Scope &scope);
    // The segment unit's "non codé" and segments in several cells, for the
    // rows meeting `conditions` (values of the list counted, texts in
    // scope); `distinct` is what a segment holding several is told by.
    void segmentMargins(const Scope &scope, const QStringList &conditions, const ScopeFilter &filter,
                        const QString &distinct, qint64 *uncoded, qint64 *multiple);
    void check(int rc);
    [[noreturn]] void fail();

    Connection &m_db;
    QString m_rows; // the coding rows as read: Contenus, or the view without suggestions
};

} // namespace results
