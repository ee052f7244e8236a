#pragma once
// The words of a text as they are counted and shown (vocabulary, keyness,
// dictionaries' counts): the one definition every count uses.
//
// - The text is taken in Unicode normal form C, in lower case.
// - A word is a maximal run of letters, digits and combining marks (it
//   begins with a letter or a digit: marks alone make no word). A hyphen
//   (-, U+2010, U+2011, all written -) or an apostrophe (' or U+2019, both
//   written ') stays inside a word when letters stand on both of its sides
//   (a mark counting with its letter); anywhere else it separates, as every
//   other character does: "2003-2004" gives « 2003 » and « 2004 ».
// - The French elided forms l' d' j' m' n' s' t' c' qu' jusqu' lorsqu'
//   puisqu' quoiqu' are split off as words of their own, apostrophe kept:
//   "l'État" gives « l' » and « état », "jusqu'à" « jusqu' » and « à »;
//   "aujourd'hui" stays « aujourd'hui », "c'est-à-dire" gives « c' » and
//   « est-à-dire ».
//
// Search has its own definition (the index's tokenizer: runs of letters and
// digits, accents ignored; see store/searchindex.h): "peut-être" is one word
// here and two for search.
//
// Splitting keeps no state but a buffer the size of the longest word.
#include <QString>
#include <QStringList>
#include <QStringView>
#include <functional>

namespace words {

class WordSplitter
{
public:
    // Calls `sink` with each word of `text`, in reading order: `form` is
    // the word as defined above (valid during the call only), `start` and
    // `length` its place in `text` (UTF-16 units, before normalisation).
    using Sink = std::function<void(QStringView form, qsizetype start, qsizetype length)>;
    void split(QStringView text, const Sink &sink);

private:
    QString m_buffer;
};

// The words of `text`, in order (for tests and small texts).
QStringList countingWords(QStringView text);

} // namespace words
