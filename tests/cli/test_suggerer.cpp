// telmira-codage --suggerer run as a program without a display: the
// suggestions for the segments not coded in a list, in text then segment
// order, with their value as stored, their confidence and their reasons;
// --evaluer's cross-validation; --accepter, and the accepted suggestions
// told apart by --resultats, --fiabilite and --exporter; the refusals. The analysis: six texts of
// themed sentences (work, school, health), every text holding the three
// themes, list 1 coded by theme but for a few segments left to suggest.
#include "../coding/codingtest.h"
#include "../coding/themedcorpus.h"

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

using namespace codingtest;
using namespace themedcorpus;

namespace {

struct Run {
    int exitCode = -1;
    QString out;
    QString err;
};

Run runCoding(const QStringList &arguments)
{
    QProcess program;
    withoutDisplay(program);
    program.start(codingProgram(), arguments);
    Run run;
    if (!program.waitForFinished(120000) || program.exitStatus() != QProcess::NormalExit)
        return run;
    run.exitCode = program.exitCode();
    run.out = QString::fromUtf8(program.readAllStandardOutput());
    run.err = QString::fromUtf8(program.readAllStandardError());
    return run;
}


} // namespace

class TestSuggererCli : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void suggestions();
    void evaluation();
    void refusals_data();
    void refusals();
    void accepted_data();
    void accepted();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_db;
    qint64 m_coded = 0;
    // The segments left uncoded, with the theme of their words.
    std::vector<std::pair<qint64, int>> m_uncoded;
    std::vector<qint64> m_texts;
};

void TestSuggererCli::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_db = freshDatabase(*m_dir);
    Raw db(m_db);
    qint64 values[3];
    for (int t = 0; t < 3; ++t)
        values[t] = addValue(db, 1, QString::fromUtf8(kThemes[t]));
    m_coded = 0;
    m_uncoded.clear();
    m_texts.clear();
    qint64 segment = 0;
    for (int text = 0; text < 6; ++text) {
        QStringList segments;
        for (int i = 0; i < 9; ++i)
            segments << sentence((text + i) % 3, text + i);
        m_texts.push_back(addText(db, QStringLiteral("/corpus/texte%1.txt").arg(text + 1), segments));
        for (int i = 0; i < 9; ++i) {
            ++segment;
            // The last segment of every other text is left to suggest.
            if (i == 8 && text % 2 == 0) {
                m_uncoded.emplace_back(segment, (text + i) % 3);
                continue;
            }
            db.exec(QStringLiteral("INSERT INTO Contenus (numtexte, numvar01) VALUES (%1, %2)")
                        .arg(segment)
                        .arg(values[(text + i) % 3]));
            ++m_coded;
        }
    }
}

void TestSuggererCli::suggestions()
{
    const Run run = runCoding({"--suggerer", m_db, "--variable", "1"});
    QCOMPARE(run.exitCode, 0);
    QVERIFY2(run.err.isEmpty(), qPrintable(run.err));
    const QStringList lines = run.out.split('\n', Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), int(m_uncoded.size()));
    static const QRegularExpression shape(
        QStringLiteral("^(\\d+);(\\d+);([^;]+);(0\\.\\d{3}|1\\.000);(.+)$"));
    for (int i = 0; i < lines.size(); ++i) {
        const QRegularExpressionMatch m = shape.match(lines.at(i));
        QVERIFY2(m.hasMatch(), qPrintable(lines.at(i)));
        // Text then segment order: the uncoded segments in their order,
        // each in its text (texts 1, 3 and 5).
        QCOMPARE(m.captured(2).toLongLong(), m_uncoded[size_t(i)].first);
        QCOMPARE(m.captured(1).toLongLong(), m_texts[size_t(2 * i)]);
        const int theme = m_uncoded[size_t(i)].second;
        QCOMPARE(m.captured(3), QString::fromUtf8(kThemes[theme]));
        QVERIFY(m.captured(4).toDouble() > 1.0 / 3);
        // Among the reasons, one of its theme's words.
        bool found = false;
        for (const QString &reason : m.captured(5).split(','))
            found = found || kWords[theme].contains(reason);
        QVERIFY2(found, qPrintable(lines.at(i)));
    }
}

