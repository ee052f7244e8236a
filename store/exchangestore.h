#pragma once
// What an exchange with another program reads from and writes to an
// analysis: its texts with their segments, its lists with their names,
// values and definitions, its coding rows and its notes; and, on import, new
// list values, coding rows and notes (store/notestore.h).
#include <QString>
#include <array>
#include <map>
#include <memory>
#include <optional>
#include <vector>

class Connection;
class Statement;

namespace exchangestore {

inline constexpr int kLists = 5;

struct Value
{
    qint64 numero = 0;
    QString text;
    QString definition;
};

struct List
{
    QString name;
    std::vector<Value> values; // by number, the value-less row 1 left out
};

struct Segment
{
    qint64 numero = 0;
    QString text;
};

struct Text
{
    qint64 numero = 0;
    QString path;
    std::vector<Segment> segments; // by number
};

struct CodingRow
{
    qint64 numero = 0;
    qint64 segment = 0;
    std::array<qint64, kLists> values{}; // numvar01..05; 1 is the empty value
};

// An attribute of the texts, its type read from its values.
struct Attribute
{
    QString name;
    enum class Kind { Text, Integer, Float, Date } kind = Kind::Text;
    std::map<qint64, QString> values; // by text number
};

// A note of the analysis (store/notestore.h): genre 1 a segment, 2 a text,
// 3 the analysis itself (target 0).
struct Note
{
    int genre = 3;
    qint64 target = 0;
    QString text;
};

struct Analysis
{
    QString identifier; // stable across exports of this analysis and its copies
    QString coder;      // empty when none is recorded
    std::array<List, kLists> lists;
    std::vector<Text> texts;
    std::vector<CodingRow> codings; // by number
    std::vector<Attribute> attributes; // in their order of creation
    std::vector<Note> notes;        // the analysis's, then by text and segment
};

// Reads the whole analysis in one read transaction. The identifier is the
// analysis's property "identifiant", recorded on first use when the file can
// be written. Throws StoreError.
Analysis read(Connection &db);

// The segments of one text, by number. Throws StoreError.
std::vector<Segment> segments(Connection &db, qint64 text);

// The number of the text recorded under `path`, if any.
std::optional<qint64> textNumber(Connection &db, const QString &path);
// The number of value `text` in list `list`, if it is there.
std::optional<qint64> findValue(Connection &db, int list, const QString &text);

// How many values list `list` holds besides the empty one (number 1).
qint64 valueCount(Connection &db, int list);

// The number of value `text` in list `list`, added when it is not there
// (compared as stored). A definition is recorded when the value has none.
// Throws StoreError (a value over 255 characters is refused).
qint64 ensureValue(Connection &db, int list, const QString &text, const QString &definition);

// Adds coding rows to segments, through one prepared statement. Throws
// StoreError.
class CodingRowWriter
{
public:
    explicit CodingRowWriter(Connection &db);
    ~CodingRowWriter();
    CodingRowWriter(const CodingRowWriter &) = delete;
    CodingRowWriter &operator=(const CodingRowWriter &) = delete;
    void add(qint64 segment, const std::array<qint64, kLists> &values);

private:
    std::unique_ptr<Statement> m_insert;
};

} // namespace exchangestore
