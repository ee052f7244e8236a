// Taking a text into an analysis database, measured.
//
//   take_in TEXT DB   takes TEXT into the existing analysis database DB as the
//                     analysis window does for a new text (path recorded as
//                     given, one transaction) and prints one line of figures;
//                     a text already recorded in DB is refused, as the window
//                     does.
//   take_in           makes corpora of about 10 MB and 100 MB of French prose
//                     (UTF-8, CR LF line ends) and compares, each run in a
//                     child process of its own on a fresh copy of the template
//                     (without its indexes that duplicate a row key), three
//                     alternated runs of each:
//                       (a) segmentation alone (file checks, reading, cutting),
//                       (b) the baseline: a plain program that cuts the UTF-8
//                           bytes by the same rules and inserts them as UTF-8,
//                           one prepared statement, one transaction,
//                       (c) the take-in through the record sources,
//                       (d) the take-in through the analysis window, shown
//                           offscreen with its progress bar.
#include "bench/benchtemplate.h"
#include "bench/peakmemory.h"
#include "analysis/frmAnalyse.h"
#include "analysis/segmenter.h"
#include "analysis/takein.h"
#include "analysis/textfile.h"
#include "common/desktop.h"
#include "common/messages.h"
#include "common/pathsource.h"
#include "store/connection.h"
#include "store/engine.h"
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
#include <sys/resource.h>
#include <cstdio>
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace {

using bench::peakMiB;

struct Figures
{
    qint64 bytes = 0;
    qint64 segments = 0;
    double seconds = 0;
    double peakMiB = 0;
    double cpuSeconds = 0; // user and system time of the process over the run
};

// User and system time of this process so far, in seconds.
double cpuNow()
{
    struct rusage u;
    getrusage(RUSAGE_SELF, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec)
           + double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// Wall and processor time of one run.
struct Clock
{
    QElapsedTimer wall;
    double cpu = cpuNow();
    Clock() { wall.start(); }
    void stop(Figures &f) const
    {
        f.seconds = wall.nsecsElapsed() / 1e9;
        f.cpuSeconds = cpuNow() - cpu;
    }
};

void printLine(const Figures &f)
{
    const double mb = f.bytes / 1e6;
    std::printf("bytes %lld segments %lld seconds %.3f MB/s %.1f segments/s %.0f peak %.1f MiB "
                "cpu %.3f\n",
                static_cast<long long>(f.bytes), static_cast<long long>(f.segments), f.seconds,
                mb / f.seconds, f.segments / f.seconds, f.peakMiB, f.cpuSeconds);
}

[[noreturn]] void die(const QString &message)
{
    std::fprintf(stderr, "take_in: %s\n", qPrintable(message));
    std::exit(2);
}

// (a) Reading and cutting only: the file's checks, its reading as UTF-8 and
// the cutting, nothing stored.
Figures segmentOnly(const QString &text)
{
    Figures f;
    const Clock clock;
    takein::TextFileSource source(text);
    segmentation::Segmenter s([](QByteArrayView) {});
    QByteArray piece;
    while (source.next(piece))
        s.feed(piece);
    s.finish();
    clock.stop(f);
    f.bytes = source.reader().size();
    f.segments = s.segments();
    return f;
}

void check(sqlite3 *db, int rc, int expected)
{
    if (rc != expected)
        die(QString::fromUtf8(sqlite3_errmsg(db)));
}

// The plain cutter of the baseline: the same rules, written out on bytes with
// nothing of the program's code.
class PlainCutter
{
public:
    template <typename Store>
    void feed(const char *p, size_t n, Store &&store)
    {
        for (size_t i = 0; i < n; ++i) {
            const char c = p[i];
            if (afterCr) {
                afterCr = false;
                if (c == '\n')
                    continue;
            }
            if (!inLine) {
                inLine = true;
                skipping = true;
                if (!pending.empty())
                    pending += "\r\n";
            }
            if (c == '\r') {
                inLine = false;
                afterCr = true;
                continue;
            }
            if (skipping) {
                if (c == ' ')
                    continue;
                skipping = false;
            }
            if (sentenceEnd && c != '.' && c != '"' && c != '\'') {
                sentenceEnd = false;
                const size_t from = pending.find_first_not_of(' ');
                store(pending.data() + from, pending.size() - from);
                pending.clear();
            }
            pending += c;
            if (c == '.' || c == '!' || c == '?')
                sentenceEnd = true;
        }
    }
    template <typename Store>
    void finish(Store &&store)
    {
        if (pending.find_first_not_of(' ') != std::string::npos)
            store(pending.data(), pending.size());
    }

private:
    std::string pending;
    bool sentenceEnd = false, inLine = false, skipping = false, afterCr = false;
};

// (b) The baseline: a plain program that reads the UTF-8 file in 1 MiB
// blocks, cuts it with the same rules and inserts each segment as UTF-8 with
// one prepared statement, all in one transaction, into the same table.
Figures plainBaseline(const QString &text, const QString &database)
{
    Figures f;
    const Clock clock;
    sqlite3 *db = nullptr;
    if (sqlite3_open_v2(database.toUtf8().constData(), &db, SQLITE_OPEN_READWRITE, nullptr)
        != SQLITE_OK)
        die(QStringLiteral("cannot open ") + database);
    check(db, sqlite3_exec(db, "PRAGMA foreign_keys = ON; BEGIN IMMEDIATE", nullptr, nullptr,
                           nullptr),
          SQLITE_OK);
    sqlite3_stmt *st = nullptr;
    check(db, sqlite3_prepare_v2(db, "insert into Chemin(chemin) values (?)", -1, &st, nullptr),
          SQLITE_OK);
    const QByteArray path = text.toUtf8();
    check(db, sqlite3_bind_text(st, 1, path.constData(), int(path.size()), SQLITE_TRANSIENT),
          SQLITE_OK);
    check(db, sqlite3_step(st), SQLITE_DONE);
    sqlite3_finalize(st);
    const sqlite3_int64 number = sqlite3_last_insert_rowid(db);

    check(db, sqlite3_prepare_v2(db, "insert into textes(numtexte, texte) values (?, ?)", -1,
                                 &st, nullptr),
          SQLITE_OK);
    auto store = [&](const char *seg, size_t size) {
        check(db, sqlite3_bind_int64(st, 1, number), SQLITE_OK);
        check(db, sqlite3_bind_text(st, 2, seg, int(size), SQLITE_STATIC), SQLITE_OK);
        check(db, sqlite3_step(st), SQLITE_DONE);
        sqlite3_reset(st);
        ++f.segments;
    };
    std::FILE *in = std::fopen(QFile::encodeName(text).constData(), "rb");
    if (!in)
        die(QStringLiteral("cannot read ") + text);
    std::vector<char> block(1 << 20);
    PlainCutter cutter;
    size_t got;
    while ((got = std::fread(block.data(), 1, block.size(), in)) > 0) {
        cutter.feed(block.data(), got, store);
        f.bytes += qint64(got);
    }
    std::fclose(in);
    cutter.finish(store);
    sqlite3_finalize(st);
    check(db, sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(db);
    clock.stop(f);
    return f;
}

// (c) The program's own take-in through its record sources.
Figures recordSources(const QString &text, const QString &database)
{
    Figures f;
    const Clock clock;
    const takein::Result r = takein::takeInNewText(text, database);
    clock.stop(f);
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
    const Clock clock;
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
    clock.stop(f);
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
    f.cpuSeconds = w.size() > 14 ? w[14].toDouble() : 0;
    return f;
}

// A copy of the template without the indexes that duplicate the row key of
// an INTEGER PRIMARY KEY (`textes_numero` and the like), which new templates
// leave out; nothing else differs.
void prepareDatabase(const QString &templ, const QString &db)
{
    QFile::remove(db);
    if (!QFile::copy(templ, db))
        die(QStringLiteral("cannot copy the template"));
    QFile::setPermissions(db, QFile::ReadOwner | QFile::WriteOwner);
    sqlite3 *h = nullptr;
    if (sqlite3_open_v2(db.toUtf8().constData(), &h, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK)
        die(QStringLiteral("cannot open ") + db);
    const char *drop =
        "DROP INDEX IF EXISTS \"Chemin_numero\"; DROP INDEX IF EXISTS \"textes_numero\";"
        "DROP INDEX IF EXISTS \"Contenus_numero\"; DROP INDEX IF EXISTS \"var_comp_01_numero\";"
        "DROP INDEX IF EXISTS \"var_comp_02_numero\"; DROP INDEX IF EXISTS \"var_comp_03_numero\";"
        "DROP INDEX IF EXISTS \"var_comp_04_numero\"; DROP INDEX IF EXISTS \"var_comp_05_numero\";";
    check(h, sqlite3_exec(h, drop, nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(h);
}

double median3(double a, double b, double c)
{
    return std::max(std::min(a, b), std::min(std::max(a, b), c));
}

int compare()
{
    QTemporaryDir dir;
    if (!dir.isValid())
        die(QStringLiteral("no temporary folder"));
    const QString templ = benchtemplate::path();
    if (!QFileInfo::exists(templ))
        die(QStringLiteral("template database missing: ") + templ);

    constexpr int kModes = 4, kRuns = 3;
    const char *modes[kModes] = {"a", "b", "c", "d"};
    const char *labels[kModes] = {"(a) segmentation alone", "(b) plain UTF-8 baseline",
                                  "(c) take_in (record sources)", "(d) analysis window, offscreen"};
    const qint64 sizes[] = {10'000'000, 100'000'000};
    Figures results[2][kModes][kRuns];
    for (int s = 0; s < 2; ++s) {
        const QString text = dir.filePath(QStringLiteral("corpus%1.txt").arg(s));
        makeCorpus(text, sizes[s]);
        // Alternated: a b c d, a b c d, a b c d.
        for (int run = 0; run < kRuns; ++run)
            for (int m = 0; m < kModes; ++m) {
                const QString db = dir.filePath(QStringLiteral("base%1%2.mdb").arg(s).arg(m));
                prepareDatabase(templ, db);
                results[s][m][run] = runChild(QLatin1String(modes[m]), text, db);
                QFile::remove(db);
            }
        QFile::remove(text);
    }

    Figures median[2][kModes];
    for (int s = 0; s < 2; ++s)
        for (int m = 0; m < kModes; ++m) {
            const Figures *r = results[s][m];
            Figures &f = median[s][m];
            f = r[0];
            f.seconds = median3(r[0].seconds, r[1].seconds, r[2].seconds);
            f.cpuSeconds = median3(r[0].cpuSeconds, r[1].cpuSeconds, r[2].cpuSeconds);
            f.peakMiB = std::max({r[0].peakMiB, r[1].peakMiB, r[2].peakMiB});
            if (m > 0 && f.segments != median[s][1].segments)
                std::printf("warning: %s cut %lld segments, the baseline %lld\n", labels[m],
                            static_cast<long long>(f.segments),
                            static_cast<long long>(median[s][1].segments));
        }

    std::printf("Median of %d alternated runs (wall seconds of each run in brackets); CPU is "
                "the user and system time of the run; peak memory is the highest of the runs."
                "\n\n",
                kRuns);
    std::printf("| Run | Text | Segments | Seconds (runs) | CPU s | MB/s | Segments/s | Peak "
                "memory |\n");
    std::printf("|---|---:|---:|---:|---:|---:|---:|---:|\n");
    for (int s = 0; s < 2; ++s)
        for (int m = 0; m < kModes; ++m) {
            const Figures &f = median[s][m];
            const Figures *r = results[s][m];
            std::printf("| %s | %.1f MB | %lld | %.2f (%.2f %.2f %.2f) | %.2f | %.1f | %.0f | "
                        "%.1f MiB |\n",
                        labels[m], f.bytes / 1e6, static_cast<long long>(f.segments), f.seconds,
                        r[0].seconds, r[1].seconds, r[2].seconds, f.cpuSeconds,
                        f.bytes / 1e6 / f.seconds,
                        f.segments / f.seconds, f.peakMiB);
        }
    std::printf("\n");
    for (int s = 0; s < 2; ++s) {
        const Figures *r = median[s];
        std::printf("%s: take_in/baseline = %.2f (target >= 0.90), window/take_in = %.2f "
                    "(target >= 0.95); by CPU time %.2f and %.2f\n",
                    s == 0 ? "10 MB" : "100 MB", r[1].seconds / r[2].seconds,
                    r[2].seconds / r[3].seconds, r[1].cpuSeconds / r[2].cpuSeconds,
                    r[2].cpuSeconds / r[3].cpuSeconds);
    }
    for (int m = 0; m < kModes; ++m)
        std::printf("%s: peak 10 MB %.1f MiB, 100 MB %.1f MiB, growth %.1f MiB (target < 16)\n",
                    labels[m], median[0][m].peakMiB, median[1][m].peakMiB,
                    median[1][m].peakMiB - median[0][m].peakMiB);
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
    // Every run, the baseline's included, with the engine set as the programs set it.
    engine::configure();
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
            case 'b': return plainBaseline(text, db);
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
