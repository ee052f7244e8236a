#pragma once
// The query language of "Rechercher…", read into the expression the index
// of the segments (SQLite FTS5, store/searchindex.h) takes:
//
//   chômage emploi       both words in the segment (AND)
//   "une phrase exacte"  the words in this order, side by side
//   écolog*              a word that begins so (a prefix)
//   crise OU récession   either (OU in capitals; "ou" is a word)
//   -mot                 segments holding it are left out
//   ( … )                grouping
//
// Case and accents are ignored by the index itself: `etat` finds "État".
// A word holding characters that separate words for search (l'État,
// peut-être) is read as the phrase of its parts. Precedence: "-" binds
// tightest, then the AND of juxtaposition, then OU. A group must hold at
// least one word that is not excluded ("-mot" alone finds nothing and is
// refused).
//
// A query that cannot be read is refused with a French message saying
// where (the character's position, from 1) and why; nothing is searched.
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
