// telmira-codage --attributs run as a script runs it, without a display: a
// CSV file of attributes taken in whole or not at all (texts by number, file
// name or path; ";" or ","; UTF-8 with or without its mark, Windows-1252),
// its faults named by their line; the table written back, byte for byte.
#include "../coding/codingtest.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QTest>

using codingtest::Raw;

namespace {

// The attribute and value rows as "A|numero|nom" and "V|attribut|texte|valeur".
QStringList snapshot(const QString &path)
{
    Raw db(path);
    return codingtest::rows(db, QStringLiteral(
                                    "SELECT 'A|' || numero || '|' || nom FROM Attributs "
                                    "UNION ALL SELECT 'V|' || attribut || '|' || texte || '|' || "
                                    "valeur FROM ValeursAttributs ORDER BY 1"));
}

} // namespace

class TestAttributsCli : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void import_data();
    void import();
    void table_data();
    void table();
    void readOnlyFile();
    void helpListsTheAction();

private:
    struct Run {
        int code = -1;
        QByteArray out;
        QString err;
    };
    Run run(const QStringList &arguments);
    QString writeFile(const QByteArray &bytes);

    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_db;
};

// Four texts, two of them named b.txt; "Journal" holds "Ancien" for text 2.
void TestAttributsCli::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_db = codingtest::freshDatabase(*m_dir);
    Raw db(m_db);
    codingtest::addText(db, QStringLiteral("/corpus/entretien 1.txt"), {QStringLiteral("Un.")});
    codingtest::addText(db, QStringLiteral("/corpus/b.txt"), {QStringLiteral("Deux.")});
    codingtest::addText(db, QStringLiteral("/autre/b.txt"), {QStringLiteral("Trois.")});
    codingtest::addText(db, QStringLiteral("/corpus/c.txt#2"), {QStringLiteral("Quatre.")});
    QVERIFY(db.exec(QStringLiteral("INSERT INTO Attributs (nom) VALUES ('Journal');"
                                   "INSERT INTO ValeursAttributs VALUES (1, 2, 'Ancien');")));
}

TestAttributsCli::Run TestAttributsCli::run(const QStringList &arguments)
{
    QProcess program;
    codingtest::withoutDisplay(program);
    // The backup made before the change goes to the test's own folders.
    QProcessEnvironment env = program.processEnvironment();
    env.insert(QStringLiteral("HOME"), m_dir->path());
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), m_dir->filePath(QStringLiteral("config")));
    env.insert(QStringLiteral("XDG_DATA_HOME"), m_dir->filePath(QStringLiteral("data")));
    program.setProcessEnvironment(env);
    program.start(codingtest::codingProgram(), arguments);
    Run result;
    if (!program.waitForFinished(60000))
        return result;
    result.code = program.exitCode();
    result.out = program.readAllStandardOutput();
    result.err = QString::fromUtf8(program.readAllStandardError());
    return result;
}

