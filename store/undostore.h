#pragma once
// Undoable changes of an analysis database. A change is the list of rows it
// touched, each with its image before and after the change (no image: the
// row did not exist, or no longer does). Redoing writes the images after,
// in the change's order; undoing writes the images before, in the reverse
// order. Rows come back with their own numbers.
//
// Each row is checked before it is written: it must stand exactly as the
// change (or its undoing) left it. A row that another program changed,
// deleted or took into use meanwhile makes the whole undo or redo refused
// (undo::Conflict), and nothing is written: a step is never forced.
//
// The rows of one change are written in one transaction. A change holds the
// images of its rows only (a value deleted with 1,000 coding rows holds
// 1,001 small images), and the coding rows that a bulk coding adds in a
// compact form (AddedCodingRun: 8 bytes a row).
#include "store/storeerror.h"

#include <QString>
#include <array>
#include <optional>
#include <utility>
#include <vector>

class Connection;

namespace undo {

// The tables whose rows a change may touch.
enum class Table {
    Contenus,   // a coding row: numtexte, numvar01 to numvar05
    Value,      // a value of list `list` (var_comp_0K): its text (null for row 1)
    ListName,   // the name of list `list` (Listes): nom
    Definition, // the definition of value `numero` of list `list` (Definitions)
    Note,       // a note (Notes): `list` its genre, `numero` its target; its text
    Attribute,      // attribute `numero` (Attributs): its name
    AttributeValue, // the value of attribute `list` (32 bits, as the table keeps it) for
                    // text `numero` (ValeursAttributs)
    Accepted,       // the record that the value of list `list` on coding row `numero` was
                    // an accepted suggestion (SuggestionsAcceptees)
};

struct RowKey {
    Table table = Table::Contenus;
    int list = 0;      // 1 to 5; 0 for a coding row; a note's genre (1 to 3)
    qint64 numero = 0; // the row's number (0 for a list's name)
};

// The columns of a row but its key: the six numbers of a coding row
// (numtexte, numvar01 to numvar05, 32-bit as the table's checks keep them),
// or the one text of a value, a name or a definition. An accepted
// suggestion keeps its value (numbers[0]), its confidence in millionths
// (numbers[1]) and its coder and date as one text joined by
// kAcceptedSeparator. Kept small: a step holds one or two images for every
// row it touched.
inline constexpr QChar kAcceptedSeparator = QChar(0x1f);

struct Image {
    std::array<qint32, 6> numbers{};
    quint8 nulls = 0; // bit i: column i is null (bit 0 for the text)
    QString text;

    static Image ofText(const QString &text)
    {
        Image image;
        image.text = text;
        image.nulls = text.isNull() ? 1 : 0;
        return image;
    }
    bool isNull(int column) const { return nulls >> column & 1; }
    void setNumber(int column, qint64 value)
    {
        numbers[size_t(column)] = qint32(value);
        nulls &= quint8(~(1 << column));
    }
    bool operator==(const Image &other) const
    {
        return numbers == other.numbers && nulls == other.nulls && text == other.text;
    }
    bool operator!=(const Image &other) const { return !(*this == other); }
};

struct RowChange {
    RowKey key;
    std::optional<Image> before;
    std::optional<Image> after;
};

// Coding rows added by a step that codes many segments at once, kept in a
// compact form (8 bytes a row, where an image takes some 150): a run of rows
// of consecutive numbers, each added with its segment and one value of list
// `list`, the other lists empty (the table's defaults). Undoing deletes
// them, each first checked to stand exactly as it was added; redoing adds
// them again with their numbers, none of which may be in use meanwhile.
struct AddedCodingRun {
    qint64 first = 0; // the number of its first row
    int list = 1;     // 1 to 5
    std::vector<std::pair<qint32, qint32>> rows; // numtexte and the value, row by row
};

// A step: what it did, for the menus ("la suppression de « Installation »
// (5 lignes)"), its rows in the order in which they were written, then the
// coding rows it added in compact form (redone after the rows, undone before
// them).
struct ChangeSet {
    QString description;
    std::vector<RowChange> rows;
    std::vector<AddedCodingRun> added;

    bool empty() const { return rows.empty() && added.empty(); }
    // The rows the step touched, in either form.
    size_t size() const
    {
        size_t n = rows.size();
        for (const AddedCodingRun &run : added)
            n += run.rows.size();
        return n;
    }
    // Records an added coding row, continuing the last run where it can.
    void addCoding(qint64 numero, int list, qint64 segment, qint64 value)
    {
        if (added.empty() || added.back().list != list
            || added.back().first + qint64(added.back().rows.size()) != numero)
            added.push_back(AddedCodingRun{numero, list, {}});
        added.back().rows.emplace_back(qint32(segment), qint32(value));
    }
};

// A row is no longer as the step left it. The message names the row.
class Conflict : public StoreError
{
public:
    using StoreError::StoreError;
};

enum class Direction { Redo, Undo };

// Reads one row as it stands; nullopt when there is none. Throws StoreError.
std::optional<Image> read(Connection &db, const RowKey &key);

// Writes the rows of a change in the given direction, in one transaction.
// Throws Conflict (nothing written) or StoreError (nothing written).
void apply(Connection &db, const std::vector<RowChange> &rows, Direction direction);

// The same within the caller's transaction (which the caller rolls back on
// failure).
void applyInTransaction(Connection &db, const std::vector<RowChange> &rows,
                        Direction direction);

// A whole step: its rows and its added coding rows, in one transaction.
// Throws Conflict (nothing written) or StoreError (nothing written).
void apply(Connection &db, const ChangeSet &set, Direction direction);

// Starts and ends a write transaction (the write lock is taken at once),
// failures told in French. Throws StoreError.
void beginWrite(Connection &db);
void commitWrite(Connection &db);

// The row named as a user reads it: "la ligne de codage n° 12", "la valeur
// n° 36 de la liste 1"...
QString rowName(const RowKey &key);

// A failed write explained in French: `what` failed in the database, for the
// engine's result code `rc` (disk full, read-only file, lock, value too long
// or empty...). Throws StoreError.
[[noreturn]] void failWrite(Connection &db, const QString &what, int rc);

} // namespace undo
