// telmira-codage --resultats run as a script runs it, without a display: what
// it writes on standard output, byte for byte, and its refusals.
#include "../store/resultsexample.h"

#include <QCoreApplication>
#include <QProcess>
#include <QTest>

class TestResultsCli : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void output_data();
    void output();

private:
    QTemporaryDir m_dir;
    QString m_db;
    QString m_strong; // 20 rows (A, X) and 20 rows (B, Y) on one segment
};

void TestResultsCli::initTestCase()
{
    m_db = codingtest::freshDatabase(m_dir);
    resultsexample::fill(m_db);
    m_strong = codingtest::freshDatabase(m_dir, QStringLiteral("strong.mdb"));
    codingtest::Raw db(m_strong);
    const qint64 a = codingtest::addValue(db, 1, QStringLiteral("A"));
    const qint64 b = codingtest::addValue(db, 1, QStringLiteral("B"));
    const qint64 x = codingtest::addValue(db, 2, QStringLiteral("X"));
    const qint64 y = codingtest::addValue(db, 2, QStringLiteral("Y"));
    codingtest::addText(db, QStringLiteral("/fort.txt"), {QStringLiteral("Un.")});
    for (int i = 0; i < 20; ++i)
        QVERIFY(db.exec(QStringLiteral("INSERT INTO Contenus (numtexte, numvar01, numvar02) "
                                       "VALUES (1, %1, %2), (1, %3, %4)")
                            .arg(a)
                            .arg(x)
                            .arg(b)
                            .arg(y)));
}

