#include "store/searchstore.h"

#include "store/connection.h"
#include "store/scopefilter.h"
#include "store/searchindex.h"
#include "store/searchtokens.h"
#include "store/statement.h"
#include "store/storeerror.h"

#include <QHash>
#include <sqlite3.h>

#include <algorithm>
#include <cstring>
#include <limits>
#include <map>
#include <mutex>
#include <set>

namespace search {
namespace {

// ----- The functions the index's queries call (FTS5 auxiliary functions) -----
//
// telmira_occurrences(Recherche): the number of occurrences in the row: the
//   instances the index reports for the expression, one per distinct span
//   (the same word found by "chat OR chat*" counts once).
// telmira_places(Recherche): the same occurrences as a blob of 32-bit pairs,
//   (start, length) in UTF-16 units of the row's text, in order of start.
// An occurrence of a phrase spans its words, from the first one's first
// character to the last one's last.

struct Span {
    int first = 0; // token indexes, both included
    int last = 0;
    bool operator<(const Span &o) const { return first != o.first ? first < o.first : last < o.last; }
    bool operator==(const Span &o) const { return first == o.first && last == o.last; }
};

// The distinct spans of the current row's instances; false on failure.
bool spansOf(const Fts5ExtensionApi *api, Fts5Context *fts, std::vector<Span> *spans)
{
    int count = 0;
    if (api->xInstCount(fts, &count) != SQLITE_OK)
        return false;
    spans->reserve(size_t(count));
    for (int i = 0; i < count; ++i) {
        int phrase = 0;
        int column = 0;
        int offset = 0;
        if (api->xInst(fts, i, &phrase, &column, &offset) != SQLITE_OK)
            return false;
        const int size = api->xPhraseSize(fts, phrase);
        if (size > 0)
            spans->push_back(Span{offset, offset + size - 1});
    }
    std::sort(spans->begin(), spans->end());
    spans->erase(std::unique(spans->begin(), spans->end()), spans->end());
    return true;
}

void occurrencesFunction(const Fts5ExtensionApi *api, Fts5Context *fts, sqlite3_context *ctx,
                         int, sqlite3_value **)
{
    std::vector<Span> spans;
    if (!spansOf(api, fts, &spans)) {
        sqlite3_result_error_code(ctx, SQLITE_ERROR);
        return;
    }
    sqlite3_result_int64(ctx, qint64(spans.size()));
}

// The byte range of each token of a text, as the index's tokenizer cuts it.
struct TokenRanges {
    std::vector<std::pair<int, int>> ranges; // [start, end) in bytes, by token index
    int wanted = 0;                          // tokens needed (the highest index + 1)
};

int onTokenRange(void *context, int flags, const char *, int, int start, int end)
{
    auto *tokens = static_cast<TokenRanges *>(context);
    if ((flags & FTS5_TOKEN_COLOCATED) != 0) {
        // Another form at the same place: the place is the first one's.
        return SQLITE_OK;
    }
    tokens->ranges.emplace_back(start, end);
    // Enough read: stop the tokenizer (its result is not an error here).
    return int(tokens->ranges.size()) >= tokens->wanted ? SQLITE_DONE : SQLITE_OK;
}

void placesFunction(const Fts5ExtensionApi *api, Fts5Context *fts, sqlite3_context *ctx, int,
                    sqlite3_value **)
{
    std::vector<Span> spans;
    if (!spansOf(api, fts, &spans)) {
        sqlite3_result_error_code(ctx, SQLITE_ERROR);
        return;
    }
    const char *text = nullptr;
    int bytes = 0;
    if (spans.empty() || api->xColumnText(fts, 0, &text, &bytes) != SQLITE_OK || !text) {
        sqlite3_result_zeroblob(ctx, 0);
        return;
    }
    TokenRanges tokens;
    for (const Span &s : spans)
        tokens.wanted = std::max(tokens.wanted, s.last + 1);
    const int rc = api->xTokenize(fts, text, bytes, &tokens, onTokenRange);
    if (rc != SQLITE_OK && rc != SQLITE_DONE) {
        sqlite3_result_error_code(ctx, rc);
        return;
    }
    std::vector<std::pair<int, int>> bytesSpans;
    for (const Span &s : spans) {
        if (s.last >= int(tokens.ranges.size()))
            continue;
        bytesSpans.emplace_back(tokens.ranges[size_t(s.first)].first,
                                tokens.ranges[size_t(s.last)].second);
    }
    std::vector<qint32> out;
    out.reserve(bytesSpans.size() * 2);
    for (const auto &[start, end] : bytesSpans) {
        const int from = utf16Length(QByteArrayView(text, start));
        const int length = utf16Length(QByteArrayView(text + start, end - start));
        out.push_back(from);
        out.push_back(length);
    }
    sqlite3_result_blob(ctx, out.data(), int(out.size() * sizeof(qint32)), SQLITE_TRANSIENT);
}

// The connections the functions were given to; a connection leaves the set
// when the engine drops its functions (it closes).
std::mutex registeredMutex;
std::set<sqlite3 *> registered;

void unregister(void *handle)
{
    const std::lock_guard<std::mutex> lock(registeredMutex);
    registered.erase(static_cast<sqlite3 *>(handle));
}

void registerFunctions(Connection &db)
{
    {
        const std::lock_guard<std::mutex> lock(registeredMutex);
        if (registered.count(db.handle()) != 0)
            return;
    }
    fts5_api *api = fts5Of(db);
    // The second function owns the entry in the set: the engine calls its
    // destructor when the connection closes.
    int rc = api->xCreateFunction(api, "telmira_occurrences", nullptr, occurrencesFunction,
                                  nullptr);
    if (rc == SQLITE_OK)
        rc = api->xCreateFunction(api, "telmira_places", db.handle(), placesFunction, unregister);
    if (rc != SQLITE_OK)
        throw StoreError(QStringLiteral("La recherche n'est pas disponible : %1.")
                             .arg(db.failure(rc)));
    const std::lock_guard<std::mutex> lock(registeredMutex);
    registered.insert(db.handle());
}

// ----- Restrictions -----

constexpr int kValueParameter = 2;
constexpr int kMatchParameter = 3;
constexpr int kLastParameter = 4;
constexpr int kLimitParameter = 5;

using Conditions = RestrictionSql;

bool restricted(const Restriction &r)
{
    return r.list != 0 || !r.scope.unrestricted();
}

// Replaces line ends and tabs by spaces (a CR LF by one).
QString flattened(QString text)
{
    text.replace(QStringLiteral("\r\n"), QStringLiteral(" "));
    for (QChar &c : text)
        if (c == QLatin1Char('\r') || c == QLatin1Char('\n') || c == QLatin1Char('\t'))
            c = QLatin1Char(' ');
    return text;
}

bool endsBlank(const QString &s)
{
    return !s.isEmpty() && s.back().isSpace();
}
bool startsBlank(const QString &s)
{
    return !s.isEmpty() && s.front().isSpace();
}

} // namespace

RestrictionSql restrictionSql(Connection &db, const Restriction &r, const QString &segment,
                              const QString &text)
{
    RestrictionSql c;
    c.filter = results::textFilter(db, r.scope, text);
    c.conditions = c.filter.conditions;
    if (r.list != 0) {
        checkListNumber(r.list);
        c.conditions << QStringLiteral("%1 %2IN (SELECT numtexte FROM Contenus WHERE numvar0%3 = ?%4)")
                            .arg(segment, r.coded ? QString() : QStringLiteral("NOT "))
                            .arg(r.list)
                            .arg(kValueParameter);
        c.value = true;
    }
    return c;
}

void bindRestriction(Connection &db, Statement &stmt, const RestrictionSql &sql,
                     const Restriction &r, const QString &what)
{
    const int rc = sql.filter.bind(stmt.handle());
    if (rc != SQLITE_OK)
        throw StoreError(QStringLiteral("La base de données « %1 » a refusé %2 : %3.")
                             .arg(db.path(), what, db.failure(rc)));
    if (sql.value)
        stmt.bind(kValueParameter, r.value);
}

int utf16Length(QByteArrayView utf8)
{
    int units = 0;
    for (char c : utf8) {
        const auto b = static_cast<unsigned char>(c);
        if ((b & 0xC0) == 0x80)
            continue; // a continuation byte
        units += b >= 0xF0 ? 2 : 1;
    }
    return units;
}

// Whether the index refuses the expression itself (asked again on its own,
// the engine's message read at once).
static bool unreadable(Connection &db, const QString &fts)
{
    const QByteArray sql = (QStringLiteral("SELECT 1 FROM ") + SearchIndex::tableFor(db)
                            + QStringLiteral(" AS r WHERE r.\"Recherche\" MATCH ?1 LIMIT 1"))
                               .toUtf8();
    sqlite3_stmt *stmt = nullptr;
    if (sqlite3_prepare_v2(db.handle(), sql.constData(), -1, &stmt, nullptr) != SQLITE_OK)
        return false;
    OwnedStatement owned(stmt);
    const QByteArray expression = fts.toUtf8();
    if (sqlite3_bind_text(stmt, 1, expression.constData(), int(expression.size()), SQLITE_TRANSIENT)
        != SQLITE_OK)
        return false;
    const int rc = sqlite3_step(stmt);
    if ((rc & 0xff) != SQLITE_ERROR)
        return false;
    const QByteArray engine = sqlite3_errmsg(db.handle());
    return engine.startsWith("fts5:") || engine.contains("syntax error")
           || engine.startsWith("no such column") || engine.startsWith("unknown special query")
           || engine.contains("unterminated string");
}

struct SearchStore::Impl {
    explicit Impl(Connection &c) : db(c) {}
    Connection &db;

