#pragma once
// The analysis the export tests write: text 1 with a segment coded twice, one
// with an empty coding row and one uncoded; text 2 (a Windows path) with one
// segment coded; list 1 named, definitions on two values.
#include "codingtest.h"

#include "store/codebookstore.h"
#include "store/connection.h"

namespace exporttest {

using namespace codingtest;

const QString kPath1 = QStringLiteral("/corpus/entretien n°1.txt");
const QString kPath2 = QStringLiteral("C:\\corpus\\autre.txt");
const QString kFormula = QStringLiteral("=1+1 est une formule.");
const QString kSecond = QStringLiteral("Deuxième ; avec \"guillemets\",\r\net une ligne.");

// List 1 is named by the researcher, the others keep their default names.
QString listName(int list)
{
    return list == 1 ? QStringLiteral("Thème") : codebook::defaultListName(list);
}

const QString kDefinition = QStringLiteral("Tout ce qui touche à l'argent ; emploi, prix.");

struct Analysis {
    qint64 culture = 0, economie = 0, ironie = 0;
};

// Writes the analysis into the fresh database at `path`; `a` receives the
// values' numbers.
inline void write(const QString &path, Analysis &a)
{

    Raw db(path);
    // Text 1: a segment coded twice, one with an empty coding row, one
    // uncoded; text 2 (a Windows path): one segment coded.
    addText(db, kPath1, {kFormula, kSecond, QStringLiteral("Troisième.")});
    addText(db, kPath2, {QStringLiteral("Autre.")});
    a.culture = addValue(db, 1, QStringLiteral("Culture"));
    a.economie = addValue(db, 1, QStringLiteral("Économie"));
    a.ironie = addValue(db, 2, QStringLiteral("@ironie"));
    QVERIFY(db.exec(QStringLiteral("INSERT INTO Contenus (numtexte, numvar01, numvar02) VALUES "
                                   "(1, %1, %3), (1, %2, 1), (2, 1, 1), (4, %1, 1)")
                        .arg(a.economie)
                        .arg(a.culture)
                        .arg(a.ironie)));
    {
        auto connection = Connection::open(path);
        codebook::setListName(*connection, 1, QStringLiteral("Thème"));
        codebook::setDefinition(*connection, 1, a.economie, kDefinition);
        codebook::setDefinition(*connection, 2, a.ironie, QStringLiteral("-dit le contraire"));
    }
}

} // namespace exporttest
