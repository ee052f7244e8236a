// telmira-codage --exporter and --livre-de-codes run as a program without a
// display: the same bytes as the window's export with the same choices, the
// analysis left untouched (a version-1 file read as it is), failures that keep
// an earlier file, and the summary of what --codes-seulement left out.
#include "../coding/exportanalysis.h"

#include "exchange/codebookexport.h"
#include "exchange/csvexport.h"
#include "store/codingstore.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace codingtest;
using namespace exporttest;
using coding::ExportOptions;

class TestExporter : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void commandLine_data();
    void commandLine();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_db;
};

void TestExporter::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_db = freshDatabase(*m_dir);
    exporttest::Analysis a;
    exporttest::write(m_db, a);
}

void TestExporter::commandLine_data()
{
    QTest::addColumn<QStringList>("arguments"); // BASE and SORTIE stand for the files
    QTest::addColumn<bool>("versionOne");         // BASE made a version-1 file
    QTest::addColumn<bool>("outputExists");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("said"); // in standard error when failing, else output
    QTest::newRow("large, virgule, brut")
        << QStringList{"--exporter", "BASE", "SORTIE", "--large", "--virgule", "--brut"} << false
        << true << 0 << "disposition large";
    QTest::newRow("fichier de version 1, lu sans être changé")
        << QStringList{"--exporter", "BASE", "SORTIE", "--large", "--virgule", "--brut"} << true
        << false << 0 << "disposition large";
    QTest::newRow("sortie standard")
        << QStringList{"--exporter", "BASE", "-", "--nom-fichier"} << false << false << 0
        << "numtexte;fichier;";
    // Segment 2's empty row and segments 2 and 3 are left out, and said.
    const QString leftOut = QStringLiteral("Laissés de côté : 1 ligne(s) de codage sans valeur "
                                           "(comptées « non codé » par --resultats) et 2 "
                                           "segment(s) non codé(s).");
    QTest::newRow("codés seulement, longue")
        << QStringList{"--exporter", "BASE", "SORTIE", "--codes-seulement"} << false << false << 0
        << ": 3 lignes, dans « SORTIE ». " + leftOut;
    QTest::newRow("codés seulement, large")
        << QStringList{"--exporter", "BASE", "SORTIE", "--codes-seulement", "--large"} << false
        << false << 0 << ": 2 lignes, dans « SORTIE ». " + leftOut;
    QTest::newRow("livre de codes")
        << QStringList{"--livre-de-codes", "BASE", "SORTIE"} << false << false << 0 << "Livre de codes";
    QTest::newRow("base absente")
        << QStringList{"--exporter", "absente.mdb", "SORTIE"} << false << true << 1 << "absente.mdb";
    QTest::newRow("disque plein")
        << QStringList{"--exporter", "BASE", "/dev/full"} << false << false << 1 << "le disque est plein";
    QTest::newRow("la base elle-même")
        << QStringList{"--exporter", "BASE", "BASE"} << false << false << 1 << "elle-même";
    QTest::newRow("un seul fichier")
        << QStringList{"--exporter", "BASE"} << false << false << 1 << "Utilisation";
}

void TestExporter::commandLine()
{
    QFETCH(QStringList, arguments);
    QFETCH(bool, versionOne);
    QFETCH(bool, outputExists);
    QFETCH(int, exitCode);
    QFETCH(QString, said);
    const QString output = m_dir->filePath(QStringLiteral("sortie.csv"));
    const QByteArray earlier = "ancien contenu\r\n";
    if (outputExists) {
        QFile f(output);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(earlier);
    }
    said.replace(QStringLiteral("SORTIE"), output);
    for (QString &a : arguments) {
        if (a == QLatin1String("BASE"))
            a = m_db;
        else if (a == QLatin1String("SORTIE"))
            a = output;
        else if (a == QLatin1String("absente.mdb"))
            a = m_dir->filePath(a);
    }
    if (versionOne)
        QVERIFY(Raw(m_db).exec(QStringLiteral("DROP TABLE Listes; DROP TABLE Definitions; "
                                              "DROP TABLE Proprietes; DROP TABLE Notes; "
                                              "DROP TABLE ValeursAttributs; DROP TABLE Attributs; "
                                              "DROP TABLE Recherche; DROP TABLE RechercheEtat; "
                                              "DROP TABLE SuggestionsAcceptees; DROP TABLE ModelesSuggestions; "
                                              "DROP TABLE EntreesDictionnaires; "
                                              "DROP TABLE CategoriesDictionnaires; DROP TABLE Dictionnaires; "
                                              "PRAGMA user_version = 1")));
    const QByteArray before = storetest::bytesOf(m_db);

    // No display at all: the action needs none.
    QProcess program;
    withoutDisplay(program);
    program.start(codingProgram(),
                  arguments);
    QVERIFY(program.waitForFinished(60000));
    const QByteArray standardOutput = program.readAllStandardOutput();
    const QString out = QString::fromUtf8(standardOutput);
    const QString err = QString::fromUtf8(program.readAllStandardError());
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QVERIFY2(program.exitCode() == exitCode, qPrintable(out + err));
    QVERIFY2((exitCode == 0 ? out : err).contains(said), qPrintable(out + err));
    QCOMPARE(storetest::bytesOf(m_db), before);
    if (exitCode != 0) {
        QCOMPARE(storetest::bytesOf(output), outputExists ? earlier : QByteArray());
        return;
    }

    // The same file as the window writes with the same choices.
    ExportOptions options;
    options.layout = arguments.contains("--large") ? ExportOptions::Layout::Wide
                                                   : ExportOptions::Layout::Long;
    options.separator = arguments.contains("--virgule") ? QLatin1Char(',') : QLatin1Char(';');
    options.raw = arguments.contains("--brut");
    options.fileName = arguments.contains("--nom-fichier");
    options.codedOnly = arguments.contains("--codes-seulement");
    const QString same = m_dir->filePath(QStringLiteral("fenetre.csv"));
    auto store = coding::CodingStore::open(m_db);
    const coding::ExportOutcome outcome = arguments.first() == QLatin1String("--exporter")
                                              ? coding::exportCsv(*store, same, options)
                                              : coding::exportCodebook(*store, same, {});
    QCOMPARE(outcome.status, coding::ExportOutcome::Done);
    const QByteArray written =
        arguments.contains("-") ? standardOutput : storetest::bytesOf(output);
    QCOMPARE(written, storetest::bytesOf(same));
    // A version-1 file has the lists' default names.
    QCOMPARE(written.contains("Th\xC3\xA8me"), !versionOne);
}

QTEST_GUILESS_MAIN(TestExporter)
#include "test_exporter.moc"
