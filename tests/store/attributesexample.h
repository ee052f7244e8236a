#pragma once
// The small analysis of the results (resultsexample.h) with a third text and
// attributes of the three kinds, shared by the tests of the results by
// attribute.
//
// Text 3 (/trois.txt), segments 6 and 7, coded (list 1, list 2):
//   6: (A, X) (C, Y)      7: (A, X)
// Attributes:          text 1        text 2        text 3
//   journal (text)     Le Monde      Libération    -
//   date (dates)       2003-02-10    2003-05-01    2004-01-15
//   pages (numbers)    12            3,5           40
// So, counted by coding rows, list 1 (Abeille, Chat, Zèbre) in each text:
//   text 1: 1, 0, 4 (2 not coded)   text 2: 0, 1, 1   text 3: 2, 1, 0
// and by segments: text 1: 1, 0, 2 (segment 3 not coded); text 2: 0, 1, 1
// (segment 5 not coded); text 3: 2, 1, 0; in several cells: segments 1
// (Z, A), 4 (C, Z) and 6 (A, C).
#include "resultsexample.h"

#include "store/attributestore.h"
#include "store/connection.h"

namespace attributesexample {

inline void fill(const QString &path)
{
    resultsexample::fill(path);
    {
        codingtest::Raw db(path);
        codingtest::addText(db, QStringLiteral("/trois.txt"),
                            {QStringLiteral("Six."), QStringLiteral("Sept.")});
        if (!db.exec(QStringLiteral("INSERT INTO Contenus (numtexte, numvar01, numvar02) VALUES"
                                    " (6, 37, 13), (6, 38, 14), (7, 37, 13)")))
            qFatal("cannot code the third text");
    }
    auto db = Connection::open(path);
    const qint64 journal = attributes::add(*db, QStringLiteral("journal"));
    const qint64 date = attributes::add(*db, QStringLiteral("date"));
    const qint64 pages = attributes::add(*db, QStringLiteral("pages"));
    attributes::setValue(*db, journal, 1, QStringLiteral("Le Monde"));
    attributes::setValue(*db, journal, 2, QStringLiteral("Libération"));
    attributes::setValue(*db, date, 1, QStringLiteral("2003-02-10"));
    attributes::setValue(*db, date, 2, QStringLiteral("2003-05-01"));
    attributes::setValue(*db, date, 3, QStringLiteral("2004-01-15"));
    attributes::setValue(*db, pages, 1, QStringLiteral("12"));
    attributes::setValue(*db, pages, 2, QStringLiteral("3,5"));
    attributes::setValue(*db, pages, 3, QStringLiteral("40"));
}

} // namespace attributesexample
