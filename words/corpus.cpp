#include "words/corpus.h"

#include "store/connection.h"
#include "store/resultsstore.h"

#include <QString>
#include <QStringDecoder>
#include <QThread>

#include <algorithm>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <exception>
#include <mutex>
#include <thread>

namespace words {
namespace {

// Segments read, waiting to be counted: their texts one after the other,
// UTF-8 as the file holds them (the counting threads decode them), where
// each ends, and whether it is in the target.
struct Batch {
    QByteArray text;
    std::vector<qsizetype> ends;
    std::vector<bool> inTarget;
};

// The counters of one thread: the target's and the rest's (only the rest
// without a target).
struct Counters {
    VocabularyCounter target;
    VocabularyCounter rest;
};

// Batches handed from the reading thread to the counting threads, at most
// kBatchesInFlight waiting; an empty optional ends a counting thread.
class Queue
{
public:
    void push(Batch batch)
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_room.wait(lock, [this] { return m_batches.size() < size_t(kBatchesInFlight) || m_abandoned; });
        if (m_abandoned)
            return;
        m_batches.push_back(std::move(batch));
        m_ready.notify_one();
    }
    // False when the queue is closed and empty.
    bool pop(Batch *batch)
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_ready.wait(lock, [this] { return !m_batches.empty() || m_closed; });
        if (m_batches.empty())
            return false;
        *batch = std::move(m_batches.front());
        m_batches.pop_front();
        m_room.notify_one();
        return true;
    }
    // No more batches: the counting threads end once the queue is empty.
    void close()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_closed = true;
        m_ready.notify_all();
    }
    // A counting thread failed: the reader stops waiting for room.
    void abandon()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_abandoned = true;
        m_room.notify_all();
    }
    bool abandoned()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_abandoned;
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_ready;
    std::condition_variable m_room;
    std::deque<Batch> m_batches;
    bool m_closed = false;
    bool m_abandoned = false;
};

// Decodes `in` into `out` (room for in.size() units) when it holds only
// sequences that every reader reads alike: ASCII, two-byte sequences, and
// three-byte ones led by E1 to EC or EE (U+1000 to U+CFFF, U+E000 to
// U+EFFF: the typographic apostrophe and dashes among them). Returns the
// units written, or -1 at the first other byte (a byte-order mark, a
// character from U+F000 on or beyond the first plane, a wrong sequence):
// the caller then hands the segment to Qt's decoder, which reads those.
qsizetype decodePlain(QByteArrayView in, char16_t *out)
{
    const auto *p = reinterpret_cast<const unsigned char *>(in.data());
    const qsizetype n = in.size();
    qsizetype i = 0;
    qsizetype w = 0;
    while (i < n) {
        if (i + 8 <= n) { // eight bytes of ASCII at once
            quint64 chunk;
            std::memcpy(&chunk, p + i, 8);
            if ((chunk & 0x8080808080808080ULL) == 0) {
                for (int k = 0; k < 8; ++k)
                    out[w + k] = p[i + k];
                i += 8;
                w += 8;
                continue;
            }
        }
        const unsigned char b = p[i];
        if (b < 0x80) {
            out[w++] = b;
            ++i;
        } else if (b >= 0xC2 && b <= 0xDF) {
            if (i + 1 >= n || (p[i + 1] & 0xC0) != 0x80)
                return -1;
            out[w++] = char16_t(((b & 0x1F) << 6) | (p[i + 1] & 0x3F));
            i += 2;
        } else if ((b >= 0xE1 && b <= 0xEC) || b == 0xEE) {
            if (i + 2 >= n || (p[i + 1] & 0xC0) != 0x80 || (p[i + 2] & 0xC0) != 0x80)
                return -1;
            out[w++] = char16_t(((b & 0x0F) << 12) | ((p[i + 1] & 0x3F) << 6) | (p[i + 2] & 0x3F));
            i += 3;
        } else {
            return -1;
        }
    }
    return w;
}

int countingThreads()
{
    return std::clamp(QThread::idealThreadCount(), 1, 2);
}

