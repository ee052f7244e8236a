#pragma once
// A small analysis for the tests of search, its segments written by hand.
//
// Text 1 (/a.txt): segments 1 to 3; text 2 (/b.txt): segments 4 to 7.
//   1  L'État et l'état de l'économie.
//   2  Les chats chassent le chat.<CR><LF>
//   3  Un chat noir, un chat blanc : deux chats.
//   4  Le<TAB>CHAT dort.
//   5  😀 Le chat 😀 rit.                 (U+1F600, two UTF-16 units each)
//   6  été chaud                          (decomposed: e U+0301 t e U+0301)
//   7  (no text: NULL)
// List 1: value 36 "Félin", held by segment 3 (on its first coding row) and
// segment 4; segment 2 has a coding row with list 1 empty.
// Attribute 1 "journal": text 2 has "Le Monde".
#include "../coding/codingtest.h"

namespace searchexample {

inline constexpr qint64 kFelin = 36;

inline void fill(const QString &path)
{
    codingtest::Raw db(path);
    codingtest::addValue(db, 1, QStringLiteral("Félin"));
    codingtest::addText(db, QStringLiteral("/a.txt"),
                        {QStringLiteral("L'État et l'état de l'économie."),
                         QStringLiteral("Les chats chassent le chat.\r\n"),
                         QStringLiteral("Un chat noir, un chat blanc : deux chats.")});
    codingtest::addText(db, QStringLiteral("/b.txt"),
                        {QStringLiteral("Le\tCHAT dort."),
                         QString::fromUtf8("\xF0\x9F\x98\x80 Le chat \xF0\x9F\x98\x80 rit."),
                         QString::fromUtf8("e\xCC\x81te\xCC\x81 chaud")});
    if (!db.exec(QStringLiteral(
            "INSERT INTO textes (numtexte, texte) VALUES (2, NULL);"
            "INSERT INTO Contenus (numtexte, numvar01) VALUES (3, 36), (3, 1), (4, 36), (2, 1);"
            "INSERT INTO Attributs (nom) VALUES ('journal');"
            "INSERT INTO ValeursAttributs VALUES (1, 2, 'Le Monde');")))
        qFatal("cannot fill the example: %s", sqlite3_errmsg(db.handle()));
}

} // namespace searchexample
