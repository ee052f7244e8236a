#include "store/reliabilitystore.h"

#include "store/codebookstore.h"
#include "store/connection.h"
#include "store/properties.h"
#include "store/storeerror.h"
#include "store/suggestionstore.h"

#include <QFileInfo>

#include <sqlite3.h>

#include <algorithm>
#include <cstring>
#include <memory>

namespace reliability {
namespace {

// Rows read between two calls of the progress.
constexpr qint64 kProgressStep = 20000;

QString shown(const QString &path)
{
    return QFileInfo(path).fileName();
}

// A prepared statement of one connection, finalized with it; every step is
// checked and a failure thrown in French.
class Query
{
public:
    Query(Connection &db, const char *sql) : m_db(db)
    {
        if (sqlite3_prepare_v2(db.handle(), sql, -1, &m_stmt, nullptr) != SQLITE_OK)
            fail();
    }
    ~Query() { sqlite3_finalize(m_stmt); }
    Query(const Query &) = delete;
    Query &operator=(const Query &) = delete;

    void bind(int index, qint64 value)
    {
        if (sqlite3_bind_int64(m_stmt, index, value) != SQLITE_OK)
            fail();
    }
    bool next()
    {
        const int rc = sqlite3_step(m_stmt);
        if (rc == SQLITE_ROW)
            return true;
        if (rc != SQLITE_DONE)
            fail();
        return false;
    }
    void reset() { sqlite3_reset(m_stmt); }
    // Runs a statement that changes the file; `what` opens the message of a
    // refusal.
    void write(const QString &what)
    {
        if (sqlite3_step(m_stmt) == SQLITE_DONE)
            return;
        const int rc = sqlite3_extended_errcode(m_db.handle());
        QString cause = m_db.engineMessage();
        if (rc == SQLITE_CONSTRAINT_FOREIGNKEY)
            cause = QStringLiteral("une valeur du codage manque dans ses listes");
        else if ((rc & 0xff) == SQLITE_BUSY || (rc & 0xff) == SQLITE_LOCKED)
            cause = QStringLiteral("la base est verrouillée par un autre programme (%1)").arg(cause);
        else if ((rc & 0xff) == SQLITE_READONLY)
            cause = QStringLiteral("la base est protégée en écriture");
        else if ((rc & 0xff) == SQLITE_FULL)
            cause = QStringLiteral("le disque est plein");
        throw StoreError(QStringLiteral("%1 : %2.").arg(what, cause));
    }
    qint64 integer(int column) const { return sqlite3_column_int64(m_stmt, column); }
    bool isNull(int column) const { return sqlite3_column_type(m_stmt, column) == SQLITE_NULL; }
    QString text(int column) const
    {
        const auto *t = reinterpret_cast<const char *>(sqlite3_column_text(m_stmt, column));
        return t ? QString::fromUtf8(t, sqlite3_column_bytes(m_stmt, column)) : QString();
    }
    // The bytes of a text column, valid until the next step.
    QByteArray bytes(int column) const
    {
        const auto *t = reinterpret_cast<const char *>(sqlite3_column_text(m_stmt, column));
        return QByteArray::fromRawData(t ? t : "", t ? sqlite3_column_bytes(m_stmt, column) : 0);
    }
    [[noreturn]] void fail() const
    {
        const int rc = sqlite3_errcode(m_db.handle()) & 0xff;
        QString cause = m_db.engineMessage();
        if (rc == SQLITE_BUSY || rc == SQLITE_LOCKED)
            cause = QStringLiteral("la base est verrouillée par un autre programme (%1)").arg(cause);
        throw StoreError(QStringLiteral("Lecture impossible dans la base de données « %1 » : %2.")
                             .arg(m_db.path(), cause));
    }

private:
    Connection &m_db;
    sqlite3_stmt *m_stmt = nullptr;
};

// The coders' copies are only read: a write-protected copy is welcome.
std::shared_ptr<Connection> openSource(const QString &path)
{
    return Connection::open(path, Connection::Access::ReadOnly);
}

[[noreturn]] void differ(const QString &what)
{
    throw StoreError(QStringLiteral("Les fichiers ne sont pas des copies d'une même analyse : %1.")
                         .arg(what));
}

// The texts, the same by number in every file.
std::vector<TextEntry> compareTexts(const std::vector<std::shared_ptr<Connection>> &dbs)
{
    std::vector<TextEntry> first;
    for (size_t f = 0; f < dbs.size(); ++f) {
        Query q(*dbs[f], "SELECT c.numero, c.chemin, (SELECT count(*) FROM textes t"
                         " WHERE t.numtexte = c.numero) FROM Chemin c ORDER BY c.numero");
        std::vector<TextEntry> texts;
        while (q.next())
            texts.push_back(TextEntry{q.integer(0), q.text(1), q.integer(2)});
        if (f == 0) {
            first = std::move(texts);
            continue;
        }
        for (size_t i = 0; i < std::max(first.size(), texts.size()); ++i) {
            if (i < first.size() && (i >= texts.size() || texts[i].numero > first[i].numero))
                differ(QStringLiteral("le texte n° %1 (« %2 ») de « %3 » manque dans « %4 »")
                           .arg(first[i].numero)
                           .arg(first[i].chemin, shown(dbs[0]->path()), shown(dbs[f]->path())));
            if (i >= first.size() || first[i].numero > texts[i].numero)
                differ(QStringLiteral("le texte n° %1 (« %2 ») de « %3 » manque dans « %4 »")
                           .arg(texts[i].numero)
                           .arg(texts[i].chemin, shown(dbs[f]->path()), shown(dbs[0]->path())));
        }
    }
    return first;
}

// The five lists, the same values by number in every file.
std::array<std::map<qint64, QString>, kLists>
compareLists(const std::vector<std::shared_ptr<Connection>> &dbs)
{
    static const char *const kQueries[kLists] = {
        "SELECT numero, variable01 FROM var_comp_01 ORDER BY numero",
        "SELECT numero, variable02 FROM var_comp_02 ORDER BY numero",
        "SELECT numero, variable03 FROM var_comp_03 ORDER BY numero",
        "SELECT numero, variable04 FROM var_comp_04 ORDER BY numero",
        "SELECT numero, variable05 FROM var_comp_05 ORDER BY numero",
    };
    std::array<std::map<qint64, QString>, kLists> lists;
    for (int k = 0; k < kLists; ++k) {
        std::map<qint64, QString> first;
        for (size_t f = 0; f < dbs.size(); ++f) {
            Query q(*dbs[f], kQueries[k]);
            std::map<qint64, QString> values;
            while (q.next())
                values[q.integer(0)] = q.isNull(1) ? QString() : q.text(1);
            if (f == 0) {
                first = std::move(values);
                continue;
            }
            auto a = first.begin();
            auto b = values.begin();
            while (a != first.end() || b != values.end()) {
                if (b == values.end() || (a != first.end() && a->first < b->first))
                    differ(QStringLiteral("la valeur n° %1 (« %2 ») de la liste %3 de « %4 » "
                                          "manque dans « %5 »")
                               .arg(a->first)
                               .arg(a->second)
                               .arg(k + 1)
                               .arg(shown(dbs[0]->path()), shown(dbs[f]->path())));
                if (a == first.end() || b->first < a->first)
                    differ(QStringLiteral("la valeur n° %1 (« %2 ») de la liste %3 de « %4 » "
                                          "manque dans « %5 »")
                               .arg(b->first)
                               .arg(b->second)
                               .arg(k + 1)
                               .arg(shown(dbs[f]->path()), shown(dbs[0]->path())));
                if (a->second != b->second)
                    differ(QStringLiteral("la valeur n° %1 de la liste %2 est « %3 » dans « %4 » "
                                          "et « %5 » dans « %6 »")
                               .arg(a->first)
                               .arg(k + 1)
                               .arg(a->second, shown(dbs[0]->path()), b->second,
                                    shown(dbs[f]->path())));
                ++a;
                ++b;
            }
        }
        first.erase(1); // the empty value
        lists[size_t(k)] = std::move(first);
    }
    return lists;
}

// The segments, read side by side in number order and compared.
bool compareSegments(const std::vector<std::shared_ptr<Connection>> &dbs, qint64 total,
                     const Progress &progress, std::vector<qint64> &segments,
                     std::vector<qint64> &texts)
{
    std::vector<std::unique_ptr<Query>> queries;
    for (const auto &db : dbs)
        queries.push_back(
            std::make_unique<Query>(*db, "SELECT numero, numtexte, texte FROM textes ORDER BY numero"));
    const QString firstName = shown(dbs[0]->path());
    for (;;) {
        const bool more = queries[0]->next();
        const qint64 numero = more ? queries[0]->integer(0) : 0;
        const qint64 text = more ? queries[0]->integer(1) : 0;
        for (size_t f = 1; f < dbs.size(); ++f) {
            Query &q = *queries[f];
            const bool has = q.next();
            const QString name = shown(dbs[f]->path());
            if (!more && !has)
                continue;
            if (!has || (more && q.integer(0) > numero))
                differ(QStringLiteral("le segment n° %1 (texte n° %2) de « %3 » manque dans « %4 »")
                           .arg(numero)
                           .arg(text)
                           .arg(firstName, name));
            if (!more || q.integer(0) < numero)
                differ(QStringLiteral("le segment n° %1 (texte n° %2) de « %3 » manque dans « %4 »")
                           .arg(q.integer(0))
                           .arg(q.integer(1))
                           .arg(name, firstName));
            if (q.integer(1) != text)
                differ(QStringLiteral("le segment n° %1 appartient au texte n° %2 dans « %3 » et "
                                      "au texte n° %4 dans « %5 »")
                           .arg(numero)
                           .arg(text)
                           .arg(firstName)
                           .arg(q.integer(1))
                           .arg(name));
            if (q.bytes(2) != queries[0]->bytes(2))
                differ(QStringLiteral("le texte du segment n° %1 (texte n° %2) n'est pas le même "
                                      "dans « %3 » et dans « %4 »")
                           .arg(numero)
                           .arg(text)
                           .arg(firstName, name));
        }
        if (!more)
            return true;
        segments.push_back(numero);
        texts.push_back(text);
        if (progress && segments.size() % kProgressStep == 0
            && !progress(qint64(segments.size()), total))
            return false;
    }
}

} // namespace

std::optional<CodedCopies> readCopies(const QStringList &paths, const Filter &filter,
                                      const Progress &progress)
{
    if (paths.size() < 2)
        throw StoreError(QStringLiteral("Il faut au moins deux bases d'analyse à comparer."));
    for (int i = 0; i < paths.size(); ++i)
        for (int j = 0; j < i; ++j)
            if (QFileInfo(paths[i]).canonicalFilePath() == QFileInfo(paths[j]).canonicalFilePath())
                throw StoreError(QStringLiteral("La base « %1 » est donnée deux fois.")
                                     .arg(paths[i]));
    std::vector<std::shared_ptr<Connection>> dbs;
    CodedCopies result;
    for (const QString &path : paths) {
        dbs.push_back(openSource(path));
        QString coder = properties::value(*dbs.back(), properties::kCoder).value_or(QString()).trimmed();
        if (coder.isEmpty())
            coder = QFileInfo(path).completeBaseName();
        result.sources.push_back(Source{path, coder});
    }
    // One read transaction per file: what is compared is what is counted.
    for (const auto &db : dbs)
        db->exec(QStringLiteral("BEGIN"));

    result.texts = compareTexts(dbs);
    result.lists = compareLists(dbs);
    result.listNames = codebook::listNames(*dbs[0]);

    qint64 segmentTotal = 0;
    for (const TextEntry &t : result.texts)
        segmentTotal += t.segments;
    const int coders = int(dbs.size());
    // The segments are read once side by side, then each file's coding rows.
    const qint64 total = segmentTotal * (1 + coders);

    std::vector<qint64> allSegments;
    std::vector<qint64> allTexts;
    allSegments.reserve(size_t(segmentTotal));
    allTexts.reserve(size_t(segmentTotal));
    if (!compareSegments(dbs, total, progress, allSegments, allTexts))
        return std::nullopt;

    // Every coder's value per segment and list, before the filter.
    const qint64 units = qint64(allSegments.size());
    std::array<std::vector<qint64>, kLists> all;
    for (std::vector<qint64> &v : all)
        v.assign(size_t(units * coders), CodedCopies::kNone);
    std::vector<char> coded(size_t(units * coders), 0);
    for (int f = 0; f < coders; ++f) {
        const qint64 before = units * (1 + f);
        const QByteArray rowsSql =
            QStringLiteral("SELECT numtexte, numvar01, numvar02, numvar03, numvar04, numvar05"
                           " FROM %1 ORDER BY numtexte")
                .arg(suggestions::codingRows(*dbs[size_t(f)], filter.withoutAcceptedSuggestions))
                .toUtf8();
        Query q(*dbs[size_t(f)], rowsSql.constData());
        qint64 segmentsSeen = 0;
        qint64 lastSegment = -1;
        qint64 unit = -1;
        while (q.next()) {
            const qint64 segment = q.integer(0);
            if (segment != lastSegment) {
                lastSegment = segment;
                const auto it = std::lower_bound(allSegments.begin(), allSegments.end(), segment);
                unit = (it != allSegments.end() && *it == segment) ? qint64(it - allSegments.begin())
                                                                   : -1;
                if (progress && ++segmentsSeen % kProgressStep == 0
                    && !progress(before + std::max<qint64>(unit, 0), total))
                    return std::nullopt;
            }
            if (unit < 0)
                continue;
            const size_t cell = size_t(unit * coders + f);
            coded[cell] = 1;
            for (int k = 0; k < kLists; ++k) {
                if (q.isNull(k + 1))
                    continue;
                const qint64 value = q.integer(k + 1);
                if (value == 1)
                    continue;
                qint64 &current = all[size_t(k)][cell];
                if (current == CodedCopies::kNone)
                    current = value;
                else if (current != value)
                    current = CodedCopies::kSeveral;
            }
        }
    }
    for (const auto &db : dbs)
        db->rollback();

    // The filter: some texts, segments every coder coded.
    std::vector<qint64> kept;
    for (qint64 u = 0; u < units; ++u) {
        if (!filter.texts.empty() && !filter.texts.count(allTexts[size_t(u)]))
            continue;
        if (filter.codedByAll) {
            bool everyone = true;
            for (int f = 0; f < coders && everyone; ++f)
                everyone = coded[size_t(u * coders + f)] != 0;
            if (!everyone)
                continue;
        }
        kept.push_back(u);
    }
    result.segments.reserve(kept.size());
    result.segmentTexts.reserve(kept.size());
    for (qint64 u : kept) {
        result.segments.push_back(allSegments[size_t(u)]);
        result.segmentTexts.push_back(allTexts[size_t(u)]);
    }
    for (int k = 0; k < kLists; ++k) {
        std::vector<qint64> &in = all[size_t(k)];
        if (kept.size() == size_t(units)) {
            result.values[size_t(k)] = std::move(in);
            continue;
        }
        std::vector<qint64> &out = result.values[size_t(k)];
        out.reserve(kept.size() * size_t(coders));
        for (const qint64 u : kept)
            for (int f = 0; f < coders; ++f)
                out.push_back(in[size_t(u * coders + f)]);
        std::vector<qint64>().swap(in);
    }
    if (progress)
        progress(total, total);
    return result;
}

std::map<qint64, QString> segmentTexts(const QString &path, const std::vector<qint64> &segments)
{
    const auto db = openSource(path);
    Query q(*db, "SELECT texte FROM textes WHERE numero = ?1");
    std::map<qint64, QString> result;
    for (qint64 s : segments) {
        q.bind(1, s);
        if (q.next())
            result[s] = q.text(0);
        q.reset();
    }
    return result;
}

std::vector<std::array<qint64, kLists>> codingRows(const QString &path, qint64 segment)
{
    const auto db = openSource(path);
    Query q(*db, "SELECT numvar01, numvar02, numvar03, numvar04, numvar05 FROM Contenus"
                 " WHERE numtexte = ?1 ORDER BY numero");
    q.bind(1, segment);
    std::vector<std::array<qint64, kLists>> rows;
    while (q.next()) {
        std::array<qint64, kLists> row{};
        for (int k = 0; k < kLists; ++k)
            row[size_t(k)] = q.isNull(k) ? 1 : q.integer(k);
        rows.push_back(row);
    }
    return rows;
}

void retain(const QString &source, const QString &target, qint64 segment)
{
    if (QFileInfo(source).canonicalFilePath() == QFileInfo(target).canonicalFilePath())
        throw StoreError(QStringLiteral("L'analyse consolidée « %1 » est la base du codeur "
                                        "elle-même : choisissez ou créez une autre base.")
                             .arg(target));
    const auto from = openSource(source);
    QString text;
    std::vector<std::array<qint64, kLists>> rows;
    {
        Query q(*from, "SELECT texte FROM textes WHERE numero = ?1");
        q.bind(1, segment);
        if (!q.next())
            throw StoreError(QStringLiteral("Le segment n° %1 n'existe pas dans « %2 ».")
                                 .arg(segment)
                                 .arg(source));
        text = q.text(0);
    }
    rows = codingRows(source, segment);

    const auto to = Connection::open(target);
    const QString what = QStringLiteral("Le codage du segment n° %1 n'a pas pu être écrit dans "
                                        "l'analyse consolidée « %2 »")
                             .arg(segment)
                             .arg(target);
    to->begin();
    try {
        {
            Query q(*to, "SELECT texte FROM textes WHERE numero = ?1");
            q.bind(1, segment);
            if (!q.next())
                throw StoreError(QStringLiteral("%1 : elle n'a pas ce segment.").arg(what));
            if (q.text(0) != text)
                throw StoreError(QStringLiteral("%1 : le texte du segment n'y est pas le même "
                                                "(ce n'est pas une copie de la même analyse).")
                                     .arg(what));
        }
        Query del(*to, "DELETE FROM Contenus WHERE numtexte = ?1");
        del.bind(1, segment);
        del.write(what);
        Query ins(*to, "INSERT INTO Contenus (numtexte, numvar01, numvar02, numvar03, numvar04,"
                       " numvar05) VALUES (?1, ?2, ?3, ?4, ?5, ?6)");
        for (const auto &row : rows) {
            ins.bind(1, segment);
            for (int k = 0; k < kLists; ++k)
                ins.bind(k + 2, row[size_t(k)]);
            ins.write(what);
            ins.reset();
        }
        to->commit();
    } catch (...) {
        to->rollback();
        throw;
    }
}

} // namespace reliability
