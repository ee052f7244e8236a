// Search over an analysis of a million segments, measured:
//   - the index built from nothing, in batches, with its progress;
//   - the check that says whether the index is current, and the update
//     after 1,000 segments were added by another program;
//   - a one-word query ("chômage", about 5,000 segments): count, then the
//     first 100 segments' hits with their context (target: under 20 ms);
//   - a prefix query ("écono*", about 100,000 segments): the segments counted
//     (target: under 50 ms), and the occurrences;
//   - the same work by hand in the sqlite3 shell on a copy of the file (an
//     FTS5 table over the segments, built in one statement, and the same
//     counts), for the ratios; skipped with a message when the shell is absent.
// Each figure is the first run and the best of three.
//
//   search_bench [SEGMENTS]   (1000000 by default, in 20 texts)
#include "bench/benchcorpus.h"
#include "bench/benchtemplate.h"
#include "bench/peakmemory.h"
#include "store/connection.h"
#include "store/searchindex.h"
#include "store/searchstore.h"
#include "store/storeerror.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QStringList>
#include <QTemporaryDir>

#include <sqlite3.h>
#include <cstdio>
#include <ctime>
#include <functional>

namespace {

using benchcorpus::fill;
using benchcorpus::kTexts;

double cpuMs()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
}

// First run and best of three (clock, ms), and the processor time of the
// best; returns the best.
double measure(const char *what, const std::function<void()> &step, int runs = 3)
{
    double first = 0;
    double best = 1e300;
    double bestCpu = 0;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer timer;
        const double cpu = cpuMs();
        timer.start();
        step();
        const double ms = double(timer.nsecsElapsed()) / 1e6;
        if (i == 0)
            first = ms;
        if (ms < best) {
            best = ms;
            bestCpu = cpuMs() - cpu;
        }
    }
    std::printf("| %s | %.1f ms | %.1f ms | %.1f ms |\n", what, first, best, bestCpu);
    std::fflush(stdout);
    return best;
}

