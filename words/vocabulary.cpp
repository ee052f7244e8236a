#include "words/vocabulary.h"

#include "common/frenchorder.h"
#include "results/keyness.h"
#include "words/stemmer.h"
#include "words/stopwords.h"
#include "words/wordscan.h"

#include <QHash>

#include <algorithm>
#include <array>
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

// A 64-bit hash of a word's UTF-16 units: eight bytes at a time, each
// multiplied in, and a 64-bit finaliser. The index uses the low bits for the
// place and the high ones as a tag.
inline quint64 mixed(quint64 h)
{
    h ^= h >> 33;
    h *= 0xff51afd7ed558ccdULL;
    h ^= h >> 33;
    h *= 0xc4ceb9fe1a85ec53ULL;
    h ^= h >> 33;
    return h;
}

// A word of at most kInline units, zero-padded to three 64-bit words: how a
// cell keeps it, compared and hashed whole.
constexpr quint32 kInline = 12;
struct ShortKey {
    quint64 w[3];
    bool operator==(const ShortKey &o) const
    {
        return ((w[0] ^ o.w[0]) | (w[1] ^ o.w[1]) | (w[2] ^ o.w[2])) == 0;
    }
};

// Copies of a fixed size, which the compiler writes as a few moves.
template <size_t Units>
void copyUnits(ShortKey &k, const char16_t *chars)
{
    std::memcpy(k.w, chars, Units * sizeof(char16_t));
}

inline ShortKey shortKey(QStringView key)
{
    ShortKey k{{0, 0, 0}};
    const char16_t *chars = key.utf16();
    switch (key.size()) {
    case 1: copyUnits<1>(k, chars); break;
    case 2: copyUnits<2>(k, chars); break;
    case 3: copyUnits<3>(k, chars); break;
    case 4: copyUnits<4>(k, chars); break;
    case 5: copyUnits<5>(k, chars); break;
    case 6: copyUnits<6>(k, chars); break;
    case 7: copyUnits<7>(k, chars); break;
    case 8: copyUnits<8>(k, chars); break;
    case 9: copyUnits<9>(k, chars); break;
    case 10: copyUnits<10>(k, chars); break;
    case 11: copyUnits<11>(k, chars); break;
    case 12: copyUnits<12>(k, chars); break;
    default: break;
    }
    return k;
}

// The short key of a word whose characters are followed by at least
// kInline - length more units in memory: three loads, the units past the
// word masked off (little-endian machines; others copy).
inline ShortKey shortKeyWithSlack(QStringView key)
{
    if constexpr (Q_BYTE_ORDER == Q_LITTLE_ENDIAN) {
        static constexpr quint64 kAll = ~quint64(0);
        static const auto masks = [] {
            std::array<ShortKey, kInline + 1> m{};
            for (size_t length = 0; length <= kInline; ++length)
                for (size_t w = 0; w < 3; ++w) {
                    const qsizetype left = qsizetype(length) - qsizetype(4 * w);
                    const size_t units = size_t(std::clamp<qsizetype>(left, 0, 4));
                    m[length].w[w] = units == 4 ? kAll : (quint64(1) << (16 * units)) - 1;
                }
            return m;
        }();
        ShortKey k;
        std::memcpy(k.w, key.utf16(), sizeof k.w);
        const ShortKey &mask = masks[size_t(key.size())];
        k.w[0] &= mask.w[0];
        k.w[1] &= mask.w[1];
        k.w[2] &= mask.w[2];
        return k;
    } else {
        return shortKey(key);
    }
}

inline quint64 hashOf(const ShortKey &k, qsizetype length)
{
    return mixed((k.w[0] * 0x9e3779b97f4a7c15ULL) ^ ((k.w[1] + quint64(length)) * 0xc2b2ae3d27d4eb4fULL)
                 ^ (k.w[2] * 0x165667b19e3779f9ULL));
}