void TestSuggererCli::evaluation()
{
    const Run run = runCoding({"--suggerer", m_db, "--variable", "1", "--evaluer", "--plis", "3"});
    QCOMPARE(run.exitCode, 0);
    // Every theme told by its own words: the suggestions agree with the
    // coder on every coded segment of the texts they did not learn from.
    QCOMPARE(run.out, QStringLiteral("exactitude;1.0000\nalpha;1.0000\nkappa;1.0000\n"
                                     "segments;%1\n")
                          .arg(m_coded));
}

void TestSuggererCli::refusals_data()
{
    QTest::addColumn<QString>("setup");
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("err");
    QTest::newRow("too little coding")
        << "DELETE FROM Contenus WHERE numero > 20" << QStringList{"--suggerer", "BASE", "--variable", "1"}
        << "au moins 30 segments codés";
    QTest::newRow("one value") << "UPDATE Contenus SET numvar01 = 36"
                               << QStringList{"--suggerer", "BASE", "--variable", "1"}
                               << "au moins 2 valeurs";
    QTest::newRow("list 6") << "" << QStringList{"--suggerer", "BASE", "--variable", "6"}
                            << "--variable attend le numéro de la liste (1 à 5)";
    QTest::newRow("no list") << "" << QStringList{"--suggerer", "BASE"}
                             << "--variable attend le numéro de la liste";
    QTest::newRow("folds") << "" << QStringList{"--suggerer", "BASE", "--variable", "1", "--evaluer", "--plis", "1"}
                           << "--plis attend un nombre de plis de 2 à 50";
    QTest::newRow("missing file") << "" << QStringList{"--suggerer", "MISSING", "--variable", "1"}
                                  << "MISSING";
    QTest::newRow("threshold above 1")
        << "" << QStringList{"--suggerer", "BASE", "--variable", "1", "--accepter", "1.5"}
        << "--accepter attend la confiance à partir de laquelle les suggestions sont acceptées, "
           "de 0 à 1 (« 1.5 » a été donné)";
    QTest::newRow("accepting while measuring")
        << "" << QStringList{"--suggerer", "BASE", "--variable", "1", "--evaluer", "--accepter", "0.9"}
        << "--accepter et --evaluer ne vont pas ensemble";
}

void TestSuggererCli::refusals()
{
    QFETCH(QString, setup);
    QFETCH(QStringList, arguments);
    QFETCH(QString, err);
    if (!setup.isEmpty()) {
        Raw db(m_db);
        db.exec(setup);
    }
    const QString missing = m_dir->filePath(QStringLiteral("absente.mdb"));
    for (QString &a : arguments) {
        if (a == QLatin1String("BASE"))
            a = m_db;
        else if (a == QLatin1String("MISSING"))
            a = missing;
    }
    err.replace(QLatin1String("MISSING"), missing);
    const Run run = runCoding(arguments);
    QCOMPARE(run.exitCode, 1);
    QVERIFY2(run.err.contains(err), qPrintable(run.err));
    QVERIFY(run.out.isEmpty());
}

