#pragma once
// What the CSV exports read from an analysis database: every segment, by text
// and number, each with its coding rows (table `Contenus`), the texts of
// their values and its note (none in a file older than the notes).
//
// The segments are read text by text in blocks of about 4,000 rows, each
// block a short read of its own (Telmira may write between blocks), found
// through the index on the text's number and the segment's number, their
// rows coming in order from the indexes: the whole export costs time in
// proportion to the segments, whatever their number per text. Memory holds
// one segment's rows at a time. Failures throw StoreError (French).
#include "store/codingstore.h"

#include "store/statement.h"

#include <QByteArray>
#include <array>
#include <functional>
#include <vector>

namespace coding {

// Texts come as the file holds them, in UTF-8: the export writes them so.
struct ExportCoding {
    qint64 numero = 0;                      // the `Contenus` row
    std::array<qint64, kLists> numvar{};    // 0 when null
    std::array<QByteArray, kLists> value{}; // empty for the list's empty value
    // Whether the value of each list was accepted from a suggestion (read
    // only when the reader is asked to).
    std::array<bool, kLists> accepted{};
    // Whether one of the five lists holds a value (not the empty row 1).
    bool holdsValue() const;
};

struct ExportSegment {
    qint64 textNumber = 0;
    QByteArray textPath;
    qint64 segmentNumber = 0;
    QByteArray segmentText;
    std::vector<ExportCoding> codings; // in number order; empty when uncoded
    QByteArray note;                   // the segment's note; empty when none
};

// What the files of the statistics packages must know before their first
// record: for each list, whether some segment holds two different values of
// it (then each value gets a 0/1 column of its own), and the longest path and
// segment text, in bytes (the width of their string columns). One pass over
// the coding rows per list and one over the segments.
struct ExportShape {
    std::array<bool, kLists> severalValues{};
    qint64 longestPath = 0;
    qint64 longestSegment = 0;
};
ExportShape exportShape(Connection &connection);

class ExportReader
{
public:
    // What the reader does with the values accepted from a suggestion
    // (store/suggestionstore.h): nothing, tells them (ExportCoding::accepted),
    // or gives them as the list's empty value.
    enum class Suggestions { Ignored, Marked, LeftOut };
    explicit ExportReader(Connection &connection, Suggestions suggestions = Suggestions::Ignored);
    ExportReader(const ExportReader &) = delete;
    ExportReader &operator=(const ExportReader &) = delete;

    // Number of segments the export goes through (those of a text).
    qint64 segmentCount();
    // Calls `segment` for every segment of every text, by text number then
    // segment number; stops when it returns false.
    void forEachSegment(const std::function<bool(const ExportSegment &)> &segment);

    // Rows per block (a segment's coding rows are never split).
    static constexpr qint64 kBlock = 4000;

private:
    Statement m_count;
    Statement m_nextText;
    Statement m_path;
    Statement m_block;
    Suggestions m_suggestions;
};

} // namespace coding
