#include "words/dictionarycount.h"

#include "results/keyness.h"
#include "store/codercopy.h"
#include "store/connection.h"
#include "store/dictionarycoding.h"
#include "store/storeerror.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string_view>
#include <unordered_map>

namespace words {
namespace {

// A quoted FTS5 string: the text between double quotes, those inside doubled.
QString quotedString(const QString &text)
{
    QString q = text;
    q.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + q + QLatin1Char('"');
}

// The distinct words met, each with an id, its places, and the form shown:
// lower case as met, one with accents preferred to one without. Memory: the
// distinct words, in blocks that never move.
class WordTable
{
public:
    int intern(QByteArrayView folded, QByteArrayView raw)
    {
        const std::string_view key(folded.data(), size_t(folded.size()));
        const auto found = m_ids.find(key);
        if (found != m_ids.end()) {
            const int id = found->second;
            ++m_counts[size_t(id)];
            // A form with accents is preferred ("État" over "ETAT", "Etat").
            if (!m_accented[size_t(id)] && hasAccent(raw)) {
                m_forms[size_t(id)] = QString::fromUtf8(raw).toLower();
                m_accented[size_t(id)] = 1;
            }
            return id;
        }
        const int id = int(m_counts.size());
        m_ids.emplace(store(key), id);
        m_counts.push_back(1);
        m_forms.push_back(QString::fromUtf8(raw).toLower());
        m_accented.push_back(hasAccent(raw) ? 1 : 0);
        return id;
    }
    qint64 count(int id) const { return m_counts[size_t(id)]; }
    const QString &form(int id) const { return m_forms[size_t(id)]; }

private:
    static bool hasAccent(QByteArrayView raw)
    {
        for (const char c : raw)
            if (static_cast<unsigned char>(c) >= 0x80)
                return true;
        return false;
    }
    std::string_view store(std::string_view key)
    {
        constexpr size_t kBlock = 64 * 1024;
        if (m_blocks.empty() || m_used + key.size() > m_blockSize) {
            m_blockSize = std::max(kBlock, key.size());
            m_blocks.push_back(std::make_unique<char[]>(m_blockSize));
            m_used = 0;
        }
        char *at = m_blocks.back().get() + m_used;
        std::memcpy(at, key.data(), key.size());
        m_used += key.size();
        return std::string_view(at, key.size());
    }

