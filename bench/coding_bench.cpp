// The coding application's window `textes` on a text of 100,000 segments,
// measured offscreen:
//   - opening the text (reading the segment numbers, the lists, the first
//     segment, the window shown and painted),
//   - a move to the next segment (the segment read, its coding rows shown,
//     the list following), averaged over many moves, and a jump to the last,
//   - scrolling the segment list from end to end, one page at a time, each
//     page painted,
//   - the next segment without coding when only the last one is uncoded,
//   - the CSV export of the whole analysis,
//   - on a text of 100 MB (about 780,000 segments): opening it (every
//     segment number read for the list), then the next segment with the
//     context view open, each move timed alone (mean and slowest).
//
//   coding_bench [SEGMENTS] [MEGABYTES]   (100000 and 100 by default; 0 MB
//                                           leaves the large text out)
#include "bench/benchtemplate.h"
#include "coding/contenussubform.h"
#include "coding/contextview.h"
#include "exchange/csvexport.h"
#include "coding/frmtextes.h"
#include "coding/segmentmodel.h"
#include "coding/session.h"
#include "common/messages.h"
#include "store/codingstore.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QScrollBar>
#include <QTableView>
#include <QTemporaryDir>

#include <sqlite3.h>
#include <algorithm>
#include <cstdio>
#include <ctime>

namespace {

// One text of at least `segments` sentences and `bytes` bytes, every
// segment but the last coded once. Returns the number of segments (0 when
// the database could not be filled).
int fill(const QString &path, int segments, qint64 bytes = 0)
{
    sqlite3 *db = nullptr;
    if (sqlite3_open(path.toUtf8().constData(), &db) != SQLITE_OK)
        return 0;
    bool ok = sqlite3_exec(db,
                           "PRAGMA foreign_keys = ON; BEGIN;"
                           "INSERT INTO Chemin (chemin) VALUES ('/corpus/long.txt');"
                           "INSERT INTO var_comp_01 (variable01) VALUES ('migration'), "
                           "('travail'), ('famille');",
                           nullptr, nullptr, nullptr)
              == SQLITE_OK;
    sqlite3_stmt *segment = nullptr;
    sqlite3_stmt *coding = nullptr;
    sqlite3_prepare_v2(db, "INSERT INTO textes (numtexte, texte) VALUES (1, ?1)", -1, &segment,
                       nullptr);
    sqlite3_prepare_v2(db, "INSERT INTO Contenus (numtexte, numvar01) VALUES (?1, 36)", -1,
                       &coding, nullptr);
    qint64 written = 0;
    qint64 previous = 0; // the last segment written, coded once the next one is
    int i = 0;
    while (ok && (i < segments || written < bytes)) {
        ++i;
        const QByteArray text = QStringLiteral("Phrase n° %1 du corpus : une ligne de prose "
                                               "française, assez longue pour être tronquée dans "
                                               "la liste des segments.")
                                    .arg(i)
                                    .toUtf8();
        sqlite3_bind_text(segment, 1, text.constData(), int(text.size()), SQLITE_TRANSIENT);
        ok = sqlite3_step(segment) == SQLITE_DONE;
        sqlite3_reset(segment);
        written += text.size();
        const qint64 inserted = sqlite3_last_insert_rowid(db);
        if (ok && previous > 0) {
            sqlite3_bind_int64(coding, 1, previous);
            ok = sqlite3_step(coding) == SQLITE_DONE;
            sqlite3_reset(coding);
        }
        previous = inserted;
    }
    sqlite3_finalize(segment);
    sqlite3_finalize(coding);
    ok = ok && sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr) == SQLITE_OK;
    sqlite3_close(db);
    return ok ? i : 0;
}

double ms(const QElapsedTimer &t)
{
    return double(t.nsecsElapsed()) / 1e6;
}

// Processor time of the process so far, in ms.
double cpuMs()
{
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1e3 + double(now.tv_nsec) / 1e6;
}

