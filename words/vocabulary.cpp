#include "words/vocabulary.h"

#include "common/frenchorder.h"
#include "results/keyness.h"
#include "words/stemmer.h"
#include "words/stopwords.h"
#include "words/wordsplit.h"

#include <QHash>

#include <algorithm>
#include <cstring>
#include <numeric>

namespace words {
namespace {

// Occurrences and segments of one key; `last` is the last segment counted,
// so that a segment is counted once however often the key comes in it.
struct Tally {
    qint64 count = 0;
    qint64 segments = 0;
    qint64 last = 0;

    void add(qint64 segment)
    {
        ++count;
        if (last != segment) {
            last = segment;
            ++segments;
        }
    }
    void add(const Tally &other)
    {
        count += other.count;
        segments += other.segments;
    }
};

// A stem: over all its forms, and over those that are not stop words (a
// segment holding two forms of one stem counts once).
struct StemTally {
    Tally all;
    Tally content;
};

// Qt's string hash, its bits mixed (a 64-bit finaliser): the index uses the
// low bits for the place and the high ones as a tag.
quint64 hashOf(QStringView key)
{
    quint64 h = qHash(key, size_t(0));
    h ^= h >> 33;
    h *= 0xff51afd7ed558ccdULL;
    h ^= h >> 33;
    h *= 0xc4ceb9fe1a85ec53ULL;
    h ^= h >> 33;
    return h;
}

// The rank of each text in French order (common/frenchorder.h), ties
// between texts equal but for accents or case in code-point order.
std::vector<int> frenchRanks(const std::vector<QString> &texts)
{
    std::vector<int> byCode(texts.size());
    std::iota(byCode.begin(), byCode.end(), 0);
    std::sort(byCode.begin(), byCode.end(), [&](int a, int b) { return texts[a] < texts[b]; });
    std::vector<french::OrderedValue> values;
    values.reserve(texts.size());
    for (size_t i = 0; i < byCode.size(); ++i)
        values.push_back(french::OrderedValue{qint64(i), texts[byCode[i]]});
    french::sortFrench(values);
    std::vector<int> rank(texts.size());
    for (size_t i = 0; i < values.size(); ++i)
        rank[byCode[size_t(values[i].numero)]] = int(i);
    return rank;
}

} // namespace

// The forms are the cells of an open-addressing table (at most half full,
// probed in turn), 64 bytes each: the hash's high half as a tag (0: free),
// the tally, the stem, and the characters themselves when they are 12 or
// fewer (most words), else their place in an arena beside. A word already
// met costs one look at one cell, mostly in one cache line, and nothing is
// allocated for it. The stems' tallies are in a vector of their own.
struct Cell {
    quint32 tag = 0;
    quint32 length = 0;
    qint32 stem = 0;
    quint32 stop = 0;
    Tally tally;
    union {
        char16_t chars[12];
        qsizetype offset;
    } key{};
};
static_assert(sizeof(Cell) == 64, "a cell fills one cache line");
constexpr quint32 kInline = 12;

struct VocabularyCounter::Data {
    std::vector<Cell> cells = std::vector<Cell>(1024);
    size_t used = 0;
    std::vector<char16_t> arena; // the forms longer than a cell holds
    std::vector<StemTally> stems;
    std::vector<QString> stemNames;
    QHash<QString, int> stemIndex;
    qint64 segmentCount = 0;
    qint64 wordCount = 0;
    WordSplitter splitter;
    std::unique_ptr<FrenchStemmer> stemmer = std::make_unique<FrenchStemmer>();

    static quint32 tagOf(quint64 h) { return quint32(h >> 32) | 1u; }

    QStringView keyOf(const Cell &c) const
    {
        const char16_t *chars = c.length <= kInline ? c.key.chars : arena.data() + c.key.offset;
        return QStringView(chars, qsizetype(c.length));
    }

    // The cell of `key`: its own, or the free one where it would go.
    size_t cellOf(QStringView key, quint64 h) const
    {
        const size_t mask = cells.size() - 1;
        const quint32 tag = tagOf(h);
        for (size_t i = size_t(h) & mask;; i = (i + 1) & mask) {
            const Cell &c = cells[i];
            if (c.tag == 0)
                return i;
            if (c.tag == tag && c.length == quint32(key.size())) {
                const char16_t *chars = c.length <= kInline ? c.key.chars : arena.data() + c.key.offset;
                if (std::memcmp(chars, key.utf16(), size_t(key.size()) * sizeof(char16_t)) == 0)
                    return i;
            }
        }
    }

