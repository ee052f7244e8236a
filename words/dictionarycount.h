#pragma once
// A dictionary over the segments of an analysis: the one place where the
// window "Dictionnaires" and the command line (--dictionnaire) count and
// code, so that both give the same figures.
//
// Counting (count()), for the segments of a restriction, in groups (the
// whole analysis, each text, each value of a list, each value of an
// attribute: store/segmentgroups.h):
// - per group and category: its occurrences (words/dictionarymatch.h says
//   how a category counts) and the segments holding at least one; the
//   group's words (the words of search, as the matching cuts them) and
//   segments, so that a category's share of the words is its occurrences
//   over the group's words;
// - for the whole restriction, each segment once (a segment holding two
//   values of a list falls in two groups, but counts once here): the same,
//   and per entry its occurrences and segments;
// - when asked (neighbours), per category, the words that no entry catches
//   but that stand within kNeighbourWindow words of one of its occurrences
//   in the same segment: each such place counts once for the category;
//   a word is scored by Dunning's G² (results/keyness.h), its places beside
//   the category against its places anywhere else among the words counted;
//   only the words found more often beside than elsewhere are kept, the
//   kMostNeighbours of largest G².
//
// Coding (code()): every segment of the restriction holding a category is
// handed, batch by batch, to a dictionary coding (store/dictionarycoding.h)
// made on the same connection.
//
// The segments are read in batches on the calling thread: memory is bounded
// by the dictionary, one batch, for the neighbours the distinct words met,
// and the segments kept per entry. `progress` is called after each batch with the segments read and
// the restriction's segments; returning false stops the work: count()
// returns nullopt and code() false. Failures throw StoreError.
#include "store/searchtokens.h"
#include "store/segmentgroups.h"
#include "words/corpus.h"
#include "words/dictionarymatch.h"

#include <QString>
#include <optional>
#include <vector>

class Connection;

namespace coding {
class DictionaryCoding;
struct DictionaryOutcome;
}

namespace words {

inline constexpr int kNeighbourWindow = 5;
inline constexpr int kMostNeighbours = 200;

struct NeighbourWord
{
    QString word;      // in lower case, as met in the text (accents kept)
    qint64 beside = 0; // places within the window of the category's occurrences
    qint64 count = 0;  // places anywhere among the words counted
    double g2 = 0;
};

struct DictionaryCount
{
    std::vector<search::Group> groups;
    std::vector<qint64> groupWords;                // [group]
    std::vector<qint64> groupSegments;             // [group]
    std::vector<std::vector<qint64>> occurrences;  // [group][category]
    std::vector<std::vector<qint64>> holding;      // [group][category]: segments

    // The whole restriction, each segment once.
    qint64 words = 0;
    qint64 segments = 0;
    std::vector<qint64> categoryOccurrences; // [category]
    std::vector<qint64> categorySegments;    // [category]
    std::vector<qint64> entryOccurrences;    // [entry]
    std::vector<qint64> entrySegments;       // [entry]

    // [category]: largest G² first (when asked for).
    std::vector<std::vector<NeighbourWord>> neighbours;
    // [entry]: the first segments where it counts, at most keepSegments.
    std::vector<std::vector<qint64>> entryPlaces;
};

struct DictionaryCountOptions
{
    search::Restriction restriction;
    search::Grouping grouping;
    bool neighbours = false;
    // Per entry, the numbers of the first segments where it counts are kept
    // (for its lines on a click), at most this many.
    int keepSegments = 0;
};

// The categories' paths, in order: the values a coding gives.
std::vector<QString> valueNames(const Dictionary &dictionary);

// The FTS5 expression that finds the segments where an entry may match
// (store/searchstore.h): its words quoted, joined as a phrase, the star of a
// prefix kept. An exclusion's expression finds the excluded words.
QString entryExpression(const DictionaryEntry &entry);

// A dictionary made ready to match on one connection (its tokenizer, and
// the entries folded by it). Use it on that connection's thread.
class DictionaryScan
{
public:
    // Throws StoreError (an engine without FTS5).
    DictionaryScan(Connection &db, const Dictionary &dictionary);

    const DictionaryMatcher &matcher() const { return m_matcher; }
    const search::Tokenizer &tokenizer() const { return m_tokenizer; }

    std::optional<DictionaryCount> count(const DictionaryCountOptions &options,
                                         const CountProgress &progress = {});

    bool code(coding::DictionaryCoding &coding, const search::Restriction &restriction,
              const CountProgress &progress = {});

    // Where entry `entry` counts in these segments (the occurrences the
    // category keeps, or an exclusion's own), as search gives places:
    // UTF-16 units of each segment's text, in segment order then place.
    std::vector<search::Hit> entryHits(int entry, const std::vector<qint64> &segments);

private:
    Connection &m_db;
    search::Tokenizer m_tokenizer;
    DictionaryMatcher m_matcher;
};

// A coder's copy of the analysis `source` written to `target`
// (store/codercopy.h: its texts, segments and lists, without coding, its
// coder named `coder`), then coded on list `list` by the dictionary alone,
// over the segments of `restriction`. Every category must already be a
// value of the list in the analysis, so that the copy and the analysis hold
// the same lists (as the reliability of coders needs): one missing is
// refused, named, before anything is written. The copy is made and coded
// under a hidden name beside the target and only then put in its place:
// stopped (nullopt) or failed (StoreError), nothing is left of it, and a
// file already at the target stays as it was.
std::optional<coding::DictionaryOutcome>
makeCodedCopy(const QString &source, const QString &target, const Dictionary &dictionary,
              int list, const QString &coder, const search::Restriction &restriction,
              const CountProgress &progress = {});

} // namespace words
