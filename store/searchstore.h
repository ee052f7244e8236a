#pragma once
// Search over the index of the segments (store/searchindex.h): the
// segments an FTS5 expression matches (words/searchquery.h writes it), the
// occurrences in them, and each occurrence in its context.
//
// An occurrence is what the index marks in a segment for the expression (a
// word, a prefix's word, a whole phrase); its place is given in the
// segment's text as stored (UTF-16 units). Hits come in text order, then
// segment order, then position. The index must be current (call
// SearchIndex::update first): this store never checks it.
//
// Reading is in pages (the first lines come at once, however many hits);
// memory is bounded by the page asked for. Failures throw StoreError.
#include "store/resultsstore.h"
#include "store/scopefilter.h"

#include <QByteArrayView>
#include <QString>
#include <QStringView>
#include <functional>
#include <memory>
#include <vector>

class Connection;
class Statement;

namespace search {

// Which segments a search (or a count of words) looks at.
struct Restriction {
    results::Scope scope = results::Scope::whole(); // texts by number, attribute conditions
    // With a list (1 to 5): only the segments that hold (coded) or do not
    // hold (!coded) value `value` of it on one of their coding rows.
    int list = 0;
    qint64 value = 0;
    bool coded = true;
};

// A restriction as conditions of a query over `textes`, written on the
// query's segment and text columns ("t.numero", "t.numtexte"): for the
// searches and for the other work over the same segments
// (store/segmentgroups.h). A coded restriction's value binds parameter ?2.
struct RestrictionSql {
    results::ScopeFilter filter;
    QStringList conditions; // the filter's, then the coding's
    bool value = false;     // binds ?2
};
RestrictionSql restrictionSql(Connection &db, const Restriction &r, const QString &segment,
                              const QString &text);
// Binds what the conditions need; a refusal throws StoreError "La base de
// données « … » a refusé <what> : <cause>."
void bindRestriction(Connection &db, Statement &stmt, const RestrictionSql &sql,
                     const Restriction &r, const QString &what);

struct Hit {
    qint64 text = 0;    // Chemin.numero
    qint64 segment = 0; // textes.numero
    int start = 0;      // in the segment's text
    int length = 0;
};

struct HitCounts {
    qint64 segments = 0;
    qint64 occurrences = 0;
};

struct ConcordanceLine {
    Hit hit;
    QString before; // the characters before, across the segments of the same text
    QString found;
    QString after;
};

class SearchStore
{
public:
    explicit SearchStore(Connection &db);
    ~SearchStore();

    // Segments matched (fast), and occurrences.
    qint64 countSegments(const QString &fts, const Restriction &restriction);
    HitCounts count(const QString &fts, const Restriction &restriction);

    // The hits of at most `maxSegments` matching segments, the first after
    // segment `afterSegment` in the order of hits (0: from the start).
    // Fewer than maxSegments segments' worth: the end was reached.
    std::vector<Hit> hits(const QString &fts, const Restriction &restriction,
                          qint64 afterText, qint64 afterSegment, int maxSegments);
    // The matching segments, in order (for coding them).
    std::vector<qint64> segments(const QString &fts, const Restriction &restriction);

    // Each hit in its context: `chars` characters before and after, taken
    // across the segments of its text (never of another), line ends and
    // tabs shown as spaces.
    std::vector<ConcordanceLine> concordance(const std::vector<Hit> &hits, int chars);

    // Occurrences per text (Chemin.numero → count), texts without any left
    // out: for the charts by text, by attribute value or by month.
    std::vector<std::pair<qint64, qint64>> occurrencesPerText(const QString &fts,
                                                             const Restriction &restriction);

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};

// Calls `sink` with the number and the text of every segment meeting the
// restriction, in number order, read in batches (memory bounded by a batch);
// `sink` returns false to stop. When `targetList` is given (1 to 5),
// `inTarget` says whether the segment holds value `targetValue` of it; when
// `targetAttribute` is given instead, whether its text has that attribute's
// value `targetAttributeValue`. Without a target, inTarget is false.
struct Target {
    int list = 0;
    qint64 value = 0;
    qint64 attribute = 0;
    QString attributeValue;
};
using SegmentSink = std::function<bool(qint64 segment, QStringView text, bool inTarget)>;
void forEachSegment(Connection &db, const Restriction &restriction, const SegmentSink &sink,
                    const Target &target = {});
// The same with each text as the file holds it, UTF-8 (valid during the
// call only), for a caller that decodes it elsewhere (on another thread).
using Utf8SegmentSink = std::function<bool(qint64 segment, QByteArrayView text, bool inTarget)>;
void forEachSegmentUtf8(Connection &db, const Restriction &restriction, const Utf8SegmentSink &sink,
                        const Target &target = {});

// The segments of the texts the restriction's scope keeps (its texts and
// attribute conditions; a list's value is not looked at): at least as many
// as forEachSegment gives, counted through the segments' index without
// reading them, for a progress bar.
qint64 scopeSegments(Connection &db, const Restriction &restriction);

// The UTF-16 units of a UTF-8 text: a character outside the BMP (an emoji)
// counts two. The index gives places in bytes of UTF-8; hits give them so.
int utf16Length(QByteArrayView utf8);

} // namespace search