QString TestAttributsCli::writeFile(const QByteArray &bytes)
{
    const QString path = m_dir->filePath(QStringLiteral("attributs.csv"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        qFatal("cannot write the CSV file");
    return path;
}

void TestAttributsCli::import_data()
{
    QTest::addColumn<QByteArray>("csv");
    QTest::addColumn<int>("code");
    QTest::addColumn<QStringList>("after"); // empty: as before
    QTest::addColumn<QByteArray>("out");
    QTest::addColumn<QString>("err"); // a part of standard error

    const QStringList unchanged;
    // "journal" is the analysis's "Journal"; "date" is created. Text 4's
    // empty date has nothing to remove.
    QTest::newRow("by number, semicolons, CR LF")
        << QByteArray("texte;journal;date\r\n1;Le Monde;2024-03-01\r\n4;Lib\xC3\xA9;\r\n") << 0
        << QStringList{"A|1|Journal", "A|2|date", "V|1|1|Le Monde", "V|1|2|Ancien",
                       "V|1|4|Libé", "V|2|1|2024-03-01"}
        << QByteArray("attributs : 2; textes : 2; valeurs : 3\n") << QString();
    // "c.txt#2" is text 4's file name; a quoted field holds the comma.
    QTest::newRow("by file name, commas")
        << QByteArray("texte,journal\nentretien 1.txt, Le Monde \nc.txt#2,\"Le Figaro, "
                      "\"\"Paris\"\"\"\n")
        << 0
        << QStringList{"A|1|Journal", "V|1|1|Le Monde", "V|1|2|Ancien",
                       "V|1|4|Le Figaro, \"Paris\""}
        << QByteArray("attributs : 1; textes : 2; valeurs : 2\n") << QString();
    // b.txt is ambiguous; the full paths are not, "\" or "/" alike.
    QTest::newRow("by full path")
        << QByteArray("N\xC2\xB0;journal\n\\corpus\\b.txt;Le Temps\n/autre/b.txt;La Croix\n") << 0
        << QStringList{"A|1|Journal", "V|1|2|Le Temps", "V|1|3|La Croix"}
        << QByteArray("attributs : 1; textes : 2; valeurs : 2\n") << QString();
    // A semicolon inside quotes does not make the separator.
    QTest::newRow("commas, a quoted semicolon in the header")
        << QByteArray("texte,\"lieu; ville\",journal\n1,Lyon,Le Progr\xC3\xA8s\n") << 0
        << QStringList{"A|1|Journal", "A|2|lieu; ville", "V|1|1|Le Progrès", "V|1|2|Ancien",
                       "V|2|1|Lyon"}
        << QByteArray("attributs : 2; textes : 1; valeurs : 2\n") << QString();
    QTest::newRow("UTF-8 with its byte-order mark")
        << QByteArray("\xEF\xBB\xBFtexte;journal\n1;\xC3\x89" "clair\n") << 0
        << QStringList{"A|1|Journal", "V|1|1|Éclair", "V|1|2|Ancien"}
        << QByteArray("attributs : 1; textes : 1; valeurs : 1\n") << QString();
    // é is 0xE9 and € 0x80 in Windows-1252; the header's ï is 0xEF.
    QTest::newRow("Windows-1252")
        << QByteArray("texte;journal;na\xEFve\n1;Lib\xE9ration \x80;oui\n") << 0
        << QStringList{"A|1|Journal", "A|2|naïve", "V|1|1|Libération €", "V|1|2|Ancien",
                       "V|2|1|oui"}
        << QByteArray("attributs : 2; textes : 1; valeurs : 2\n") << QString();
    QTest::newRow("an empty field removes the value")
        << QByteArray("texte;journal\n2;\n") << 0 << QStringList{"A|1|Journal"}
        << QByteArray("attributs : 1; textes : 1; valeurs : 0\n") << QString();
    // Blank lines, and a spreadsheet's rows of empty fields, are skipped.
    QTest::newRow("blank lines skipped")
        << QByteArray("texte;journal\n\n3;La Croix\n;\n\n") << 0
        << QStringList{"A|1|Journal", "V|1|2|Ancien", "V|1|3|La Croix"}
        << QByteArray("attributs : 1; textes : 1; valeurs : 1\n") << QString();

    // All or nothing: "nouveau" is not created, text 1 keeps no value.
    QTest::newRow("no such text")
        << QByteArray("texte;journal;nouveau\n1;A;x\n2;B;y\nx.txt;C;z\n") << 1 << unchanged
        << QByteArray() << "ligne 4 : aucun texte « x.txt » dans l'analyse.";
    QTest::newRow("a file name two texts hold")
        << QByteArray("texte;journal\n1;A\nb.txt;B\n") << 1 << unchanged << QByteArray()
        << "ligne 3 : le nom « b.txt » est celui de plusieurs textes (n° 2, 3)";
    QTest::newRow("a text named twice")
        << QByteArray("texte;journal\n1;A\n2;B\nentretien 1.txt;C\n") << 1 << unchanged
        << QByteArray() << "ligne 4 : le texte n° 1 est déjà donné ligne 2.";
    QTest::newRow("no text in the first column")
        << QByteArray("texte;journal\n1;A\n ;B\n") << 1 << unchanged << QByteArray()
        << "ligne 3 : la première colonne ne nomme aucun texte.";
    // The quoted line break makes line 3 start on line 4 of the file.
    QTest::newRow("a line break in a column's name")
        << (QByteArray("texte;\"jour\nnal\";date\n1;A;B\n2;C;") + QByteArray(256, 'x') + "\n")
        << 1 << unchanged << QByteArray() << "ligne 1 : colonne 2 : Le nom d'attribut";
    QTest::newRow("a value too long")
        << (QByteArray("texte;journal\n1;A\n\n2;") + QByteArray(256, 'x') + "\n") << 1
        << unchanged << QByteArray()
        << "ligne 4 : colonne « journal » : La valeur « xxxxxxxxxxxxxxxxxxxx… » est trop "
           "longue : 255 caractères au plus.";
    QTest::newRow("a line break in a value")
        << QByteArray("texte;journal\n1;\"deux\nlignes\"\n3;C\n") << 1 << unchanged
        << QByteArray() << "ligne 2 : colonne « journal » : La valeur « deux?lignes » contient";
    QTest::newRow("a field missing") << QByteArray("texte;journal;date\n1;A;B\n2;C\n") << 1
                                     << unchanged << QByteArray()
                                     << "ligne 3 : 2 champs, quand l'en-tête a 3 colonnes.";
    QTest::newRow("a column named twice")
        << QByteArray("texte;date;DATE\n1;A;B\n") << 1 << unchanged << QByteArray()
        << "ligne 1 : la colonne « DATE » est donnée deux fois.";
    QTest::newRow("no attribute") << QByteArray("texte\n1\n") << 1 << unchanged << QByteArray()
                                  << "ligne 1 : l'en-tête ne nomme aucun attribut";
    QTest::newRow("a quote left open")
        << QByteArray("texte;journal\n1;A\n2;\"B\n3;C\n") << 1 << unchanged << QByteArray()
        << "ligne 3 : un guillemet ouvert n'est jamais refermé.";
    QTest::newRow("empty file") << QByteArray() << 1 << unchanged << QByteArray()
                                << "Le fichier est vide";
}

void TestAttributsCli::import()
{
    QFETCH(QByteArray, csv);
    QFETCH(int, code);
    QFETCH(QStringList, after);
    QFETCH(QByteArray, out);
    QFETCH(QString, err);
    const QStringList before = snapshot(m_db);
    const Run result = run({QStringLiteral("--attributs"), m_db, writeFile(csv)});
    QVERIFY2(result.code == code, qPrintable(result.err));
    QCOMPARE(result.out, out);
    if (err.isEmpty())
        QCOMPARE(result.err, QString());
    else
        QVERIFY2(result.err.contains(err), qPrintable(result.err));
    QCOMPARE(snapshot(m_db), after.isEmpty() ? before : after);
}

void TestAttributsCli::table_data()
{
    QTest::addColumn<QString>("setup"); // SQL run on the analysis first
    QTest::addColumn<QByteArray>("out");

    QTest::newRow("one attribute")
        << QString()
        << QByteArray("texte;fichier;Journal\n"
                      "1;entretien 1.txt;\n"
                      "2;b.txt;Ancien\n"
                      "3;b.txt;\n"
                      "4;c.txt#2;\n");
    // A name holding ";" and a value holding quotes are quoted; a value
    // that a spreadsheet would run stays as stored.
    QTest::newRow("quoted, in order of creation")
        << QStringLiteral("INSERT INTO Attributs (nom) VALUES ('titre; long'), ('calcul');"
                          "INSERT INTO ValeursAttributs VALUES (2, 1, 'Il dit \"oui\"'), "
                          "(3, 3, '=1+2'), (3, 4, '12');")
        << QByteArray("texte;fichier;Journal;\"titre; long\";calcul\n"
                      "1;entretien 1.txt;;\"Il dit \"\"oui\"\"\";\n"
                      "2;b.txt;Ancien;;\n"
                      "3;b.txt;;;=1+2\n"
                      "4;c.txt#2;;;12\n");
    QTest::newRow("no attribute")
        << QStringLiteral("DELETE FROM Attributs;")
        << QByteArray("texte;fichier\n1;entretien 1.txt\n2;b.txt\n3;b.txt\n4;c.txt#2\n");
}

void TestAttributsCli::table()
{
    QFETCH(QString, setup);
    QFETCH(QByteArray, out);
    if (!setup.isEmpty())
        QVERIFY(Raw(m_db).exec(setup));
    const Run result = run({QStringLiteral("--attributs"), m_db});
    QVERIFY2(result.code == 0, qPrintable(result.err));
    QCOMPARE(result.out, out);
    QCOMPARE(result.err, QString());
}

// A write-protected analysis: its table is written; an import is refused,
// said, and changes nothing.
void TestAttributsCli::readOnlyFile()
{
    QVERIFY(QFile::setPermissions(m_db, QFile::ReadOwner | QFile::ReadUser));
    const Run table = run({QStringLiteral("--attributs"), m_db});
    QVERIFY2(table.code == 0, qPrintable(table.err));
    QVERIFY(table.out.startsWith("texte;fichier;Journal\n1;entretien 1.txt;\n"));

    // A user the system lets write anyway (root) cannot see the refusal.
    if (QFile probe(m_db); probe.open(QIODevice::ReadWrite))
        QSKIP("the file stays writable for this user");
    const QStringList before = snapshot(m_db);
    const Run import =
        run({QStringLiteral("--attributs"), m_db, writeFile("texte;journal\n1;Le Monde\n")});
    QCOMPARE(import.code, 1);
    QVERIFY2(import.err.contains(QStringLiteral("Rien n'a été importé")), qPrintable(import.err));
    QCOMPARE(import.out, QByteArray());
    QCOMPARE(snapshot(m_db), before);
    QFile::setPermissions(m_db, QFile::ReadOwner | QFile::WriteOwner);
}

void TestAttributsCli::helpListsTheAction()
{
    const Run help = run({QStringLiteral("--help")});
    QCOMPARE(help.code, 0);
    QVERIFY(QString::fromUtf8(help.out).contains(
        QStringLiteral("--attributs BASE.mdb [FICHIER.csv]")));
    const Run wrong = run({QStringLiteral("--attributs")});
    QCOMPARE(wrong.code, 1);
    QVERIFY(wrong.err.contains(QStringLiteral("--attributs attend la base d'analyse")));
}

QTEST_GUILESS_MAIN(TestAttributsCli)
#include "test_attributs.moc"
