// The action --ajouter run without a display: one line per file, failures
// and files passed over, hard names, the same texts and segments as the menu.
#include "../analysis/mixedcorpus.h"
#include "analysis/batchtakein.h"
#include "store/connection.h"

#include <QFileInfo>
#include <QProcess>
#include <QScopeGuard>
#include <QtTest>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

class TestAjouter : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void commandLine();
    void commandLineFolder();
    void commandLineMarkup_data();
    void commandLineMarkup();
    void commandLineNames_data();
    void commandLineNames();
    void commandLineSkipped_data();
    void commandLineSkipped();
    void commandLineLayout_data();
    void commandLineLayout();

private:
    QString corpus(const QString &name) const { return m_corpus.filePath(name); }
    QTemporaryDir m_dir;
    QTemporaryDir m_corpus;
};

void TestAjouter::initTestCase()
{
    QVERIFY(m_dir.isValid());
    mixedcorpus::write(m_corpus);
}

void TestAjouter::commandLine()
{
    const QString path = codingtest::freshDatabase(m_dir, QStringLiteral("cli.mdb"));
    const QString md = corpus(QStringLiteral("e_memo.md"));
    const QString broken = corpus(QStringLiteral("c_casse.docx"));
    QProcess program;
    codingtest::withoutDisplay(program);
    const auto run = [&](const QStringList &arguments) {
        program.start(codingtest::codingProgram(),
                      arguments);
        QVERIFY(program.waitForFinished(60000));
    };
    run({QStringLiteral("--ajouter"), path, md, broken, md});
    QCOMPARE(program.exitCode(), 1);
    QCOMPARE(QString::fromUtf8(program.readAllStandardOutput()),
             QStringLiteral("ajouté;%1;2;0\néchec;%2;document Word endommagé : ce n'est pas une "
                            "archive ZIP\ndéjà présent;%1\n")
                 .arg(md, broken));
    QCOMPARE(program.readAllStandardError(), QByteArray());
    run({QStringLiteral("--ajouter"), path, md});
    QCOMPARE(program.exitCode(), 0);
    QCOMPARE(QString::fromUtf8(program.readAllStandardOutput()),
             QStringLiteral("déjà présent;%1\n").arg(md));
}

// A folder of every format, a picture and a damaged document goes in through
// --ajouter without a display exactly as through the menu: the same texts,
// the same segments, the picture passed over, the damaged file failed.
void TestAjouter::commandLineFolder()
{
    const QString byMenu = codingtest::freshDatabase(m_dir, QStringLiteral("dossier-menu.mdb"));
    {
        std::shared_ptr<Connection> db = Connection::open(byMenu);
        batch::Options options;
        const QStringList files =
            batch::expand({m_corpus.path()}, false, &options.metInFolders);
        batch::takeIn(*db, files, {}, {}, {}, options);
    }
    const QString byLine = codingtest::freshDatabase(m_dir, QStringLiteral("dossier-cli.mdb"));
    QProcess program;
    codingtest::withoutDisplay(program);
    program.start(codingtest::codingProgram(),
                  {QStringLiteral("--ajouter"), byLine, m_corpus.path()});
    QVERIFY(program.waitForFinished(60000));
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QCOMPARE(program.exitCode(), 1); // the damaged document
    QStringList statuses;
    for (const QString &line : QString::fromUtf8(program.readAllStandardOutput()).split(
             QLatin1Char('\n'), Qt::SkipEmptyParts))
        statuses << line.section(QLatin1Char(';'), 0, 0) + QLatin1Char(' ')
                        + QFileInfo(line.section(QLatin1Char(';'), 1, 1)).fileName();
    QCOMPARE(statuses, (QStringList{"ajouté a_entretien.docx", "ajouté b_notes.odt",
                                    "échec c_casse.docx", "ajouté d_page.html",
                                    "ajouté e_memo.md", "ajouté f_ancien.txt",
                                    "ajouté g_rapport.pdf", "ignoré h_photo.png"}));
    const QString all = QStringLiteral("select c.chemin || '|' || t.texte from textes t join chemin "
                                       "c on c.numero = t.numtexte order by t.numero");
    codingtest::Raw menu(byMenu);
    codingtest::Raw line(byLine);
    const QStringList rows = codingtest::rows(line, all);
    QCOMPARE(rows.size(), 14);
    QCOMPARE(rows, codingtest::rows(menu, all));
}

