#pragma once
// Lexicoder dictionaries (.lc3, .lcd), as the Lexicoder Sentiment Dictionary
// is written: a line "+category" opens a category, then one pattern a line
// until the next. A pattern ending in "*" is a prefix, one of several words
// a phrase; patterns are taken as written (often in capitals: the matching
// decides on case). Blank lines, spaces at either end, CR LF and a
// byte-order mark are passed over. "+Parent > Enfant" opens a nested
// category, as in Telmira's CSV.
//
// Refused, naming the line: a pattern before any "+category", a "+" without
// a name, a pattern of a form the dictionary model does not hold (a "*"
// inside a word, a lone "*", a stray '"').
#include "exchange/dictionaryfile.h"

namespace exchange {

class LexicoderDictionary : public DictionaryReader
{
protected:
    words::Dictionary parse(const QString &text, QStringList *notes) const override;
};

} // namespace exchange
