#pragma once
// How the title of a new analysis becomes the name of its database file.
#include <QString>

namespace analysisname {

// The title given to an analysis whose title box is left empty.
inline const QString kUntitled = QStringLiteral("Sans titre");

// The file-name stem built from a title: an empty title counts as
// "Sans titre"; leading and trailing spaces (the space character only) are
// dropped; each space, line feed and carriage return becomes "_"; every other
// character is kept as it is. "  Corpus 2003  " gives "Corpus_2003",
// "Entretiens\r\nmai" gives "Entretiens__mai", a title of spaces only gives
// the empty stem.
QString fileStem(const QString &title);

// The new database's file name: the stem followed by ".mdb" (so "avant.mdb"
// gives "avant.mdb.mdb" and the empty stem ".mdb").
QString fileName(const QString &stem);

// Why a stem cannot name a file inside the program folder (it holds "/" or a
// NUL character, or is "." or ".."), in French; empty when it can.
QString refusal(const QString &stem);

} // namespace analysisname
