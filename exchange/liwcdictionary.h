#pragma once
// LIWC dictionaries (.dic), as LIWC2007 and LIWC 2015 write them: a line
// "%", the categories one a line ("1<TAB>posemo", the number then the name,
// leading zeros allowed), a second "%", then one entry a line: the entry, a
// tab, and the numbers of its categories apart by tabs or spaces ("abandon*
// <TAB>125<TAB>127"). A line without a tab is split before its first number.
// Blank lines, trailing tabs and spaces, CR LF and a byte-order mark are
// passed over; names are taken as given.
//
// - A header name followed by another declared category in parentheses
//   ("31<TAB>posemo (affect)", by name or number) is a child of that
//   category; other parentheses are part of the name.
// - An entry of several words is a phrase; a word ending in "*" a prefix.
// - LIWC2007's context rules ("like<TAB>02 134/125/464 (02 134)126 253"):
//   the numbers standing alone are taken, the rules (anything with "/",
//   parentheses or "<…>") are left out with a note naming the line; an
//   entry left without any category by them is left out too, with its note.
// - Refused, naming the line: a first line other than "%", a header line
//   without a number or a name, a number or name declared twice, the second
//   "%" missing, an entry without a category, anything other than a number
//   after the tab, a number not declared, an entry of a form the dictionary
//   model does not hold (a "*" inside a word).
#include "exchange/dictionaryfile.h"

namespace exchange {

class LiwcDictionary : public DictionaryReader
{
protected:
    words::Dictionary parse(const QString &text, QStringList *notes) const override;
};

} // namespace exchange
