// telmira-codage --resultats with the texts' attributes, run as a script runs
// it, without a display: a list crossed with an attribute (--attribut), the
// texts kept by --si, alone or with --texte, and the refusals.
#include "../store/attributesexample.h"

#include <QCoreApplication>
#include <QProcess>
#include <QTest>

class TestResultsAttributesCli : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void output_data();
    void output();
    void help();

private:
    QTemporaryDir m_dir;
    QString m_db;
};

void TestResultsAttributesCli::initTestCase()
{
    m_db = codingtest::freshDatabase(m_dir);
    attributesexample::fill(m_db);
}

void TestResultsAttributesCli::output_data()
{
    QTest::addColumn<QStringList>("arguments"); // after the database
    QTest::addColumn<int>("code");
    QTest::addColumn<QByteArray>("out");
    QTest::addColumn<QString>("err"); // a part of standard error; empty: none

    const QString v = QStringLiteral("--variable");
    const QString a = QStringLiteral("--attribut");
    const QString si = QStringLiteral("--si");
    const QByteArray test("\ntest;\xCF\x87\xC2\xB2 de Pearson, sans correction de Yates\n");

    // By coding rows, each text's counts in its journal's column (see
    // attributesexample.h), text 3 having none: [[1, 0, 2], [0, 1, 1],
    // [4, 1, 0]], rows 3, 2, 5, columns 5, 2, 3, N = 10. Expected counts
    // 1.5 0.6 0.9 / 1 0.4 0.6 / 2.5 1 1.5; chi2 = sum of O^2/E - N =
    // 1/1.5 + 4/0.9 + 1/0.4 + 1/0.6 + 16/2.5 + 1/1 - 10 = 601/90 = 6.6778;
    // ddl = 2 x 2 = 4; p = Q(2, x/2) = exp(-x/2) (1 + x/2) = 0.1539280;
    // V = sqrt(6.6778 / (10 x 2)) = 0.5778.
    QTest::newRow("list 1 by journal, with (sans valeur)")
        << QStringList{v, QStringLiteral("1"), a, QStringLiteral("journal")} << 0
        << QByteArray("valeur;Le Monde;Lib\xC3\xA9ration;(sans valeur);Total\n"
                      "Abeille;1;0;2;3\n"
                      "Chat;0;1;1;2\n"
                      "Z\xC3\xA8" "bre;4;1;0;5\n"
                      "Total;5;2;3;10\n"
                      "non cod\xC3\xA9;;;;2\n")
               + test
               + QByteArray("chi2;6.6778\nddl;4\np;0.153928\nV de Cramer;0.5778\n")
        << QStringLiteral("cellule(s) sur 9");
    // Texts 1 and 2 dated 2003: list 2 by journal, X [5, 0, 0], Y [2, 1, 0]
    // ((C, -) not coded; text 3 not counted). Once the empty column is left
    // out, [[5, 0], [2, 1]], N = 8, expected 4.375, 0.625, 2.625, 0.375:
    // chi2 = 25/4.375 + 4/2.625 + 1/0.375 - 8 = 40/21 = 1.9048, ddl 1,
    // p = erfc(sqrt(20/21)) = 0.1675463, V = sqrt(40/21 / 8) = 0.4880. The
    // attribute's name in any case.
    QTest::newRow("list 2 by journal, dates of 2003")
        << QStringList{v, QStringLiteral("2"), a, QStringLiteral("Journal"), si,
                       QStringLiteral("date=2003-01-01..2003-12-31")}
        << 0
        << QByteArray("valeur;Le Monde;Lib\xC3\xA9ration;(sans valeur);Total\n"
                      "X;5;0;0;5\n"
                      "Y;2;1;0;3\n"
                      "Total;7;1;0;8\n"
                      "non cod\xC3\xA9;;;;1\n")
               + test
               + QByteArray("chi2;1.9048\nddl;1\np;0.1675463\nV de Cramer;0.4880\n")
        << QStringLiteral("cellule(s) sur 4");
    // Text 1 alone: 1, 0, 4 of 5.
    QTest::newRow("frequencies, journal = Le Monde")
        << QStringList{v, QStringLiteral("1"), si, QStringLiteral("journal=Le Monde")} << 0
        << QByteArray("valeur;effectif;pourcentage\n"
                      "Abeille;1;20.0000\n"
                      "Chat;0;0.0000\n"
                      "Z\xC3\xA8" "bre;4;80.0000\n"
                      "Total;5;100\n"
                      "non cod\xC3\xA9;2\n")
        << QString();
    const QByteArray text2("valeur;effectif;pourcentage\n"
                           "Abeille;0;0.0000\n"
                           "Chat;1;50.0000\n"
                           "Z\xC3\xA8" "bre;1;50.0000\n"
                           "Total;2;100\n"
                           "non cod\xC3\xA9;0\n");
    // Texts 1 and 2 chosen, of them dated from March 2003: text 2.
    QTest::newRow("--si with --texte")
        << QStringList{v, QStringLiteral("1"), QStringLiteral("--texte"), QStringLiteral("1"),
                       QStringLiteral("--texte"), QStringLiteral("2"), si,
                       QStringLiteral("date=2003-03-01..2004-12-31")}
        << 0 << text2 << QString();
    QTest::newRow("two --si, both to hold")
        << QStringList{v, QStringLiteral("1"), si, QStringLiteral("journal=Libération"), si,
                       QStringLiteral("pages=..10")}
        << 0 << text2 << QString();
    // Pages 12 and 40 (numbers, not text): texts 1 and 3, by segments:
    // Abeille segments 1, 6, 7; Chat 6; Zèbre 1, 2; segment 3 not coded;
    // segments 1 and 6 in two cells.
    QTest::newRow("a range of numbers, by segments")
        << QStringList{v, QStringLiteral("1"), si, QStringLiteral("pages=4..50"),
                       QStringLiteral("--unite"), QStringLiteral("segments")}
        << 0
        << QByteArray("valeur;effectif;pourcentage\n"
                      "Abeille;3;50.0000\n"
                      "Chat;1;16.6667\n"
                      "Z\xC3\xA8" "bre;2;33.3333\n"
                      "Total;6;100\n"
                      "non cod\xC3\xA9;1\n"
                      "plusieurs cases;2\n")
        << QString();
    QTest::newRow("a value no text has: nothing counted")
        << QStringList{v, QStringLiteral("1"), si, QStringLiteral("journal=Le Figaro")} << 0
        << QByteArray("valeur;effectif;pourcentage\n"
                      "Abeille;0;\nChat;0;\nZ\xC3\xA8" "bre;0;\nTotal;0;\nnon cod\xC3\xA9;0\n")
        << QString();
    QTest::newRow("unknown attribute")
        << QStringList{v, QStringLiteral("1"), a, QStringLiteral("auteur")} << 1 << QByteArray()
        << QStringLiteral("L'attribut « auteur » n'existe pas");
    QTest::newRow("unknown attribute in --si")
        << QStringList{v, QStringLiteral("1"), si, QStringLiteral("auteur=Zola")} << 1
        << QByteArray() << QStringLiteral("L'attribut « auteur » n'existe pas");
    QTest::newRow("--si without a value")
        << QStringList{v, QStringLiteral("1"), si, QStringLiteral("journal")} << 1 << QByteArray()
        << QStringLiteral("--si attend NOM=VALEUR");
    QTest::newRow("a bound not a date")
        << QStringList{v, QStringLiteral("1"), si, QStringLiteral("date=2003..2004")} << 1
        << QByteArray() << QStringLiteral("« 2003 » de l'attribut « date » n'est pas une date");
    QTest::newRow("--attribut with --croiser")
        << QStringList{v, QStringLiteral("1"), QStringLiteral("--croiser"), QStringLiteral("2"), a,
                       QStringLiteral("journal")}
        << 1 << QByteArray() << QStringLiteral("--croiser et --attribut ne vont pas ensemble");
}