quint64 hashOf(QStringView key)
{
    if (key.size() <= qsizetype(kInline))
        return hashOf(shortKey(key), key.size());
    quint64 h = quint64(key.size()) * 0x9e3779b97f4a7c15ULL;
    const char *bytes = reinterpret_cast<const char *>(key.utf16());
    const size_t size = size_t(key.size()) * sizeof(char16_t);
    size_t at = 0;
    for (; at + 8 <= size; at += 8) {
        quint64 w;
        std::memcpy(&w, bytes + at, 8);
        h = (h ^ w) * 0xc2b2ae3d27d4eb4fULL;
        h ^= h >> 29;
    }
    quint64 tail = 0;
    std::memcpy(&tail, bytes + at, size - at);
    return mixed(h ^ tail);
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
// fewer (most words; zero after the last), else their place in an arena
// beside. A word already met costs one look at one cell, mostly in one cache
// line, compared as three 64-bit words, and nothing is allocated for it.
//
// A stem's tallies are its form's own as long as it has one form (most
// stems): nothing more is touched. From its second form on, they are kept in
// a tally of its own (`shared`, in `stemTallies`), begun from the first
// form's, which every form of the stem then adds to: a segment holding two
// forms of the stem counts once.
struct Cell {
    quint32 tag = 0;
    quint32 length : 31;
    quint32 stop : 1;
    qint32 stem = 0;   // in `stems`
    qint32 shared = -1; // in `stemTallies` once the stem has several forms
    Tally tally;
    union {
        char16_t chars[kInline];
        qsizetype offset;
    } key{};
    Cell() : length(0), stop(0) {}
};
static_assert(sizeof(Cell) == 64, "a cell fills one cache line");
static_assert(sizeof(Cell::key) == sizeof(ShortKey), "a short key fills a cell's characters");

// A stem's tallies once it has several forms, one cache line each.
struct alignas(64) SharedTally {
    StemTally tally;
};

// What is known of a stem besides its counts.
struct Stem {
    QString name;
    QString firstForm; // the form its counts are while it has one
    int forms = 0;
    int shared = -1;   // in `stemTallies` once it has several forms
};

struct VocabularyCounter::Data {
    std::vector<Cell> cells = std::vector<Cell>(1024);
    size_t used = 0;
    std::vector<char16_t> arena; // the forms longer than a cell holds
    std::vector<Stem> stems;
    QHash<QString, int> stemIndex;
    std::vector<SharedTally> stemTallies;
    qint64 segmentCount = 0;
    qint64 wordCount = 0;
    QString buffer; // the splitting's (words/wordscan.h)
    // The words of the segment being counted, hashed as they come (their
    // cells fetched ahead into the cache), counted kPending at a time and
    // when the segment is split: the fetches overlap the splitting.
    static constexpr size_t kPending = 256;
    struct Pending {
        ShortKey key;     // a short word, zero-padded
        quint64 hash;
        qsizetype length;
        qsizetype longAt; // a longer word: its place in longWords; -1 for a short one
    };
    std::vector<Pending> pending;
    std::vector<char16_t> longWords;
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

    // The cell of a short word (at most kInline units), made when new.
    Cell &shortCell(QStringView key, const ShortKey &k, quint64 h)
    {
        const size_t mask = cells.size() - 1;
        const quint32 tag = tagOf(h);
        const quint32 length = quint32(key.size());
        for (size_t i = size_t(h) & mask;; i = (i + 1) & mask) {
            Cell &c = cells[i];
            if (c.tag == tag && c.length == length) {
                ShortKey held;
                std::memcpy(&held, c.key.chars, sizeof held);
                if (held == k)
                    return c;
            } else if (c.tag == 0) {
                return newCell(key, h);
            }
        }
    }

    Q_NEVER_INLINE Cell &newCell(QStringView key, quint64 h) { return cell(key, h); }

    const Cell *find(QStringView key) const
    {
        const Cell &c = cells[cellOf(key, hashOf(key))];
        return c.tag ? &c : nullptr;
    }

    int stemNumber(const QString &name)
    {
        const auto it = stemIndex.constFind(name);
        if (it != stemIndex.constEnd())
            return it.value();
        const int number = int(stems.size());
        stems.push_back(Stem{name, QString(), 0, -1});
        stemIndex.insert(name, number);
        return number;
    }

    // The tallies of stem `number`: its own, or its one form's.
    StemTally stemTally(int number) const
    {
        const Stem &stem = stems[size_t(number)];
        if (stem.shared >= 0)
            return stemTallies[size_t(stem.shared)].tally;
        const Cell *form = stem.forms > 0 ? find(stem.firstForm) : nullptr;
        if (!form)
            return {};
        return StemTally{form->tally, form->stop ? Tally{} : form->tally};
    }

    // Stem `number` is to have several forms: its tallies begin from its
    // one form's, and its forms met so far count into them.
    void share(int number)
    {
        Stem &stem = stems[size_t(number)];
        if (stem.shared >= 0)
            return;
        const StemTally begun = stemTally(number);
        stem.shared = int(stemTallies.size());
        stemTallies.push_back(SharedTally{begun});
        if (stem.forms > 0)
            cells[cellOf(stem.firstForm, hashOf(stem.firstForm))].shared = stem.shared;
    }

    // The cell of `key`, made when new (its stem is `stem`, or found by the
    // stemmer when -1; a stem's tallies are not touched).
    Cell &cell(QStringView key, quint64 h, int stem = -1, bool stop = false)
    {
        size_t i = cellOf(key, h);
        if (cells[i].tag)
            return cells[i];
        if ((used + 1) * 2 > cells.size()) {
            grow();
            i = cellOf(key, h);
        }
        if (stem < 0) {
            const QString form = key.toString();
            stem = stemNumber(stemmer->stem(form));
            stop = isStopWord(form);
        }
        if (stems[size_t(stem)].forms > 0)
            share(stem);
        Stem &s = stems[size_t(stem)];
        if (s.forms++ == 0)
            s.firstForm = key.toString();
        Cell &c = cells[i];
        c.tag = tagOf(h);
        c.length = quint32(key.size());
        if (c.length <= kInline) {
            std::memcpy(c.key.chars, key.utf16(), size_t(key.size()) * sizeof(char16_t));
        } else {
            c.key.offset = qsizetype(arena.size());
            arena.insert(arena.end(), key.utf16(), key.utf16() + key.size());
        }
        c.stem = stem;
        c.stop = stop;
        c.shared = s.shared;
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
    void add(Cell &form, qint64 segment)
    {
        form.tally.add(segment);
        if (form.shared >= 0) {
            StemTally &stem = stemTallies[size_t(form.shared)].tally;
            stem.all.add(segment);
            if (!form.stop)
                stem.content.add(segment);
        }
        ++wordCount;
    }
    // A word the splitting gives (words/wordscan.h), held until the segment
    // is split (or kPending are held), its cell fetched meanwhile. Most words
    // lie in the splitting's buffer, where the units after them may be read.
    Q_ALWAYS_INLINE void hold(QStringView word, qint64 segment)
    {
        Pending p;
        p.length = word.size();
        if (word.size() <= qsizetype(kInline)) {
            const auto at = quintptr(word.utf16());
            const auto begin = quintptr(buffer.constData());
            const auto end = quintptr(buffer.constData() + buffer.size());
            p.key = at >= begin && at + kInline * sizeof(char16_t) <= end ? shortKeyWithSlack(word)
                                                                         : shortKey(word);
            p.hash = hashOf(p.key, word.size());
            p.longAt = -1;
        } else {
            p.key = ShortKey{{0, 0, 0}};
            p.hash = hashOf(word);
            p.longAt = qsizetype(longWords.size());
            longWords.insert(longWords.end(), word.utf16(), word.utf16() + word.size());
        }
        __builtin_prefetch(&cells[size_t(p.hash) & (cells.size() - 1)]);
        pending.push_back(p);
        if (pending.size() == kPending)
            countHeld(segment);
    }

    // The words held counted in segment `segment`.
    void countHeld(qint64 segment)
    {
        for (const Pending &p : pending) {
            if (p.longAt < 0) {
                char16_t chars[kInline];
                std::memcpy(chars, p.key.w, sizeof chars);
                add(shortCell(QStringView(chars, p.length), p.key, p.hash), segment);
            } else {
                add(cell(QStringView(longWords.data() + p.longAt, p.length), p.hash), segment);
            }
        }
        pending.clear();
        longWords.clear();
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
    scan::splitWords(text, data->buffer, [data, segment](QStringView form, qsizetype, qsizetype) {
        data->hold(form, segment);
    });
    data->countHeld(segment);
}

void VocabularyCounter::merge(const VocabularyCounter &other)
{
    if (&other == this) { // merged into itself: its counts double
        for (Cell &c : d->cells)
            c.tally.add(Tally(c.tally));
        for (SharedTally &stem : d->stemTallies) {
            stem.tally.all.add(Tally(stem.tally.all));
            stem.tally.content.add(Tally(stem.tally.content));
        }
        d->segmentCount *= 2;
        d->wordCount *= 2;
        return;
    }
    // The other's segments are not this one's: their counts add up. The
    // segments counted here next are numbered after all of them. Each stem's
    // tallies on both sides are taken before any form is added, and set
    // once all are: a stem with several forms then holds the two sums.
    std::vector<int> stemHere(other.d->stems.size());
    std::vector<StemTally> sums(other.d->stems.size());
    for (size_t n = 0; n < other.d->stems.size(); ++n) {
        const int here = d->stemNumber(other.d->stems[n].name);
        stemHere[n] = here;
        const StemTally mine = d->stemTally(here);
        const StemTally theirs = other.d->stemTally(int(n));
        sums[n] = mine;
        sums[n].all.add(theirs.all);
        sums[n].content.add(theirs.content);
    }
    for (const Cell &theirs : other.d->cells) {
        if (!theirs.tag)
            continue;
        const QStringView key = other.d->keyOf(theirs);
        Cell &mine = d->cell(key, hashOf(key), stemHere[size_t(theirs.stem)], theirs.stop);
        mine.tally.add(theirs.tally);
    }
    for (size_t n = 0; n < other.d->stems.size(); ++n) {
        const Stem &stem = d->stems[size_t(stemHere[n])];
        if (stem.shared >= 0) {
            StemTally &held = d->stemTallies[size_t(stem.shared)].tally;
            const qint64 allLast = held.all.last;
            const qint64 contentLast = held.content.last;
            held = sums[n];
            held.all.last = allLast;
            held.content.last = contentLast;
        }
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
    const StemTally s = d->stemTally(it.value());
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
            const StemTally s = d->stemTally(stem);
            const Tally &tally = options.withoutStopWords ? s.content : s.all;
            VocabularyEntry e;
            e.word = d->stems[size_t(stem)].name;
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
