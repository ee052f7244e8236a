#include "words/vocabulary.h"

#include "common/frenchorder.h"
#include "results/keyness.h"
#include "words/stemmer.h"
#include "words/stopwords.h"
#include "words/wordsplit.h"

#include <QHash>

#include <algorithm>
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
};

// An open-addressing hash table keyed by strings, looked up by views (no
// string is made for a word already there). Grows by doubling; its size is
// bounded by the distinct keys.
template<typename Value>
class Table
{
public:
    struct Cell {
        QString key;
        size_t hash = 0;
        bool used = false;
        Value value{};
    };

    Table() : m_cells(1024) {}

    static size_t hashOf(QStringView key) { return qHash(key, size_t(0)); }

    Value *find(QStringView key) { return const_cast<Value *>(std::as_const(*this).find(key)); }
    const Value *find(QStringView key) const
    {
        const size_t h = hashOf(key);
        const size_t mask = m_cells.size() - 1;
        for (size_t i = h & mask;; i = (i + 1) & mask) {
            const Cell &s = m_cells[i];
            if (!s.used)
                return nullptr;
            if (s.hash == h && QStringView(s.key) == key)
                return &s.value;
        }
    }

    // The value of `key`, made (from `make`) when new.
    template<typename Make>
    Value &get(QStringView key, size_t h, Make make)
    {
        size_t mask = m_cells.size() - 1;
        size_t i = h & mask;
        for (;; i = (i + 1) & mask) {
            Cell &s = m_cells[i];
            if (!s.used)
                break;
            if (s.hash == h && QStringView(s.key) == key)
                return s.value;
        }
        if ((m_used + 1) * 4 > m_cells.size() * 3) { // at most 3/4 full
            grow();
            mask = m_cells.size() - 1;
            for (i = h & mask; m_cells[i].used; i = (i + 1) & mask) {
            }
        }
        Cell &s = m_cells[i];
        s.key = key.toString();
        s.hash = h;
        s.used = true;
        s.value = make(s.key);
        ++m_used;
        return s.value;
    }

    qsizetype size() const { return qsizetype(m_used); }
    const std::vector<Cell> &cells() const { return m_cells; }

private:
    void grow()
    {
        std::vector<Cell> old(m_cells.size() * 2);
        old.swap(m_cells);
        const size_t mask = m_cells.size() - 1;
        for (Cell &s : old) {
            if (!s.used)
                continue;
            size_t i = s.hash & mask;
            while (m_cells[i].used)
                i = (i + 1) & mask;
            m_cells[i] = std::move(s);
        }
    }

    std::vector<Cell> m_cells;
    size_t m_used = 0;
};

// A form: its tally, its stem (a key of the stem table) and whether it is a
// stop word, both found once, when the form is first met.
struct Form {
    Tally tally;
    QString stem;
    size_t stemHash = 0;
    bool stop = false;
};

// A stem: over all its forms, and over those that are not stop words (a
// segment holding two forms of one stem counts once).
struct Stem {
    Tally all;
    Tally content;
};

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

struct VocabularyCounter::Data {
    Table<Form> forms;
    Table<Stem> stems;
    qint64 segmentCount = 0;
    qint64 wordCount = 0;
    WordSplitter splitter;
    std::unique_ptr<FrenchStemmer> stemmer = std::make_unique<FrenchStemmer>();

    // The form and its stem counted once more in segment `segment`.
    void add(QStringView word, qint64 segment)
    {
        Form &form = forms.get(word, Table<Form>::hashOf(word), [this](const QString &key) {
            Form f;
            f.stem = stemmer->stem(key);
            f.stemHash = Table<Stem>::hashOf(f.stem);
            f.stop = isStopWord(key);
            return f;
        });
        form.tally.add(segment);
        Stem &stem = stems.get(form.stem, form.stemHash, [](const QString &) { return Stem{}; });
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
        for (const auto &cell : d->forms.cells()) {
            if (cell.used) {
                Form &form = *d->forms.find(cell.key);
                form.tally.count *= 2;
                form.tally.segments *= 2;
            }
        }
        for (const auto &cell : d->stems.cells()) {
            if (cell.used) {
                Stem &stem = *d->stems.find(cell.key);
                stem.all.count *= 2;
                stem.all.segments *= 2;
                stem.content.count *= 2;
                stem.content.segments *= 2;
            }
        }
        d->segmentCount *= 2;
        d->wordCount *= 2;
        return;
    }
    // The other's segments are not this one's: their counts add up. The
    // segments counted here next are numbered after all of them.
    for (const auto &cell : other.d->forms.cells()) {
        if (!cell.used)
            continue;
        Form &form = d->forms.get(cell.key, cell.hash, [&cell](const QString &) {
            Form f;
            f.stem = cell.value.stem;
            f.stemHash = cell.value.stemHash;
            f.stop = cell.value.stop;
            return f;
        });
        form.tally.count += cell.value.tally.count;
        form.tally.segments += cell.value.tally.segments;
    }
    for (const auto &cell : other.d->stems.cells()) {
        if (!cell.used)
            continue;
        Stem &stem = d->stems.get(cell.key, cell.hash, [](const QString &) { return Stem{}; });
        stem.all.count += cell.value.all.count;
        stem.all.segments += cell.value.all.segments;
        stem.content.count += cell.value.content.count;
        stem.content.segments += cell.value.content.segments;
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
    const Form *form = d->forms.find(word);
    return form ? form->tally.count : 0;
}

qint64 VocabularyCounter::distinct() const
{
    return d->forms.size();
}

qint64 VocabularyCounter::stemCount(const QString &stem, bool withoutStopWords) const
{
    const Stem *s = d->stems.find(stem);
    if (!s)
        return 0;
    return withoutStopWords ? s->content.count : s->all.count;
}

std::vector<VocabularyEntry> VocabularyCounter::entries(const VocabularyOptions &options) const
{
    std::vector<VocabularyEntry> list;
    std::vector<QString> stemOf; // by stem: the stem of each form of `list`
    for (const auto &cell : d->forms.cells()) {
        if (!cell.used || (options.withoutStopWords && cell.value.stop))
            continue;
        VocabularyEntry e;
        e.word = cell.key;
        e.count = cell.value.tally.count;
        e.segments = cell.value.tally.segments;
        list.push_back(std::move(e));
        if (options.byStem)
            stemOf.push_back(cell.value.stem);
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
    QHash<QString, int> index;
    for (int i : order) {
        const QString &stem = stemOf[i];
        auto it = index.find(stem);
        if (it == index.end()) {
            it = index.insert(stem, int(stems.size()));
            VocabularyEntry e;
            e.word = stem;
            const Stem *s = d->stems.find(stem);
            const Tally &tally = options.withoutStopWords ? s->content : s->all;
            e.count = tally.count;
            e.segments = tally.segments;
            stems.push_back(std::move(e));
        }
        VocabularyEntry &e = stems[size_t(it.value())];
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
