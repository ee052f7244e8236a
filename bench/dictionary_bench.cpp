// A dictionary of 2,000 entries (1,000 prefixes, 100 phrases, 900 words, in
// 50 categories, ten of them nested) over the analysis of a million
// segments of bench/benchcorpus.h, measured:
//   - the count of its categories and entries over the whole analysis, as
//     --dictionnaire writes it (target: under 10 s), then the same with what
//     the window adds (the words beside each category, the segments kept per
//     entry);
//   - coding a list with it as --dictionnaire --coder does (target: under
//     20 s), then as the window does, through the history, its undo step
//     kept, on a fresh copy;
//   - the same count through the index of search (store/searchindex.h): one
//     FTS5 query per entry (words/dictionarycount.h, entryExpression),
//     counting its occurrences, the index built first (timed apart).
// Each step's clock and processor time, and the peak resident memory after
// it (VmHWM: it only grows, so each step's growth is what it needed more
// than the steps before; DICTIONARY_BENCH_ONLY=coding runs the script's
// coding alone, for its own peak).
//
//   dictionary_bench [SEGMENTS]   (1000000 by default)
// DICTIONARY_BENCH_DB: an analysis filled by an earlier run, kept (the
// codings go to copies of it, made again at each run).
#include "bench/benchcorpus.h"
#include "bench/benchtemplate.h"
#include "bench/peakmemory.h"
#include "store/connection.h"
#include "store/dictionarycoding.h"
#include "store/engine.h"
#include "store/history.h"
#include "store/searchindex.h"
#include "store/searchstore.h"
#include "store/storeerror.h"
#include "words/dictionarycount.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QSet>
#include <QTemporaryDir>

#include <cstdio>
#include <ctime>
#include <functional>

namespace {

double cpuMs()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
}

struct Step
{
    double ms = 0;
    double cpu = 0;
};

Step timed(const char *what, const std::function<void()> &work)
{
    const double before = bench::peakMiB();
    QElapsedTimer timer;
    const double cpu = cpuMs();
    timer.start();
    work();
    Step s{double(timer.nsecsElapsed()) / 1e6, cpuMs() - cpu};
    std::printf("| %s | %.2f s | %.2f s | %.1f MiB (+%.1f) |\n", what, s.ms / 1000.0,
                s.cpu / 1000.0, bench::peakMiB(), bench::peakMiB() - before);
    std::fflush(stdout);
    return s;
}

// The dictionary: 50 categories of 40 entries, the ten last nested under
// the first ten; in each, 20 prefixes of two or three syllables, 2 phrases ("le"
// and a word, "de" and a prefix), 18 words of two or three syllables: 1,000
// prefixes, 100 phrases, 900 words. The first category holds the planted
// words: "écono*" among its prefixes, "chômage" and "l'État" among its words.
words::Dictionary dictionary()
{
    using Kind = words::DictionaryEntry::Kind;
    QRandomGenerator random(2024);
    auto syllable = [&random] {
        return QString::fromUtf8(
            benchcorpus::kSyllables[random.bounded(int(std::size(benchcorpus::kSyllables)))]);
    };
    words::Dictionary d;
    d.name = QStringLiteral("Banc d'essai");
    QSet<QString> used;
    std::vector<words::DictionaryCategory> made;
    for (int c = 0; c < 50; ++c) {
        words::DictionaryCategory category;
        category.name = QStringLiteral("Catégorie %1").arg(c + 1, 2, 10, QLatin1Char('0'));
        if (c >= 40)
            category.parent = made[size_t(c - 40)].name;
        // Adds the entry unless the dictionary has it already.
        auto add = [&](Kind kind, const QString &text) {
            const QString key = QString::number(int(kind)) + text;
            if (used.contains(key))
                return 0;
            used.insert(key);
            category.entries.push_back({kind, text, false});
            return 1;
        };
        int prefixes = c == 0 ? add(Kind::Prefix, QStringLiteral("écono")) : 0;
        while (prefixes < 20) {
            // Two syllables (900 of them), or three.
            QString prefix = syllable() + syllable();
            if (random.bounded(2) == 0)
                prefix += syllable();
            prefixes += add(Kind::Prefix, prefix);
        }
        int phrases = 0;
        while (phrases < 1)
            phrases += add(Kind::Phrase, QStringLiteral("le ") + syllable() + syllable());
        while (phrases < 2)
            phrases += add(Kind::Phrase, QStringLiteral("de ") + syllable() + syllable()
                                             + QStringLiteral("*"));
        int wordsAdded = c == 0 ? add(Kind::Word, QStringLiteral("chômage"))
                                      + add(Kind::Word, QStringLiteral("l'État"))
                                : 0;
        while (wordsAdded < 18) {
            QString word = syllable() + syllable();
            if (random.bounded(2) == 0)
                word += syllable();
            wordsAdded += add(Kind::Word, word);
        }
        made.push_back(category);
    }
    // Tree order: each parent followed by its child.
    for (int c = 0; c < 40; ++c) {
        d.categories.push_back(made[size_t(c)]);
        if (c < 10)
            d.categories.push_back(made[size_t(c + 40)]);
    }
    return d;
}

} // namespace

