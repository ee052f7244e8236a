#pragma once
// A dictionary (words/dictionary.h) matched against the words of one
// segment, cut as search cuts them (store/searchtokens.h: FTS5's unicode61
// tokenizer, case and accents folded), so that an entry finds exactly what
// the same query finds in "Rechercher…":
//
// - a word ("chômage") matches a word equal to it once folded ("Chomage");
//   an entry holding characters that separate words for search ("l'État",
//   "peut-être") is the phrase of its parts, as in a query;
// - a prefix ("économ*") matches every word that begins so, itself included;
// - a phrase ("pouvoir d'achat", "sécurité soc*") matches its words side by
//   side within one segment; a phrase word ending in "*" is a prefix;
// - an entry without any letter or digit ("&", "—") matches nothing: it is
//   listed by silent().
//
// Counting, for one segment (scan()):
// - an occurrence is a place where an entry matches (its first and last
//   word); each counts once for its entry;
// - a category counts the places covered by the occurrences of its entries,
//   an occurrence matched by two of its entries ("économ*" and "économie" on
//   one word) or overlapping another of its occurrences ("pouvoir d'achat"
//   and "achat") counting once: a category's count is the number of runs of
//   overlapping occurrences;
// - an exclusion ("-économe") counts for no category: every occurrence of
//   its category that overlaps one of its occurrences is left out, for that
//   category only (and for its parent through it);
// - a parent ("Économie") counts its own entries and everything its
//   children ("Économie > Emploi") count, each place once; its own
//   exclusions also leave out its children's occurrences when they are
//   counted for it (the children's own counts keep them).
// The count of an exclusion entry is the number of its own occurrences.
//
// Memory: the dictionary's words in a byte trie, and what one segment
// holds; nothing grows with the corpus.
#include "store/searchtokens.h"
#include "words/dictionary.h"

#include <QByteArray>
#include <QString>
#include <array>
#include <functional>
#include <vector>

namespace words {

// What one segment holds, filled by DictionaryMatcher::scan. Kept by the
// caller from segment to segment so that its buffers are reused.
struct SegmentMatch
{
    struct Occurrence
    {
        int entry = 0;
        int first = 0; // word indexes in the segment, both included
        int last = 0;
    };
    struct CategorySpan
    {
        int category = 0;
        int first = 0;
        int last = 0;
    };
    // Every occurrence of every entry, exclusions included, by category,
    // then place.
    std::vector<Occurrence> occurrences;
    // (category, occurrences counted) of the categories that count some,
    // in category order.
    std::vector<std::pair<int, int>> categories;
    // (entry, occurrences counted) of the entries that count some: those
    // left in by the exclusions; an exclusion's own occurrences.
    std::vector<std::pair<int, int>> entries;
    // The places each category counts (one per occurrence kept, its
    // children's included for a parent), by category, then place.
    std::vector<CategorySpan> spans;
    // Per word of the segment: whether an entry (exclusions included)
    // matches it.
    std::vector<char> caught;

    // Scratch space of the scan.
    std::vector<CategorySpan> exclusions;
    std::vector<CategorySpan> lifted;
};

class DictionaryMatcher
{
public:
    // The folded words of a text, as search cuts it (search::Tokenizer::fold).
    using Fold = std::function<std::vector<QByteArray>(const QString &)>;

    DictionaryMatcher(const Dictionary &dictionary, const Fold &fold);

    int categoryCount() const { return int(m_parents.size()); }
    int entryCount() const { return int(m_entryCategory.size()); }
    // Entries are numbered category after category in the dictionary's
    // order: those of category c are firstEntry(c) to firstEntry(c + 1) - 1.
    int firstEntry(int category) const { return m_firstEntry[size_t(category)]; }
    int categoryOf(int entry) const { return m_entryCategory[size_t(entry)]; }
    bool isExclusion(int entry) const { return m_exclusion[size_t(entry)] != 0; }
    // The parent's index, -1 for a top category.
    int parentOf(int category) const { return m_parents[size_t(category)]; }
    // The entries that can match nothing, in order.
    const std::vector<int> &silent() const { return m_silent; }

    // Every occurrence of every entry in the words of one segment, then
    // what each category and entry counts there (see above).
    void scan(const search::Tokens &tokens, SegmentMatch *out) const;
    // After scan(): the places (first and last word) where `entry` counts
    // in that segment: its occurrences kept by its category's exclusions,
    // or, for an exclusion, its own.
    std::vector<std::pair<int, int>> places(const SegmentMatch &match, int entry) const;

private:
    struct Word
    {
        QByteArray folded;
        bool prefix = false;
    };
    struct Node
    {
        std::vector<std::pair<unsigned char, int>> next; // sorted by byte
        std::vector<int> words;    // entries whose first word ends here
        std::vector<int> prefixes; // entries whose first word is this prefix
    };
    int child(int node, unsigned char byte) const;
    int addChild(int node, unsigned char byte);
    void match(const search::Tokens &tokens, std::vector<SegmentMatch::Occurrence> *out) const;
    void count(SegmentMatch *out) const;

    std::vector<int> m_parents;
    std::vector<int> m_firstEntry; // one more than the categories
    std::vector<int> m_entryCategory;
    std::vector<char> m_exclusion;
    std::vector<std::vector<Word>> m_patterns; // [entry]: its words
    std::vector<int> m_silent;
    std::vector<Node> m_nodes; // the trie of the entries' first words; 0 is the root
    std::array<int, 256> m_root{};
};

} // namespace words
