#pragma once
// The query language of "Rechercher…", read into the expression the index
// of the segments (SQLite FTS5, store/searchindex.h) takes:
//
//   chômage emploi       both words in the segment (AND)
//   "une phrase exacte"  the words in this order, side by side
//   écolog*              a word that begins so (a prefix)
//   "une phr"*           a phrase whose last word begins so ("une phr*" too)
//   crise OU récession   either (OU in capitals; "ou" is a word)
//   -mot                 segments holding it are left out ("-" before a
//                        phrase or a group too: -"mot composé", -(a b))
//   ( … )                grouping
//
// Case and accents are ignored by the index itself: `etat` finds "État".
// A word holding characters that separate words for search (l'État,
// peut-être) is read as the phrase of its parts. Precedence: "-" binds
// tightest, then the AND of juxtaposition, then OU. A group must hold at
// least one word that is not excluded ("-mot" alone finds nothing and is
// refused).
//
// Every word is written for FTS5 as a quoted string (a double quote in it
// doubled), so that nothing typed becomes FTS5's own syntax (AND, NEAR,
// "col:", "^"…); a double quote opens a phrase only where a word begins.
// The expression is fully parenthesised: (a AND b), (a OR b), and the
// exclusions of a group gathered as (positives NOT (excluded OR …)).
//
// A query that cannot be read is refused with a French message saying
// where (the character's position, from 1, in UTF-16 units as QString
// counts them) and why; nothing is searched: an unclosed quote, a
// parenthesis without its pair, an empty group, OU with no word before or
// after it, a group of exclusions only, a word without letter or digit
// ("—", "*" alone), a "*" elsewhere than at the end of a word. The first
// fault in reading order is told.
#include <QString>
#include <QStringList>

namespace words {

struct SearchQuery {
    bool ok = false;
    QString fts;         // the FTS5 MATCH expression, when ok
    QStringList terms;   // the words, phrases and prefixes sought (not the excluded), as written
    QString error;       // "La requête ne se lit pas au caractère 12 : guillemet sans fin."
    int errorPosition = 0; // from 1, when not ok
};

SearchQuery parseQuery(const QString &query);

} // namespace words