void TestResultsCli::output_data()
{
    QTest::addColumn<QString>("base"); // "strong": the strong example, else the shared one
    QTest::addColumn<QStringList>("arguments"); // after the database
    QTest::addColumn<int>("code");
    QTest::addColumn<QByteArray>("out");
    QTest::addColumn<QString>("err"); // a part of standard error

    // 5 + 1 + 1 coding rows counted: 5/7 = 71.4286 %; (-, X) and (null, Y)
    // left out.
    const QString shared;
    QTest::newRow("frequencies")
        << shared << QStringList{QStringLiteral("--variable"), QStringLiteral("1")} << 0
        << QByteArray("valeur;effectif;pourcentage\n"
                      "Abeille;1;14.2857\n"
                      "Chat;1;14.2857\n"
                      "Z\xC3\xA8" "bre;5;71.4286\n"
                      "Total;7;100\n"
                      "non cod\xC3\xA9;2\n")
        << QString();
    // Text 2 by segments: segment 4 holds Chat and Zèbre (so it is in two
    // cells), segment 5 nothing.
    QTest::newRow("segments of text 2")
        << shared << QStringList{QStringLiteral("--variable"), QStringLiteral("1"), QStringLiteral("--unite"),
                       QStringLiteral("segments"), QStringLiteral("--texte"), QStringLiteral("2")}
        << 0
        << QByteArray("valeur;effectif;pourcentage\n"
                      "Abeille;0;0.0000\n"
                      "Chat;1;50.0000\n"
                      "Z\xC3\xA8" "bre;1;50.0000\n"
                      "Total;2;100\n"
                      "non cod\xC3\xA9;1\n"
                      "plusieurs cases;1\n")
        << QString();
    // Left after dropping the empty row Chat: [[2, 2], [1, 0]], n = 5,
    // expected 2.4, 1.6, 0.6, 0.4: chi2 = 0.16 x (1/2.4 + 1/1.6 + 1/0.6 +
    // 1/0.4) = 5/6, p = erfc(sqrt(5/12)) = 0.3613104,
    // V = sqrt(0.8333 / 5) = 0.4082. Segments 3 and 5 hold no pair;
    // segment 1 is in three cells (Zèbre X, Zèbre Y, Abeille X).
    const QByteArray bySegments("valeur;X;Y;Total\n"
                                "Abeille;1;0;1\n"
                                "Chat;0;0;0\n"
                                "Z\xC3\xA8" "bre;2;2;4\n"
                                "Total;3;2;5\n"
                                "non cod\xC3\xA9;;;2\n"
                                "plusieurs cases;1\n"
                                "\n"
                                "test;\xCF\x87\xC2\xB2 de Pearson, sans correction de Yates\n"
                                "chi2;0.8333\n"
                                "ddl;1\n"
                                "p;0.3613104\n"
                                "V de Cramer;0.4082\n");
    const QStringList crossBySegments{QStringLiteral("--variable"), QStringLiteral("1"),
                                      QStringLiteral("--croiser"), QStringLiteral("2"),
                                      QStringLiteral("--unite"), QStringLiteral("segments")};
    QTest::newRow("cross-table by segments, small counts")
        << shared << crossBySegments << 0 << bySegments << QStringLiteral("cellule(s) sur 4");
    QTest::newRow("cross-table by segments, not independent")
        << shared << crossBySegments << 0 << bySegments
        << QStringLiteral("1 segment(s) sont comptés dans plusieurs cases");
    // By coding rows: [[1, 0], [3, 2]] once Chat is dropped, n = 6, rows 1
    // and 5, columns 4 and 2: expected 2/3, 1/3, 10/3, 5/3, each gap 1/3:
    // chi2 = 1/9 x (3/2 + 3 + 3/10 + 3/5) = 0.6, p = erfc(sqrt(0.3)) =
    // 0.4385780, V = sqrt(0.6 / 6) = 0.3162; (-, X), (null, Y) and (Chat, -)
    // are not coded.
    QTest::newRow("cross-table by coding rows")
        << shared
        << QStringList{QStringLiteral("--variable"), QStringLiteral("1"), QStringLiteral("--croiser"),
                       QStringLiteral("2")}
        << 0
        << QByteArray("valeur;X;Y;Total\n"
                      "Abeille;1;0;1\n"
                      "Chat;0;0;0\n"
                      "Z\xC3\xA8" "bre;3;2;5\n"
                      "Total;4;2;6\n"
                      "non cod\xC3\xA9;;;3\n"
                      "\n"
                      "test;\xCF\x87\xC2\xB2 de Pearson, sans correction de Yates\n"
                      "chi2;0.6000\n"
                      "ddl;1\n"
                      "p;0.438578\n"
                      "V de Cramer;0.3162\n")
        << QStringLiteral("cellule(s) sur 4");
    // [[20, 0], [0, 20]]: every cell expects 10, chi2 = 4 x 100 / 10 = 40,
    // p = erfc(sqrt(20)) = 2.539629e-10, V = 1.
    QTest::newRow("a p far in the tail")
        << QStringLiteral("strong")
        << QStringList{QStringLiteral("--variable"), QStringLiteral("1"), QStringLiteral("--croiser"),
                       QStringLiteral("2")}
        << 0
        << QByteArray("valeur;X;Y;Total\n"
                      "A;20;0;20\n"
                      "B;0;20;20\n"
                      "Total;20;20;40\n"
                      "non cod\xC3\xA9;;;0\n"
                      "\n"
                      "test;\xCF\x87\xC2\xB2 de Pearson, sans correction de Yates\n"
                      "chi2;40.0000\n"
                      "ddl;1\n"
                      "p;2.539629e-10\n"
                      "V de Cramer;1.0000\n")
        << QString();
    QTest::newRow("no such list")
        << shared << QStringList{QStringLiteral("--variable"), QStringLiteral("6")} << 1 << QByteArray()
        << QStringLiteral("--variable attend un numéro de liste de 1 à 5");
    QTest::newRow("no such unit")
        << shared << QStringList{QStringLiteral("--variable"), QStringLiteral("1"), QStringLiteral("--unite"),
                       QStringLiteral("mots")}
        << 1 << QByteArray() << QStringLiteral("--unite attend");
    QTest::newRow("no such text")
        << shared << QStringList{QStringLiteral("--variable"), QStringLiteral("1"), QStringLiteral("--texte"),
                       QStringLiteral("9")}
        << 1 << QByteArray() << QStringLiteral("Le texte n° 9 n'existe pas");
    QTest::newRow("no variable") << shared << QStringList{} << 1 << QByteArray()
                                 << QStringLiteral("--variable N est obligatoire");
}

void TestResultsCli::output()
{
    QFETCH(QString, base);
    QFETCH(QStringList, arguments);
    QFETCH(int, code);
    QFETCH(QByteArray, out);
    QFETCH(QString, err);
    QProcess program;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("DISPLAY"));
    env.remove(QStringLiteral("QT_QPA_PLATFORM"));
    program.setProcessEnvironment(env);
    program.start(QCoreApplication::applicationDirPath() + QStringLiteral("/telmira-codage"),
                  QStringList{QStringLiteral("--resultats"),
                              base == QLatin1String("strong") ? m_strong : m_db}
                      + arguments);
    QVERIFY(program.waitForFinished(60000));
    const QString error = QString::fromUtf8(program.readAllStandardError());
    QCOMPARE(program.exitCode(), code);
    QCOMPARE(program.readAllStandardOutput(), out);
    if (err.isEmpty())
        QVERIFY2(error.isEmpty(), qPrintable(error));
    else
        QVERIFY2(error.contains(err), qPrintable(error));
}

QTEST_GUILESS_MAIN(TestResultsCli)
#include "test_resultats.moc"
