#pragma once
// A small analysis whose words are counted by hand, shared by the tests of
// the vocabulary (the counts, the window, the command line).
//
// Text 1 (/un.txt), Le Monde:   1 "Le chat dort."          le chat dort
//                               2 "Le chien et le chat."   le chien et le chat
//                               3 "État dort."             état dort
// Text 2 (/deux.txt), Libération: 4 "Un chien."            un chien
//                               5 "Chiens et chats !"      chiens et chats
// 15 occurrences of 9 words in 5 segments:
//   le 3 (segments 1, 2), chat 2 (1, 2), chien 2 (2, 4), dort 2 (1, 3),
//   et 2 (2, 5), chats 1, chiens 1, état 1, un 1.
// List 1: Animaux and Sommeil; coding rows (segment: value):
//   1: Sommeil   2: Animaux, Animaux (twice)   3: Sommeil   4: Animaux
//   5: none. List 2: Jour, on segment 5 only (with list 1 empty).
// Attribute "journal": text 1 Le Monde, text 2 Libération.
#include "../coding/codingtest.h"

#include "store/attributestore.h"
#include "store/connection.h"

namespace corpusexample {

struct Values {
    qint64 animaux = 0;
    qint64 sommeil = 0;
    qint64 jour = 0;
};

inline Values fill(const QString &path)
{
    Values v;
    {
        codingtest::Raw db(path);
        v.animaux = codingtest::addValue(db, 1, QStringLiteral("Animaux"));
        v.sommeil = codingtest::addValue(db, 1, QStringLiteral("Sommeil"));
        v.jour = codingtest::addValue(db, 2, QStringLiteral("Jour"));
        codingtest::addText(db, QStringLiteral("/un.txt"),
                            {QStringLiteral("Le chat dort."), QStringLiteral("Le chien et le chat."),
                             QStringLiteral("État dort.")});
        codingtest::addText(db, QStringLiteral("/deux.txt"),
                            {QStringLiteral("Un chien."), QStringLiteral("Chiens et chats !")});
        if (!db.exec(QStringLiteral("INSERT INTO Contenus (numtexte, numvar01, numvar02) VALUES"
                                    " (1, %1, NULL), (2, %2, NULL), (2, %2, NULL), (3, %1, NULL),"
                                    " (4, %2, NULL), (5, 1, %3)")
                         .arg(v.sommeil)
                         .arg(v.animaux)
                         .arg(v.jour)))
            qFatal("cannot code the example");
    }
    auto db = Connection::open(path);
    const qint64 journal = attributes::add(*db, QStringLiteral("journal"));
    attributes::setValue(*db, journal, 1, QStringLiteral("Le Monde"));
    attributes::setValue(*db, journal, 2, QStringLiteral("Libération"));
    return v;
}

} // namespace corpusexample
