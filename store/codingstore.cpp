#include "store/codingstore.h"

#include "store/codedrow.h"
#include "store/connection.h"
#include "store/schemaversion.h"
#include "store/statement.h"
#include "store/storeerror.h"

#include <sqlite3.h>


namespace coding {
namespace {

} // namespace

std::unique_ptr<CodingStore> CodingStore::open(const QString &path,
                                               const std::function<void(Connection &)> &beforeUpgrade)
{
    if (Connection::accessFor(path) == Connection::Access::ReadOnly)
        return std::make_unique<CodingStore>(Connection::open(path, Connection::Access::ReadOnly));
    std::shared_ptr<Connection> db = Connection::open(path);
    if (beforeUpgrade)
        beforeUpgrade(*db);
    schema::upgrade(*db);
    return std::make_unique<CodingStore>(std::move(db));
}

CodingStore::CodingStore(std::shared_ptr<Connection> connection) : m_db(std::move(connection)) {}

CodingStore::~CodingStore() = default;

const QString &CodingStore::path() const
{
    return m_db->path();
}

bool CodingStore::readOnly() const
{
    return m_db->readOnly();
}


sqlite3_stmt *CodingStore::prepare(const char *sql)
{
    sqlite3_stmt *stmt = nullptr;
    if (sqlite3_prepare_v2(m_db->handle(), sql, -1, &stmt, nullptr) != SQLITE_OK) {
        sqlite3_finalize(stmt);
        failRead();
    }
    return stmt;
}

bool CodingStore::step(sqlite3_stmt *stmt)
{
    const int rc = sqlite3_step(stmt);
    if (rc == SQLITE_ROW)
        return true;
    if (rc != SQLITE_DONE)
        failRead();
    return false;
}

void CodingStore::failRead()
{
    throw StoreError(QStringLiteral("Lecture impossible dans la base de données « %1 » : %2.")
                         .arg(path(), m_db->lastFailure()));
}

void CodingStore::failWrite(const QString &what, int rc)
{
    throw StoreError(QStringLiteral("%1 dans la base de données « %2 » : %3.")
                         .arg(what, path(), m_db->failure(rc)));
}

void CodingStore::beforeWrite()
{
    if (m_db->readOnly())
        throw StoreError(QStringLiteral("L'analyse « %1 » est ouverte en lecture seule : rien ne "
                                        "peut y être changé.")
                             .arg(path()));
    m_db->requireSameFile();
}

std::vector<TextInfo> CodingStore::texts()
{
    OwnedStatement stmt(prepare(
        "SELECT c.numero, c.chemin, count(t.numero),"
        " count(CASE WHEN EXISTS (SELECT 1 FROM Contenus k WHERE k.numtexte = t.numero AND " TELMIRA_ROW_HOLDS_VALUE ")"
        " THEN 1 END)"
        " FROM Chemin c LEFT JOIN textes t ON t.numtexte = c.numero"
        " GROUP BY c.numero ORDER BY c.numero"));
    std::vector<TextInfo> result;
    while (step(stmt)) {
        TextInfo info;
        info.numero = sqlite3_column_int64(stmt, 0);
        info.chemin = textColumn(stmt, 1);
        info.segments = sqlite3_column_int64(stmt, 2);
        info.coded = sqlite3_column_int64(stmt, 3);
        result.push_back(std::move(info));
    }
    return result;
}

std::vector<qint64> CodingStore::segmentKeys(qint64 textNumber)
{
    OwnedStatement stmt(prepare("SELECT numero FROM textes WHERE numtexte = ?1 ORDER BY numero"));
    sqlite3_bind_int64(stmt, 1, textNumber);
    std::vector<qint64> keys;
    while (step(stmt))
        keys.push_back(sqlite3_column_int64(stmt, 0));
    return keys;
}

std::optional<QString> CodingStore::segmentText(qint64 segment)
{
    OwnedStatement stmt(prepare("SELECT texte FROM textes WHERE numero = ?1"));
    sqlite3_bind_int64(stmt, 1, segment);
    if (!step(stmt))
        return std::nullopt;
    return textColumn(stmt, 0);
}

std::vector<SegmentSummary> CodingStore::summaries(qint64 textNumber, qint64 first, qint64 last)
{
    OwnedStatement stmt(prepare(
        "SELECT t.numero, substr(t.texte, 1, 80),"
        " EXISTS (SELECT 1 FROM Contenus k WHERE k.numtexte = t.numero AND " TELMIRA_ROW_HOLDS_VALUE ")"
        " FROM textes t WHERE t.numero BETWEEN ?2 AND ?3 AND t.numtexte = ?1"
        " ORDER BY t.numero"));
    sqlite3_bind_int64(stmt, 1, textNumber);
    sqlite3_bind_int64(stmt, 2, first);
    sqlite3_bind_int64(stmt, 3, last);
    std::vector<SegmentSummary> result;
    while (step(stmt)) {
        SegmentSummary s;
        s.numero = sqlite3_column_int64(stmt, 0);
        s.start = textColumn(stmt, 1);
        s.coded = sqlite3_column_int(stmt, 2) != 0;
        result.push_back(std::move(s));
    }
    return result;
}

std::optional<qint64> CodingStore::nextUncoded(qint64 textNumber, qint64 after)
{
    OwnedStatement stmt(prepare(
        "SELECT t.numero FROM textes t WHERE t.numtexte = ?1 AND t.numero > ?2"
        " AND NOT EXISTS (SELECT 1 FROM Contenus k WHERE k.numtexte = t.numero AND " TELMIRA_ROW_HOLDS_VALUE ")"
        " ORDER BY t.numero LIMIT 1"));
    sqlite3_bind_int64(stmt, 1, textNumber);
    sqlite3_bind_int64(stmt, 2, after);
    if (!step(stmt))
        return std::nullopt;
    return sqlite3_column_int64(stmt, 0);
}

bool CodingStore::isCoded(qint64 segment)
{
    OwnedStatement stmt(prepare("SELECT EXISTS (SELECT 1 FROM Contenus k WHERE k.numtexte = ?1 AND " TELMIRA_ROW_HOLDS_VALUE ")"));
    sqlite3_bind_int64(stmt, 1, segment);
    if (sqlite3_step(stmt) != SQLITE_ROW)
        failRead();
    return sqlite3_column_int(stmt, 0) != 0;
}

std::vector<Coding> CodingStore::codings(qint64 segment)
{
    OwnedStatement stmt(prepare("SELECT numero, numvar01, numvar02, numvar03, numvar04, numvar05"
                           " FROM Contenus WHERE numtexte = ?1 ORDER BY numero"));
    sqlite3_bind_int64(stmt, 1, segment);
    std::vector<Coding> result;
    while (step(stmt)) {
        Coding c;
        c.numero = sqlite3_column_int64(stmt, 0);
        for (int k = 0; k < kLists; ++k)
            c.numvar[size_t(k)] = sqlite3_column_int64(stmt, k + 1);
        result.push_back(c);
    }
    return result;
}

qint64 CodingStore::addCoding(qint64 segment)
{
    const QString what =
        QStringLiteral("La ligne de codage du segment n° %1 n'a pas pu être ajoutée").arg(segment);
    beforeWrite();
    {
        // Say which is missing rather than the engine's bare refusal.
        OwnedStatement check(prepare("SELECT (SELECT count(*) FROM textes WHERE numero = ?1),"
                                " (SELECT count(*) FROM var_comp_01 WHERE numero = 1),"
                                " (SELECT count(*) FROM var_comp_02 WHERE numero = 1),"
                                " (SELECT count(*) FROM var_comp_03 WHERE numero = 1),"
                                " (SELECT count(*) FROM var_comp_04 WHERE numero = 1),"
                                " (SELECT count(*) FROM var_comp_05 WHERE numero = 1)"));
        sqlite3_bind_int64(check, 1, segment);
        if (sqlite3_step(check) != SQLITE_ROW)
            failRead();
        if (sqlite3_column_int(check, 0) == 0)
            throw StoreError(QStringLiteral("%1 : le segment n'existe plus dans la base de données "
                                            "« %2 ».")
                                 .arg(what, path()));
        for (int k = 1; k <= kLists; ++k)
            if (sqlite3_column_int(check, k) == 0)
                throw StoreError(QStringLiteral("%1 : la liste %2 n'a plus sa valeur vide "
                                                "(n° 1), à laquelle une nouvelle ligne renvoie, "
                                                "dans la base de données « %3 ».")
                                     .arg(what)
                                     .arg(k)
                                     .arg(path()));
    }
    OwnedStatement stmt(prepare("INSERT INTO Contenus (numtexte, numvar01, numvar02, numvar03,"
                           " numvar04, numvar05) VALUES (?1, 1, 1, 1, 1, 1)"));
    sqlite3_bind_int64(stmt, 1, segment);
    const int rc = sqlite3_step(stmt);
    if (rc != SQLITE_DONE)
        failWrite(what, sqlite3_extended_errcode(m_db->handle()));
    return sqlite3_last_insert_rowid(m_db->handle());
}

void CodingStore::setCodingValue(qint64 coding, int list, qint64 variable)
{
    checkListNumber(list);
    static const char *const kUpdates[kLists] = {
        "UPDATE Contenus SET numvar01 = ?1 WHERE numero = ?2",
        "UPDATE Contenus SET numvar02 = ?1 WHERE numero = ?2",
        "UPDATE Contenus SET numvar03 = ?1 WHERE numero = ?2",
        "UPDATE Contenus SET numvar04 = ?1 WHERE numero = ?2",
        "UPDATE Contenus SET numvar05 = ?1 WHERE numero = ?2",
    };
    const QString what = QStringLiteral("La valeur de la liste %1 de la ligne de codage n° %2 n'a "
                                        "pas pu être enregistrée")
                             .arg(list)
                             .arg(coding);
    beforeWrite();
    OwnedStatement stmt(prepare(kUpdates[list - 1]));
    sqlite3_bind_int64(stmt, 1, variable);
    sqlite3_bind_int64(stmt, 2, coding);
    const int rc = sqlite3_step(stmt);
    if (rc != SQLITE_DONE) {
        const int extended = sqlite3_extended_errcode(m_db->handle());
        if (extended == SQLITE_CONSTRAINT_FOREIGNKEY)
            throw StoreError(QStringLiteral("%1 : la valeur n° %2 n'est pas dans la liste %3 de la "
                                            "base de données « %4 ».")
                                 .arg(what)
                                 .arg(variable)
                                 .arg(list)
                                 .arg(path()));
        failWrite(what, extended);
    }
    if (sqlite3_changes(m_db->handle()) == 0)
        throw StoreError(QStringLiteral("%1 : la ligne n'existe plus dans la base de données "
                                        "« %2 ».")
                             .arg(what, path()));
}

void CodingStore::deleteCoding(qint64 coding)
{
    beforeWrite();
    OwnedStatement stmt(prepare("DELETE FROM Contenus WHERE numero = ?1"));
    sqlite3_bind_int64(stmt, 1, coding);
    if (sqlite3_step(stmt) != SQLITE_DONE)
        failWrite(QStringLiteral("La ligne de codage n° %1 n'a pas pu être supprimée").arg(coding),
                  sqlite3_extended_errcode(m_db->handle()));
}

std::vector<ListValue> CodingStore::listValues(int list)
{
    checkListNumber(list);
    static const char *const kQueries[kLists] = {
        "SELECT numero, variable01 FROM \"var_comp_01 Requête\"",
        "SELECT numero, variable02 FROM \"var_comp_02 Requête\"",
        "SELECT numero, variable03 FROM \"var_comp_03 Requête\"",
        "SELECT numero, variable04 FROM \"var_comp_04 Requête\"",
        "SELECT numero, variable05 FROM \"var_comp_05 Requête\"",
    };
    OwnedStatement stmt(prepare(kQueries[list - 1]));
    std::vector<ListValue> result;
    while (step(stmt))
        result.push_back(ListValue{sqlite3_column_int64(stmt, 0), textColumn(stmt, 1)});
    return result;
}

} // namespace coding
