// Many texts at once: the batch (each text all or nothing, failures and
// stops told per file), the menu "Ajouter des textes..." with its progress
// dialog and summary, and the action --ajouter run without a display.
#include "../exchange/documents.h"
#include "codingtest.h"
#include "coding/addtexts.h"
#include "analysis/batchtakein.h"
#include "coding/filedialogs.h"
#include "coding/frmchemin.h"
#include "common/messages.h"
#include "store/connection.h"

#include <QApplication>
#include <QLabel>
#include <QProcess>
#include <QProgressDialog>
#include <QPushButton>
#include <QTreeWidget>
#include <QtTest>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using batch::Status;

class TestBatchTakeIn : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void batch();
    void stop();
    void menu();
    void commandLine();
    void commandLineFolder();
    void commandLineMarkup_data();
    void commandLineMarkup();
    void commandLineNames_data();
    void commandLineNames();
    void commandLineSkipped_data();
    void commandLineSkipped();

private:
    QString corpus(const QString &name) const { return m_corpus.filePath(name); }
    QStringList segmentsOf(codingtest::Raw &db, const QString &path)
    {
        return codingtest::rows(
            db, QStringLiteral("select t.texte from textes t join chemin c on c.numero = t.numtexte "
                               "where c.chemin = '%1' order by t.numero")
                    .arg(path));
    }
    QTemporaryDir m_dir;
    QTemporaryDir m_corpus;
};

void TestBatchTakeIn::initTestCase()
{
    QVERIFY(m_dir.isValid() && m_corpus.isValid());
    documents::writeDocx(corpus(QStringLiteral("a_entretien.docx")),
                         "<w:p><w:r><w:t>Entretien.</w:t></w:r></w:p><w:p><w:r><w:t "
                         "xml:space=\"preserve\">Il a </w:t></w:r><w:r><w:rPr><w:b/></w:rPr>"
                         "<w:t>dit</w:t></w:r><w:r><w:t xml:space=\"preserve\"> oui. "
                         "Voilà.</w:t></w:r></w:p>");
    documents::writeOdt(corpus(QStringLiteral("b_notes.odt")),
                        "<text:h>Notes</text:h><text:p>Le marché ouvre tôt.</text:p>");
    QFile broken(corpus(QStringLiteral("c_casse.docx")));
    QVERIFY(broken.open(QIODevice::WriteOnly));
    broken.write("pas une archive");
    broken.close();
    QFile html(corpus(QStringLiteral("d_page.html")));
    QVERIFY(html.open(QIODevice::WriteOnly));
    html.write("<html><body><h1>Presse</h1><p>Un article. Fin.</p></body></html>");
    html.close();
    QFile md(corpus(QStringLiteral("e_memo.md")));
    QVERIFY(md.open(QIODevice::WriteOnly));
    md.write("# M\xC3\xA9mo\n\nUne *id\xC3\xA9" "e*.\n");
    md.close();
    QFile txt(corpus(QStringLiteral("f_ancien.txt")));
    QVERIFY(txt.open(QIODevice::WriteOnly));
    txt.write("Caf\xE9 cr\xE8me. Fin\r\nde ligne.");
    txt.close();
    documents::writePdf(corpus(QStringLiteral("g_rapport.pdf")),
                        {{100, QStringLiteral("Rapport annuel. Suite")},
                         {115, QStringLiteral("du rapport.")}});
    // A picture beside the documents: passed over, not a failure.
    QFile picture(corpus(QStringLiteral("h_photo.png")));
    QVERIFY(picture.open(QIODevice::WriteOnly));
    picture.write(QByteArray("\x89PNG\r\n\x1A\n\0\0\0\rIHDR", 16));
    picture.close();
}