int main(int argc, char *argv[])
{
    // The engine as telmira-codage sets it.
    engine::configure();
    QCoreApplication app(argc, argv);
    const qint64 segments = argc > 1 ? QByteArray(argv[1]).toLongLong() : 1000000;
    QTemporaryDir dir;
    const QString kept = qEnvironmentVariable("DICTIONARY_BENCH_DB");
    const QString path = kept.isEmpty() ? dir.filePath(QStringLiteral("bench.mdb")) : kept;
    if (kept.isEmpty() || !QFile::exists(kept)) {
        if (!QFile::copy(benchtemplate::path(), path)
            || !QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner)) {
            std::fprintf(stderr, "cannot copy the template %s\n", qPrintable(benchtemplate::path()));
            return 1;
        }
        QElapsedTimer timer;
        timer.start();
        if (!benchcorpus::fill(path, segments, 7, benchcorpus::kTexts))
            return 1;
        std::printf("%lld segments in %d texts, written in %.1f s; file %.0f MB\n", segments,
                    benchcorpus::kTexts, double(timer.elapsed()) / 1000.0,
                    double(QFileInfo(path).size()) / 1e6);
    } else {
        std::printf("%s, filled by an earlier run\n", qPrintable(path));
    }
    // Both codings go to copies, so that they start alike and the analysis
    // kept for the next run stays without coding.
    const QString script = dir.filePath(QStringLiteral("script.mdb"));
    const QString copy = dir.filePath(QStringLiteral("fenetre.mdb"));
    for (const QString &target : {script, copy}) {
        QFile::remove(target);
        if (!QFile::copy(path, target))
            return 1;
    }

    const words::Dictionary d = dictionary();
    int prefixes = 0;
    int phrases = 0;
    for (const words::DictionaryCategory &c : d.categories)
        for (const words::DictionaryEntry &e : c.entries) {
            prefixes += e.kind == words::DictionaryEntry::Kind::Prefix;
            phrases += e.kind == words::DictionaryEntry::Kind::Phrase;
        }
    std::printf("dictionary: %lld entries (%d prefixes, %d phrases) in %zu categories; "
                "peak memory before: %.1f MiB\n\n",
                d.entryCount(), prefixes, phrases, d.categories.size(), bench::peakMiB());
    std::printf("| Step | Clock | Processor | Peak memory (growth) |\n|---|---:|---:|---:|\n");

    try {
        std::optional<words::DictionaryCount> counted;
        std::vector<qint64> perCategory;
        Step count;
        if (qEnvironmentVariable("DICTIONARY_BENCH_ONLY") != QLatin1String("coding")) {
            auto db = Connection::open(path, Connection::Access::ReadOnly);
            words::DictionaryScan scan(*db, d);
            count = timed("count, as --dictionnaire (target < 10 s)", [&] {
                counted = scan.count({});
            });
            perCategory = counted->categoryOccurrences;
            words::DictionaryCountOptions window;
            window.neighbours = true;
            window.keepSegments = 1000;
            timed("count, as the window (words beside, segments kept per entry)",
                  [&] { scan.count(window); });
        }
        if (counted) {
            qint64 held = 0;
            for (qint64 s : counted->categorySegments)
                held += s;
            std::printf("|  | %lld words, %lld segments; first category %lld occurrences; %lld "
                        "(segment, category) pairs | | |\n",
                        counted->words, counted->segments, perCategory.front(), held);
        }

        // DICTIONARY_BENCH_ONLY=coding: the script's coding alone (for a profiler).
        const bool codingOnly = qEnvironmentVariable("DICTIONARY_BENCH_ONLY") == QLatin1String("coding");
        Step code;
        qint64 coded = 0;
        {
            auto db = Connection::open(script);
            words::DictionaryScan scan(*db, d);
            code = timed("coding list 1, as --dictionnaire --coder (target < 20 s)", [&] {
                coding::DictionaryCoding coding(*db, 1, words::valueNames(d), false);
                scan.code(coding, {});
                coded = coding.commit(QStringLiteral("le codage par dictionnaire")).segments;
            });
        }
        std::printf("|  | %lld segments coded | | |\n", coded);
        if (codingOnly)
            return 0;
        {
            auto db = Connection::open(copy);
            coding::History history(*db);
            words::DictionaryScan scan(*db, d);
            const double resident = bench::residentMiB();
            timed("coding list 1 as the window, its undo step kept", [&] {
                history.codeByDictionary(1, words::valueNames(d), [&](coding::DictionaryCoding &c) {
                    return scan.code(c, {});
                });
            });
            std::printf("|  | resident memory after it: %+.1f MiB, the undo step held by the "
                        "history | | |\n",
                        bench::residentMiB() - resident);
            timed("undoing it", [&] { history.undo(); });
            timed("redoing it", [&] { history.redo(); });
        }

        // The same count through the index of search: one query per entry.
        auto db = Connection::open(path);
        search::SearchIndex index(*db);
        if (index.current())
            std::printf("| index of search current, kept from an earlier run | | | |\n");
        else
            timed("index of search built from nothing (apart)", [&] { index.update(); });
        search::SearchStore store(*db);
        std::vector<qint64> byIndex(d.categories.size(), 0);
        const Step peer = timed("count through the index: one FTS5 query per entry", [&] {
            for (size_t c = 0; c < d.categories.size(); ++c)
                for (const words::DictionaryEntry &e : d.categories[c].entries)
                    byIndex[c] += store.count(words::entryExpression(e), {}).occurrences;
        });
        // A parent's own entries only, each entry's occurrences summed: the
        // index cannot tell places matched by two entries, nor lift children.
        std::printf("\ncount: ours %.2f s (%.2f s of processor), through the index %.2f s (%.2f s): "
                    "ratio %.2f by the clock, %.2f by processor time; %s\n",
                    count.ms / 1000, count.cpu / 1000, peer.ms / 1000, peer.cpu / 1000,
                    peer.ms / count.ms, peer.cpu / count.cpu,
                    count.ms < 10000 ? "within target" : "OVER TARGET");
        std::printf("coding: %.2f s (%.2f s of processor), %s\n", code.ms / 1000, code.cpu / 1000,
                    code.ms < 20000 ? "within target" : "OVER TARGET");
        // Catégorie 11 (the 21st in tree order) has no child.
        std::printf("Catégorie 11: ours %lld, the index's %lld (the index sums its entries: a "
                    "word found by two of them counts twice)\n",
                    perCategory.at(20), byIndex.at(20));
    } catch (const StoreError &e) {
        std::fprintf(stderr, "%s\n", qPrintable(e.message()));
        return 1;
    }
    return 0;
}
