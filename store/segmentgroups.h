#pragma once
// The segments of an analysis as UTF-8, each with the groups it falls in,
// for counts made outside SQL (dictionaries): the whole analysis, each text,
// each value of a list, or each value of an attribute of the texts.
//
// - Whole: one group, "Toute l'analyse".
// - Text: one group per text of the restriction's scope, by number, named
//   by its file name, texts without segments included.
// - ListValue: one group per value of the list in list order (the French
//   order of the coding window, store/resultsstore.h), then "(non codé)";
//   a segment falls in the group of every distinct value its coding rows
//   hold, or in "(non codé)" when they hold none.
// - Attribute: one group per value of the attribute in French order, then
//   "(sans valeur)" when a text has none (as the results cross a list with
//   an attribute); a segment falls in its text's.
//
// The segments are those of the restriction (texts, attribute conditions,
// coded or not with a value: search::Restriction), read in number order in
// batches: memory is bounded by a batch. Failures throw StoreError.
#include "store/searchstore.h"

#include <QByteArrayView>
#include <QString>
#include <functional>
#include <vector>

class Connection;

namespace search {

struct Grouping
{
    enum class Kind { Whole, Text, ListValue, Attribute };
    Kind kind = Kind::Whole;
    int list = 0;          // ListValue: 1 to 5
    qint64 attribute = 0;  // Attribute: Attributs.numero
};

struct Group
{
    qint64 key = 0; // the text's number, the value's number, the attribute value's rank (from
                    // 1); 0 for the whole and for "(non codé)", -1 for "(sans valeur)"
    QString label;  // the file name, the value, "(non codé)", "(sans valeur)"
};

// The groups, in order. Throws StoreError (a list outside 1 to 5, an
// attribute that is not there).
std::vector<Group> groupsOf(Connection &db, const Grouping &grouping, const Restriction &restriction);

// The number of segments of the restriction.
qint64 segmentCount(Connection &db, const Restriction &restriction);

// One segment: its number, its text's, its text in UTF-8 and the indexes
// (into groupsOf) of its groups. The sink returns false to stop.
struct GroupedSegment
{
    qint64 segment = 0;
    qint64 text = 0;
    QByteArrayView utf8;
    const std::vector<int> *groups = nullptr;
};
using GroupedSink = std::function<bool(const GroupedSegment &segment)>;

// Calls `sink` for every segment of the restriction, in number order, read
// kGroupedBatch at a time. Returns false when the sink stopped it.
inline constexpr int kGroupedBatch = 5000;
bool forEachGroupedSegment(Connection &db, const Restriction &restriction, const Grouping &grouping,
                           const std::vector<Group> &groups, const GroupedSink &sink);

// Calls `sink` for the segments numbered (those no longer there left out),
// in the order given; their groups are left empty. Returns false when the
// sink stopped it.
bool forEachListedSegment(Connection &db, const std::vector<qint64> &segments,
                          const GroupedSink &sink);

} // namespace search
