#pragma once
// Dictionaries in the YAML form R's quanteda reads and writes (.yml,
// .yaml): a map whose keys are the categories, each holding the list of its
// entries, or a single entry, or nothing (a category without entries):
//
//   Économie:
//     Emploi:
//     - chômage
//     - emploi*
//   Santé:
//   - "sécurité sociale"
//
// A key whose value is a map holds nested categories, one level deep; a
// list may also mix the category's own entries with one-key maps of nested
// categories (how a parent keeps entries of its own). Anything deeper is
// refused, naming the line: categories nest one level only. Entries follow
// quanteda's glob patterns as far as the dictionary model goes: a "*" at a
// word's end is a prefix, a "*" elsewhere or a "?" is refused, naming the
// entry; an entry of several words is a phrase; a leading "-" excludes (see
// dictionaryfile.h). Refused too, naming the line: YAML that is not well
// formed, a key given twice at the same level, a list inside a list, an
// entry left empty or written null without quotes, several documents.
//
// Writing: the same form, nesting kept, one entry a list item, "[]" for a
// category without entries; a parent with entries of its own has them as
// its list, its children as one-key maps at the end of it. Scalars YAML
// would read as something else ("null", "yes", "~") are quoted. UTF-8
// without a byte-order mark, LF line ends.
#include "exchange/dictionaryfile.h"

namespace exchange {

class QuantedaYaml : public DictionaryReader
{
public:
    // The file's bytes, or why the dictionary cannot be written: see
    // dictionaryFault(), and an entry holding "?", a joker in quanteda.
    static DictionaryWriting write(const words::Dictionary &dictionary);
    // Writes the file whole or not at all; the error, empty when written.
    static QString writeFile(const words::Dictionary &dictionary, const QString &path);

protected:
    words::Dictionary parse(const QString &text, QStringList *notes) const override;
};

} // namespace exchange