    // The query's text: "SELECT <select> FROM <index> AS r [CROSS JOIN
    // textes t] WHERE <match> AND <conditions> <tail>".
    QByteArray sql(const QString &select, const Restriction &r, const Conditions &c,
                   bool joinSegments, const QString &tail) const
    {
        QStringList where = c.conditions;
        where.prepend(QStringLiteral("r.\"Recherche\" MATCH ?%1").arg(kMatchParameter));
        QString from = SearchIndex::tableFor(db) + QStringLiteral(" AS r");
        if (joinSegments || restricted(r))
            from += QStringLiteral(" CROSS JOIN main.textes AS t ON t.numero = r.rowid");
        return (QStringLiteral("SELECT ") + select + QStringLiteral(" FROM ") + from
                + results::whereClause(where) + tail)
            .toUtf8();
    }

    void prepare(Statement &stmt, const QString &fts, const Restriction &r, const Conditions &c)
    {
        bindRestriction(db, stmt, c, r, QStringLiteral("la recherche"));
        stmt.bind(kMatchParameter, fts);
    }

    Conditions conditions(const Restriction &r)
    {
        return restrictionSql(db, r, QStringLiteral("t.numero"), QStringLiteral("t.numtexte"));
    }

    // Runs a search, its failures told as the search's.
    template <typename F> auto guarded(const QString &fts, F &&work)
    {
        registerFunctions(db);
        try {
            return work();
        } catch (const StoreError &e) {
            // An expression the index cannot read is the engine's plain
            // error, told by its own words: said so rather than as a fault
            // of the file.
            if (unreadable(db, fts))
                throw StoreError(QStringLiteral("La recherche « %1 » n'a pas pu être faite : "
                                                "l'expression ne se lit pas.")
                                     .arg(fts));
            throw StoreError(QStringLiteral("La recherche « %1 » n'a pas pu être faite : %2")
                                 .arg(fts, e.message()));
        }
    }
};

SearchStore::SearchStore(Connection &db) : d(std::make_unique<Impl>(db)) {}
SearchStore::~SearchStore() = default;

qint64 SearchStore::countSegments(const QString &fts, const Restriction &restriction)
{
    return d->guarded(fts, [&] {
        const Conditions c = d->conditions(restriction);
        Statement stmt(d->db, d->sql(QStringLiteral("count(*)"), restriction, c, false, {}).constData());
        d->prepare(stmt, fts, restriction, c);
        return stmt.step() ? stmt.integer(0) : qint64(0);
    });
}

HitCounts SearchStore::count(const QString &fts, const Restriction &restriction)
{
    return d->guarded(fts, [&] {
        const Conditions c = d->conditions(restriction);
        // The engine takes an auxiliary function row by row only (never
        // within an aggregate): the sum is made here.
        Statement stmt(d->db, d->sql(QStringLiteral("telmira_occurrences(r.\"Recherche\")"),
                                     restriction, c, false, {})
                                  .constData());
        d->prepare(stmt, fts, restriction, c);
        HitCounts counts;
        while (stmt.step()) {
            ++counts.segments;
            counts.occurrences += stmt.integer(0);
        }
        return counts;
    });
}

std::vector<Hit> SearchStore::hits(const QString &fts, const Restriction &restriction,
                                   qint64 afterText, qint64 afterSegment, int maxSegments)
{
    return d->guarded(fts, [&] {
        std::vector<Hit> result;
        if (maxSegments <= 0)
            return result;
        Conditions c = d->conditions(restriction);
        // The page's segments first, in order, then their places in one
        // pass over the range of numbers they span. When the segments follow
        // their texts, the index's own order (by number) is the order of
        // hits: the page is read straight from it, its end reached after
        // `maxSegments` rows; otherwise every match is sorted by text.
        const bool inIndexOrder = SearchIndex::inTextOrder(d->db);
        if (inIndexOrder)
            c.conditions << QStringLiteral("r.rowid > ?%1").arg(kLastParameter + 5);
        else
            c.conditions << QStringLiteral("(t.numtexte, t.numero) > (?%1, ?%2)")
                         .arg(kLastParameter)
                         .arg(kLastParameter + 5);
        std::vector<std::pair<qint64, qint64>> page; // (text, segment)
        {
            const QString order = inIndexOrder ? QStringLiteral(" ORDER BY r.rowid")
                                               : QStringLiteral(" ORDER BY t.numtexte, r.rowid");
            Statement stmt(d->db, d->sql(QStringLiteral("t.numtexte, r.rowid"), restriction, c, true,
                                         order + QStringLiteral(" LIMIT ?%1").arg(kLimitParameter))
                                      .constData());
            d->prepare(stmt, fts, restriction, c);
            if (!inIndexOrder)
                stmt.bind(kLastParameter, afterText);
            stmt.bind(kLastParameter + 5, afterSegment);
            stmt.bind(kLimitParameter, qint64(maxSegments));
            while (stmt.step())
                page.emplace_back(stmt.integer(0), stmt.integer(1));
        }
        if (page.empty())
            return result;
        qint64 low = page.front().second;
        qint64 high = low;
        for (const auto &p : page) {
            low = std::min(low, p.second);
            high = std::max(high, p.second);
        }
        QHash<qint64, QByteArray> places;
        places.reserve(qsizetype(page.size()));
        {
            // The range goes to the index; the page's own segments are kept
            // before the places are worked out ("+": a test, not a look-up).
            QByteArray json = "[";
            for (size_t i = 0; i < page.size(); ++i)
                json += (i > 0 ? "," : "") + QByteArray::number(page[i].second);
            json += ']';
            const QByteArray sql = (QStringLiteral("SELECT r.rowid, telmira_places(r.\"Recherche\") FROM ")
                                    + SearchIndex::tableFor(d->db)
                                    + QStringLiteral(" AS r WHERE r.\"Recherche\" MATCH ?3"
                                                     " AND r.rowid BETWEEN ?1 AND ?2"
                                                     " AND +r.rowid IN (SELECT value FROM json_each(?4))"))
                                       .toUtf8();
            Statement stmt(d->db, sql.constData());
            stmt.bind(1, low).bind(2, high).bind(3, fts).bind(4, QString::fromLatin1(json));
            while (stmt.step()) {
                const qint64 segment = stmt.integer(0);
                const void *blob = sqlite3_column_blob(stmt.handle(), 1);
                const int bytes = sqlite3_column_bytes(stmt.handle(), 1);
                places.insert(segment, blob ? QByteArray(static_cast<const char *>(blob), bytes)
                                            : QByteArray());
            }
        }
        for (const auto &[text, segment] : page) {
            const QByteArray blob = places.value(segment);
            const int n = int(blob.size() / qsizetype(2 * sizeof(qint32)));
            for (int i = 0; i < n; ++i) {
                qint32 pair[2];
                std::memcpy(pair, blob.constData() + i * 2 * sizeof(qint32), sizeof pair);
                result.push_back(Hit{text, segment, pair[0], pair[1]});
            }
        }
        return result;
    });
}

std::vector<qint64> SearchStore::segments(const QString &fts, const Restriction &restriction)
{
    return d->guarded(fts, [&] {
        const Conditions c = d->conditions(restriction);
        Statement stmt(d->db, d->sql(QStringLiteral("r.rowid"), restriction, c, true,
                                     SearchIndex::inTextOrder(d->db)
                                         ? QStringLiteral(" ORDER BY r.rowid")
                                         : QStringLiteral(" ORDER BY t.numtexte, r.rowid"))
                                  .constData());
        d->prepare(stmt, fts, restriction, c);
        std::vector<qint64> result;
        while (stmt.step())
            result.push_back(stmt.integer(0));
        return result;
    });
}

std::vector<std::pair<qint64, qint64>> SearchStore::occurrencesPerText(const QString &fts,
                                                                       const Restriction &restriction)
{
    return d->guarded(fts, [&] {
        const Conditions c = d->conditions(restriction);
        Statement stmt(d->db, d->sql(QStringLiteral("t.numtexte, telmira_occurrences(r.\"Recherche\")"),
                                     restriction, c, true, {})
                                  .constData());
        d->prepare(stmt, fts, restriction, c);
        std::map<qint64, qint64> perText; // as many entries as texts
        while (stmt.step())
            perText[stmt.integer(0)] += stmt.integer(1);
        std::vector<std::pair<qint64, qint64>> result;
        for (const auto &[text, n] : perText)
            if (n > 0)
                result.emplace_back(text, n);
        return result;
    });
}

std::vector<ConcordanceLine> SearchStore::concordance(const std::vector<Hit> &hits, int chars)
{
    std::vector<ConcordanceLine> lines;
    lines.reserve(hits.size());
    if (hits.empty())
        return lines;
    chars = std::max(chars, 0);
    // The segments read, for the hits of one segment and its neighbours.
    QHash<qint64, QString> texts;
    Statement one(d->db, "SELECT texte FROM main.textes WHERE numero = ?1");
    Statement before(d->db, "SELECT numero, texte FROM main.textes WHERE numtexte = ?1"
                            " AND numero < ?2 ORDER BY numero DESC LIMIT 1");
    Statement after(d->db, "SELECT numero, texte FROM main.textes WHERE numtexte = ?1"
                           " AND numero > ?2 ORDER BY numero LIMIT 1");
    auto textOf = [&](qint64 segment) {
        const auto found = texts.constFind(segment);
        if (found != texts.constEnd())
            return *found;
        one.reset();
        one.bind(1, segment);
        const QString text = one.step() ? one.text(0) : QString();
        texts.insert(segment, text);
        return text;
    };
    // The segment beside `segment` in its text (0 when none), its text in *text.
    auto neighbour = [&](Statement &stmt, qint64 text, qint64 segment, QString *content) {
        stmt.reset();
        stmt.bind(1, text).bind(2, segment);
        if (!stmt.step())
            return qint64(0);
        const qint64 n = stmt.integer(0);
        *content = stmt.text(1);
        texts.insert(n, *content);
        return n;
    };
    for (const Hit &hit : hits) {
        ConcordanceLine line;
        line.hit = hit;
        const QString text = textOf(hit.segment);
        const int start = std::clamp(hit.start, 0, int(text.size()));
        const int end = std::clamp(hit.start + hit.length, start, int(text.size()));
        line.found = flattened(text.mid(start, end - start));

        QString left = text.left(start);
        qint64 at = hit.segment;
        while (flattened(left).size() < chars) {
            QString previous;
            at = neighbour(before, hit.text, at, &previous);
            if (at == 0)
                break;
            if (previous.isEmpty())
                continue;
            // Segments lose the spaces between them when cut: one joins them.
            left = previous + (endsBlank(previous) || startsBlank(left) ? QString()
                                                                          : QStringLiteral(" "))
                   + left;
        }
        left = flattened(left);
        if (left.size() > chars) {
            left = left.right(chars);
            if (!left.isEmpty() && left.front().isLowSurrogate())
                left.remove(0, 1);
        }
        QString right = text.mid(end);
        at = hit.segment;
        while (flattened(right).size() < chars) {
            QString next;
            at = neighbour(after, hit.text, at, &next);
            if (at == 0)
                break;
            if (next.isEmpty())
                continue;
            right += (endsBlank(right) || startsBlank(next) ? QString() : QStringLiteral(" "))
                     + next;
        }
        right = flattened(right);
        if (right.size() > chars) {
            right.truncate(chars);
            if (!right.isEmpty() && right.back().isHighSurrogate())
                right.chop(1);
        }
        line.before = left;
        line.after = right;
        lines.push_back(std::move(line));
    }
    return lines;
}

qint64 scopeSegments(Connection &db, const Restriction &restriction)
{
    Restriction scope;
    scope.scope = restriction.scope;
    const Conditions c = restrictionSql(db, scope, QStringLiteral("t.numero"), QStringLiteral("t.numtexte"));
    const QByteArray sql =
        (QStringLiteral("SELECT count(*) FROM main.textes AS t") + results::whereClause(c.conditions)).toUtf8();
    Statement stmt(db, sql.constData());
    bindRestriction(db, stmt, c, scope, QStringLiteral("la recherche"));
    return stmt.step() ? stmt.integer(0) : 0;
}

void forEachSegment(Connection &db, const Restriction &restriction, const SegmentSink &sink,
                    const Target &target)
{
    forEachSegmentUtf8(
        db, restriction,
        [&sink](qint64 segment, QByteArrayView text, bool inTarget) {
            const QString decoded = QString::fromUtf8(text);
            return sink(segment, QStringView(decoded), inTarget);
        },
        target);
}

void forEachSegmentUtf8(Connection &db, const Restriction &restriction, const Utf8SegmentSink &sink,
                        const Target &target)
{
    const Conditions c = restrictionSql(db, restriction, QStringLiteral("t.numero"),
                                      QStringLiteral("t.numtexte"));
    QString inTarget = QStringLiteral("0");
    if (target.list != 0) {
        checkListNumber(target.list);
        // Through the index of the segment's rows ("+" keeps the engine
        // off the index of the list's values, which would walk every row
        // holding the value for each segment).
        inTarget = QStringLiteral("EXISTS (SELECT 1 FROM Contenus k WHERE k.numtexte = t.numero"
                                  " AND +k.numvar0%1 = ?6)")
                       .arg(target.list);
    } else if (target.attribute != 0) {
        inTarget = QStringLiteral("EXISTS (SELECT 1 FROM ValeursAttributs a WHERE a.texte ="
                                  " t.numtexte AND a.attribut = ?6 AND a.valeur = ?7)");
    }
    QStringList where = c.conditions;
    where << QStringLiteral("t.numero > ?%1").arg(kLastParameter);
    const QByteArray sql = (QStringLiteral("SELECT t.numero, t.texte, %1 FROM main.textes AS t")
                                .arg(inTarget)
                            + results::whereClause(where)
                            + QStringLiteral(" ORDER BY t.numero LIMIT ?%1").arg(kLimitParameter))
                               .toUtf8();
    Statement stmt(db, sql.constData());
    constexpr qint64 kBatch = 5000;
    qint64 last = std::numeric_limits<qint64>::min();
    for (;;) {
        stmt.reset();
        bindRestriction(db, stmt, c, restriction, QStringLiteral("la recherche"));
        stmt.bind(kLastParameter, last).bind(kLimitParameter, kBatch);
        if (target.list != 0) {
            stmt.bind(6, target.value);
        } else if (target.attribute != 0) {
            stmt.bind(6, target.attribute).bind(7, target.attributeValue);
        }
        qint64 read = 0;
        while (stmt.step()) {
            ++read;
            sqlite3_stmt *row = stmt.handle();
            last = sqlite3_column_int64(row, 0);
            const auto *text = reinterpret_cast<const char *>(sqlite3_column_text(row, 1));
            if (!text && sqlite3_column_type(row, 1) != SQLITE_NULL) // no memory for the text
                throw StoreError(
                    QStringLiteral("La base de données « %1 » a refusé la recherche : %2.")
                        .arg(db.path(), db.failure(SQLITE_NOMEM)));
            const QByteArrayView utf8 =
                text ? QByteArrayView(text, sqlite3_column_bytes(row, 1)) : QByteArrayView();
            if (!sink(last, utf8, sqlite3_column_int64(row, 2) != 0))
                return;
        }
        if (read < kBatch)
            return;
    }
}

} // namespace search
