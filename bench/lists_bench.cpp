// The undoable edits of the lists on a large coding: a value used by N
// coding rows (100,000 by default) among 2N rows, measured without a window:
//   - deleting it with its rows (the rows read, kept as images, deleted),
//   - undoing the deletion (every row put back with its number), redoing it,
//   - replacing it by another value, and undoing that,
//   - the growth of the peak memory those steps cause (the images kept);
// and the French ordering of 10,000 values.
//
//   lists_bench [ROWS]   (100000 by default)
#include "bench/benchtemplate.h"
#include "bench/peakmemory.h"
#include "common/frenchorder.h"
#include "store/history.h"
#include "store/codingstore.h"
#include "store/connection.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <sqlite3.h>
#include <cstdio>
#include <functional>

namespace {

// One text of `rows` segments, each coded twice: once with value 36
// ("migration"), once with 37 ("travail").
bool fill(const QString &path, int rows)
{
    sqlite3 *db = nullptr;
    if (sqlite3_open(path.toUtf8().constData(), &db) != SQLITE_OK)
        return false;
    bool ok = sqlite3_exec(db,
                           "PRAGMA foreign_keys = ON; BEGIN;"
                           "INSERT INTO Chemin (chemin) VALUES ('/corpus/long.txt');"
                           "INSERT INTO var_comp_01 (variable01) VALUES ('migration'), "
                           "('travail'), ('famille');",
                           nullptr, nullptr, nullptr)
              == SQLITE_OK;
    sqlite3_stmt *segment = nullptr;
    sqlite3_stmt *coding = nullptr;
    sqlite3_prepare_v2(db, "INSERT INTO textes (numtexte, texte) VALUES (1, 'Une phrase.')", -1,
                       &segment, nullptr);
    sqlite3_prepare_v2(db, "INSERT INTO Contenus (numtexte, numvar01, numvar02) VALUES (?1, ?2, 1)",
                       -1, &coding, nullptr);
    for (int i = 1; ok && i <= rows; ++i) {
        ok = sqlite3_step(segment) == SQLITE_DONE;
        sqlite3_reset(segment);
        for (int value : {36, 37}) {
            sqlite3_bind_int64(coding, 1, i);
            sqlite3_bind_int(coding, 2, value);
            ok = ok && sqlite3_step(coding) == SQLITE_DONE;
            sqlite3_reset(coding);
        }
    }
    sqlite3_finalize(segment);
    sqlite3_finalize(coding);
    ok = ok && sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr) == SQLITE_OK;
    sqlite3_close(db);
    return ok;
}

double timed(const std::function<void()> &work)
{
    QElapsedTimer timer;
    timer.start();
    work();
    return double(timer.nsecsElapsed()) / 1e9;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const int rows = argc > 1 ? std::max(1, QByteArray(argv[1]).toInt()) : 100000;
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("bench.mdb"));
    if (!QFile::copy(benchtemplate::path(), path) || !QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner)
        || !fill(path, rows)) {
        std::fprintf(stderr, "cannot prepare %s\n", qPrintable(path));
        return 1;
    }
    try {
        auto store = coding::CodingStore::open(path);
        coding::History history(store->connection());
        const double before = bench::peakMiB();
        std::printf("%d coding rows use the value, %d in all\n", rows, 2 * rows);
        std::printf("delete the value with its rows: %.2f s\n",
                    timed([&] { history.deleteValue(1, 36, rows); }));
        std::printf("undo the deletion:              %.2f s\n", timed([&] { history.undo(); }));
        std::printf("redo the deletion:              %.2f s\n", timed([&] { history.redo(); }));
        std::printf("undo it again:                  %.2f s\n", timed([&] { history.undo(); }));
        std::printf("replace the value by another:   %.2f s\n",
                    timed([&] { history.replaceValue(1, 36, 38); }));
        std::printf("undo the replacement:           %.2f s\n", timed([&] { history.undo(); }));
        std::printf("peak memory growth (2 steps kept): %+.1f MiB\n", bench::peakMiB() - before);
    } catch (const StoreError &e) {
        std::fprintf(stderr, "%s\n", qPrintable(e.message()));
        return 1;
    }

    std::vector<french::OrderedValue> values;
    for (int i = 0; i < 10000; ++i)
        values.push_back({i + 2, QStringLiteral("%1Élément %2").arg(QChar(u'a' + i % 26)).arg(i * 7919 % 10007)});
    std::printf("French order of 10,000 values:  %.3f s\n",
                timed([&] { french::sortFrench(values); }));
    return 0;
}
