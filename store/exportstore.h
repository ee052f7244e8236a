#pragma once
// What the CSV exports read from an analysis database: every segment, by text
// and number, each with its coding rows (table `Contenus`) and the texts of
// their values.
//
// The segments are read text by text in blocks of 2,000, each block a short
// read of its own (Telmira may write between blocks), each found through the
// index on the text's number and the segment's number: the whole export costs
// time in proportion to the segments, whatever their number per text. Memory
// holds one block's rows at most. Failures throw StoreError (French).
#include "store/codingstore.h"

#include "store/statement.h"

#include <QString>
#include <array>
#include <functional>
#include <vector>

namespace coding {

struct ExportCoding {
    qint64 numero = 0;                   // the `Contenus` row
    std::array<qint64, kLists> numvar{}; // 0 when null
    std::array<QString, kLists> value{}; // empty for the list's empty value
    // Whether one of the five lists holds a value (not the empty row 1).
    bool holdsValue() const;
};

struct ExportSegment {
    qint64 textNumber = 0;
    QString textPath;
    qint64 segmentNumber = 0;
    QString segmentText;
    std::vector<ExportCoding> codings; // in number order; empty when uncoded
};

class ExportReader
{
public:
    explicit ExportReader(Connection &connection);
    ExportReader(const ExportReader &) = delete;
    ExportReader &operator=(const ExportReader &) = delete;

    // Number of segments the export goes through (those of a text).
    qint64 segmentCount();
    // Calls `segment` for every segment of every text, by text number then
    // segment number; stops when it returns false.
    void forEachSegment(const std::function<bool(const ExportSegment &)> &segment);

    // Segments per block.
    static constexpr int kBlock = 2000;

private:
    Statement m_count;
    Statement m_nextText;
    Statement m_path;
    Statement m_block;
};

} // namespace coding
