#pragma once
// A window on the running text of one text: the segments around one of them
// (a number of them before it, it, a number after it), in reading order,
// each with the values of its coding rows, for the coding window's view of
// the text.
//
// Only the window is read, never the rest of the text: its two ends are
// found through the index on the text's number (numtexte, rowid), its
// segments and their coding rows through the same index and the one on
// Contenus.numtexte, so a window costs the same at the start or the end of a
// text of a million segments. Each segment's text is cut at a number of
// characters, so that one huge segment does not weigh on every move. Each
// read is a short read of its own. Failures throw StoreError (French).
#include "store/codingstore.h"

#include <QString>
#include <array>
#include <memory>
#include <vector>

class Connection;
class Statement;

namespace coding {

struct WindowCoding {
    qint64 numero = 0;                   // the `Contenus` row
    std::array<qint64, kLists> numvar{}; // 1 (the empty value) when null
    std::array<QString, kLists> value{}; // the values' texts; empty for the empty value
};

struct WindowSegment {
    qint64 numero = 0;
    QString text;     // its first characters (the limit given), as stored
    bool cut = false; // the text goes on past them
    // Its coding rows that hold a value, in number order: empty when the
    // segment is not coded (see CodingStore::isCoded).
    std::vector<WindowCoding> codings;
    bool coded() const { return !codings.empty(); }
};

struct SegmentWindow {
    std::vector<WindowSegment> segments; // in number order: the reading order
    // The place of the segment asked for in `segments`; -1 when the text no
    // longer holds it (its neighbours are there all the same).
    int current = -1;
};

class SegmentWindowReader
{
public:
    explicit SegmentWindowReader(Connection &connection);
    ~SegmentWindowReader();
    SegmentWindowReader(const SegmentWindowReader &) = delete;
    SegmentWindowReader &operator=(const SegmentWindowReader &) = delete;

    // The segments of text `textNumber` around segment `around`: at most
    // `before` before it and `after` after it (fewer at the ends of the
    // text), each text cut at `maxChars` characters (at least 1).
    SegmentWindow read(qint64 textNumber, qint64 around, int before, int after, int maxChars);

private:
    std::unique_ptr<Statement> m_ends;
    std::unique_ptr<Statement> m_segments;
    std::unique_ptr<Statement> m_codings;
};

} // namespace coding