// The "real" times the shell reports (.timer on), one per statement, in ms.
QList<double> shellTimes(const QString &shell, const QString &path, const QString &script,
                         QString *output)
{
    QProcess process;
    process.start(shell, {path});
    process.waitForStarted();
    process.write((".timer on\n" + script).toUtf8());
    process.closeWriteChannel();
    process.waitForFinished(-1);
    *output = QString::fromUtf8(process.readAllStandardOutput());
    QList<double> times;
    static const QRegularExpression runTime(QStringLiteral("Run Time: real ([0-9.]+)"));
    auto it = runTime.globalMatch(*output);
    while (it.hasNext())
        times << it.next().captured(1).toDouble() * 1000.0;
    return times;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const qint64 segments = argc > 1 ? QByteArray(argv[1]).toLongLong() : 1000000;
    QTemporaryDir dir;
    // SEARCH_BENCH_DIR: a folder keeping the analyses of an earlier run
    // (their index then already built), for runs of the queries alone.
    const QString keptDir = qEnvironmentVariable("SEARCH_BENCH_DIR");
    const QString folder = keptDir.isEmpty() ? dir.path() : keptDir;
    const QString path = folder + QStringLiteral("/bench.mdb");
    const QString shellCopy = folder + QStringLiteral("/shell.mdb");
    const bool reused = !keptDir.isEmpty() && QFile::exists(path) && QFile::exists(shellCopy);
    if (reused) {
        std::printf("%s, filled by an earlier run\n\n", qPrintable(path));
    } else {
        if (!QFile::copy(benchtemplate::path(), path)
            || !QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner)) {
            std::fprintf(stderr, "cannot copy the template %s\n", qPrintable(benchtemplate::path()));
            return 1;
        }
        QElapsedTimer timer;
        timer.start();
        if (!fill(path, segments, 7, kTexts))
            return 1;
        std::printf("%lld segments in %d texts, written in %.1f s; file %.0f MB\n\n", segments,
                    kTexts, double(timer.elapsed()) / 1000.0, double(QFileInfo(path).size()) / 1e6);
        // A copy for the shell, before the index is built; it gets the same
        // 1,000 segments added below.
        if (!QFile::copy(path, shellCopy) || !fill(shellCopy, 1000, 8, 1))
            return 1;
    }

    try {
        auto db = Connection::open(path);
        search::SearchIndex index(*db);
        search::SearchStore store(*db);

        std::printf("| Step | First | Best of 3 | Processor, best |\n|---|---:|---:|---:|\n");
        measure("check, index out of date (pending)", [&] { index.pending(); });

        qint64 batches = 0;
        QElapsedTimer timer;
        const double cpu = cpuMs();
        timer.start();
        const bool done = index.update([&](qint64, qint64) {
            ++batches;
            return true;
        });
        const double buildMs = double(timer.nsecsElapsed()) / 1e6;
        std::printf("| index from nothing (%lld batches, current: %s) | %.0f ms | | %.0f ms |\n",
                    batches, done ? "yes" : "no", buildMs, cpuMs() - cpu);
        measure("check, index current", [&] { index.current(); });

        // A text of 1,000 segments taken in by another program, then the update.
        if (!reused && !fill(path, 1000, 8, 1))
            return 1;
        const double updateCpu = cpuMs();
        timer.restart();
        const qint64 pending = index.pending();
        index.update();
        std::printf("| update after a text of %lld segments (check included) | %.1f ms | | %.1f ms |\n",
                    pending, double(timer.nsecsElapsed()) / 1e6, cpuMs() - updateCpu);

        const QString word = QStringLiteral("chômage");
        const QString prefix = QStringLiteral("écono*");
        qint64 wordSegments = 0;
        search::HitCounts wordCounts;
        size_t lines = 0;
        const double wordBest = measure("one word: segments counted", [&] {
            wordSegments = store.countSegments(word, {});
        });
        measure("one word: segments and occurrences", [&] { wordCounts = store.count(word, {}); });
        std::vector<search::Hit> firstHits;
        measure("one word: first 100 segments' hits", [&] { firstHits = store.hits(word, {}, 0, 0, 100); });
        measure("one word: their context", [&] { store.concordance(firstHits, 60); });
        const double firstLines = measure("one word: first 100 segments' hits in context", [&] {
            const std::vector<search::Hit> hits = store.hits(word, {}, 0, 0, 100);
            lines = store.concordance(hits, 60).size();
        });
        const double oneWord = measure("one word: count + first 100 lines (target < 20 ms)", [&] {
            store.countSegments(word, {});
            store.concordance(store.hits(word, {}, 0, 0, 100), 60);
        });
        qint64 prefixSegments = 0;
        search::HitCounts prefixCounts;
        const double prefixBest = measure("prefix: segments counted (target < 50 ms)", [&] {
            prefixSegments = store.countSegments(prefix, {});
        });
        measure("prefix: segments and occurrences", [&] { prefixCounts = store.count(prefix, {}); });
        measure("prefix: first 100 segments' hits in context", [&] {
            store.concordance(store.hits(prefix, {}, 0, 0, 100), 60);
        });
        std::printf("\n\"%s\": %lld segments, %lld occurrences, %zu lines shown; "
                    "\"%s\": %lld segments, %lld occurrences\n",
                    qPrintable(word), wordSegments, wordCounts.occurrences, lines,
                    qPrintable(prefix), prefixSegments, prefixCounts.occurrences);
        std::printf("one word, all: %.1f ms (%s); prefix count: %.1f ms (%s); first lines %.1f ms\n",
                    oneWord, oneWord < 20 ? "within target" : "OVER TARGET", prefixBest,
                    prefixBest < 50 ? "within target" : "OVER TARGET", firstLines);
        std::printf("peak memory %.1f MiB\n\n", bench::peakMiB());

        const QString shell = QStandardPaths::findExecutable(QStringLiteral("sqlite3"));
        if (shell.isEmpty()) {
            std::printf("The sqlite3 shell is not installed (tools/deps.sh installs it): the "
                        "comparison by hand is skipped.\n");
            return 0;
        }
        QString output;
        const QList<double> build = reused ? QList<double>{0, 0} : shellTimes(
            shell, shellCopy,
            QStringLiteral("CREATE VIRTUAL TABLE bench_fts USING fts5(texte, content='textes',"
                           " content_rowid='numero', tokenize='unicode61 remove_diacritics 2');\n"
                           "INSERT INTO bench_fts(bench_fts) VALUES('rebuild');\n"),
            &output);
        QString counts;
        const QString countScript =
            QStringLiteral("SELECT count(*) FROM bench_fts WHERE bench_fts MATCH '%1';\n"
                           "SELECT count(*) FROM bench_fts WHERE bench_fts MATCH '%2';\n")
                .arg(word, prefix)
                .repeated(3);
        const QList<double> count = shellTimes(shell, shellCopy, countScript, &counts);
        if (build.size() < 2 || count.size() < 6) {
            std::printf("The sqlite3 shell did not give its times: %s\n", qPrintable(output + counts));
            return 1;
        }
        const double shellBuild = build[0] + build[1];
        const double shellWord = std::min({count[0], count[2], count[4]});
        const double shellPrefix = std::min({count[1], count[3], count[5]});
        std::printf("By hand in the sqlite3 shell (one statement, one transaction):\n\n"
                    "| Work | Telmira | sqlite3 shell | Ratio |\n|---|---:|---:|---:|\n");
        const auto row = [](const char *work, double ours, double theirs) {
            if (theirs > 0)
                std::printf("| %s | %.1f ms | %.1f ms | %.2f |\n", work, ours, theirs, ours / theirs);
            else
                std::printf("| %s | %.1f ms | under 1 ms | — |\n", work, ours);
        };
        row("index from nothing (the shell's: 1,000 segments more)", buildMs, shellBuild);
        row("one word, segments counted", wordBest, shellWord);
        row("prefix, segments counted", prefixBest, shellPrefix);
        std::printf("\n(shell counts: %s)\n",
                    qPrintable(counts.split(QLatin1Char('\n'))
                                   .filter(QRegularExpression(QStringLiteral("^[0-9]+$")))
                                   .mid(0, 2)
                                   .join(QStringLiteral(", "))));
    } catch (const StoreError &e) {
        std::fprintf(stderr, "%s\n", qPrintable(e.message()));
        return 1;
    }
    return 0;
}