    const Cell *find(QStringView key) const
    {
        const Cell &c = cells[cellOf(key, hashOf(key))];
        return c.tag ? &c : nullptr;
    }

    int stemNumber(const QString &stem)
    {
        const auto it = stemIndex.constFind(stem);
        if (it != stemIndex.constEnd())
            return it.value();
        const int number = int(stems.size());
        stems.push_back(StemTally{});
        stemNames.push_back(stem);
        stemIndex.insert(stem, number);
        return number;
    }

    // The cell of `key`, made when new (its stem is `stem`, or found by the
    // stemmer when -1).
    Cell &cell(QStringView key, quint64 h, int stem = -1, bool stop = false)
    {
        size_t i = cellOf(key, h);
        if (cells[i].tag)
            return cells[i];
        if ((used + 1) * 2 > cells.size()) {
            grow();
            i = cellOf(key, h);
        }
        Cell &c = cells[i];
        c.tag = tagOf(h);
        c.length = quint32(key.size());
        if (c.length <= kInline) {
            std::memcpy(c.key.chars, key.utf16(), size_t(key.size()) * sizeof(char16_t));
        } else {
            c.key.offset = qsizetype(arena.size());
            arena.insert(arena.end(), key.utf16(), key.utf16() + key.size());
        }
        if (stem < 0) {
            const QString form = key.toString();
            stem = stemNumber(stemmer->stem(form));
            stop = isStopWord(form);
        }
        c.stem = stem;
        c.stop = stop;
        ++used;
        return c;
    }

    void grow()
    {
        std::vector<Cell> old(cells.size() * 2);
        old.swap(cells);
        const size_t mask = cells.size() - 1;
        for (const Cell &c : old) {
            if (!c.tag)
                continue;
            size_t i = size_t(hashOf(keyOf(c))) & mask;
            while (cells[i].tag)
                i = (i + 1) & mask;
            cells[i] = c;
        }
    }