void TestResultsAttributesCli::output()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, code);
    QFETCH(QByteArray, out);
    QFETCH(QString, err);
    QProcess program;
    codingtest::withoutDisplay(program);
    program.start(codingtest::codingProgram(),
                  QStringList{QStringLiteral("--resultats"), m_db} + arguments);
    QVERIFY(program.waitForFinished(60000));
    const QString error = QString::fromUtf8(program.readAllStandardError());
    QCOMPARE(program.exitCode(), code);
    QCOMPARE(program.readAllStandardOutput(), out);
    if (err.isEmpty())
        QVERIFY2(error.isEmpty(), qPrintable(error));
    else
        QVERIFY2(error.contains(err), qPrintable(error));
}

void TestResultsAttributesCli::help()
{
    QProcess program;
    codingtest::withoutDisplay(program);
    program.start(codingtest::codingProgram(), {QStringLiteral("--help")});
    QVERIFY(program.waitForFinished(60000));
    const QString help = QString::fromUtf8(program.readAllStandardOutput());
    for (const QString &part : {QStringLiteral("[--attribut NOM]"), QStringLiteral("[--si NOM=VALEUR]"),
                                QStringLiteral("--si NOM=DE..A"), QStringLiteral("(sans valeur)")})
        QVERIFY2(help.contains(part), qPrintable(part));
}

QTEST_GUILESS_MAIN(TestResultsAttributesCli)
#include "test_resultats_attributs.moc"
