#pragma once
// The vocabulary of a set of segments: every word (words/wordsplit.h), how
// often it occurs and in how many segments. Memory is bounded by the number
// of distinct words (a few hundred bytes each, with their stems), never by
// the segments counted; a word already met is counted without allocating.
//
// Each distinct form is stemmed (words/stemmer.h) and checked against the
// stop words (words/stopwords.h) once, when first met, and a stem with
// several forms keeps tallies of its own as the words come (a stem with one
// form has that form's): by stem, a segment holding two forms of one stem
// counts once, and without stop words, a stem's counts leave out its forms
// that are stop words.
#include <QString>
#include <QStringList>
#include <QStringView>
#include <memory>
#include <vector>

namespace words {

struct VocabularyEntry {
    QString word;        // the word, or the stem when counted by stem
    qint64 count = 0;    // its occurrences
    qint64 segments = 0; // the segments holding it
    // By stem: the forms counted under it, most frequent first (ties in
    // French order), with their counts.
    QStringList forms;
    std::vector<qint64> formCounts;
};

struct VocabularyOptions {
    bool withoutStopWords = false; // leave out words/stopwords.h's list
    bool byStem = false;           // one entry per stem (words/stemmer.h)
};

class VocabularyCounter
{
public:
    VocabularyCounter();
    ~VocabularyCounter();
    VocabularyCounter(VocabularyCounter &&) noexcept;
    VocabularyCounter &operator=(VocabularyCounter &&) noexcept;

    // Counts the words of one segment.
    void addSegment(QStringView text);
    // Adds the counts of another counter (one counted on another thread).
    void merge(const VocabularyCounter &other);

    qint64 segmentCount() const; // segments added
    qint64 wordCount() const;    // occurrences of every word
    qint64 count(const QString &word) const;
    qint64 distinct() const;
    // The occurrences of the forms of `stem` (words/stemmer.h), those of
    // stop words left out when asked.
    qint64 stemCount(const QString &stem, bool withoutStopWords = false) const;

    // The entries: largest count first, equal counts in French order
    // (common/frenchorder.h).
    std::vector<VocabularyEntry> entries(const VocabularyOptions &options = {}) const;

private:
    struct Data;
    std::unique_ptr<Data> d;
};

// A word over- or under-represented in the target's segments compared with
// the others (see results/keyness.h for the statistic).
struct KeyWord {
    QString word;
    double g2 = 0;         // signed: negative when the word is rarer in the target
    qint64 count = 0;      // in the target
    qint64 elsewhere = 0;  // in the other segments
    double p = 1;
};

// The words of `target` with their keyness against `rest`, over-represented
// first (largest G² first, then under-represented with the most negative
// last), at most `limit` (0: all). Equal G² keep the order of entries().
// The totals compared are every word of each side (wordCount()); the
// options choose which words are listed (stop words left out) and whether
// stems are compared rather than forms.
std::vector<KeyWord> keyWords(const VocabularyCounter &target, const VocabularyCounter &rest,
                              int limit, const VocabularyOptions &options = {});

} // namespace words
