// Taking a text into an analysis database, measured.
//
//   take_in TEXT DB   takes TEXT into the existing analysis database DB as the
//                     analysis window does for a new text (path recorded as
//                     given, one transaction) and prints one line of figures.
//   take_in           makes corpora of about 10 MB and 100 MB of French prose
//                     (CR LF line ends) and compares, each run in a child
//                     process of its own:
//                       (a) segmentation alone,
//                       (b) the same segments inserted by plain SQLite calls,
//                           one prepared statement, one transaction,
//                       (c) the take-in through the record sources,
//                       (d) the take-in through the analysis window, shown
//                           offscreen with its progress bar.
#include "bench/peakmemory.h"
#include "analysis/frmAnalyse.h"
#include "analysis/segmenter.h"
#include "analysis/takein.h"
#include "analysis/textfile.h"
#include "common/desktop.h"
#include "common/messages.h"
#include "common/pathsource.h"
#include "store/connection.h"
#include "store/storeerror.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextStream>
#include <QTimer>

#include <sqlite3.h>
#include <cstdio>
#include <cstring>

namespace {

using bench::peakMiB;

struct Figures
{
    qint64 bytes = 0;
    qint64 segments = 0;
    double seconds = 0;
    double peakMiB = 0;
};

void printLine(const Figures &f)
{
    const double mb = f.bytes / 1e6;
    std::printf("bytes %lld segments %lld seconds %.3f MB/s %.1f segments/s %.0f peak %.1f MiB\n",
                static_cast<long long>(f.bytes), static_cast<long long>(f.segments), f.seconds,
                mb / f.seconds, f.segments / f.seconds, f.peakMiB);
}

[[noreturn]] void die(const QString &message)
{
    std::fprintf(stderr, "take_in: %s\n", qPrintable(message));
    std::exit(2);
}

// (a) Reading and cutting only.
Figures segmentOnly(const QString &text)
{
    Figures f;
    QElapsedTimer t;
    t.start();
    textfile::TextReader reader(text);
    segmentation::Segmenter s([](const QString &) {});
    QString piece;
    while (reader.next(piece))
        s.feed(piece);
    s.finish();
    f.seconds = t.nsecsElapsed() / 1e9;
    f.bytes = reader.size();
    f.segments = s.segments();
    return f;
}

void check(sqlite3 *db, int rc, int expected)
{
    if (rc != expected)
        die(QString::fromUtf8(sqlite3_errmsg(db)));
}

// (b) The storage limit: the same reading and cutting, each segment inserted
// by one prepared statement, all in one transaction.
Figures rawInsert(const QString &text, const QString &database)
{
    Figures f;
    QElapsedTimer t;
    t.start();
    auto conn = Connection::open(database);
    sqlite3 *db = conn->handle();
    conn->begin();
    sqlite3_stmt *st = nullptr;
    check(db, sqlite3_prepare_v2(db, "insert into Chemin(chemin) values (?)", -1, &st, nullptr),
          SQLITE_OK);
    const QByteArray path = text.toUtf8();
    sqlite3_bind_text(st, 1, path.constData(), int(path.size()), SQLITE_TRANSIENT);
    check(db, sqlite3_step(st), SQLITE_DONE);
    sqlite3_finalize(st);
    const sqlite3_int64 number = sqlite3_last_insert_rowid(db);

    check(db, sqlite3_prepare_v2(db, "insert into textes(numtexte, texte) values (?, ?)", -1,
                                 &st, nullptr),
          SQLITE_OK);
    textfile::TextReader reader(text);
    segmentation::Segmenter s([&](const QString &seg) {
        sqlite3_bind_int64(st, 1, number);
        const QByteArray utf8 = seg.toUtf8();
        sqlite3_bind_text(st, 2, utf8.constData(), int(utf8.size()), SQLITE_STATIC);
        check(db, sqlite3_step(st), SQLITE_DONE);
        sqlite3_reset(st);
    });
    QString piece;
    while (reader.next(piece))
        s.feed(piece);
    s.finish();
    sqlite3_finalize(st);
    conn->commit();
    f.seconds = t.nsecsElapsed() / 1e9;
    f.bytes = reader.size();
    f.segments = s.segments();
    return f;
}

// (c) The program's own take-in through its record sources.
Figures recordSources(const QString &text, const QString &database)
{
    Figures f;
    QElapsedTimer t;
    t.start();
    const takein::Result r = takein::takeInNewText(text, database);
    f.seconds = t.nsecsElapsed() / 1e9;
    f.bytes = r.bytes;
    f.segments = r.segments;
    return f;
}

struct FixedPaths : PathSource
{
    QString text, db;
    QString textPath() const override { return text; }
    QString databasePath() const override { return db; }
};

// (d) The analysis window, shown offscreen, from its showing to its analysis
// panel; the timer's one-second wait is not counted (its slot is run at once).
Figures window(const QString &text, const QString &database)
{
    Figures f;
    QString failure;
    messages::setHandler([&](const messages::Shown &s) {
        failure = s.text;
        return false;
    });
    FixedPaths paths;
    paths.text = text;
    paths.db = database;
    QWidget mainWindow;
    mainWindow.show();
    QElapsedTimer t;
    t.start();
    auto *w = new frmAnalyse(paths, &mainWindow);
    auto *analysisPanel = w->findChild<QGroupBox *>(QStringLiteral("Frame1"));
    w->show();
    // Until the new text's row waits for its segments (a known text goes
    // straight to the analysis panel).
    while (!w->takeInPending() && failure.isEmpty() && !analysisPanel->isVisible())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    if (!w->takeInPending() && failure.isEmpty())
        die(QStringLiteral("the text is already in the database"));
    if (failure.isEmpty())
        QMetaObject::invokeMethod(w, "Timer1_Timer", Qt::DirectConnection);
    f.seconds = t.nsecsElapsed() / 1e9;
    if (!failure.isEmpty() || !analysisPanel->isVisible())
        die(QStringLiteral("the window failed: ") + failure);
    delete w;
    f.bytes = QFileInfo(text).size();
    auto conn = Connection::open(database);
    sqlite3_stmt *st = nullptr;
    sqlite3_prepare_v2(conn->handle(), "select count(*) from textes", -1, &st, nullptr);
    sqlite3_step(st);
    f.segments = sqlite3_column_int64(st, 0);
    sqlite3_finalize(st);
    return f;
}

// French prose of our own, combined by a fixed pseudo-random walk.
void makeCorpus(const QString &path, qint64 size)
{
    static const char *const sentences[] = {
        "Le matin, la brume couvrait encore les prés au bord de la rivière.",
        "Personne ne savait d'où venait le vieux colporteur, ni où il allait.",
        "\"Vous reviendrez demain ?\" demanda la boulangère en rendant la monnaie.",
        "Il répondit qu'il n'en savait rien, que tout dépendait du temps.",
        "Les enfants couraient déjà vers l'école, cartables battant sur le dos !",
        "À midi, la place du village se vidait comme par enchantement.",
        "On entendait seulement le bruit régulier de la fontaine.",
        "Était-ce la fatigue, ou bien l'ennui des longues journées d'été ?",
        "Le maire, M. Dubois, relisait pour la troisième fois le même arrêté.",
        "Elle avait noté 3.5 kilos de farine, 12 œufs et du beurre salé.",
        "Rien n'y faisait : le facteur passait toujours après onze heures...",
        "Les vendanges approchaient et chacun comptait les jours.",
        "Au café, les discussions tournaient autour de la pluie et du beau temps.",
        "\"C'est bien la dernière fois\", dit-il en posant son verre.",
        "Le soir venu, les fenêtres s'allumaient une à une le long de la rue",
        "et les chats reprenaient possession des toits tièdes.",
        "Quelle histoire ! Qui l'aurait cru ?! Pas moi, en tout cas.",
        "La bibliothèque municipale n'ouvrait que le mardi et le samedi.",
        "On y trouvait des romans jaunis, des almanachs et quelques atlas.",
        "    Le notaire, lui, lisait le journal de la veille en soupirant.",
    };
    const int count = int(sizeof(sentences) / sizeof(sentences[0]));
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        die(QStringLiteral("cannot write ") + path);
    quint32 seed = 12345;
    auto next = [&seed] {
        seed = seed * 1103515245u + 12345u;
        return (seed >> 16) & 0x7fff;
    };
    QByteArray block;
    qint64 written = 0;
    while (written < size) {
        block.clear();
        while (block.size() < (1 << 20)) {
            const int n = 1 + int(next() % 4);
            for (int i = 0; i < n; ++i) {
                if (i)
                    block += ' ';
                block += sentences[next() % count];
            }
            block += (next() % 8 == 0) ? "\r\n\r\n" : "\r\n";
        }
        f.write(block);
        written += block.size();
    }
}

QString templatePath()
{
    const QString env = qEnvironmentVariable("TELMIRA_TEMPLATE");
    return env.isEmpty() ? QCoreApplication::applicationDirPath() + QStringLiteral("/telmira") : env;
}

Figures runChild(const QString &mode, const QString &text, const QString &db)
{
    QProcess p;
    p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    if (mode == QLatin1String("d") && !env.contains(QStringLiteral("QT_QPA_PLATFORM")))
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    p.setProcessEnvironment(env);
    p.start(QCoreApplication::applicationFilePath(),
            {QStringLiteral("--mode"), mode, text, db});
    if (!p.waitForFinished(-1) || p.exitCode() != 0)
        die(QStringLiteral("run %1 failed").arg(mode));
    const QList<QByteArray> w = p.readAllStandardOutput().trimmed().split(' ');
    Figures f;
    if (w.size() < 12)
        die(QStringLiteral("run %1 printed nothing usable").arg(mode));
    f.bytes = w[1].toLongLong();
    f.segments = w[3].toLongLong();
    f.seconds = w[5].toDouble();
    f.peakMiB = w[11].toDouble();
    return f;
}

int compare()
{
    QTemporaryDir dir;
    if (!dir.isValid())
        die(QStringLiteral("no temporary folder"));
    const QString templ = templatePath();
    if (!QFileInfo::exists(templ))
        die(QStringLiteral("template database missing: ") + templ);

    const char *modes[] = {"a", "b", "c", "d"};
    const char *labels[] = {"(a) segmentation alone", "(b) raw prepared INSERT, one transaction",
                            "(c) record sources (take-in)", "(d) analysis window, offscreen"};
    const qint64 sizes[] = {10'000'000, 100'000'000};
    Figures results[2][4];
    for (int s = 0; s < 2; ++s) {
        const QString text = dir.filePath(QStringLiteral("corpus%1.txt").arg(s));
        makeCorpus(text, sizes[s]);
        for (int m = 0; m < 4; ++m) {
            const QString db = dir.filePath(QStringLiteral("base%1%2.mdb").arg(s).arg(m));
            QFile::remove(db);
            if (!QFile::copy(templ, db))
                die(QStringLiteral("cannot copy the template"));
            QFile::setPermissions(db, QFile::ReadOwner | QFile::WriteOwner);
            results[s][m] = runChild(QLatin1String(modes[m]), text, db);
            QFile::remove(db);
        }
        QFile::remove(text);
    }

    std::printf("| Run | Text | Segments | Seconds | MB/s | Segments/s | Peak memory |\n");
    std::printf("|---|---:|---:|---:|---:|---:|---:|\n");
    for (int s = 0; s < 2; ++s)
        for (int m = 0; m < 4; ++m) {
            const Figures &f = results[s][m];
            std::printf("| %s | %.1f MB | %lld | %.2f | %.1f | %.0f | %.1f MiB |\n", labels[m],
                        f.bytes / 1e6, static_cast<long long>(f.segments), f.seconds,
                        f.bytes / 1e6 / f.seconds, f.segments / f.seconds, f.peakMiB);
        }
    std::printf("\n");
    for (int s = 0; s < 2; ++s) {
        const Figures *r = results[s];
        std::printf("%s: c/b = %.2f (target >= 0.8), d/c = %.2f (target >= 0.8)\n",
                    s == 0 ? "10 MB" : "100 MB", r[1].seconds / r[2].seconds,
                    r[2].seconds / r[3].seconds);
    }
    for (int m = 0; m < 4; ++m)
        std::printf("%s: peak 10 MB %.1f MiB, 100 MB %.1f MiB, growth %.1f MiB (target < 16)\n",
                    labels[m], results[0][m].peakMiB, results[1][m].peakMiB,
                    results[1][m].peakMiB - results[0][m].peakMiB);
    return 0;
}

// Runs one measure and prints its line; a failure ends the program.
template <typename Measure>
int measureAndPrint(Measure measure)
{
    try {
        Figures f = measure();
        f.peakMiB = peakMiB();
        printLine(f);
        return 0;
    } catch (const StoreError &e) {
        die(e.message());
    } catch (const textfile::ReadError &e) {
        die(e.message());
    }
}

} // namespace

int main(int argc, char **argv)
{
    // Child runs: take_in --mode a|b|c|d TEXT DB
    if (argc == 5 && std::strcmp(argv[1], "--mode") == 0) {
        const char mode = argv[2][0];
        std::unique_ptr<QCoreApplication> app;
        if (mode == 'd')
            app = std::make_unique<QApplication>(argc, argv);
        else
            app = std::make_unique<QCoreApplication>(argc, argv);
        const QString text = QString::fromLocal8Bit(argv[3]);
        const QString db = QString::fromLocal8Bit(argv[4]);
        return measureAndPrint([&] {
            switch (mode) {
            case 'a': return segmentOnly(text);
            case 'b': return rawInsert(text, db);
            case 'c': return recordSources(text, db);
            case 'd': return window(text, db);
            default: die(QStringLiteral("unknown mode"));
            }
        });
    }
    QCoreApplication app(argc, argv);
    if (argc == 3)
        return measureAndPrint(
            [&] { return recordSources(QString::fromLocal8Bit(argv[1]), QString::fromLocal8Bit(argv[2])); });
    if (argc != 1) {
        std::fprintf(stderr, "usage: take_in [TEXT DB]\n");
        return 2;
    }
    return compare();
}
