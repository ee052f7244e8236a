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
};

void TestResultsCli::initTestCase()
{
    m_db = codingtest::freshDatabase(m_dir);
    resultsexample::fill(m_db);
}

void TestResultsCli::output_data()
{
    QTest::addColumn<QStringList>("arguments"); // after the database
    QTest::addColumn<int>("code");
    QTest::addColumn<QByteArray>("out");
    QTest::addColumn<QString>("err"); // a part of standard error

    // 5 + 1 + 1 coding rows counted: 5/7 = 71.4286 %; (-, X) and (null, Y)
    // left out.
    QTest::newRow("frequencies")
        << QStringList{QStringLiteral("--variable"), QStringLiteral("1")} << 0
        << QByteArray("valeur;effectif;pourcentage\n"
                      "Abeille;1;14.2857\n"
                      "Chat;1;14.2857\n"
                      "Z\xC3\xA8" "bre;5;71.4286\n"
                      "Total;7;100\n"
                      "non cod\xC3\xA9;2\n")
        << QString();
    // Text 2 by segments: segment 4 holds Chat and Zèbre, segment 5 nothing.
    QTest::newRow("segments of text 2")
        << QStringList{QStringLiteral("--variable"), QStringLiteral("1"), QStringLiteral("--unite"),
                       QStringLiteral("segments"), QStringLiteral("--texte"), QStringLiteral("2")}
        << 0
        << QByteArray("valeur;effectif;pourcentage\n"
                      "Abeille;0;0.0000\n"
                      "Chat;1;50.0000\n"
                      "Z\xC3\xA8" "bre;1;50.0000\n"
                      "Total;2;100\n"
                      "non cod\xC3\xA9;1\n")
        << QString();
    // Left after dropping the empty row Chat: [[2, 2], [1, 0]], n = 5,
    // expected 2.4, 1.6, 0.6, 0.4: chi2 = 0.16 x (1/2.4 + 1/1.6 + 1/0.6 +
    // 1/0.4) = 0.8333, p = erfc(sqrt(0.8333 / 2)) = 0.3613,
    // V = sqrt(0.8333 / 5) = 0.4082.
    QTest::newRow("cross-table by segments")
        << QStringList{QStringLiteral("--variable"), QStringLiteral("1"), QStringLiteral("--croiser"),
                       QStringLiteral("2"), QStringLiteral("--unite"), QStringLiteral("segments")}
        << 0
        << QByteArray("valeur;X;Y;Total\n"
                      "Abeille;1;0;1\n"
                      "Chat;0;0;0\n"
                      "Z\xC3\xA8" "bre;2;2;4\n"
                      "Total;3;2;5\n"
                      "\n"
                      "chi2;0.8333\n"
                      "ddl;1\n"
                      "p;0.3613\n"
                      "V de Cramer;0.4082\n")
        << QStringLiteral("cellule(s) sur 4");
    QTest::newRow("no such list")
        << QStringList{QStringLiteral("--variable"), QStringLiteral("6")} << 1 << QByteArray()
        << QStringLiteral("--variable attend un numéro de liste de 1 à 5");
    QTest::newRow("no such unit")
        << QStringList{QStringLiteral("--variable"), QStringLiteral("1"), QStringLiteral("--unite"),
                       QStringLiteral("mots")}
        << 1 << QByteArray() << QStringLiteral("--unite attend");
    QTest::newRow("no such text")
        << QStringList{QStringLiteral("--variable"), QStringLiteral("1"), QStringLiteral("--texte"),
                       QStringLiteral("9")}
        << 1 << QByteArray() << QStringLiteral("Le texte n° 9 n'existe pas");
    QTest::newRow("no variable") << QStringList{} << 1 << QByteArray()
                                 << QStringLiteral("--variable N est obligatoire");
}

void TestResultsCli::output()
{
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

QTEST_GUILESS_MAIN(TestResultsCli)
#include "test_resultats.moc"
