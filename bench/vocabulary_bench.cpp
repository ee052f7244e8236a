// The vocabulary of an analysis of a million segments, measured:
//   - the segments read alone (what the calling thread does: their UTF-8
//     bytes, decoded on the counting threads), then the whole vocabulary
//     counted (words/corpus.h: read on this thread, decoded and split on the
//     counting threads), then its entries sorted (largest count first,
//     French order), without stop words and by stem;
//   - the characteristic words of a value coded on a tenth of the segments;
//   - the same count by a short Python script (python3's sqlite3 module,
//     regex \w+ words in lower case, occurrences and segments per word),
//     as a yardstick: the ratio is Python's time over ours.
// Each figure is the best of three runs (the three given), with the
// processor time of that run; then the peak memory of this process. The
// machine's load average is printed before and after: on a shared machine
// the clock counts the waits for a core, processor time does not.
//
//   vocabulary_bench [SEGMENTS]   (1000000 by default)
// VOCABULARY_BENCH_DB: an analysis already filled by an earlier run, kept.
#include "bench/benchtemplate.h"
#include "peakmemory.h"
#include "store/connection.h"
#include "words/corpus.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <sqlite3.h>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <sys/resource.h>
#include <functional>

namespace {

constexpr int kTexts = 20;

bool exec(sqlite3 *db, const char *sql)
{
    return sqlite3_exec(db, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
}

// A vocabulary of 20,000 made-up words of French syllables (some accented),
// drawn by Zipf's law, with the usual small words and elided forms most
// frequent: segments of 8 to 24 words, as sentences of the press.
class Sentences
{
public:
    Sentences()
    {
        const char *syllables[] = {"la",  "mé",  "ré",  "con", "tion", "pro", "dé",  "ver",
                                   "sa",  "lon", "ti",  "que", "gou", "ment", "in", "é",
                                   "char", "pé", "ri",  "bour", "ça",  "ne",  "to", "fê"};
        QRandomGenerator random(7);
        for (int i = 0; i < 20000; ++i) {
            QString word;
            const int parts = 2 + int(random.bounded(3));
            for (int p = 0; p < parts; ++p)
                word += QString::fromUtf8(syllables[random.bounded(int(std::size(syllables)))]);
            m_words << word;
        }
        m_small = {QStringLiteral("le"),  QStringLiteral("la"), QStringLiteral("de"),
                   QStringLiteral("et"),  QStringLiteral("un"), QStringLiteral("les"),
                   QStringLiteral("des"), QStringLiteral("l'"), QStringLiteral("d'"),
                   QStringLiteral("qu'"), QStringLiteral("est"), QStringLiteral("pour")};
        // Zipf: the cumulative weights of 1/rank.
        double sum = 0;
        for (int i = 0; i < m_words.size(); ++i) {
            sum += 1.0 / (i + 1);
            m_cumulative.push_back(sum);
        }
    }

    QString next(QRandomGenerator &random) const
    {
        const int length = 8 + int(random.bounded(17));
        QString s;
        for (int i = 0; i < length; ++i) {
            const bool small = random.bounded(3) == 0;
            QString word = small ? m_small[random.bounded(int(m_small.size()))] : zipf(random);
            if (i == 0)
                word[0] = word[0].toUpper();
            s += word;
            if (!word.endsWith(QLatin1Char('\'')))
                s += i == length - 1 ? QStringLiteral(".") : (i % 7 == 6 ? QStringLiteral(", ")
                                                                         : QStringLiteral(" "));
        }
        return s;
    }

private:
    QString zipf(QRandomGenerator &random) const
    {
        const double at = random.generateDouble() * m_cumulative.back();
        const auto found = std::lower_bound(m_cumulative.begin(), m_cumulative.end(), at);
        return m_words[int(std::min<qsizetype>(found - m_cumulative.begin(), m_words.size() - 1))];
    }

    QStringList m_words;
    QStringList m_small;
    std::vector<double> m_cumulative;
};

// kTexts texts of segments / kTexts segments; one segment in ten coded with
// the first value of list 1 ("Valeur"), the others with row 1 (empty).
bool fill(const QString &path, qint64 segments)
{
    sqlite3 *db = nullptr;
    if (sqlite3_open(path.toUtf8().constData(), &db) != SQLITE_OK)
        return false;
    bool ok = exec(db, "BEGIN") && exec(db, "INSERT INTO var_comp_01 (variable01) VALUES ('Valeur')");
    const qint64 value = sqlite3_last_insert_rowid(db);
    sqlite3_stmt *text = nullptr;
    sqlite3_stmt *segment = nullptr;
    sqlite3_stmt *coding = nullptr;
    sqlite3_prepare_v2(db, "INSERT INTO Chemin (chemin) VALUES (?1)", -1, &text, nullptr);
    sqlite3_prepare_v2(db, "INSERT INTO textes (numtexte, texte) VALUES (?1, ?2)", -1, &segment,
                       nullptr);
    sqlite3_prepare_v2(db, "INSERT INTO Contenus (numtexte, numvar01) VALUES (?1, ?2)", -1,
                       &coding, nullptr);
    const Sentences sentences;
    QRandomGenerator random(12);
    const qint64 perText = segments / kTexts;
    for (int t = 1; ok && t <= kTexts; ++t) {
        const QByteArray name = QStringLiteral("/corpus/texte_%1.txt").arg(t).toUtf8();
        sqlite3_bind_text(text, 1, name.constData(), int(name.size()), SQLITE_TRANSIENT);
        ok = sqlite3_step(text) == SQLITE_DONE;
        sqlite3_reset(text);
        const qint64 textNumber = sqlite3_last_insert_rowid(db);
        for (qint64 s = 0; ok && s < perText; ++s) {
            const QByteArray body = sentences.next(random).toUtf8();
            sqlite3_bind_int64(segment, 1, textNumber);
            sqlite3_bind_text(segment, 2, body.constData(), int(body.size()), SQLITE_TRANSIENT);
            ok = sqlite3_step(segment) == SQLITE_DONE;
            sqlite3_reset(segment);
            sqlite3_bind_int64(coding, 1, sqlite3_last_insert_rowid(db));
            sqlite3_bind_int64(coding, 2, random.bounded(10) == 0 ? value : 1);
            ok = ok && sqlite3_step(coding) == SQLITE_DONE;
            sqlite3_reset(coding);
        }
    }
    sqlite3_finalize(text);
    sqlite3_finalize(segment);
    sqlite3_finalize(coding);
    ok = ok && exec(db, "COMMIT");
    if (!ok)
        std::fprintf(stderr, "fill: %s\n", sqlite3_errmsg(db));
    sqlite3_close(db);
    return ok;
}

// Processor time of this process's threads and of its children waited for
// (the Python script).
double cpuMs()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    rusage children{};
    getrusage(RUSAGE_CHILDREN, &children);
    const auto ms = [](const timeval &v) { return double(v.tv_sec) * 1e3 + double(v.tv_usec) / 1e3; };
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6 + ms(children.ru_utime)
           + ms(children.ru_stime);
}

// Three runs, in milliseconds of the clock, and the processor time of the
// best run (all threads, and the child processes; the machine is shared:
// the clock counts the waits for a core too). Returns the best clock time;
// *cpu, when given, the processor time of that run.
double measure(const char *what, const std::function<void()> &step, double *cpu = nullptr)
{
    double runs[3] = {0, 0, 0};
    double best = 1e300;
    double bestCpu = 0;
    for (double &ms : runs) {
        QElapsedTimer timer;
        const double cpu = cpuMs();
        timer.start();
        step();
        ms = double(timer.nsecsElapsed()) / 1e6;
        if (ms < best) {
            best = ms;
            bestCpu = cpuMs() - cpu;
        }
    }
    std::printf("| %s | %.0f ms | %.0f ms | %.0f, %.0f, %.0f ms |\n", what, best, bestCpu, runs[0],
                runs[1], runs[2]);
    std::fflush(stdout);
    if (cpu)
        *cpu = bestCpu;
    return best;
}

// The machine's load averages (1, 5 and 15 minutes).
QString loadAverage()
{
    QFile file(QStringLiteral("/proc/loadavg"));
    if (!file.open(QIODevice::ReadOnly))
        return QStringLiteral("unknown");
    return QString::fromLatin1(file.readAll()).section(QLatin1Char(' '), 0, 2);
}

// The yardstick: every segment's words by regex \w+, in lower case, their
// occurrences and segments; prints the distinct words and occurrences.
const char kScript[] = R"(
import collections, re, sqlite3, sys
db = sqlite3.connect('file:' + sys.argv[1] + '?mode=ro', uri=True)
word = re.compile(r'\w+')
counts = collections.Counter()
segments = collections.Counter()
for (text,) in db.execute('SELECT texte FROM textes ORDER BY numero'):
    found = word.findall(text.lower())
    counts.update(found)
    segments.update(set(found))
print(len(counts), sum(counts.values()))
)";

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const qint64 segments = argc > 1 ? QByteArray(argv[1]).toLongLong() : 1000000;

    QTemporaryDir dir;
    const QString kept = qEnvironmentVariable("VOCABULARY_BENCH_DB");
    const QString path = kept.isEmpty() ? dir.filePath(QStringLiteral("bench.mdb")) : kept;
    if (!kept.isEmpty() && QFile::exists(kept)) {
        std::printf("%s, filled by an earlier run\n\n", qPrintable(kept));
    } else if (!QFile::copy(benchtemplate::path(), path)
               || !QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner)) {
        std::fprintf(stderr, "cannot copy the template %s\n", qPrintable(benchtemplate::path()));
        return 1;
    } else {
        QElapsedTimer timer;
        timer.start();
        if (!fill(path, segments))
            return 1;
        std::printf("%lld segments, %d texts, written in %.1f s; file %.0f MB\n\n",
                    segments / kTexts * kTexts, kTexts, double(timer.elapsed()) / 1000.0,
                    double(QFileInfo(path).size()) / 1e6);
    }

    auto db = Connection::open(path, Connection::Access::ReadOnly);
    words::VocabularyCounter counter;
    std::printf("Load average before: %s\n\n", qPrintable(loadAverage()));
    std::printf("| Step | Best of 3 | Processor, best | Runs |\n|---|---:|---:|---:|\n");
    // The reading alone (the calling thread's share of the count).
    qint64 read = 0;
    measure("the segments read alone (UTF-8), nothing counted", [&] {
        search::forEachSegmentUtf8(*db, {}, [&](qint64, QByteArrayView text, bool) {
            read += text.size();
            return true;
        });
    });
    double oursCpu = 0;
    const double ours = measure("whole vocabulary counted", [&] {
        counter = words::countVocabulary(*db, {}, [](qint64, qint64) { return true; });
    }, &oursCpu);
    size_t entries = 0;
    measure("its entries, largest count first", [&] { entries = counter.entries().size(); });
    words::VocabularyOptions without;
    without.withoutStopWords = true;
    measure("its entries without stop words", [&] { entries = counter.entries(without).size(); });
    words::VocabularyOptions byStem;
    byStem.byStem = true;
    size_t stems = 0;
    measure("its entries by stem", [&] { stems = counter.entries(byStem).size(); });
    search::Target target;
    target.list = 1;
    target.value = 36; // the first value added to the template's list 1
    size_t keyWords = 0;
    measure("characteristic words of a value on a tenth of the segments",
            [&] { keyWords = words::characteristicWords(*db, target, 50).size(); });
    std::printf("\n%lld distinct words, %lld occurrences in %lld segments; %zu without stop "
                "words, %zu stems, %zu key words; peak memory %.1f MiB\n",
                counter.distinct(), counter.wordCount(), counter.segmentCount(), entries, stems,
                keyWords, bench::peakMiB());

    const QString python = QStandardPaths::findExecutable(QStringLiteral("python3"));
    if (python.isEmpty()) {
        std::printf("\npython3 is not on this machine: no yardstick.\n");
        return 0;
    }
    QString told;
    double theirsCpu = 0;
    const double theirs = measure("the same count by python3 (regex \\w+, lower case)", [&] {
        QProcess p;
        p.start(python, {QStringLiteral("-c"), QString::fromUtf8(kScript), path});
        p.waitForFinished(-1);
        told = QString::fromUtf8(p.readAllStandardOutput()).trimmed();
        if (p.exitCode() != 0)
            told = QString::fromUtf8(p.readAllStandardError());
    }, &theirsCpu);
    std::printf("\npython3: %s (distinct words, occurrences: \\w+ splits the elided forms off "
                "without their apostrophe)\nratio python3 / ours: %.1f by the clock, %.1f by processor "
                "time\nLoad average at the end: %s\n",
                qPrintable(told), theirs / ours, oursCpu > 0 ? theirsCpu / oursCpu : 0.0,
                qPrintable(loadAverage()));
    return 0;
}
