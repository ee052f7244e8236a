// telmira-codage --vocabulaire and --mots-caracteristiques run as a script
// runs them, without a display: what they write on standard output, byte
// for byte, and their refusals. The analysis is tests/words/corpusexample.h,
// whose words are counted by hand there.
#include "../words/corpusexample.h"

#include <QCoreApplication>
#include <QProcess>
#include <QTest>

class TestVocabulaireCli : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void output_data();
    void output();

private:
    QTemporaryDir m_dir;
    QString m_db;
};

void TestVocabulaireCli::initTestCase()
{
    m_db = codingtest::freshDatabase(m_dir);
    corpusexample::fill(m_db);
}

void TestVocabulaireCli::output_data()
{
    QTest::addColumn<QStringList>("arguments"); // the action, then what comes after the database
    QTest::addColumn<int>("code");
    QTest::addColumn<QByteArray>("out");
    QTest::addColumn<QString>("err"); // a part of standard error

    const QString vocabulaire = QStringLiteral("--vocabulaire");
    const QString mots = QStringLiteral("--mots-caracteristiques");

    // Largest count first, equal counts in French order (état between
    // chiens and un, as "etat").
    QTest::newRow("whole analysis")
        << QStringList{vocabulaire} << 0
        << QByteArray("mot;effectif;segments\n"
                      "le;3;2\n"
                      "chat;2;2\nchien;2;2\ndort;2;2\net;2;2\n"
                      "chats;1;1\nchiens;1;1\n\xC3\xA9tat;1;1\nun;1;1\n")
        << QString();
    // le, et and un are French stop words; the others are not.
    QTest::newRow("without stop words")
        << QStringList{vocabulaire, QStringLiteral("--sans-mots-vides")} << 0
        << QByteArray("mot;effectif;segments\n"
                      "chat;2;2\nchien;2;2\ndort;2;2\n"
                      "chats;1;1\nchiens;1;1\n\xC3\xA9tat;1;1\n")
        << QString();
    // chat + chats: 2 + 1 in segments 1, 2 and 5; chien + chiens: 2 + 1 in
    // segments 2, 4 and 5; the most frequent form first.
    QTest::newRow("by stem")
        << QStringList{vocabulaire, QStringLiteral("--racines")} << 0
        << QByteArray("racine;effectif;segments;formes\n"
                      "chat;3;3;chat,chats\n"
                      "chien;3;3;chien,chiens\n"
                      "le;3;2;le\n"
                      "dort;2;2;dort\n"
                      "et;2;2;et\n"
                      "\xC3\xA9tat;1;1;\xC3\xA9tat\n"
                      "un;1;1;un\n")
        << QString();
    // Text 2: "Un chien." and "Chiens et chats !", every word once.
    const QByteArray text2("mot;effectif;segments\n"
                           "chats;1;1\nchien;1;1\nchiens;1;1\net;1;1\nun;1;1\n");
    QTest::newRow("one text") << QStringList{vocabulaire, QStringLiteral("--texte"),
                                             QStringLiteral("2")}
                              << 0 << text2 << QString();
    QTest::newRow("an attribute's value")
        << QStringList{vocabulaire, QStringLiteral("--si"), QStringLiteral("journal=Libération")}
        << 0 << text2 << QString();
    QTest::newRow("no such text")
        << QStringList{vocabulaire, QStringLiteral("--texte"), QStringLiteral("9")} << 1
        << QByteArray() << QStringLiteral("Le texte n° 9 n'existe pas");
    QTest::newRow("no such attribute")
        << QStringList{vocabulaire, QStringLiteral("--si"), QStringLiteral("revue=X")} << 1
        << QByteArray() << QStringLiteral("L'attribut « revue » n'existe pas");

    // Sommeil: segments 1 and 3, c = 5 words (le chat dort, état dort);
    // the others d = 10 (le 2, chien 2, et 2, chat, un, chiens, chats).
    // dort: a = 2, b = 0, E1 = 5 x 2 / 15 = 2/3: G² = 2 x 2 ln 3 = 4.3944,
    //   p = erfc(sqrt(G²/2)) = 0.03605611;
    // état: a = 1, b = 0, E1 = 1/3: G² = 2 ln 3 = 2.1972, p = 0.1382595;
    // chat: a = 1, b = 1, E1 = 2/3, E2 = 4/3: G² = 2 (ln 1.5 + ln 0.75)
    //   = 0.2356, p = 0.627427;
    // le: a = 1, b = 2, E1 = 1, E2 = 2: G² = 0 (1/5 = 2/10), p = 1.
    QTest::newRow("characteristic words of a value")
        << QStringList{mots, QStringLiteral("--variable"), QStringLiteral("1"),
                       QStringLiteral("--valeur"), QStringLiteral("Sommeil"),
                       QStringLiteral("--limite"), QStringLiteral("0")}
        << 0
        << QByteArray("mot;g2;effectif;effectif_ailleurs;p\n"
                      "dort;4.3944;2;0;0.03605611\n"
                      "\xC3\xA9tat;2.1972;1;0;0.1382595\n"
                      "chat;0.2356;1;1;0.627427\n"
                      "le;0.0000;1;2;1\n")
        << QString();
    // Animaux: segments 2 and 4 (segment 2 once, though two rows hold it),
    // c = 7 (le 2, chien 2, et, chat, un), d = 8.
    // chien: a = 2, b = 0, E1 = 14/15: G² = 4 ln(15/7) = 3.0486, p = 0.08080875;
    // un: a = 1, b = 0, E1 = 7/15: G² = 2 ln(15/7) = 1.5243, p = 0.2169729.
    QTest::newRow("the first two")
        << QStringList{mots, QStringLiteral("--variable"), QStringLiteral("1"),
                       QStringLiteral("--valeur"), QStringLiteral("Animaux"),
                       QStringLiteral("--limite"), QStringLiteral("2")}
        << 0
        << QByteArray("mot;g2;effectif;effectif_ailleurs;p\n"
                      "chien;3.0486;2;0;0.08080875\n"
                      "un;1.5243;1;0;0.2169729\n")
        << QString();
    // The texts whose journal is Le Monde (text 1: segments 1 to 3, c = 10:
    // le 3, chat 2, dort 2, chien, et, état) against text 2 (d = 5: un,
    // chien, chiens, et, chats); N = 15.
    // le: a = 3, b = 0, E1 = 10 x 3 / 15 = 2: G² = 6 ln 1.5 = 2.4328,
    //   p = erfc(sqrt(G²/2)) = 0.1188212;
    // chat, dort: a = 2, b = 0, E1 = 4/3: G² = 4 ln 1.5 = 1.6219, p = 0.2028326
    //   (equal: in French order);
    // état: a = 1, b = 0, E1 = 2/3: G² = 2 ln 1.5 = 0.8109, p = 0.3678454;
    // chien, et: a = 1, b = 1, E1 = 4/3, E2 = 2/3:
    //   G² = 2 (ln 0.75 + ln 1.5) = 0.2356, p = 0.627427; rarer in the
    //   target (1/10 against 1/5): written negative.
    const QByteArray leMonde("mot;g2;effectif;effectif_ailleurs;p\n"
                             "le;2.4328;3;0;0.1188212\n"
                             "chat;1.6219;2;0;0.2028326\n"
                             "dort;1.6219;2;0;0.2028326\n"
                             "\xC3\xA9tat;0.8109;1;0;0.3678454\n"
                             "chien;-0.2356;1;1;0.627427\n"
                             "et;-0.2356;1;1;0.627427\n");
    QTest::newRow("an attribute's value")
        << QStringList{mots, QStringLiteral("--attribut"), QStringLiteral("journal"),
                       QStringLiteral("--valeur"), QStringLiteral("Le Monde")}
        << 0 << leMonde << QString();
    QTest::newRow("an attribute's value, the first three")
        << QStringList{mots, QStringLiteral("--attribut"), QStringLiteral("journal"),
                       QStringLiteral("--valeur"), QStringLiteral("Le Monde"),
                       QStringLiteral("--limite"), QStringLiteral("3")}
        << 0 << leMonde.left(leMonde.indexOf("\xC3\xA9tat")) << QString();
    // Narrowed to text 1 by --si, nothing is left to compare with: every
    // word is as frequent on both sides (d = 0), G² = 0.
    QTest::newRow("an attribute's value within its own texts")
        << QStringList{mots, QStringLiteral("--attribut"), QStringLiteral("journal"),
                       QStringLiteral("--valeur"), QStringLiteral("Le Monde"),
                       QStringLiteral("--si"), QStringLiteral("journal=Le Monde"),
                       QStringLiteral("--limite"), QStringLiteral("1")}
        << 0 << QByteArray("mot;g2;effectif;effectif_ailleurs;p\nle;0.0000;3;0;1\n") << QString();
    QTest::newRow("no such attribute value")
        << QStringList{mots, QStringLiteral("--attribut"), QStringLiteral("journal"),
                       QStringLiteral("--valeur"), QStringLiteral("Le Figaro")}
        << 1 << QByteArray()
        << QStringLiteral("Aucun texte de l'analyse « %1 » n'a la valeur « Le Figaro » pour "
                          "l'attribut « journal ».").arg(m_db);
    QTest::newRow("no such attribute for the target")
        << QStringList{mots, QStringLiteral("--attribut"), QStringLiteral("revue"),
                       QStringLiteral("--valeur"), QStringLiteral("Le Monde")}
        << 1 << QByteArray() << QStringLiteral("L'attribut « revue » n'existe pas");
    QTest::newRow("a list and an attribute")
        << QStringList{mots, QStringLiteral("--variable"), QStringLiteral("1"),
                       QStringLiteral("--attribut"), QStringLiteral("journal"),
                       QStringLiteral("--valeur"), QStringLiteral("Le Monde")}
        << 1 << QByteArray() << QStringLiteral("--variable et --attribut ne vont pas ensemble");
    QTest::newRow("an attribute without a value")
        << QStringList{mots, QStringLiteral("--attribut"), QStringLiteral("journal")} << 1
        << QByteArray() << QStringLiteral("--variable N et --valeur VALEUR sont obligatoires");
    QTest::newRow("no such value")
        << QStringList{mots, QStringLiteral("--variable"), QStringLiteral("1"),
                       QStringLiteral("--valeur"), QStringLiteral("Jour")}
        << 1 << QByteArray()
        << QStringLiteral("La valeur « Jour » n'existe pas dans la liste 1");
    QTest::newRow("no such list")
        << QStringList{mots, QStringLiteral("--variable"), QStringLiteral("7"),
                       QStringLiteral("--valeur"), QStringLiteral("Jour")}
        << 1 << QByteArray() << QStringLiteral("--variable attend un numéro de liste de 1 à 5");
    QTest::newRow("no value")
        << QStringList{mots, QStringLiteral("--variable"), QStringLiteral("1")} << 1
        << QByteArray() << QStringLiteral("--variable N et --valeur VALEUR sont obligatoires");
    QTest::newRow("a bad limit")
        << QStringList{mots, QStringLiteral("--variable"), QStringLiteral("1"),
                       QStringLiteral("--valeur"), QStringLiteral("Sommeil"),
                       QStringLiteral("--limite"), QStringLiteral("beaucoup")}
        << 1 << QByteArray() << QStringLiteral("--limite attend un nombre de mots");
}

void TestVocabulaireCli::output()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, code);
    QFETCH(QByteArray, out);
    QFETCH(QString, err);
    QProcess program;
    codingtest::withoutDisplay(program);
    QStringList all{arguments.first(), m_db};
    all += arguments.mid(1);
    program.start(codingtest::codingProgram(), all);
    QVERIFY(program.waitForFinished(60000));
    const QString error = QString::fromUtf8(program.readAllStandardError());
    QCOMPARE(program.exitCode(), code);
    QCOMPARE(program.readAllStandardOutput(), out);
    if (err.isEmpty())
        QVERIFY2(error.isEmpty(), qPrintable(error));
    else
        QVERIFY2(error.contains(err), qPrintable(error));
}

QTEST_GUILESS_MAIN(TestVocabulaireCli)
#include "test_vocabulaire.moc"