void TestBatchTakeIn::batch()
{
    const QString path = codingtest::freshDatabase(m_dir, QStringLiteral("batch.mdb"));
    const QString txt = corpus(QStringLiteral("f_ancien.txt"));
    {
        std::shared_ptr<Connection> db = Connection::open(path);
        // The plain text is taken in first, alone; the batch then skips it.
        batch::takeIn(*db, {txt});
        QStringList metInFolders;
        const QStringList files =
            batch::expand({m_corpus.path()}, false, &metInFolders);
        QCOMPARE(files.size(), 8);
        QCOMPARE(metInFolders, files);
        const batch::Summary summary =
            batch::takeIn(*db, files, {}, {}, {}, {metInFolders});
        QCOMPARE(summary.outcomes.size(), size_t(8));
        QStringList seen;
        for (const auto &o : summary.outcomes)
            seen << QStringLiteral("%1 %2 %3 %4")
                        .arg(QFileInfo(o.path).fileName())
                        .arg(int(o.status))
                        .arg(o.segments)
                        .arg(o.cause);
        QCOMPARE(seen, (QStringList{
                           QStringLiteral("a_entretien.docx 0 3 "),
                           QStringLiteral("b_notes.odt 0 2 "),
                           QStringLiteral("c_casse.docx 2 0 document Word endommagé : ce n'est "
                                          "pas une archive ZIP"),
                           QStringLiteral("d_page.html 0 3 "),
                           QStringLiteral("e_memo.md 0 2 "),
                           QStringLiteral("f_ancien.txt 1 0 "),
                           QStringLiteral("g_rapport.pdf 0 2 "),
                           QStringLiteral("h_photo.png 4 0 format non pris en charge : Telmira "
                                          "lit les textes (.txt), Markdown (.md), HTML (.html), "
                                          "Word (.docx), OpenDocument (.odt) et PDF"),
                       }));
    }
    codingtest::Raw raw(path);
    // Paragraphs are lines (CR LF between them), cut by the usual rules, and
    // each paragraph's end ends a segment (a heading never runs on).
    QCOMPARE(segmentsOf(raw, corpus(QStringLiteral("a_entretien.docx"))),
             (QStringList{QStringLiteral("Entretien.\r\n"), QStringLiteral("Il a dit oui."),
                          QStringLiteral("Voilà.")}));
    QCOMPARE(segmentsOf(raw, corpus(QStringLiteral("b_notes.odt"))),
             (QStringList{QStringLiteral("Notes\r\n"), QStringLiteral("Le marché ouvre tôt.")}));
    QCOMPARE(segmentsOf(raw, corpus(QStringLiteral("d_page.html"))),
             (QStringList{QStringLiteral("Presse\r\n"), QStringLiteral("Un article."),
                          QStringLiteral("Fin.")}));
    QCOMPARE(segmentsOf(raw, corpus(QStringLiteral("e_memo.md"))),
             (QStringList{QStringLiteral("Mémo\r\n"), QStringLiteral("Une idée.")}));
    QCOMPARE(segmentsOf(raw, txt),
             (QStringList{QStringLiteral("Café crème."), QStringLiteral(" Fin\r\nde ligne.")}));
    QCOMPARE(segmentsOf(raw, corpus(QStringLiteral("g_rapport.pdf"))),
             (QStringList{QStringLiteral("Rapport annuel."), QStringLiteral("Suite du rapport.")}));
    // The broken file left nothing, not even its path.
    QCOMPARE(codingtest::rows(raw, QStringLiteral("select count(*) from chemin")),
             QStringList{QStringLiteral("6")});
}

void TestBatchTakeIn::stop()
{
    const QString path = codingtest::freshDatabase(m_dir, QStringLiteral("stop.mdb"));
    const QStringList files{corpus(QStringLiteral("a_entretien.docx")),
                            corpus(QStringLiteral("b_notes.odt")),
                            corpus(QStringLiteral("d_page.html"))};
    {
        std::shared_ptr<Connection> db = Connection::open(path);
        // "Arrêter" once the second text has begun.
        int index = 0;
        const batch::Summary summary = batch::takeIn(
            *db, files, [&](const batch::Progress &p) { index = p.index; }, {},
            [&] { return index == 1; });
        QCOMPARE(summary.outcomes.size(), size_t(2));
        QCOMPARE(summary.outcomes[0].status, Status::Added);
        QCOMPARE(summary.outcomes[1].status, Status::Stopped);
        QCOMPARE(summary.notBegun, 1);
        QVERIFY(!db->inTransaction());
    }
    codingtest::Raw raw(path);
    QCOMPARE(codingtest::rows(raw, QStringLiteral("select chemin from chemin")),
             QStringList{files.at(0)});
    QCOMPARE(codingtest::rows(raw, QStringLiteral("select count(*) from textes")),
             QStringList{QStringLiteral("3")});
}