    // The form and its stem counted once more in segment `segment`.
    void add(QStringView word, qint64 segment)
    {
        Cell &form = cell(word, hashOf(word));
        form.tally.add(segment);
        StemTally &stem = stems[size_t(form.stem)];
        stem.all.add(segment);
        if (!form.stop)
            stem.content.add(segment);
        ++wordCount;
    }
};

VocabularyCounter::VocabularyCounter() : d(std::make_unique<Data>()) {}
VocabularyCounter::~VocabularyCounter() = default;
VocabularyCounter::VocabularyCounter(VocabularyCounter &&) noexcept = default;
VocabularyCounter &VocabularyCounter::operator=(VocabularyCounter &&) noexcept = default;

void VocabularyCounter::addSegment(QStringView text)
{
    const qint64 segment = ++d->segmentCount;
    Data *data = d.get();
    data->splitter.split(text, [data, segment](QStringView form, qsizetype, qsizetype) {
        data->add(form, segment);
    });
}

void VocabularyCounter::merge(const VocabularyCounter &other)
{
    if (&other == this) { // merged into itself: its counts double
        for (Cell &c : d->cells)
            c.tally.add(Tally(c.tally));
        for (StemTally &stem : d->stems) {
            stem.all.add(Tally(stem.all));
            stem.content.add(Tally(stem.content));
        }
        d->segmentCount *= 2;
        d->wordCount *= 2;
        return;
    }
    // The other's segments are not this one's: their counts add up. The
    // segments counted here next are numbered after all of them.
    std::vector<int> stemHere(other.d->stems.size());
    for (size_t n = 0; n < other.d->stems.size(); ++n) {
        stemHere[n] = d->stemNumber(other.d->stemNames[n]);
        StemTally &mine = d->stems[size_t(stemHere[n])];
        mine.all.add(other.d->stems[n].all);
        mine.content.add(other.d->stems[n].content);
    }
    for (const Cell &theirs : other.d->cells) {
        if (!theirs.tag)
            continue;
        const QStringView key = other.d->keyOf(theirs);
        Cell &mine = d->cell(key, hashOf(key), stemHere[size_t(theirs.stem)], theirs.stop);
        mine.tally.add(theirs.tally);
    }
    d->segmentCount += other.d->segmentCount;
    d->wordCount += other.d->wordCount;
}

qint64 VocabularyCounter::segmentCount() const
{
    return d->segmentCount;
}

qint64 VocabularyCounter::wordCount() const
{
    return d->wordCount;
}

qint64 VocabularyCounter::count(const QString &word) const
{
    const Cell *form = d->find(word);
    return form ? form->tally.count : 0;
}

qint64 VocabularyCounter::distinct() const
{
    return qint64(d->used);
}

qint64 VocabularyCounter::stemCount(const QString &stem, bool withoutStopWords) const
{
    const auto it = d->stemIndex.constFind(stem);
    if (it == d->stemIndex.constEnd())
        return 0;
    const StemTally &s = d->stems[size_t(it.value())];
    return withoutStopWords ? s.content.count : s.all.count;
}

std::vector<VocabularyEntry> VocabularyCounter::entries(const VocabularyOptions &options) const
{
    std::vector<VocabularyEntry> list;
    std::vector<int> stemOf; // by stem: the stem of each form of `list`
    for (const Cell &form : d->cells) {
        if (!form.tag || (options.withoutStopWords && form.stop))
            continue;
        VocabularyEntry e;
        e.word = d->keyOf(form).toString();
        e.count = form.tally.count;
        e.segments = form.tally.segments;
        list.push_back(std::move(e));
        if (options.byStem)
            stemOf.push_back(form.stem);
    }
    std::vector<int> rank = frenchRanks([&list] {
        std::vector<QString> words;
        words.reserve(list.size());
        for (const VocabularyEntry &e : list)
            words.push_back(e.word);
        return words;
    }());
    const auto sortEntries = [](std::vector<VocabularyEntry> &entries, const std::vector<int> &ranks) {
        std::vector<int> order(entries.size());
        std::iota(order.begin(), order.end(), 0);
        std::sort(order.begin(), order.end(), [&](int a, int b) {
            if (entries[a].count != entries[b].count)
                return entries[a].count > entries[b].count;
            return ranks[a] < ranks[b];
        });
        std::vector<VocabularyEntry> sorted;
        sorted.reserve(entries.size());
        for (int i : order)
            sorted.push_back(std::move(entries[i]));
        entries.swap(sorted);
    };
    if (!options.byStem) {
        sortEntries(list, rank);
        return list;
    }

    // By stem: the forms in order (count, then French order), gathered
    // under their stems in that order.
    std::vector<int> order(list.size());
    std::iota(order.begin(), order.end(), 0);
    std::sort(order.begin(), order.end(), [&](int a, int b) {
        if (list[a].count != list[b].count)
            return list[a].count > list[b].count;
        return rank[a] < rank[b];
    });
    std::vector<VocabularyEntry> stems;
    std::vector<int> index(d->stems.size(), -1); // a stem's place in `stems`
    for (int i : order) {
        const int stem = stemOf[size_t(i)];
        if (index[size_t(stem)] < 0) {
            index[size_t(stem)] = int(stems.size());
            const StemTally &s = d->stems[size_t(stem)];
            const Tally &tally = options.withoutStopWords ? s.content : s.all;
            VocabularyEntry e;
            e.word = d->stemNames[size_t(stem)];
            e.count = tally.count;
            e.segments = tally.segments;
            stems.push_back(std::move(e));
        }
        VocabularyEntry &e = stems[size_t(index[size_t(stem)])];
        e.forms.append(list[i].word);
        e.formCounts.push_back(list[i].count);
    }
    std::vector<QString> stemWords;
    stemWords.reserve(stems.size());
    for (const VocabularyEntry &e : stems)
        stemWords.push_back(e.word);
    sortEntries(stems, frenchRanks(stemWords));
    return stems;
}

std::vector<KeyWord> keyWords(const VocabularyCounter &target, const VocabularyCounter &rest, int limit,
                              const VocabularyOptions &options)
{
    const qint64 c = target.wordCount();
    const qint64 d = rest.wordCount();
    std::vector<VocabularyEntry> entries = target.entries(options);
    std::vector<KeyWord> list;
    list.reserve(entries.size());
    for (const VocabularyEntry &e : entries) {
        KeyWord k;
        k.word = e.word;
        k.count = e.count;
        k.elsewhere = options.byStem ? rest.stemCount(e.word, options.withoutStopWords) : rest.count(e.word);
        const results::Keyness keyness = results::logLikelihood(k.count, c, k.elsewhere, d);
        k.g2 = keyness.sign * keyness.g2;
        k.p = keyness.p;
        list.push_back(std::move(k));
    }
    // `entries` came in count then French order: a stable sort keeps that
    // order between equal G².
    std::stable_sort(list.begin(), list.end(), [](const KeyWord &a, const KeyWord &b) { return a.g2 > b.g2; });
    if (limit > 0 && list.size() > size_t(limit))
        list.resize(size_t(limit));
    return list;
}

} // namespace words
