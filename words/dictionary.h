#pragma once
// A dictionary for coding and counting a corpus: categories, nested one
// level at most ("Économie > Emploi"), each holding entries that say which
// words it counts. The plain model only: the files it is read from and
// written to are in exchange/ (dictionaryfile.h), the matching elsewhere.
//
// Rules every dictionary read from a file keeps:
// - categories are in tree order: the top categories in the order the file
//   first names them, each followed at once by its children in the same
//   order; a child's parent is always a top category, present even when it
//   has no entry of its own;
// - a category's path ("Économie > Emploi", or the name alone at the top) is
//   unique; names are trimmed, never empty, without ">" nor line breaks;
// - entries are in file order, without duplicates, and no text is both
//   counted and excluded in the same category;
// - an entry's text is as written (its case kept), without the "*" of a
//   prefix, the quotes of a phrase nor the "-" of an exclusion, its words
//   apart by one space. In a phrase, a word may end with "*": that word is a
//   prefix, and its star is kept in the text ("sécurité soc*"). A "*"
//   anywhere else, or a '"', is never part of a text.
// Nothing here bounds memory: the readers bound what they build.
#include <QString>
#include <vector>

namespace words {

struct DictionaryEntry
{
    enum class Kind { Word, Prefix, Phrase };
    Kind kind = Kind::Word;
    QString text;           // "chômage", "économ" for économ*, "pouvoir d'achat"
    bool exclusion = false; // "-économe": a word the category must not count

    friend bool operator==(const DictionaryEntry &a, const DictionaryEntry &b)
    {
        return a.kind == b.kind && a.exclusion == b.exclusion && a.text == b.text;
    }
    friend bool operator!=(const DictionaryEntry &a, const DictionaryEntry &b) { return !(a == b); }
};

struct DictionaryCategory
{
    QString name;   // "Emploi"
    QString parent; // "Économie" for a nested category; empty at the top
    std::vector<DictionaryEntry> entries; // in file order

    // "Économie > Emploi", or the name at the top.
    QString path() const
    {
        return parent.isEmpty() ? name : parent + QStringLiteral(" > ") + name;
    }

    friend bool operator==(const DictionaryCategory &a, const DictionaryCategory &b)
    {
        return a.name == b.name && a.parent == b.parent && a.entries == b.entries;
    }
    friend bool operator!=(const DictionaryCategory &a, const DictionaryCategory &b)
    {
        return !(a == b);
    }
};

struct Dictionary
{
    QString name;   // from the file name by default
    QString source; // the file it was read from
    std::vector<DictionaryCategory> categories; // tree order (see above)

    // The number of entries of every category.
    qsizetype entryCount() const
    {
        qsizetype n = 0;
        for (const DictionaryCategory &c : categories)
            n += qsizetype(c.entries.size());
        return n;
    }
};

} // namespace words
