// Record sources over a million segments, measured.
//
//   recordsource_bench [N]   fills copies of the template with N segments
//                            (1,000,000 by default) of one text and prints:
//     insert raw      N inserts by one prepared statement, one transaction;
//     insert rs       the same rows through RecordSource addNew / setValue /
//                     update, one transaction (the segmentation's road);
//     refresh         RecordSource refresh of "select * from textes where
//                     numtexte = 1" (the keys of all N rows);
//     walk            moveFirst, then read `texte` and moveNext to the end;
//   with the time and the growth of the peak resident memory (VmHWM) each
//   step causes. Refresh and walk run in a child process of their own, so
//   that the figures owe nothing to the filling.
//   recordsource_bench walk DB   the refresh and walk alone, on DB.
#include "bench/peakmemory.h"
#include "store/connection.h"
#include "store/connectionstring.h"
#include "store/recordsource.h"
#include "store/storeerror.h"
#include "store/templatecopy.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <sqlite3.h>

#include <cstdio>
#include <cstdlib>

namespace {

using bench::peakMiB;

[[noreturn]] void die(const QString &message)
{
    std::fprintf(stderr, "recordsource_bench: %s\n", qPrintable(message));
    std::exit(2);
}

// The i-th segment: a sentence of 60 to 200 characters, accents included.
QString segment(qint64 i)
{
    static const QString words[] = {
        QStringLiteral("analyse"), QStringLiteral("contenu"), QStringLiteral("été"),
        QStringLiteral("phrase"),  QStringLiteral("chercheur"), QStringLiteral("à"),
        QStringLiteral("texte"),   QStringLiteral("catégorie"), QStringLiteral("de"),
        QStringLiteral("la"),      QStringLiteral("variable"), QStringLiteral("œuvre")};
    QString s = QStringLiteral("Segment %1 :").arg(i);
    quint64 x = quint64(i) * 6364136223846793005ULL + 1442695040888963407ULL;
    const int length = 60 + int((x >> 33) % 140);
    while (s.size() < length) {
        x = x * 6364136223846793005ULL + 1442695040888963407ULL;
        s += QLatin1Char(' ') + words[(x >> 35) % 12];
    }
    s += QStringLiteral(".\r\n");
    return s;
}

void printStep(const char *what, qint64 rows, double seconds, double peakGrowth)
{
    std::printf("%-14s %9lld rows %8.3f s %11.0f rows/s   peak RSS +%.1f MiB\n", what,
                static_cast<long long>(rows), seconds, rows / seconds, peakGrowth);
    std::fflush(stdout);
}

double insertRaw(const QString &database, qint64 n)
{
    auto conn = Connection::open(database);
    conn->exec(QStringLiteral("INSERT INTO Chemin (chemin) VALUES ('/corpus.txt')"));
    sqlite3 *db = conn->handle();
    QElapsedTimer t;
    t.start();
    conn->begin();
    sqlite3_stmt *st = nullptr;
    if (sqlite3_prepare_v2(db, "INSERT INTO textes (numtexte, texte) VALUES (?, ?)", -1, &st,
                           nullptr)
        != SQLITE_OK)
        die(QString::fromUtf8(sqlite3_errmsg(db)));
    for (qint64 i = 0; i < n; ++i) {
        const QString text = segment(i);
        const QByteArray utf8 = text.toUtf8();
        sqlite3_bind_int64(st, 1, 1);
        sqlite3_bind_text(st, 2, utf8.constData(), int(utf8.size()), SQLITE_STATIC);
        if (sqlite3_step(st) != SQLITE_DONE)
            die(QString::fromUtf8(sqlite3_errmsg(db)));
        sqlite3_reset(st);
    }
    sqlite3_finalize(st);
    conn->commit();
    return t.nsecsElapsed() / 1e9;
}

double insertThroughRecordSource(const QString &database, qint64 n)
{
    auto conn = Connection::open(database);
    conn->exec(QStringLiteral("INSERT INTO Chemin (chemin) VALUES ('/corpus.txt')"));
    RecordSource data1(QStringLiteral("data1"));
    data1.setConnection(conn);
    data1.setRecordSource(QStringLiteral("select * from textes where numtexte = 1"));
    data1.refresh();
    const QString number = QStringLiteral("1");
    const QString numtexte = QStringLiteral("numtexte");
    const QString texte = QStringLiteral("texte");
    QElapsedTimer t;
    t.start();
    conn->begin();
    for (qint64 i = 0; i < n; ++i) {
        data1.addNew();
        data1.setValue(numtexte, number);
        data1.setValue(texte, segment(i));
        data1.update();
    }
    conn->commit();
    return t.nsecsElapsed() / 1e9;
}

int walk(const QString &database)
{
    const double start = peakMiB();
    RecordSource data1(QStringLiteral("data1"));
    data1.setConnectionString(connstr::build(database));
    data1.setRecordSource(QStringLiteral("select * from textes where numtexte = 1"));
    QElapsedTimer t;
    t.start();
    data1.refresh();
    const double refreshSeconds = t.nsecsElapsed() / 1e9;
    const double afterRefresh = peakMiB();
    printStep("refresh", data1.recordCount(), refreshSeconds, afterRefresh - start);

    t.restart();
    qint64 rows = 0;
    qint64 chars = 0;
    const QString texte = QStringLiteral("texte");
    data1.moveFirst();
    while (!data1.eof()) {
        chars += data1.value(texte).size();
        ++rows;
        data1.moveNext();
    }
    const double walkSeconds = t.nsecsElapsed() / 1e9;
    printStep("walk", rows, walkSeconds, peakMiB() - afterRefresh);
    std::printf("%-14s %9lld characters read; peak RSS of the process %.1f MiB\n", "", 
                static_cast<long long>(chars), peakMiB());
    return rows == data1.recordCount() ? 0 : 1;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    try {
        if (args.size() == 3 && args.at(1) == QLatin1String("walk"))
            return walk(args.at(2));

        const qint64 n = args.size() > 1 ? args.at(1).toLongLong() : 1000000;
        if (n <= 0)
            die(QStringLiteral("usage: recordsource_bench [N] | walk DB"));
        QTemporaryDir dir;
        const QString templ = templatePathIn(QCoreApplication::applicationDirPath());
        const QString rawDb = dir.filePath(QStringLiteral("raw.mdb"));
        const QString rsDb = dir.filePath(QStringLiteral("rs.mdb"));
        copyTemplate(templ, rawDb);
        copyTemplate(templ, rsDb);

        double before = peakMiB();
        const double raw = insertRaw(rawDb, n);
        printStep("insert raw", n, raw, peakMiB() - before);
        before = peakMiB();
        const double rs = insertThroughRecordSource(rsDb, n);
        printStep("insert rs", n, rs, peakMiB() - before);
        std::printf("%-14s record source / raw speed: %.2f\n", "", raw / rs);
        std::fflush(stdout);

        QProcess child;
        child.setProcessChannelMode(QProcess::ForwardedChannels);
        child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("walk"), rsDb});
        if (!child.waitForFinished(-1) || child.exitCode() != 0)
            die(QStringLiteral("the walk failed"));
    } catch (const StoreError &e) {
        die(e.message());
    }
    return 0;
}
