#pragma once
// A small analysis coded by hand, shared by the tests of the results.
//
// List 1: Zèbre (36), Abeille (37), Chat (38), in that order of numbers,
// not of the alphabet: the results list them in French order (Abeille,
// Chat, Zèbre). List 2: X (13), Y (14).
// Text 1 (/un.txt), segments 1 to 3; text 2 (/deux.txt), segments 4 and 5.
// Coding rows (list 1, list 2), "-" the empty value (row 1), "null" none:
//   1: (Z, X) (Z, Y) (A, X)      2: (Z, X) (Z, X)      3: (-, X) (null, Y)
//   4: (C, -) (Z, Y)             5: none
#include "../coding/codingtest.h"

namespace resultsexample {

inline constexpr qint64 Z = 36, A = 37, C = 38, X = 13, Y = 14;

inline void fill(const QString &path)
{
    codingtest::Raw db(path);
    codingtest::addValue(db, 1, QStringLiteral("Zèbre"));
    codingtest::addValue(db, 1, QStringLiteral("Abeille"));
    codingtest::addValue(db, 1, QStringLiteral("Chat"));
    codingtest::addValue(db, 2, QStringLiteral("X"));
    codingtest::addValue(db, 2, QStringLiteral("Y"));
    codingtest::addText(db, QStringLiteral("/un.txt"),
                        {QStringLiteral("Un."), QStringLiteral("Deux."), QStringLiteral("Trois.")});
    codingtest::addText(db, QStringLiteral("/deux.txt"),
                        {QStringLiteral("Quatre."), QStringLiteral("Cinq.")});
    if (!db.exec(QStringLiteral(
            "INSERT INTO Contenus (numtexte, numvar01, numvar02) VALUES"
            " (1, 36, 13), (1, 36, 14), (1, 37, 13), (2, 36, 13), (2, 36, 13),"
            " (3, 1, 13), (3, NULL, 14), (4, 38, 1), (4, 36, 14)")))
        qFatal("cannot code the example");
}

} // namespace resultsexample