// Pages whose code is marked up (<code>, <kbd>, `code`) go in through
// --ajouter without a display, as in the window.
void TestAjouter::commandLineMarkup_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("segments");

    QTest::newRow("html with code")
        << QStringLiteral("page.html")
        << QByteArray("<html><body><p><code>code</code> ici.</p></body></html>")
        << QStringList{QStringLiteral("code ici.")};
    QTest::newRow("html with pre, tt, kbd")
        << QStringLiteral("outils.html")
        << QByteArray("<html><body><p><tt>Alt</tt> puis <kbd>F4</kbd>.</p><pre>ls\n</pre>"
                      "</body></html>")
        << QStringList{QStringLiteral("Alt puis F4.\r\n"), QStringLiteral("ls")};
    QTest::newRow("markdown with code")
        << QStringLiteral("note.md") << QByteArray("Un `code` ici.\n\n```\nbloc\n```\n")
        << QStringList{QStringLiteral("Un code ici.\r\n"), QStringLiteral("bloc")};
}

void TestAjouter::commandLineMarkup()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, segments);
    const QString path = codingtest::freshDatabase(m_dir, name + QStringLiteral(".mdb"));
    const QString page = m_dir.filePath(name);
    QFile f(page);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
    f.close();
    QProcess program;
    codingtest::withoutDisplay(program);
    program.start(codingtest::codingProgram(),
                  {QStringLiteral("--ajouter"), path, page});
    QVERIFY(program.waitForFinished(60000));
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QCOMPARE(program.readAllStandardError(), QByteArray());
    QCOMPARE(program.exitCode(), 0);
    QCOMPARE(QString::fromUtf8(program.readAllStandardOutput()),
             QStringLiteral("ajouté;%1;%2;0\n").arg(page).arg(segments.size()));
    codingtest::Raw raw(path);
    QCOMPARE(mixedcorpus::segmentsOf(raw, page), segments);
}

// Names that are hard on a line of --ajouter: its fields are quoted as CSV
// when they hold ";", a quote or a line end, so that each line stays one
// record; a name that is not UTF-8 (given, or met in a folder) is refused
// with its true cause. The files are made here under their raw names.
void TestAjouter::commandLineNames_data()
{
    QTest::addColumn<QByteArray>("name");  // raw bytes of the file's name
    QTest::addColumn<bool>("inFolder");    // given by its folder rather than by name
    QTest::addColumn<QString>("line");     // %1: the folder; the file's line as printed
    QTest::addColumn<int>("exitCode");
    QTest::newRow("semicolon") << QByteArray("a;b.txt") << false
                               << QStringLiteral("ajouté;\"%1/a;b.txt\";1;0\n") << 0;
    QTest::newRow("quote") << QByteArray("dit \"oui\".txt") << false
                           << QStringLiteral("ajouté;\"%1/dit \"\"oui\"\".txt\";1;0\n") << 0;
    QTest::newRow("line end") << QByteArray("deux\nlignes.txt") << false
                              << QStringLiteral("ajouté;\"%1/deux\nlignes.txt\";1;0\n") << 0;
    QTest::newRow("carriage return, met in a folder")
        << QByteArray("retour\r.txt") << true << QStringLiteral("ajouté;\"%1/retour\r.txt\";1;0\n")
        << 0;
    QTest::newRow("not UTF-8, given") << QByteArray("caf\xE9.txt") << false
                                      << QStringLiteral("échec;%1/caf\uFFFD.txt;le nom du fichier "
                                                        "n'est pas en UTF-8 : renommez-le\n")
                                      << 1;
    QTest::newRow("not UTF-8, met in a folder")
        << QByteArray("caf\xE9.txt") << true
        << QStringLiteral("échec;%1/caf\uFFFD.txt;le nom du fichier n'est pas en UTF-8 : "
                          "renommez-le\n")
        << 1;
}