    std::unordered_map<std::string_view, int> m_ids;
    std::vector<qint64> m_counts;
    std::vector<QString> m_forms;
    std::vector<char> m_accented;
    std::vector<std::unique_ptr<char[]>> m_blocks;
    size_t m_blockSize = 0;
    size_t m_used = 0;
};

} // namespace

std::vector<QString> valueNames(const Dictionary &dictionary)
{
    std::vector<QString> names;
    names.reserve(dictionary.categories.size());
    for (const DictionaryCategory &c : dictionary.categories)
        names.push_back(c.path());
    return names;
}

QString entryExpression(const DictionaryEntry &entry)
{
    QStringList parts;
    const QStringList written = entry.text.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    for (qsizetype w = 0; w < written.size(); ++w) {
        QString word = written[w];
        bool prefix = entry.kind == DictionaryEntry::Kind::Prefix && w == written.size() - 1;
        if (word.endsWith(QLatin1Char('*'))) {
            word.chop(1);
            prefix = true;
        }
        parts << quotedString(word) + (prefix ? QStringLiteral("*") : QString());
    }
    return parts.join(QStringLiteral(" + "));
}

DictionaryScan::DictionaryScan(Connection &db, const Dictionary &dictionary)
    : m_db(db), m_tokenizer(db),
      m_matcher(dictionary, [this](const QString &text) { return m_tokenizer.fold(text); })
{
}

std::optional<DictionaryCount> DictionaryScan::count(const DictionaryCountOptions &options,
                                                     const CountProgress &progress)
{
    const int categories = m_matcher.categoryCount();
    DictionaryCount result;
    result.groups = search::groupsOf(m_db, options.grouping, options.restriction);
    const size_t groups = result.groups.size();
    result.groupWords.assign(groups, 0);
    result.groupSegments.assign(groups, 0);
    result.occurrences.assign(groups, std::vector<qint64>(size_t(categories), 0));
    result.holding.assign(groups, std::vector<qint64>(size_t(categories), 0));
    result.categoryOccurrences.assign(size_t(categories), 0);
    result.categorySegments.assign(size_t(categories), 0);
    result.entryOccurrences.assign(size_t(m_matcher.entryCount()), 0);
    result.entrySegments.assign(size_t(m_matcher.entryCount()), 0);
    result.entryPlaces.assign(size_t(m_matcher.entryCount()), {});
    const qint64 total = progress ? search::segmentCount(m_db, options.restriction) : 0;

    // The neighbours: per category, the places beside it, and per
    // (category, word) how many of them hold the word.
    WordTable table;
    std::vector<qint64> besideTotal(size_t(categories), 0);
    std::unordered_map<quint64, qint64> beside;
    std::vector<int> ids;
    std::vector<char> marked;

    search::Tokens tokens;
    SegmentMatch match;
    qint64 read = 0;
    const bool done = search::forEachGroupedSegment(
        m_db, options.restriction, options.grouping, result.groups,
        [&](const search::GroupedSegment &segment) {
            m_tokenizer.tokenize(segment.utf8, &tokens);
            m_matcher.scan(tokens, &match);
            const int n = tokens.count();
            ++result.segments;
            result.words += n;
            for (const int g : *segment.groups) {
                ++result.groupSegments[size_t(g)];
                result.groupWords[size_t(g)] += n;
                for (const auto &[category, count] : match.categories) {
                    result.occurrences[size_t(g)][size_t(category)] += count;
                    ++result.holding[size_t(g)][size_t(category)];
                }
            }
            for (const auto &[category, count] : match.categories) {
                result.categoryOccurrences[size_t(category)] += count;
                ++result.categorySegments[size_t(category)];
            }
            for (const auto &[entry, count] : match.entries) {
                result.entryOccurrences[size_t(entry)] += count;
                ++result.entrySegments[size_t(entry)];
                std::vector<qint64> &kept = result.entryPlaces[size_t(entry)];
                if (int(kept.size()) < options.keepSegments)
                    kept.push_back(segment.segment);
            }
            if (options.neighbours) {
                ids.resize(size_t(n));
                for (int i = 0; i < n; ++i) {
                    const search::Tokens::Token &t = tokens.tokens[size_t(i)];
                    ids[size_t(i)] = table.intern(
                        tokens.word(i), segment.utf8.sliced(t.start, t.end - t.start));
                }
                // Each category's window, its places marked once.
                for (size_t s = 0; s < match.spans.size();) {
                    const int category = match.spans[s].category;
                    marked.assign(size_t(n), 0);
                    for (; s < match.spans.size() && match.spans[s].category == category; ++s) {
                        const int from = std::max(0, match.spans[s].first - kNeighbourWindow);
                        const int to = std::min(n - 1, match.spans[s].last + kNeighbourWindow);
                        for (int i = from; i <= to; ++i)
                            if (!match.caught[size_t(i)])
                                marked[size_t(i)] = 1;
                    }
                    for (int i = 0; i < n; ++i) {
                        if (!marked[size_t(i)])
                            continue;
                        ++besideTotal[size_t(category)];
                        ++beside[quint64(category) << 32 | quint32(ids[size_t(i)])];
                    }
                }
            }
            ++read;
            if (progress && read % search::kGroupedBatch == 0)
                return progress(read, total);
            return true;
        });
    if (!done)
        return std::nullopt;
    if (progress && !progress(read, total))
        return std::nullopt;

    if (options.neighbours) {
        result.neighbours.assign(size_t(categories), {});
        for (const auto &[key, count] : beside) {
            const int category = int(key >> 32);
            const int id = int(key & 0xffffffffu);
            const qint64 target = besideTotal[size_t(category)];
            const qint64 elsewhere = table.count(id) - count;
            const results::Keyness k =
                results::logLikelihood(count, target, elsewhere, result.words - target);
            if (k.sign <= 0)
                continue;
            result.neighbours[size_t(category)].push_back(
                NeighbourWord{table.form(id), count, table.count(id), k.g2});
        }
        for (std::vector<NeighbourWord> &list : result.neighbours) {
            std::sort(list.begin(), list.end(), [](const NeighbourWord &a, const NeighbourWord &b) {
                if (a.g2 != b.g2)
                    return a.g2 > b.g2;
                return a.word < b.word;
            });
            if (list.size() > size_t(kMostNeighbours))
                list.resize(size_t(kMostNeighbours));
        }
    }
    return result;
}

bool DictionaryScan::code(coding::DictionaryCoding &coding, const search::Restriction &restriction,
                          const CountProgress &progress)
{
    const qint64 total = progress ? search::segmentCount(m_db, restriction) : 0;
    const search::Grouping whole;
    const std::vector<search::Group> groups = search::groupsOf(m_db, whole, restriction);
    std::vector<coding::DictionaryCoding::Holding> batch;
    search::Tokens tokens;
    SegmentMatch match;
    qint64 read = 0;
    const bool done = search::forEachGroupedSegment(
        m_db, restriction, whole, groups, [&](const search::GroupedSegment &segment) {
            m_tokenizer.tokenize(segment.utf8, &tokens);
            m_matcher.scan(tokens, &match);
            for (const auto &[category, count] : match.categories)
                batch.push_back({segment.segment, category});
            if (++read % search::kGroupedBatch != 0)
                return true;
            coding.code(batch);
            batch.clear();
            return !progress || progress(read, total);
        });
    if (!done)
        return false;
    coding.code(batch);
    return !progress || progress(read, total);
}

std::vector<search::Hit> DictionaryScan::entryHits(int entry, const std::vector<qint64> &segments)
{
    std::vector<search::Hit> hits;
    search::Tokens tokens;
    SegmentMatch match;
    search::forEachListedSegment(m_db, segments, [&](const search::GroupedSegment &segment) {
        m_tokenizer.tokenize(segment.utf8, &tokens);
        m_matcher.scan(tokens, &match);
        for (const auto &[first, last] : m_matcher.places(match, entry)) {
            const int start = tokens.tokens[size_t(first)].start;
            const int end = tokens.tokens[size_t(last)].end;
            search::Hit hit;
            hit.text = segment.text;
            hit.segment = segment.segment;
            hit.start = search::utf16Length(segment.utf8.first(start));
            hit.length = search::utf16Length(segment.utf8.sliced(start, end - start));
            hits.push_back(hit);
        }
        return true;
    });
    return hits;
}

std::optional<coding::DictionaryOutcome>
makeCodedCopy(const QString &source, const QString &target, const Dictionary &dictionary, int list,
              const QString &coder, const search::Restriction &restriction,
              const CountProgress &progress)
{
    const std::vector<QString> names = valueNames(dictionary);
    {
        const auto db = Connection::open(source, Connection::Access::ReadOnly);
        const std::vector<QString> missing = coding::missingValues(*db, list, names);
        if (!missing.empty()) {
            QStringList quoted;
            for (const QString &m : missing)
                quoted << QStringLiteral("« %1 »").arg(m);
            throw StoreError(QStringLiteral("La copie n'a pas été faite : %1 %2 pas une valeur de "
                                            "la liste %3 de l'analyse. Ajoutez-les d'abord, pour "
                                            "que la copie et l'analyse aient les mêmes listes.")
                                 .arg(quoted.join(QStringLiteral(", ")))
                                 .arg(missing.size() == 1 ? QStringLiteral("n'est")
                                                          : QStringLiteral("ne sont"))
                                 .arg(list));
        }
    }
    const QFileInfo info(target);
    if (info.exists() && info.canonicalFilePath() == QFileInfo(source).canonicalFilePath())
        throw StoreError(QStringLiteral("La copie « %1 » n'a pas pu être faite : c'est la base "
                                        "d'origine elle-même.")
                             .arg(QDir::toNativeSeparators(target)));
    const QString hidden =
        info.absoluteDir().filePath(QStringLiteral(".%1.dictionnaire").arg(info.fileName()));
    // Whatever happens before the copy is in place, the hidden file goes.
    struct Remove
    {
        QString path;
        ~Remove()
        {
            if (!path.isEmpty())
                QFile::remove(path);
        }
    } removal{hidden};
    codercopy::copyAnalysis(source, hidden, coder, false);
    std::optional<coding::DictionaryOutcome> outcome;
    {
        const auto copy = Connection::open(hidden);
        DictionaryScan scan(*copy, dictionary);
        coding::DictionaryCoding coding(*copy, list, names, false);
        if (!scan.code(coding, restriction, progress))
            return std::nullopt;
        outcome = coding.commit(QStringLiteral("le codage par dictionnaire"));
    }
    if (std::rename(QFile::encodeName(hidden).constData(),
                    QFile::encodeName(info.absoluteFilePath()).constData())
        != 0)
        throw StoreError(QStringLiteral("La copie « %1 » n'a pas pu être mise en place : %2.")
                             .arg(QDir::toNativeSeparators(target),
                                  QString::fromLocal8Bit(std::strerror(errno))));
    removal.path.clear();
    return outcome;
}

} // namespace words