void TestBatchTakeIn::menu()
{
    const QString path = codingtest::freshDatabase(m_dir, QStringLiteral("menu.mdb"));
    QList<messages::Shown> shown;
    messages::setHandler([&](const messages::Shown &s) {
        shown << s;
        return false;
    });
    coding::dialogs::setTextsHook([this](QWidget *) {
        return coding::dialogs::TextChoice{{m_corpus.path()}, false};
    });
    coding::frmChemin *window = coding::start(path);
    QVERIFY(window);
    auto *list = window->findChild<QTreeWidget *>(QStringLiteral("Modifiable4"));
    QCOMPARE(list->topLevelItemCount(), 0);

    // The progress dialog shows while the texts go in; the summary follows.
    bool progressSeen = false;
    QString counts;
    QStringList lines;
    QTimer watch;
    connect(&watch, &QTimer::timeout, this, [&] {
        if (auto *p = window->findChild<QProgressDialog *>(QStringLiteral("progressionAjout")))
            progressSeen = progressSeen || p->isVisible();
        if (auto *bilan = window->findChild<QDialog *>(QStringLiteral("BilanAjout"))) {
            if (!bilan->isVisible())
                return;
            counts = bilan->findChild<QLabel *>(QStringLiteral("bilan"))->text();
            auto *details = bilan->findChild<QTreeWidget *>(QStringLiteral("details"));
            for (int i = 0; i < details->topLevelItemCount(); ++i)
                lines << details->topLevelItem(i)->text(0) + QLatin1Char(' ')
                             + details->topLevelItem(i)->text(1);
            QTest::mouseClick(bilan->findChild<QPushButton *>(QStringLiteral("fermer")),
                              Qt::LeftButton);
        }
    });
    watch.start(5);
    window->findChild<QAction *>(QStringLiteral("ajouterTextes"))->trigger();
    watch.stop();

    QVERIFY(progressSeen);
    QCOMPARE(counts,
             QStringLiteral("6 textes ajoutés, 1 échec, 1 fichier ignoré (pas un document)."));
    QCOMPARE(lines.size(), 8);
    QCOMPARE(lines.at(2), QStringLiteral("c_casse.docx échec"));
    QCOMPARE(lines.at(7), QStringLiteral("h_photo.png ignoré"));
    QCOMPARE(list->topLevelItemCount(), 6); // the list of texts follows
    QCOMPARE(list->topLevelItem(0)->text(1), corpus(QStringLiteral("a_entretien.docx")));
    QVERIFY(shown.isEmpty());
    window->close();
    coding::dialogs::setTextsHook({});
    messages::setHandler({});
}

void TestBatchTakeIn::commandLine()
{
    const QString path = codingtest::freshDatabase(m_dir, QStringLiteral("cli.mdb"));
    const QString md = corpus(QStringLiteral("e_memo.md"));
    const QString broken = corpus(QStringLiteral("c_casse.docx"));
    QProcess program;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("QT_QPA_PLATFORM")); // no display at all
    env.remove(QStringLiteral("DISPLAY"));
    env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    program.setProcessEnvironment(env);
    const auto run = [&](const QStringList &arguments) {
        program.start(QCoreApplication::applicationDirPath() + QStringLiteral("/telmira-codage"),
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
void TestBatchTakeIn::commandLineFolder()
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
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("QT_QPA_PLATFORM"));
    env.remove(QStringLiteral("DISPLAY"));
    env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    program.setProcessEnvironment(env);
    program.start(QCoreApplication::applicationDirPath() + QStringLiteral("/telmira-codage"),
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
void TestBatchTakeIn::commandLineMarkup_data()
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

void TestBatchTakeIn::commandLineMarkup()
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
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("QT_QPA_PLATFORM"));
    env.remove(QStringLiteral("DISPLAY"));
    env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    program.setProcessEnvironment(env);
    program.start(QCoreApplication::applicationDirPath() + QStringLiteral("/telmira-codage"),
                  {QStringLiteral("--ajouter"), path, page});
    QVERIFY(program.waitForFinished(60000));
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QCOMPARE(program.readAllStandardError(), QByteArray());
    QCOMPARE(program.exitCode(), 0);
    QCOMPARE(QString::fromUtf8(program.readAllStandardOutput()),
             QStringLiteral("ajouté;%1;%2;0\n").arg(page).arg(segments.size()));
    codingtest::Raw raw(path);
    QCOMPARE(segmentsOf(raw, page), segments);
}

// Names that are hard on a line of --ajouter: its fields are quoted as CSV
// when they hold ";", a quote or a line end, so that each line stays one
// record; a name that is not UTF-8 (given, or met in a folder) is refused
// with its true cause. The files are made here under their raw names.
void TestBatchTakeIn::commandLineNames_data()
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

void TestBatchTakeIn::commandLineNames()
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
                   QCoreApplication::applicationDirPath() + QStringLiteral("/telmira-codage"), path,
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

QTEST_MAIN(TestBatchTakeIn)
// Files of a folder that are no documents (a picture, an archive, an
// analysis) are passed over as "ignoré" and fail nothing; the same file
// named on its own is a failure. A damaged document in a folder still fails.
void TestBatchTakeIn::commandLineSkipped_data()
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

void TestBatchTakeIn::commandLineSkipped()
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
    program.start(QCoreApplication::applicationDirPath() + QStringLiteral("/telmira-codage"),
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

#include "test_batchtakein.moc"