void TestAjouter::commandLineNames()
{
    QFETCH(QByteArray, name);
    QFETCH(bool, inFolder);
    QFETCH(QString, line);
    QFETCH(int, exitCode);
    QTemporaryDir files;
    const QByteArray raw = QFile::encodeName(files.path()) + '/' + name;
    const int fd = ::open(raw.constData(), O_CREAT | O_WRONLY | O_TRUNC, 0600);
    QVERIFY(fd >= 0);
    QCOMPARE(::write(fd, "Un texte.", 9), ssize_t(9));
    ::close(fd);
    // Qt cannot remove a name that is not UTF-8: it goes by its bytes.
    const auto removeRaw = qScopeGuard([raw] { ::unlink(raw.constData()); });
    const QString path = codingtest::freshDatabase(m_dir, QStringLiteral("noms.mdb"));
    QProcess program;
    // The name goes to the program as its bytes, through the shell.
    QString given = QStringLiteral("\"$2\"");
    if (!inFolder) {
        QString escaped;
        for (const char c : name)
            escaped += QStringLiteral("\\%1").arg(uint(uchar(c)), 3, 8, QLatin1Char('0'));
        given = QStringLiteral("\"$2/$(printf '%1')\"").arg(escaped);
    }
    program.start(QStringLiteral("/bin/sh"),
                  {QStringLiteral("-c"),
                   QStringLiteral("exec \"$0\" --ajouter \"$1\" ") + given,
                   codingtest::codingProgram(), path,
                   files.path()});
    QVERIFY(program.waitForFinished(60000));
    const QString out = QString::fromUtf8(program.readAllStandardOutput());
    QCOMPARE(out, line.arg(files.path()));
    QCOMPARE(program.exitCode(), exitCode);
    QCOMPARE(program.readAllStandardError(), QByteArray());
    // One record per file, whatever its name (a line ends by LF alone).
    QList<QStringList> records;
    QVERIFY(out.endsWith(QLatin1Char('\n')));
    QVERIFY(codingtest::parseCsv(out.chopped(1) + QStringLiteral("\r\n"), QLatin1Char(';'),
                                 &records));
    QCOMPARE(records.size(), 1);
    QCOMPARE(records.at(0).at(1), QFile::decodeName(raw));
}

// Files of a folder that are no documents (a picture, an archive, an
// analysis) are passed over as "ignoré" and fail nothing; the same file
// named on its own is a failure. A damaged document in a folder still fails.
void TestAjouter::commandLineSkipped_data()
{
    QTest::addColumn<QStringList>("files");   // written in a folder of their own
    QTest::addColumn<bool>("byName");         // named one by one rather than by their folder
    QTest::addColumn<QStringList>("lines");   // %1: the folder
    QTest::addColumn<int>("exitCode");
    const QString picture = QStringLiteral("ignoré;%1/b_photo.png;format non pris en charge : "
                                           "Telmira lit les textes (.txt), Markdown (.md), HTML "
                                           "(.html), Word (.docx), OpenDocument (.odt) et PDF");
    QTest::newRow("folder: picture, archive and analysis passed over")
        << QStringList{QStringLiteral("a_texte.txt"), QStringLiteral("b_photo.png"),
                       QStringLiteral("c_archive.zip"), QStringLiteral("d_analyse.mdb")}
        << false
        << QStringList{QStringLiteral("ajouté;%1/a_texte.txt;1;0"), picture,
                       QStringLiteral("ignoré;%1/c_archive.zip;archive ZIP qui n'est ni un "
                                      "document Word ni un document OpenDocument : Telmira lit "
                                      "les textes (.txt), Markdown (.md), HTML (.html), Word "
                                      "(.docx), OpenDocument (.odt) et PDF"),
                       QStringLiteral("ignoré;%1/d_analyse.mdb;c'est une base de données (une "
                                      "base d'analyse ?), pas un texte")}
        << 0;
    QTest::newRow("folder: a damaged document still fails")
        << QStringList{QStringLiteral("a_texte.txt"), QStringLiteral("b_photo.png"),
                       QStringLiteral("e_faux.docx")}
        << false
        << QStringList{QStringLiteral("ajouté;%1/a_texte.txt;1;0"), picture,
                       QStringLiteral("échec;%1/e_faux.docx;document Word endommagé : ce n'est "
                                      "pas une archive ZIP")}
        << 1;
    QTest::newRow("a picture named on its own fails")
        << QStringList{QStringLiteral("b_photo.png")} << true
        << QStringList{QString(picture).replace(QStringLiteral("ignoré;"),
                                                QStringLiteral("échec;"))}
        << 1;
}

