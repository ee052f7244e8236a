#include "store/searchindex.h"

#include "store/connection.h"
#include "store/statement.h"
#include "store/storeerror.h"

#include <sqlite3.h>

#include <algorithm>
#include <optional>

namespace search {
namespace {

// What the index was built from, or what the segments are now.
struct Figures {
    qint64 segments = 0; // number of segments
    qint64 last = 0;     // highest segment number
    qint64 counter = 0;  // the counter of "textes" in sqlite_sequence
    bool operator==(const Figures &o) const
    {
        return segments == o.segments && last == o.last && counter == o.counter;
    }
};

bool hasTable(Connection &db, const char *schema, const char *table)
{
    const QByteArray sql = QByteArray("SELECT 1 FROM \"") + schema
                           + "\".sqlite_schema WHERE type = 'table' AND name = ?1";
    Statement stmt(db, sql.constData());
    stmt.bind(1, QString::fromLatin1(table));
    return stmt.step();
}

bool mainHoldsIndex(Connection &db)
{
    return hasTable(db, "main", "Recherche") && hasTable(db, "main", "RechercheEtat");
}

bool tempHoldsIndex(Connection &db)
{
    return hasTable(db, "temp", "Recherche");
}

// The segments as they are now: their count goes through the smallest
// index of "textes", the highest number through its row key.
Figures live(Connection &db)
{
    Statement stmt(db, "SELECT (SELECT count(*) FROM main.textes),"
                       " (SELECT coalesce(max(numero), 0) FROM main.textes),"
                       " coalesce((SELECT seq FROM main.sqlite_sequence WHERE name = 'textes'), 0)");
    if (!stmt.step())
        return {};
    return Figures{stmt.integer(0), stmt.integer(1), stmt.integer(2)};
}

std::optional<Figures> stateOf(Connection &db, const QString &schema)
{
    const QByteArray sql = QStringLiteral("SELECT segments, dernier, compteur FROM \"%1\"."
                                          "\"RechercheEtat\" WHERE numero = 1")
                               .arg(schema)
                               .toUtf8();
    Statement stmt(db, sql.constData());
    if (!stmt.step())
        return std::nullopt;
    return Figures{stmt.integer(0), stmt.integer(1), stmt.integer(2)};
}

// The segments numbered up to `last`.
qint64 countUpTo(Connection &db, qint64 last)
{
    Statement stmt(db, "SELECT count(*) FROM main.textes WHERE numero <= ?1");
    stmt.bind(1, last);
    return stmt.step() ? stmt.integer(0) : 0;
}

qint64 countAfter(Connection &db, qint64 last)
{
    Statement stmt(db, "SELECT count(*) FROM main.textes WHERE numero > ?1");
    stmt.bind(1, last);
    return stmt.step() ? stmt.integer(0) : 0;
}

// Whether every text's segments are numbered after those of the texts
// numbered before it (one pass over the index of the segments' texts).
bool followTexts(Connection &db)
{
    Statement stmt(db, "SELECT NOT EXISTS (SELECT 1 FROM main.textes WHERE numtexte IS NULL)"
                       " AND NOT EXISTS (SELECT 1 FROM (SELECT lo, lag(hi) OVER (ORDER BY"
                       " numtexte) AS before FROM (SELECT numtexte, min(numero) AS lo,"
                       " max(numero) AS hi FROM main.textes GROUP BY numtexte)) WHERE lo < before)");
    return stmt.step() && stmt.integer(0) != 0;
}

// What bringing the index up to date means.
struct Plan {
    bool current = false;
    bool rebuild = false; // from nothing
    qint64 total = 0;     // segments to read
};

Plan planFor(Connection &db, const std::optional<Figures> &state)
{
    Plan plan;
    const Figures now = live(db);
    if (state && *state == now) {
        plan.current = true;
        return plan;
    }
    // Segments are only ever added (with higher numbers) or removed: the
    // index stays good as long as the segments it holds are all there and
    // none came in below its highest number.
    if (state && state->segments >= 0 && countUpTo(db, state->last) == state->segments) {
        plan.total = countAfter(db, state->last);
    } else {
        plan.rebuild = true;
        plan.total = now.segments;
    }
    return plan;
}

} // namespace

SearchIndex::SearchIndex(Connection &db) : m_db(db) {}

QString SearchIndex::schemaFor(Connection &db)
{
    if (tempHoldsIndex(db) || !mainHoldsIndex(db))
        return QStringLiteral("temp");
    if (!db.readOnly())
        return QStringLiteral("main");
    // A file that may not be written: its own index when it is current,
    // otherwise one built for this connection.
    return planFor(db, stateOf(db, QStringLiteral("main"))).current ? QStringLiteral("main")
                                                                      : QStringLiteral("temp");
}

QString SearchIndex::tableFor(Connection &db)
{
    return QStringLiteral("\"%1\".\"Recherche\"").arg(schemaFor(db));
}

QString SearchIndex::table() const
{
    return tableFor(m_db);
}

bool SearchIndex::current()
{
    const QString schema = schemaFor(m_db);
    if (schema == QLatin1String("temp") && !tempHoldsIndex(m_db))
        return false;
    return planFor(m_db, stateOf(m_db, schema)).current;
}

qint64 SearchIndex::pending()
{
    const QString schema = schemaFor(m_db);
    if (schema == QLatin1String("temp") && !tempHoldsIndex(m_db))
        return live(m_db).segments;
    const Plan plan = planFor(m_db, stateOf(m_db, schema));
    return plan.current ? 0 : plan.total;
}

bool SearchIndex::inTextOrder(Connection &db)
{
    const QByteArray sql = QStringLiteral("SELECT ordonne FROM \"%1\".\"RechercheEtat\" WHERE numero = 1")
                               .arg(schemaFor(db))
                               .toUtf8();
    Statement stmt(db, sql.constData());
    return stmt.step() && stmt.integer(0) != 0;
}

void SearchIndex::setBatchSize(int segments)
{
    m_batch = segments < 1 ? 1 : segments;
}

namespace {

// A transaction on the index: on "main" the write lock is taken at once;
// on "temp" nothing of the file is written, so a plain one that only reads it.
class IndexTransaction
{
public:
    IndexTransaction(Connection &db, bool temp) : m_db(db)
    {
        if (temp)
            db.exec(QStringLiteral("BEGIN"));
        else
            db.begin();
    }
    ~IndexTransaction()
    {
        if (!m_done)
            m_db.rollback();
    }
    void commit()
    {
        m_db.commit();
        m_done = true;
    }

private:
    Connection &m_db;
    bool m_done = false;
};

void createTemp(Connection &db)
{
    // External content must live in the index's own schema: a view of the
    // file's segments stands for them in "temp".
    db.exec(QStringLiteral(
        "CREATE TEMP VIEW IF NOT EXISTS \"RechercheContenu\" AS"
        " SELECT numero, texte FROM main.textes;"
        "CREATE VIRTUAL TABLE IF NOT EXISTS temp.\"Recherche\" USING fts5(\"texte\","
        " content = 'RechercheContenu', content_rowid = 'numero',"
        " tokenize = 'unicode61 remove_diacritics 2');"
        "CREATE TABLE IF NOT EXISTS temp.\"RechercheEtat\" (\"numero\" INTEGER PRIMARY KEY,"
        " \"segments\" INTEGER NOT NULL, \"dernier\" INTEGER NOT NULL,"
        " \"compteur\" INTEGER NOT NULL, \"ordonne\" INTEGER NOT NULL);"
        "INSERT OR IGNORE INTO temp.\"RechercheEtat\" VALUES (1, 0, 0, 0, 0);"));
}

QString failedUpdate(Connection &db, const StoreError &e)
{
    return QStringLiteral("L'index de recherche de la base d'analyse « %1 » n'a pas pu être mis à "
                          "jour : %2")
        .arg(db.path(), e.message());
}

} // namespace

bool SearchIndex::update(const Progress &progress)
{
    try {
        return updateOnce(progress);
    } catch (const StoreError &e) {
        throw StoreError(failedUpdate(m_db, e));
    }
}

bool SearchIndex::updateOnce(const Progress &progress)
{
    const QString schema = schemaFor(m_db);
    const bool temp = schema == QLatin1String("temp");
    if (temp && !tempHoldsIndex(m_db))
        createTemp(m_db);
    const QByteArray index = QStringLiteral("\"%1\".\"Recherche\"").arg(schema).toUtf8();
    const QByteArray stateTable = QStringLiteral("\"%1\".\"RechercheEtat\"").arg(schema).toUtf8();

    // Another program may change the segments while the index is brought
    // up to date: a few passes, each reading the segments anew.
    for (int pass = 0; pass < 3; ++pass) {
        const Plan plan = planFor(m_db, stateOf(m_db, schema));
        if (plan.current)
            return true;
        qint64 done = 0;
        bool first = true;
        for (;;) {
            IndexTransaction transaction(m_db, temp);
            std::optional<Figures> state = stateOf(m_db, schema);
            if (!state || (first && plan.rebuild)) {
                Statement clear(m_db, ("INSERT INTO " + index + " (\"Recherche\") VALUES "
                                                                "('delete-all')")
                                          .constData());
                clear.run();
                state = Figures{};
            }
            first = false;
            // The batch: the next segments by number, up to `upper`.
            qint64 upper = state->last;
            {
                Statement bound(m_db, "SELECT max(numero) FROM (SELECT numero FROM main.textes"
                                      " WHERE numero > ?1 ORDER BY numero LIMIT ?2)");
                bound.bind(1, state->last).bind(2, qint64(m_batch));
                if (bound.step() && !bound.isNull(0))
                    upper = bound.integer(0);
            }
            qint64 added = 0;
            if (upper > state->last) {
                Statement insert(m_db, ("INSERT INTO " + index + " (rowid, \"texte\")"
                                        " SELECT numero, texte FROM main.textes"
                                        " WHERE numero > ?1 AND numero <= ?2 ORDER BY numero")
                                           .constData());
                insert.bind(1, state->last).bind(2, upper);
                insert.run();
                added = sqlite3_changes64(m_db.handle());
            }
            const Figures now = live(m_db);
            // Once all is read, whether the segments follow their texts.
            const bool ordered = added == 0 && followTexts(m_db);
            Statement write(m_db, ("INSERT OR REPLACE INTO " + stateTable
                                   + " (numero, segments, dernier, compteur, ordonne)"
                                     " VALUES (1, ?1, ?2, ?3, ?4)")
                                      .constData());
            write.bind(1, state->segments + added).bind(2, upper).bind(3, now.counter);
            write.bind(4, qint64(ordered ? 1 : 0));
            write.run();
            transaction.commit();
            done += added;
            if (added == 0)
                break;
            if (progress && !progress(done, std::max(plan.total, done)))
                return current();
        }
    }
    return current();
}

} // namespace search
