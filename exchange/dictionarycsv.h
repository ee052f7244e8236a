#pragma once
// A dictionary as a two-column table, "catégorie;entrée", as a spreadsheet
// or a text editor writes it (.csv, .txt).
//
// Reading: one entry a record, its category in the first field
// ("Économie > Emploi" for a nested one, one level at most) and the entry in
// the second ("chômage", "économ*", "-économe", "pouvoir d'achat" or
// "\"pouvoir d'achat\"", see dictionaryfile.h); a record whose entry is
// empty only names its category (a category without entries). A first
// record "catégorie;entrée" (or categorie, category; entree, entry, mot,
// word, terme, motif, with or without the plural) is the header and
// skipped. The separator is the one of ";", "," or a tab the first record
// holds most outside quotes (";" when even). Fields may be quoted (quotes
// inside doubled); a quote inside an unquoted field, or after a closing
// quote, is kept as a character; the apostrophe a spreadsheet-safe writer
// puts before "=", "+", "-" or "@" is dropped. Empty fields after the
// second, blank records, CR LF and a byte-order mark are passed over.
// Refused, naming the line: a quote never closed, a third field not empty,
// a category empty or nested twice, an entry of a form the model does not
// hold.
//
// Writing: UTF-8 with a byte-order mark, ";" between fields, CR LF, the
// header "catégorie;entrée", then every category in order: one record per
// entry, or one with an empty entry for a category without entries; fields
// made inert for spreadsheets and quoted by csv.h's rules.
#include "exchange/dictionaryfile.h"

namespace exchange {

class DictionaryCsv : public DictionaryReader
{
public:
    // The file's bytes, or why the dictionary cannot be written
    // (dictionaryFault()).
    static DictionaryWriting write(const words::Dictionary &dictionary);
    // Writes the file whole or not at all; the error, empty when written.
    static QString writeFile(const words::Dictionary &dictionary, const QString &path);

protected:
    words::Dictionary parse(const QString &text, QStringList *notes) const override;
};

} // namespace exchange
