#include "words/dictionarymatch.h"

#include <QHash>

#include <algorithm>

namespace words {

namespace {

using Span = SegmentMatch::CategorySpan;

bool overlaps(const Span &a, const Span &b)
{
    return a.first <= b.last && b.first <= a.last;
}

bool byPlace(const Span &a, const Span &b)
{
    if (a.category != b.category)
        return a.category < b.category;
    if (a.first != b.first)
        return a.first < b.first;
    return a.last < b.last;
}

bool wordMatches(QByteArrayView word, const QByteArray &pattern, bool prefix)
{
    return prefix ? word.startsWith(QByteArrayView(pattern)) : word == QByteArrayView(pattern);
}

} // namespace

DictionaryMatcher::DictionaryMatcher(const Dictionary &dictionary, const Fold &fold)
{
    m_root.fill(-1);
    m_nodes.emplace_back();
    QHash<QString, int> topIndex;
    for (const DictionaryCategory &c : dictionary.categories) {
        const int index = int(m_parents.size());
        if (c.parent.isEmpty())
            topIndex.insert(c.name, index);
        m_parents.push_back(c.parent.isEmpty() ? -1 : topIndex.value(c.parent, -1));
        m_firstEntry.push_back(int(m_entryCategory.size()));
        for (const DictionaryEntry &e : c.entries) {
            const int entry = int(m_entryCategory.size());
            m_entryCategory.push_back(index);
            m_exclusion.push_back(e.exclusion ? 1 : 0);
            // The words of the entry, each folded as search folds it; a
            // word cut in parts by search is the phrase of its parts, the
            // last part keeping the word's star.
            std::vector<Word> pattern;
            const QStringList written = e.text.split(QLatin1Char(' '), Qt::SkipEmptyParts);
            for (qsizetype w = 0; w < written.size(); ++w) {
                QString word = written[w];
                bool prefix = e.kind == DictionaryEntry::Kind::Prefix && w == written.size() - 1;
                if (word.endsWith(QLatin1Char('*'))) {
                    word.chop(1);
                    prefix = true;
                }
                const std::vector<QByteArray> parts = fold(word);
                for (size_t p = 0; p < parts.size(); ++p)
                    pattern.push_back(Word{parts[p], prefix && p + 1 == parts.size()});
            }
            if (pattern.empty())
                m_silent.push_back(entry);
            else {
                int node = 0;
                for (const char byte : pattern.front().folded)
                    node = addChild(node, static_cast<unsigned char>(byte));
                Node &end = m_nodes[size_t(node)];
                (pattern.front().prefix ? end.prefixes : end.words).push_back(entry);
            }
            m_patterns.push_back(std::move(pattern));
        }
    }
    m_firstEntry.push_back(int(m_entryCategory.size()));
}

int DictionaryMatcher::child(int node, unsigned char byte) const
{
    if (node == 0)
        return m_root[byte];
    for (const auto &[b, next] : m_nodes[size_t(node)].next) {
        if (b == byte)
            return next;
        if (b > byte)
            break;
    }
    return -1;
}

int DictionaryMatcher::addChild(int node, unsigned char byte)
{
    const int found = child(node, byte);
    if (found >= 0)
        return found;
    const int made = int(m_nodes.size());
    m_nodes.emplace_back();
    if (node == 0) {
        m_root[byte] = made;
    } else {
        auto &next = m_nodes[size_t(node)].next;
        next.insert(std::lower_bound(next.begin(), next.end(), std::make_pair(byte, 0)),
                    std::make_pair(byte, made));
    }
    return made;
}

void DictionaryMatcher::match(const search::Tokens &tokens,
                              std::vector<SegmentMatch::Occurrence> *out) const
{
    const int n = tokens.count();
    auto candidate = [&](int entry, int at) {
        const std::vector<Word> &pattern = m_patterns[size_t(entry)];
        const int size = int(pattern.size());
        if (at + size > n)
            return;
        for (int k = 1; k < size; ++k)
            if (!wordMatches(tokens.word(at + k), pattern[size_t(k)].folded,
                             pattern[size_t(k)].prefix))
                return;
        out->push_back({entry, at, at + size - 1});
    };
    for (int i = 0; i < n; ++i) {
        const QByteArrayView word = tokens.word(i);
        int node = 0;
        for (const char byte : word) {
            node = child(node, static_cast<unsigned char>(byte));
            if (node < 0)
                break;
            for (int entry : m_nodes[size_t(node)].prefixes)
                candidate(entry, i);
        }
        if (node > 0)
            for (int entry : m_nodes[size_t(node)].words)
                candidate(entry, i);
    }
}

void DictionaryMatcher::scan(const search::Tokens &tokens, SegmentMatch *out) const
{
    out->occurrences.clear();
    out->categories.clear();
    out->entries.clear();
    out->spans.clear();
    out->caught.assign(size_t(tokens.count()), 0);
    match(tokens, &out->occurrences);
    if (out->occurrences.empty())
        return;
    for (const SegmentMatch::Occurrence &o : out->occurrences)
        std::fill(out->caught.begin() + o.first, out->caught.begin() + o.last + 1, 1);
    count(out);
}

std::vector<std::pair<int, int>> DictionaryMatcher::places(const SegmentMatch &match,
                                                           int entry) const
{
    std::vector<std::pair<int, int>> found;
    const int category = categoryOf(entry);
    for (const SegmentMatch::Occurrence &o : match.occurrences) {
        if (o.entry != entry)
            continue;
        const Span s{category, o.first, o.last};
        bool kept = true;
        if (!isExclusion(entry))
            for (const Span &x : match.exclusions)
                kept = kept && !(x.category == category && overlaps(x, s));
        if (kept)
            found.emplace_back(o.first, o.last);
    }
    return found;
}

void DictionaryMatcher::count(SegmentMatch *out) const
{
    auto &occurrences = out->occurrences;
    std::sort(occurrences.begin(), occurrences.end(),
              [this](const SegmentMatch::Occurrence &a, const SegmentMatch::Occurrence &b) {
                  const int ca = categoryOf(a.entry);
                  const int cb = categoryOf(b.entry);
                  if (ca != cb)
                      return ca < cb;
                  if (a.first != b.first)
                      return a.first < b.first;
                  if (a.last != b.last)
                      return a.last < b.last;
                  return a.entry < b.entry;
              });
    auto &exclusions = out->exclusions;
    auto &lifted = out->lifted;
    auto &spans = out->spans;
    exclusions.clear();
    lifted.clear();
    for (const SegmentMatch::Occurrence &o : occurrences)
        if (isExclusion(o.entry))
            exclusions.push_back({categoryOf(o.entry), o.first, o.last});
    // Exclusions are in category order: those of one category are a run.
    auto excluded = [&exclusions](const Span &s) {
        auto it = std::lower_bound(exclusions.begin(), exclusions.end(), s.category,
                                   [](const Span &x, int c) { return x.category < c; });
        for (; it != exclusions.end() && it->category == s.category; ++it)
            if (overlaps(*it, s))
                return true;
        return false;
    };

    // Each category's own occurrences left in by its exclusions, counted for
    // their entries; a child's are lifted to its parent.
    std::vector<std::pair<int, int>> &entries = out->entries;
    for (const SegmentMatch::Occurrence &o : occurrences) {
        const int category = categoryOf(o.entry);
        const Span s{category, o.first, o.last};
        if (!isExclusion(o.entry) && excluded(s))
            continue;
        if (!entries.empty() && entries.back().first == o.entry)
            ++entries.back().second;
        else
            entries.emplace_back(o.entry, 1);
        if (isExclusion(o.entry))
            continue;
        spans.push_back(s);
        const int parent = parentOf(category);
        if (parent >= 0)
            lifted.push_back({parent, o.first, o.last});
    }
    // The parent's exclusions apply to what it counts of its children.
    for (const Span &s : lifted)
        if (!excluded(s))
            spans.push_back(s);
    std::sort(spans.begin(), spans.end(), byPlace);
    // Entries of one category may have been met out of their order.
    std::sort(entries.begin(), entries.end());
    size_t kept = 0;
    for (size_t i = 0; i < entries.size(); ++i) {
        if (kept > 0 && entries[kept - 1].first == entries[i].first)
            entries[kept - 1].second += entries[i].second;
        else
            entries[kept++] = entries[i];
    }
    entries.resize(kept);

    // A category counts its runs of overlapping places.
    for (size_t i = 0; i < spans.size();) {
        const int category = spans[i].category;
        int runs = 0;
        int end = -1;
        for (; i < spans.size() && spans[i].category == category; ++i) {
            if (spans[i].first > end)
                ++runs;
            end = std::max(end, spans[i].last);
        }
        out->categories.emplace_back(category, runs);
    }
}

} // namespace words
