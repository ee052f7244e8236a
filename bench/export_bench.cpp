// The CSV, SPSS and Stata exports of the coding application on analyses of
// growing size, to show that their time grows in proportion to the segments
// and that their memory stays flat:
//
//   export_bench [SEGMENTS...]   (100000 1000000 4000000 by default)
//
// For each size, a fresh copy of the template gets one text of that many
// segments (about 100 characters each) of which three in four carry one
// coding row (one value of list 1, one of list 2 on every other row), then
// the whole analysis is exported in the long layout and in the wide one, then
// for SPSS (.sav) and Stata (.dta); the text has two attributes.
// Each line gives the time, the rate, the file's size and the peak resident
// memory so far (the filling, done by a child process, not counted); the
// last column is
// the time per million segments, which stays flat when the export is linear.
#include "bench/benchtemplate.h"
#include "exchange/csvexport.h"
#include "exchange/statexport.h"
#include "store/codingstore.h"
#include "store/engine.h"

#include "peakmemory.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <sqlite3.h>
#include <cstdio>
#include <ctime>
#include <sys/wait.h>
#include <unistd.h>

namespace {

bool fill(const QString &path, qint64 segments)
{
    sqlite3 *db = nullptr;
    if (sqlite3_open(path.toUtf8().constData(), &db) != SQLITE_OK)
        return false;
    bool ok = sqlite3_exec(db,
                           "PRAGMA foreign_keys = ON; PRAGMA cache_size = -65536; BEGIN;"
                           "INSERT INTO Chemin (chemin) VALUES ('/corpus/long.txt');"
                           "INSERT INTO var_comp_01 (variable01) VALUES ('migration'), "
                           "('travail'), ('famille'), ('=formule');"
                           "INSERT INTO var_comp_02 (variable02) VALUES ('positif'), ('négatif');"
                           "INSERT INTO Attributs (nom) VALUES ('journal'), ('date');"
                           "INSERT INTO ValeursAttributs VALUES (1, 1, 'Le Monde'), "
                           "(2, 1, '2003-01-15');",
                           nullptr, nullptr, nullptr)
              == SQLITE_OK;
    sqlite3_stmt *segment = nullptr;
    sqlite3_stmt *coding = nullptr;
    ok = ok
         && sqlite3_prepare_v2(db, "INSERT INTO textes (numtexte, texte) VALUES (1, ?1)", -1,
                               &segment, nullptr)
                == SQLITE_OK
         && sqlite3_prepare_v2(db,
                               "INSERT INTO Contenus (numtexte, numvar01, numvar02) "
                               "VALUES (?1, ?2, ?3)",
                               -1, &coding, nullptr)
                == SQLITE_OK;
    for (qint64 i = 1; ok && i <= segments; ++i) {
        const QByteArray text = QStringLiteral("Phrase n° %1 du corpus : une ligne de prose "
                                               "française, assez longue ; avec \"guillemets\".")
                                    .arg(i)
                                    .toUtf8();
        ok = sqlite3_bind_text(segment, 1, text.constData(), int(text.size()), SQLITE_TRANSIENT)
                 == SQLITE_OK
             && sqlite3_step(segment) == SQLITE_DONE;
        sqlite3_reset(segment);
        if (ok && i % 4 != 0) {
            ok = sqlite3_bind_int64(coding, 1, sqlite3_last_insert_rowid(db)) == SQLITE_OK
                 && sqlite3_bind_int64(coding, 2, 36 + i % 4) == SQLITE_OK
                 && sqlite3_bind_int64(coding, 3, i % 2 ? 13 : 1) == SQLITE_OK
                 && sqlite3_step(coding) == SQLITE_DONE;
            sqlite3_reset(coding);
        }
    }
    sqlite3_finalize(segment);
    sqlite3_finalize(coding);
    ok = ok && sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr) == SQLITE_OK;
    sqlite3_close(db);
    return ok;
}