// The next segment on a text of `megabytes` MB, the window as it opens
// (the context view shown beside the segment), each move timed alone.
bool nextWithContext(const QTemporaryDir &dir, int megabytes)
{
    const QString db = dir.filePath(QStringLiteral("large.mdb"));
    QElapsedTimer t;
    t.start();
    int segments = 0;
    if (!QFile::copy(benchtemplate::path(), db)
        || !QFile::setPermissions(db, QFile::ReadOwner | QFile::WriteOwner)
        || (segments = fill(db, 0, qint64(megabytes) * 1024 * 1024)) == 0) {
        std::fprintf(stderr, "cannot make the large database\n");
        return false;
    }
    const double fillMs = ms(t);

    coding::Session session(coding::CodingStore::open(db));
    t.restart();
    auto *w = new coding::frmTextes(session, 1, QStringLiteral("/corpus/long.txt"));
    if (!w->Form_Load())
        return false;
    w->show();
    w->repaint();
    QCoreApplication::processEvents();
    const double openMs = ms(t);
    auto *view = w->findChild<coding::ContextView *>(QStringLiteral("contexte"));
    if (!view || !view->isVisible()) {
        std::fprintf(stderr, "the context view is not shown\n");
        return false;
    }

    // From the middle of the text, where the window reads on both sides;
    // each move timed alone, on the clock and in processor time (the
    // machine may be shared: the processor time is what the move costs).
    struct Moves {
        double mean = 0, slowest = 0, cpuMean = 0, cpuSlowest = 0;
    };
    const int moves = 2000;
    auto run = [w]() {
        Moves m;
        QElapsedTimer t;
        for (int i = 0; i < moves; ++i) {
            const double cpu0 = cpuMs();
            t.restart();
            w->suivant_Click();
            w->repaint();
            QCoreApplication::processEvents();
            const double one = ms(t);
            const double cpu = cpuMs() - cpu0;
            m.mean += one / moves;
            m.slowest = std::max(m.slowest, one);
            m.cpuMean += cpu / moves;
            m.cpuSlowest = std::max(m.cpuSlowest, cpu);
        }
        return m;
    };
    w->goToNumber(segments / 2);
    const Moves with = run();
    const bool followed = w->currentSegment() == segments / 2 + moves && !view->shown().empty()
                          && view->shown().front().segment < w->currentSegment();
    // The same moves with the view hidden: what the view itself costs.
    view->hide();
    w->goToNumber(segments / 2);
    const Moves without = run();

    std::printf("large text: %d MB, %d segments (filled in %.0f ms)\n", megabytes, segments,
                fillMs);
    std::printf("open the large text (every segment number read for the list, window shown): "
                "%.1f ms\n",
                openMs);
    std::printf("next segment with the context view (%d each side): %.3f ms per move, slowest "
                "%.3f ms; processor time %.3f ms per move, slowest %.3f ms (%d moves)%s\n",
                view->eachSide(), with.mean, with.slowest, with.cpuMean, with.cpuSlowest, moves,
                followed ? "" : " (NOT FOLLOWED)");
    std::printf("next segment, the view hidden: %.3f ms per move, slowest %.3f ms; processor "
                "time %.3f ms per move, slowest %.3f ms\n",
                without.mean, without.slowest, without.cpuMean, without.cpuSlowest);
    delete w;
    return true;
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int segments = argc > 1 ? QByteArray(argv[1]).toInt() : 100000;
    const int megabytes = argc > 2 ? QByteArray(argv[2]).toInt() : 100;
    messages::setHandler([](const messages::Shown &shown) {
        std::fprintf(stderr, "message: %s\n", qPrintable(shown.text));
        return false;
    });

    QTemporaryDir dir;
    const QString db = dir.filePath(QStringLiteral("bench.mdb"));
    if (!QFile::copy(benchtemplate::path(), db)
        || !QFile::setPermissions(db, QFile::ReadOwner | QFile::WriteOwner)
        || fill(db, segments) != segments) {
        std::fprintf(stderr, "cannot make the database from %s\n", qPrintable(benchtemplate::path()));
        return 1;
    }

    coding::Session session(coding::CodingStore::open(db));
    QElapsedTimer t;

    // Opening.
    t.start();
    auto *w = new coding::frmTextes(session, 1, QStringLiteral("/corpus/long.txt"));
    if (!w->Form_Load())
        return 1;
    w->show();
    w->repaint();
    QCoreApplication::processEvents();
    const double openMs = ms(t);

    // Moves to the next segment.
    const int moves = 2000;
    t.restart();
    for (int i = 0; i < moves; ++i) {
        w->suivant_Click();
        w->repaint();
    }
    QCoreApplication::processEvents();
    const double moveMs = ms(t) / moves;

    t.restart();
    w->dernier_Click();
    w->repaint();
    QCoreApplication::processEvents();
    const double lastMs = ms(t);

    // The next uncoded segment, from the first: only the last one is.
    w->premier_Click();
    t.restart();
    w->nonCode_Click();
    const double uncodedMs = ms(t);
    const bool reached = w->currentRow() == segments - 1;

    // Scrolling the list from one end to the other, one page at a time.
    auto *list = w->findChild<QTableView *>(QStringLiteral("liste"));
    QScrollBar *bar = list->verticalScrollBar();
    bar->setValue(0);
    QCoreApplication::processEvents();
    const int blocksBefore = w->segmentModel()->blocksRead();
    int pages = 0;
    t.restart();
    while (bar->value() < bar->maximum()) {
        bar->setValue(bar->value() + bar->pageStep());
        list->viewport()->repaint();
        ++pages;
    }
    const double scrollMs = ms(t);
    const int blocks = w->segmentModel()->blocksRead() - blocksBefore;

    // The export of the whole analysis.
    const QString csv = dir.filePath(QStringLiteral("bench.csv"));
    t.restart();
    const coding::ExportOutcome outcome = coding::exportCsv(session.store(), csv, coding::ExportOptions{});
    const double exportMs = ms(t);

    std::printf("segments: %d\n", segments);
    std::printf("open the text (window shown): %.1f ms\n", openMs);
    std::printf("move to the next segment: %.3f ms per move (%d moves)\n", moveMs, moves);
    std::printf("jump to the last segment: %.2f ms\n", lastMs);
    std::printf("next uncoded from the first (the last one): %.2f ms%s\n", uncodedMs,
                reached ? "" : " (NOT REACHED)");
    std::printf("scroll the list end to end: %.0f ms for %d pages (%.2f ms per page, %d blocks "
                "of %d read)\n",
                scrollMs, pages, pages ? scrollMs / pages : 0.0, blocks,
                coding::SegmentModel::kBlock);
    std::printf("export to CSV: %.0f ms, %lld records, %lld bytes%s\n", exportMs,
                static_cast<long long>(outcome.records),
                static_cast<long long>(QFileInfo(csv).size()),
                outcome.status == coding::ExportOutcome::Done ? "" : " (FAILED)");
    delete w;

    if (megabytes > 0 && !nextWithContext(dir, megabytes))
        return 1;
    return 0;
}