void TestAjouter::commandLineSkipped()
{
    QFETCH(QStringList, files);
    QFETCH(bool, byName);
    QFETCH(QStringList, lines);
    QFETCH(int, exitCode);
    QTemporaryDir folder;
    QStringList named;
    for (const QString &name : files) {
        const QString path = folder.filePath(name);
        named << path;
        if (name.endsWith(QLatin1String(".mdb"))) {
            QVERIFY(QFile::copy(codingtest::freshDatabase(m_dir, QStringLiteral("copie.mdb")), path));
            continue;
        }
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        if (name.endsWith(QLatin1String(".png")))
            f.write(QByteArray("\x89PNG\r\n\x1A\n\0\0\0\rIHDR", 16));
        else if (name.endsWith(QLatin1String(".txt")))
            f.write("Un texte.");
        else if (name.endsWith(QLatin1String(".docx")))
            f.write("Ceci n'est pas un document Word.");
        f.close();
        if (name.endsWith(QLatin1String(".zip")))
            documents::writeZip(path, {{QStringLiteral("lisez-moi.txt"), QByteArray("rien")}});
    }
    const QString db = codingtest::freshDatabase(m_dir, QStringLiteral("ignores.mdb"));
    QProcess program;
    program.start(codingtest::codingProgram(),
                  QStringList{QStringLiteral("--ajouter"), db}
                      + (byName ? named : QStringList{folder.path()}));
    QVERIFY(program.waitForFinished(60000));
    QCOMPARE(program.readAllStandardError(), QByteArray());
    QStringList expected;
    for (const QString &line : lines)
        expected << line.arg(folder.path());
    QCOMPARE(QString::fromUtf8(program.readAllStandardOutput()),
             expected.join(QLatin1Char('\n')) + QLatin1Char('\n'));
    QCOMPARE(program.exitCode(), exitCode);
}

// A PDF's running heads and page numbers are left out and counted in the
// line's fourth field, or kept as text with --garder-mise-en-page.
void TestAjouter::commandLineLayout_data()
{
    QTest::addColumn<bool>("keep");
    QTest::addColumn<QString>("fields"); // segments;lines left out
    QTest::addColumn<QStringList>("segments");
    QTest::newRow("left out") << false << QStringLiteral("4;8")
                              << QStringList{"Texte de la page 1.\r\n", "Texte de la page 2.\r\n",
                                             "Texte de la page 3.\r\n", "Texte de la page 4."};
    QStringList kept;
    for (int p = 1; p <= 4; ++p)
        kept << QStringLiteral("Rapport annuel 2026\r\n")
             << QStringLiteral("Texte de la page %1.\r\n").arg(p)
             << QStringLiteral("%1%2").arg(p).arg(p < 4 ? QStringLiteral("\r\n") : QString());
    QTest::newRow("kept") << true << QStringLiteral("12;0") << kept;
}

void TestAjouter::commandLineLayout()
{
    QFETCH(bool, keep);
    QFETCH(QString, fields);
    QFETCH(QStringList, segments);
    const QString path = codingtest::freshDatabase(m_dir, QStringLiteral("mise-en-page.mdb"));
    const QString pdf = m_dir.filePath(QStringLiteral("rapport-pages.pdf"));
    mixedcorpus::writeReportWithLayout(pdf);
    QProcess program;
    codingtest::withoutDisplay(program);
    QStringList arguments{QStringLiteral("--ajouter"), path, pdf};
    if (keep)
        arguments << QStringLiteral("--garder-mise-en-page");
    program.start(codingtest::codingProgram(), arguments);
    QVERIFY(program.waitForFinished(60000));
    QCOMPARE(program.readAllStandardError(), QByteArray());
    QCOMPARE(program.exitCode(), 0);
    QCOMPARE(QString::fromUtf8(program.readAllStandardOutput()),
             QStringLiteral("ajouté;%1;%2\n").arg(pdf, fields));
    codingtest::Raw raw(path);
    QCOMPARE(mixedcorpus::segmentsOf(raw, pdf), segments);
}

QTEST_MAIN(TestAjouter)
#include "test_ajouter.moc"
