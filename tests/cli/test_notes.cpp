// telmira-codage --notes run as a program without a display: every note as
// CSV, in its order (the analysis, then text by text), the notes of removed
// segments left out, a version-2 file read as having none; and the CSV
// export's last column "note", quoted when the note holds the separator or
// a line end.
#include "../coding/exportanalysis.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace codingtest;

namespace {

struct Run {
    int exitCode = -1;
    QByteArray out;
    QString err;
};

Run runCoding(const QStringList &arguments)
{
    QProcess program;
    withoutDisplay(program);
    program.start(codingProgram(), arguments);
    Run run;
    if (!program.waitForFinished(60000) || program.exitStatus() != QProcess::NormalExit)
        return run;
    run.exitCode = program.exitCode();
    run.out = program.readAllStandardOutput();
    run.err = QString::fromUtf8(program.readAllStandardError());
    return run;
}

// Notes on the analysis of exportanalysis.h (text 1: segments 1 to 3;
// text 2: segment 4), and one left by a removed segment.
const char kNotes[] = "INSERT INTO Notes VALUES (1, 4, 'Autre note'), (1, 2, 'a;b' || char(10) || 'c'),"
                      " (2, 2, 't2'), (3, 0, 'Pilote'), (1, 3, '\"cité\"'), (2, 1, 'Texte; un'),"
                      " (1, 99, 'disparu')";

} // namespace

class TestNotesCli : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void notes_data();
    void notes();
    void exportNoteColumn_data();
    void exportNoteColumn();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_db;
};

void TestNotesCli::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_db = freshDatabase(*m_dir);
    exporttest::Analysis a;
    exporttest::write(m_db, a);
}

void TestNotesCli::notes_data()
{
    QTest::addColumn<QString>("setup"); // SQL run on BASE first
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QByteArray>("out");
    QTest::addColumn<QString>("err"); // contained in standard error
    QTest::newRow("toutes les notes, dans l'ordre")
        << QString::fromUtf8(kNotes) << QStringList{"--notes", "BASE"} << 0
        << QByteArray("genre;texte;segment;note\r\n"
                      "analyse;;;Pilote\r\n"
                      "texte;1;;\"Texte; un\"\r\n"
                      "segment;1;2;\"a;b\nc\"\r\n"
                      "segment;1;3;\"\"\"cit\xC3\xA9\"\"\"\r\n"
                      "texte;2;;t2\r\n"
                      "segment;2;4;Autre note\r\n")
        << QString();
    QTest::newRow("aucune note") << QString() << QStringList{"--notes", "BASE"} << 0
                                 << QByteArray("genre;texte;segment;note\r\n") << QString();
    QTest::newRow("fichier de version 2, sans notes")
        << QStringLiteral("DROP TABLE ValeursAttributs; DROP TABLE Attributs; DROP TABLE Notes; "
                          "DROP TABLE Recherche; DROP TABLE RechercheEtat; "
                          "DROP TABLE SuggestionsAcceptees; DROP TABLE ModelesSuggestions; "
                          "DROP TABLE EntreesDictionnaires; "
                          "DROP TABLE CategoriesDictionnaires; DROP TABLE Dictionnaires; PRAGMA user_version = 2")
        << QStringList{"--notes", "BASE"} << 0 << QByteArray("genre;texte;segment;note\r\n")
        << QString();
    QTest::newRow("base absente") << QString() << QStringList{"--notes", "absente.mdb"} << 1
                                  << QByteArray() << QStringLiteral("absente.mdb");
    QTest::newRow("sans base") << QString() << QStringList{"--notes"} << 1 << QByteArray()
                               << QStringLiteral("Indiquez une base d'analyse");
}

void TestNotesCli::notes()
{
    QFETCH(QString, setup);
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(QByteArray, out);
    QFETCH(QString, err);
    if (!setup.isEmpty())
        QVERIFY(Raw(m_db).exec(setup));
    for (QString &a : arguments) {
        if (a == QLatin1String("BASE"))
            a = m_db;
        else if (a == QLatin1String("absente.mdb"))
            a = m_dir->filePath(a);
    }
    const QByteArray before = storetest::bytesOf(m_db);
    const Run run = runCoding(arguments);
    QVERIFY2(run.exitCode == exitCode, qPrintable(run.err));
    QCOMPARE(run.out, out);
    QVERIFY2(run.err.contains(err), qPrintable(run.err));
    // Read, never changed (nor upgraded).
    QCOMPARE(storetest::bytesOf(m_db), before);
}

void TestNotesCli::exportNoteColumn_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QStringList>("notes"); // the last field of each record
    // Long: segment 1 has two coding rows, each record carries its note.
    QTest::newRow("longue") << QStringList{}
                            << QStringList{"note", "", "", "a;b\nc", "\"cité\"", "Autre note"};
    QTest::newRow("large") << QStringList{"--large"}
                           << QStringList{"note", "", "a;b\nc", "\"cité\"", "Autre note"};
    QTest::newRow("longue, virgule, brut")
        << QStringList{"--virgule", "--brut"}
        << QStringList{"note", "", "", "a;b\nc", "\"cité\"", "Autre note"};
}

void TestNotesCli::exportNoteColumn()
{
    QFETCH(QStringList, options);
    QFETCH(QStringList, notes);
    QVERIFY(Raw(m_db).exec(QString::fromUtf8(kNotes)));
    const QString output = m_dir->filePath(QStringLiteral("codage.csv"));
    const Run run = runCoding(QStringList{"--exporter", m_db, output} + options);
    QVERIFY2(run.exitCode == 0, qPrintable(run.err));
    const QByteArray bytes = storetest::bytesOf(output);
    QVERIFY(bytes.startsWith("\xEF\xBB\xBF"));
    QList<QStringList> records;
    const QChar separator = options.contains("--virgule") ? QLatin1Char(',') : QLatin1Char(';');
    QVERIFY(parseCsv(QString::fromUtf8(bytes.mid(3)), separator, &records));
    QStringList last;
    for (const QStringList &r : records) {
        QCOMPARE(r.size(), records.first().size());
        last << r.last();
    }
    QCOMPARE(last, notes);
    // The quoted note as the file holds it: the separator and the line end inside.
    QVERIFY(bytes.contains("\"a;b\nc\""));
}

QTEST_GUILESS_MAIN(TestNotesCli)
#include "test_notes.moc"
