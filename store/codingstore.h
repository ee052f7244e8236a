#pragma once
// What the coding application reads and writes in an analysis database: the
// texts and their segments, the coding rows of a segment (table `Contenus`),
// the values of the five lists. The export reads through store/exportstore.h.
//
// Every change is its own short transaction (autocommit), so that Telmira may
// hold the same file at the same time; the connection waits up to 30 s for a
// file held by the other program. Every failure throws StoreError with a
// French message naming the cause and the file.
#include <QString>
#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class Connection;
struct sqlite3_stmt;

namespace coding {

inline constexpr int kLists = 5;

struct TextInfo {
    qint64 numero = 0;   // the text's number
    QString chemin;      // its path
    qint64 segments = 0; // number of its segments
    qint64 coded = 0;    // number of its coded segments (see isCoded)
};

struct SegmentSummary {
    qint64 numero = 0;
    QString start; // the first characters of the segment (at most 80)
    bool coded = false;
};

struct Coding {
    qint64 numero = 0;                  // the `Contenus` row
    std::array<qint64, kLists> numvar{}; // numvar01 to numvar05; 0 when null
};

struct ListValue {
    qint64 numero = 0;
    QString value; // empty for the value-less row
};

class CodingStore
{
public:
    // Opens the analysis database (a foreign file is refused untouched):
    // for writing, and then an older schema is brought up to date, after
    // `beforeUpgrade` has run on the connection (the backup; it may throw
    // StoreError to stop the opening); read-only, and left as it is, when
    // the file or its folder may not be written.
    static std::unique_ptr<CodingStore>
    open(const QString &path, const std::function<void(Connection &)> &beforeUpgrade = {});
    explicit CodingStore(std::shared_ptr<Connection> connection);
    ~CodingStore();
    CodingStore(const CodingStore &) = delete;
    CodingStore &operator=(const CodingStore &) = delete;

    const QString &path() const;
    // Opened read-only (the file or its folder may not be written): every
    // change is refused.
    bool readOnly() const;
    Connection &connection() { return *m_db; }

    // The texts of the analysis in number order, with their counts.
    std::vector<TextInfo> texts();
    // The segment numbers of a text, in number order.
    std::vector<qint64> segmentKeys(qint64 textNumber);
    // One segment's text; nullopt when the segment is no longer there.
    std::optional<QString> segmentText(qint64 segment);
    // Summaries of the segments of a text whose numbers lie between first
    // and last (both included), in number order.
    std::vector<SegmentSummary> summaries(qint64 textNumber, qint64 first, qint64 last);
    // The first segment of the text after `after` (any number; 0 for the
    // start) that is not coded (see isCoded); nullopt when there is none.
    std::optional<qint64> nextUncoded(qint64 textNumber, qint64 after);
    // Whether the segment is coded: one of its coding rows holds a value
    // (a row left on the five empty values does not count).
    bool isCoded(qint64 segment);

    // The coding rows of a segment, in number order.
    std::vector<Coding> codings(qint64 segment);
    // Adds a coding row to the segment, pointing to row 1 of each list;
    // returns its number.
    qint64 addCoding(qint64 segment);
    // Sets numvar0K (list 1 to 5) of a coding row to a row of list K.
    void setCodingValue(qint64 coding, int list, qint64 variable);
    // Deletes a coding row.
    void deleteCoding(qint64 coding);

    // The rows of list K (1 to 5) ordered by value, through the saved query
    // "var_comp_0K Requête".
    std::vector<ListValue> listValues(int list);

private:
    sqlite3_stmt *prepare(const char *sql);
    // Steps a statement: true on a row, false at the end; throws on failure.
    bool step(sqlite3_stmt *stmt);
    [[noreturn]] void failRead();
    [[noreturn]] void failWrite(const QString &what, int rc);
    // Refuses a write to a read-only analysis, or to a file replaced or
    // deleted since the opening.
    void beforeWrite();

    std::shared_ptr<Connection> m_db;
};

} // namespace coding