void TestSuggererCli::accepted_data()
{
    QTest::addColumn<QStringList>("arguments"); // BASE the analysis, HAND its copy coded by hand
    QTest::addColumn<QString>("expected");      // the whole output, or the line that starts so
    // Each theme holds 17 coded segments of the 51 and one of the three
    // left to suggest: accepted, 18 of 54 each.
    QTest::newRow("results") << QStringList{"--resultats", "BASE", "--variable", "1"}
                             << "valeur;effectif;pourcentage\nÉcole;18;33.3333\nEmploi;18;33.3333\n"
                                "Santé;18;33.3333\nTotal;54;100\nnon codé;0\n";
    // Left out: 17 of 51 each (33.3333 %), the three rows not coded.
    QTest::newRow("results without them")
        << QStringList{"--resultats", "BASE", "--variable", "1", "--sans-suggestions"}
        << "valeur;effectif;pourcentage\nÉcole;17;33.3333\nEmploi;17;33.3333\n"
           "Santé;17;33.3333\nTotal;51;100\nnon codé;3\n";
    // Against a copy whose coder gave the three segments another theme
    // (Santé -> Emploi, École -> Santé, Emploi -> École), 54 segments
    // paired, 51 agreeing. Coincidences: 34 on each theme's diagonal, 1 in
    // each of the six cells of the three disagreements; n = 108, each
    // theme 36. Alpha = 1 - (n - 1) * 6 / (n^2 - 3 * 36^2)
    // = 1 - 107 * 6 / 7776 = 0.9174. Kappa: p_o = 51/54, each coder 18 of
    // each theme, p_e = 3 * (1/3)^2 = 1/3: (51/54 - 1/3) / (2/3) = 0.9167.
    // Agreement 51/54 = 0.9444.
    QTest::newRow("reliability")
        << QStringList{"--fiabilite", "BASE", "HAND"}
        << "1;Variable de comparaison 1;0.9174;0.9167;0.9444;54;0;nominal";
    // Left out: the three become missing in the analysis, 51 segments
    // paired, all agreeing.
    QTest::newRow("reliability without them")
        << QStringList{"--fiabilite", "BASE", "HAND", "--sans-suggestions"}
        << "1;Variable de comparaison 1;1.0000;1.0000;1.0000;51;0;nominal";
    // The last segment of text 1 (Santé, 38, accepted): marked by a 1 after
    // its list's columns, the other lists' empty value (row 1) by a 0.
    QTest::newRow("export, marked")
        << QStringList{"--exporter", "BASE", "-", "--marquer-suggestions"}
        << "1;/corpus/texte1.txt;9;Le gouvernement annonce : les hôpital et les médecins.;"
           "38;Santé;1;1;;0;1;;0;1;;0;1;;0;\r";
    QTest::newRow("export without them")
        << QStringList{"--exporter", "BASE", "-", "--sans-suggestions"}
        << "1;/corpus/texte1.txt;9;Le gouvernement annonce : les hôpital et les médecins.;"
           "1;;1;;1;;1;;1;;\r";
}

void TestSuggererCli::accepted()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, expected);
    {
        Raw db(m_db);
        db.exec(QStringLiteral("INSERT INTO Proprietes (cle, valeur) VALUES ('codeur', 'Marie')"));
    }
    const QString hand = m_dir->filePath(QStringLiteral("main.mdb"));
    QVERIFY(QFile::copy(m_db, hand));
    {
        // The copy's coder gives each segment left to suggest a theme that
        // is not its own.
        Raw db(hand);
        for (const auto &[segment, theme] : m_uncoded)
            db.exec(QStringLiteral("INSERT INTO Contenus (numtexte, numvar01) VALUES (%1, %2)")
                        .arg(segment)
                        .arg(36 + (theme + 1) % 3));
    }
    // Every suggestion is more likely than not one of three: all accepted.
    const Run accept = runCoding({"--suggerer", m_db, "--variable", "1", "--accepter", "0.34"});
    QCOMPARE(accept.exitCode, 0);
    QVERIFY2(accept.out.endsWith(QStringLiteral("acceptés;3\n")), qPrintable(accept.out));
    {
        Raw db(m_db);
        QCOMPARE(rows(db, QStringLiteral("SELECT count(*), min(codeur), max(codeur) FROM"
                                         " SuggestionsAcceptees WHERE liste = 1")),
                 QStringList{"3|Marie|Marie"});
    }
    for (QString &a : arguments) {
        if (a == QLatin1String("BASE"))
            a = m_db;
        else if (a == QLatin1String("HAND"))
            a = hand;
    }
    const Run run = runCoding(arguments);
    QCOMPARE(run.exitCode, 0);
    if (expected.endsWith(QLatin1Char('\n')))
        QCOMPARE(run.out, expected);
    else
        QVERIFY2(run.out.split(QLatin1Char('\n')).contains(expected), qPrintable(run.out));
}

QTEST_GUILESS_MAIN(TestSuggererCli)
#include "test_suggerer.moc"