// Reads the segments on this thread and counts their words on the counting
// threads; returns the counters merged.
Counters count(Connection &db, const search::Restriction &restriction,
               const search::Target &target, bool withTarget, const CountProgress &progress)
{
    const qint64 total = progress ? search::scopeSegments(db, restriction) : 0;
    if (progress && !progress(0, total))
        return {};

    Queue queue;
    const int threads = countingThreads();
    std::vector<Counters> counters(static_cast<size_t>(threads));
    std::vector<std::exception_ptr> failures(static_cast<size_t>(threads));
    std::vector<std::thread> workers;
    for (int i = 0; i < threads; ++i)
        workers.emplace_back([&queue, &counters, &failures, i] {
            try {
                Counters &mine = counters[size_t(i)];
                // Each segment decoded as QString::fromUtf8 does (a leading
                // byte-order mark dropped, a wrong sequence replaced), into
                // a buffer the size of the longest segment: most by
                // decodePlain, the others by a stateless decoder of Qt's.
                QStringDecoder decoder(QStringDecoder::Utf8, QStringConverter::Flag::Stateless);
                std::vector<char16_t> decoded;
                Batch batch;
                while (queue.pop(&batch)) {
                    qsizetype start = 0;
                    for (size_t s = 0; s < batch.ends.size(); ++s) {
                        const QByteArrayView utf8 =
                            QByteArrayView(batch.text).sliced(start, batch.ends[s] - start);
                        if (decoded.size() < size_t(utf8.size()))
                            decoded.resize(size_t(utf8.size()));
                        qsizetype units = decodePlain(utf8, decoded.data());
                        if (units < 0) {
                            auto *chars = reinterpret_cast<QChar *>(decoded.data());
                            units = decoder.appendToBuffer(chars, utf8) - chars;
                        }
                        (batch.inTarget[s] ? mine.target : mine.rest)
                            .addSegment(QStringView(decoded.data(), units));
                        start = batch.ends[s];
                    }
                }
            } catch (...) {
                failures[size_t(i)] = std::current_exception();
                queue.abandon();
            }
        });
    // However the reading ends (a failure included), the threads are ended
    // and joined before the counters go.
    struct Joiner {
        Queue &queue;
        std::vector<std::thread> &workers;
        ~Joiner()
        {
            queue.close();
            for (std::thread &w : workers)
                w.join();
        }
    } joiner{queue, workers};

    // The segments holding a list's value are read first, once (a sorted
    // list, 8 bytes a segment of the target), and each segment read is
    // looked up in it: asking the engine, segment by segment, whether the
    // segment holds the value lets it walk every row of the value each time
    // (through the index of the list's column), which takes hours on a
    // million segments.
    std::vector<qint64> held;
    search::Target asked = target;
    if (withTarget && target.list != 0) {
        for (const results::CellSegment &c :
             results::ResultsStore(db).cellSegments(target.list, target.value, 0, 0,
                                                    restriction.scope))
            held.push_back(c.segment);
        std::sort(held.begin(), held.end());
        held.erase(std::unique(held.begin(), held.end()), held.end());
        asked = search::Target{};
    }
    const bool lookUp = withTarget && target.list != 0;

    Batch batch;
    qint64 done = 0;
    bool stopped = false;
    auto hand = [&] {
        if (batch.ends.empty())
            return;
        queue.push(std::move(batch));
        batch = Batch{};
    };
    search::forEachSegmentUtf8(
        db, restriction,
        [&](qint64 segment, QByteArrayView text, bool inTarget) {
            batch.text.append(text);
            batch.ends.push_back(batch.text.size());
            batch.inTarget.push_back(
                withTarget
                && (lookUp ? std::binary_search(held.begin(), held.end(), segment) : inTarget));
            ++done;
            if (batch.ends.size() >= size_t(kBatchSegments)) {
                hand();
                if (queue.abandoned())
                    return false;
                if (progress && !progress(done, std::max(done, total))) {
                    stopped = true;
                    return false;
                }
            }
            return true;
        },
        asked);
    hand();
    if (progress && !stopped)
        progress(done, done);

    queue.close();
    for (std::thread &w : workers)
        w.join();
    workers.clear();
    for (const std::exception_ptr &failure : failures)
        if (failure)
            std::rethrow_exception(failure);

    Counters merged = std::move(counters.front());
    for (size_t i = 1; i < counters.size(); ++i) {
        merged.target.merge(counters[i].target);
        merged.rest.merge(counters[i].rest);
    }
    return merged;
}

} // namespace

VocabularyCounter countVocabulary(Connection &db, const search::Restriction &restriction,
                                  const CountProgress &progress)
{
    return std::move(count(db, restriction, {}, false, progress).rest);
}

TargetVocabularies countTarget(Connection &db, const search::Target &target,
                               const CountProgress &progress, const search::Restriction &within)
{
    Counters counted = count(db, within, target, true, progress);
    return TargetVocabularies{std::move(counted.target), std::move(counted.rest)};
}

std::vector<KeyWord> characteristicWords(Connection &db, const search::Target &target, int limit,
                                         const CountProgress &progress,
                                         const search::Restriction &within)
{
    const TargetVocabularies counted = countTarget(db, target, progress, within);
    return keyWords(counted.target, counted.reference, limit);
}

} // namespace words
