#pragma once
// Character references of HTML text: &#233; &#xE9; and the named entities of
// HTML 4 (with XHTML's &apos;), decoded as browsers decode them in text:
//  - a numeric reference may lack its semicolon; 0, surrogates and values
//    past U+10FFFF give U+FFFD; 0x80-0x9F are read as Windows-1252 (&#128; is
//    the euro sign), as every browser does;
//  - a named reference needs its semicolon, except the legacy ones browsers
//    still take without it (the Latin-1 names, amp, lt, gt, quot), matched by
//    their longest prefix ("&eacutex" is "éx");
//  - anything else is left as it stands ("AT&T", "&bogus;").
// Shared by the HTML and Markdown readers.
#include <QString>
#include <QStringView>

namespace exchange::htmlentities {

// Decodes the reference starting at text[pos] == '&' and appends its
// characters to `out`; on success returns the position after it, else
// returns pos and appends nothing. `strict` takes only references ended by
// their semicolon (as Markdown does).
qsizetype decode(QStringView text, qsizetype pos, QString &out, bool strict = false);

} // namespace exchange::htmlentities