// Fills the database in a child process, so that the peak memory measured
// here is the export's alone.
bool fillInChild(const QString &path, qint64 segments)
{
    std::fflush(stdout);
    const pid_t child = fork();
    if (child == 0)
        _exit(fill(path, segments) ? 0 : 1);
    int status = 0;
    return child > 0 && waitpid(child, &status, 0) == child && WIFEXITED(status)
           && WEXITSTATUS(status) == 0;
}

// CPU time of the process, in seconds: on a shared machine, a truer measure
// of the work than the wall clock.
double cpuSeconds()
{
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) / 1e9;
}

} // namespace

int main(int argc, char *argv[])
{
    // The engine set as telmira-codage sets it.
    engine::configure();
    QCoreApplication app(argc, argv);
    QList<qint64> sizes;
    for (int i = 1; i < argc; ++i)
        sizes << QByteArray(argv[i]).toLongLong();
    if (sizes.isEmpty())
        sizes = {100000, 1000000, 4000000};

    std::printf("%-10s %-6s %9s %9s %12s %12s %10s %10s %14s\n", "segments", "layout",
                "seconds", "cpu s", "segments/s", "records", "MB", "peak MiB", "s/M segments");
    for (const qint64 n : sizes) {
        QTemporaryDir dir;
        const QString db = dir.filePath(QStringLiteral("bench.mdb"));
        if (!QFile::copy(benchtemplate::path(), db)
            || !QFile::setPermissions(db, QFile::ReadOwner | QFile::WriteOwner)
            || !fillInChild(db, n)) {
            std::fprintf(stderr, "cannot make the database from %s\n", qPrintable(benchtemplate::path()));
            return 1;
        }
        auto store = coding::CodingStore::open(db);
        for (const auto layout : {coding::ExportOptions::Layout::Long,
                                  coding::ExportOptions::Layout::Wide}) {
            coding::ExportOptions options;
            options.layout = layout;
            const QString csv = dir.filePath(QStringLiteral("bench.csv"));
            QElapsedTimer t;
            const double cpu = cpuSeconds();
            t.start();
            const coding::ExportOutcome outcome = coding::exportCsv(*store, csv, options);
            const double s = double(t.nsecsElapsed()) / 1e9;
            const double cpuUsed = cpuSeconds() - cpu;
            if (outcome.status != coding::ExportOutcome::Done) {
                std::fprintf(stderr, "export failed: %s\n", qPrintable(outcome.message));
                return 1;
            }
            std::printf("%-10lld %-6s %9.2f %9.2f %12.0f %12lld %10.1f %10.1f %14.2f\n",
                        static_cast<long long>(n),
                        layout == coding::ExportOptions::Layout::Long ? "long" : "large", s,
                        cpuUsed,
                        double(n) / s, static_cast<long long>(outcome.records),
                        double(QFileInfo(csv).size()) / 1e6, bench::peakMiB(),
                        s / (double(n) / 1e6));
            std::fflush(stdout);
            QFile::remove(csv);
        }
        const coding::SpssWriter spss;
        const coding::StataWriter stata;
        for (const coding::StatFileWriter *format :
             {static_cast<const coding::StatFileWriter *>(&spss),
              static_cast<const coding::StatFileWriter *>(&stata)}) {
            const QString file = dir.filePath(QStringLiteral("bench.out"));
            QElapsedTimer t;
            const double cpu = cpuSeconds();
            t.start();
            const coding::StatOutcome outcome = format->write(*store, file);
            const double s = double(t.nsecsElapsed()) / 1e9;
            const double cpuUsed = cpuSeconds() - cpu;
            if (outcome.status != coding::ExportOutcome::Done) {
                std::fprintf(stderr, "export failed: %s\n", qPrintable(outcome.message));
                return 1;
            }
            std::printf("%-10lld %-6s %9.2f %9.2f %12.0f %12lld %10.1f %10.1f %14.2f\n",
                        static_cast<long long>(n), qPrintable(format->formatName().toLower()), s,
                        cpuUsed, double(n) / s, static_cast<long long>(outcome.records),
                        double(QFileInfo(file).size()) / 1e6, bench::peakMiB(),
                        s / (double(n) / 1e6));
            std::fflush(stdout);
            QFile::remove(file);
        }
    }
    return 0;
}
