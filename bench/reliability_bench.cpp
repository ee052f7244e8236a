// Inter-coder reliability on CODERS copies of an analysis of SEGMENTS
// segments (5 x 100,000 by default), as --fiabilite and the window compute
// it:
//   - reading: the copies opened, compared (texts, lists, every segment's
//     text side by side) and every coder's value per segment and list built;
//   - the five lists' coefficients (nominal alpha, kappa when two coders,
//     agreement, per-value alpha, disagreements);
//   - the same with the bootstrapped interval (1,000 resamples) on each list.
// Each copy codes every segment once on the five lists (ten values a list),
// agreeing with a reference coding four times in five; one segment in fifty
// gets a second, different row.
//
//   reliability_bench [SEGMENTS [CODERS]]
#include "bench/benchtemplate.h"
#include "peakmemory.h"
#include "reliability/comparison.h"
#include "store/reliabilitystore.h"
#include "store/storeerror.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <sqlite3.h>

#include <cstdio>
#include <ctime>
#include <random>

namespace {

bool exec(sqlite3 *db, const char *sql)
{
    return sqlite3_exec(db, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
}

// The analysis: one text, its segments, ten values in each list.
bool makeBase(const QString &path, int segments)
{
    sqlite3 *db = nullptr;
    if (sqlite3_open(path.toUtf8().constData(), &db) != SQLITE_OK)
        return false;
    bool ok = exec(db, "BEGIN; INSERT INTO Chemin (chemin) VALUES ('/corpus/long.txt');");
    for (int k = 1; ok && k <= 5; ++k)
        for (int v = 0; ok && v < 10; ++v)
            ok = exec(db, QStringLiteral("INSERT INTO var_comp_0%1 (variable0%1) VALUES ('valeur %2')")
                              .arg(k)
                              .arg(v)
                              .toUtf8()
                              .constData());
    sqlite3_stmt *stmt = nullptr;
    sqlite3_prepare_v2(db, "INSERT INTO textes (numtexte, texte) VALUES (1, ?1)", -1, &stmt, nullptr);
    for (int i = 1; ok && i <= segments; ++i) {
        const QByteArray text = QStringLiteral("Phrase numéro %1 du long texte, assez longue pour "
                                               "ressembler à une vraie phrase de corpus.")
                                    .arg(i)
                                    .toUtf8();
        ok = sqlite3_bind_text(stmt, 1, text.constData(), int(text.size()), SQLITE_TRANSIENT) == SQLITE_OK
             && sqlite3_step(stmt) == SQLITE_DONE;
        sqlite3_reset(stmt);
    }
    sqlite3_finalize(stmt);
    ok = ok && exec(db, "COMMIT");
    sqlite3_close(db);
    return ok;
}

// The first value number of each list: the lists' counters start at 36,
// 13, 5, 13 and 11.
const int kFirst[5] = {36, 13, 5, 13, 11};

bool code(const QString &path, int segments, int coder)
{
    sqlite3 *db = nullptr;
    if (sqlite3_open(path.toUtf8().constData(), &db) != SQLITE_OK)
        return false;
    bool ok = exec(db, "BEGIN");
    sqlite3_stmt *stmt = nullptr;
    sqlite3_prepare_v2(db, "INSERT INTO Contenus (numtexte, numvar01, numvar02, numvar03, numvar04,"
                           " numvar05) VALUES (?1, ?2, ?3, ?4, ?5, ?6)",
                       -1, &stmt, nullptr);
    std::mt19937 reference(1);
    std::mt19937 own(100 + unsigned(coder));
    std::uniform_int_distribution<int> value(0, 9);
    std::uniform_int_distribution<int> percent(0, 99);
    for (int s = 1; ok && s <= segments; ++s) {
        int values[5];
        for (int k = 0; k < 5; ++k) {
            const int agreed = value(reference);
            values[k] = percent(own) < 80 ? agreed : value(own);
        }
        const int rows = percent(own) < 2 ? 2 : 1;
        for (int r = 0; ok && r < rows; ++r) {
            sqlite3_bind_int(stmt, 1, s);
            for (int k = 0; k < 5; ++k)
                sqlite3_bind_int(stmt, 2 + k, kFirst[k] + (r == 0 ? values[k] : (values[k] + 1) % 10));
            ok = sqlite3_step(stmt) == SQLITE_DONE;
            sqlite3_reset(stmt);
        }
    }
    sqlite3_finalize(stmt);
    ok = ok && exec(db, "COMMIT");
    sqlite3_close(db);
    return ok;
}

// Wall-clock and processor seconds of a step: the machine is shared, so the
// processor time says what the step costs when it has a core to itself.
struct Clock {
    QElapsedTimer wall;
    std::clock_t cpu = 0;
    void restart()
    {
        wall.restart();
        cpu = std::clock();
    }
    QByteArray took() const
    {
        return QStringLiteral("%1 s (processor %2 s)")
            .arg(double(wall.nsecsElapsed()) / 1e9, 7, 'f', 3)
            .arg(double(std::clock() - cpu) / CLOCKS_PER_SEC, 0, 'f', 3)
            .toUtf8();
    }
    double cpuSeconds() const { return double(std::clock() - cpu) / CLOCKS_PER_SEC; }
};

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const int segments = argc > 1 ? QByteArray(argv[1]).toInt() : 100000;
    const int coders = argc > 2 ? QByteArray(argv[2]).toInt() : 5;
    QTemporaryDir dir;
    const QString base = dir.filePath(QStringLiteral("base.mdb"));
    if (!QFile::copy(benchtemplate::path(), base) || !QFile::setPermissions(base, QFile::ReadOwner | QFile::WriteOwner)
        || !makeBase(base, segments)) {
        std::fprintf(stderr, "cannot make the analysis from %s\n", qPrintable(benchtemplate::path()));
        return 1;
    }
    QStringList files;
    for (int c = 0; c < coders; ++c) {
        const QString path = dir.filePath(QStringLiteral("codeur%1.mdb").arg(c + 1));
        if (!QFile::copy(base, path) || !QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner)
            || !code(path, segments, c)) {
            std::fprintf(stderr, "cannot code %s\n", qPrintable(path));
            return 1;
        }
        files << path;
    }
    const double before = bench::peakMiB();
    try {
        Clock t;
        t.wall.start();
        t.restart();
        auto copies = reliability::readCopies(files);
        const reliability::Comparison comparison =
            reliability::comparisonOf(std::move(*copies));
        const QByteArray read = t.took();
        const double readCpu = t.cpuSeconds();
        t.restart();
        QString alphas;
        for (int k = 1; k <= 5; ++k)
            alphas += reliability::fixed4(reliability::evaluate(comparison, k).alpha) + QLatin1Char(' ');
        const QByteArray computed = t.took();
        const double computedCpu = t.cpuSeconds();
        const double peak = bench::peakMiB();
        t.restart();
        for (int k = 1; k <= 5; ++k)
            reliability::evaluate(comparison, k, reliability::Level::Nominal, true);
        const QByteArray interval = t.took();
        std::printf("%d coders x %d segments (alpha %s)\n", coders, segments, qPrintable(alphas));
        std::printf("read and compare the copies   %s\n", read.constData());
        std::printf("coefficients of the 5 lists   %s\n", computed.constData());
        std::printf("processor time of both        %7.3f s\n", readCpu + computedCpu);
        std::printf("peak memory growth            %7.1f MiB\n", peak - before);
        std::printf("5 lists with 95%% interval     %s\n", interval.constData());
    } catch (const StoreError &e) {
        std::fprintf(stderr, "%s\n", qPrintable(e.message()));
        return 1;
    }
    return 0;
}
