#include "store/connection.h"

#include "store/storeerror.h"

#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include <sqlite3.h>

namespace {

// Longest wait for a file held by another program (the database application
// may have it open at the same time).
constexpr int kBusyTimeoutMs = 30000;

const char *const kTables[] = {"Chemin",      "textes",      "Contenus",    "var_comp_01",
                               "var_comp_02", "var_comp_03", "var_comp_04", "var_comp_05"};

QString notOurs(const QString &path, const QString &cause)
{
    return QStringLiteral("Le fichier « %1 » n'est pas une base d'analyse Telmira : %2.")
        .arg(path, cause);
}

QString engineText(sqlite3 *db)
{
    return db ? QString::fromUtf8(sqlite3_errmsg(db)) : QStringLiteral("mémoire insuffisante");
}

// The cause of a failed open or check, in French, with the engine's words.
QString openFailure(const QString &path, sqlite3 *db, int rc)
{
    switch (rc & 0xff) {
    case SQLITE_NOTADB:
    case SQLITE_CORRUPT:
        return notOurs(path, QStringLiteral("le fichier n'est pas une base SQLite valide (%1)")
                                 .arg(engineText(db)));
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return QStringLiteral("La base de données « %1 » est verrouillée par un autre programme "
                              "(%2).")
            .arg(path, engineText(db));
    case SQLITE_CANTOPEN:
    case SQLITE_PERM:
    case SQLITE_AUTH:
        return QStringLiteral("La base de données « %1 » ne peut pas être ouverte (%2).")
            .arg(path, engineText(db));
    default:
        return QStringLiteral("La base de données « %1 » ne peut pas être ouverte : %2.")
            .arg(path, engineText(db));
    }
}

quint32 bigEndian32(const char *p)
{
    const auto *u = reinterpret_cast<const unsigned char *>(p);
    return (quint32(u[0]) << 24) | (quint32(u[1]) << 16) | (quint32(u[2]) << 8) | quint32(u[3]);
}

// Checks the file's 100-byte header before the engine opens it: the engine
// must not touch (nor create a journal or WAL file beside) a file that is not
// one of ours.
void checkHeader(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw StoreError(QStringLiteral("La base de données « %1 » ne peut pas être lue : %2.")
                             .arg(path, file.errorString()));
    const QByteArray header = file.read(100);
    if (header.size() < 100 || !header.startsWith(QByteArrayLiteral("SQLite format 3\0")))
        throw StoreError(notOurs(path, QStringLiteral("ce n'est pas une base de données SQLite")));
    if (bigEndian32(header.constData() + 68) != quint32(kApplicationId))
        throw StoreError(notOurs(path, QStringLiteral("c'est la base d'une autre application")));
}

} // namespace

std::shared_ptr<Connection> Connection::open(const QString &path)
{
    if (path.isEmpty())
        throw StoreError(QStringLiteral("Aucune base de données n'est indiquée."));
    const QFileInfo info(path);
    if (!info.exists())
        throw StoreError(QStringLiteral("La base de données « %1 » est introuvable.").arg(path));
    if (info.isDir())
        throw StoreError(notOurs(path, QStringLiteral("c'est un dossier")));
    if (!info.isWritable())
        throw StoreError(
            QStringLiteral("La base de données « %1 » est protégée en écriture.").arg(path));
    checkHeader(path);

    sqlite3 *db = nullptr;
    // Read-write and never created: a file removed meanwhile is reported, not
    // made anew. An absolute path is never taken for a "file:" URI.
    int rc = sqlite3_open_v2(info.absoluteFilePath().toUtf8().constData(), &db,
                             SQLITE_OPEN_READWRITE | SQLITE_OPEN_EXRESCODE, nullptr);
    if (rc != SQLITE_OK) {
        const QString message = openFailure(path, db, rc);
        sqlite3_close(db);
        throw StoreError(message);
    }
    std::shared_ptr<Connection> connection(new Connection(db, path));
    sqlite3_busy_timeout(db, kBusyTimeoutMs);
    sqlite3_extended_result_codes(db, 1);

    // Read-only checks first: nothing is written to a refused file.
    sqlite3_stmt *stmt = nullptr;
    rc = sqlite3_prepare_v2(db, "PRAGMA user_version", -1, &stmt, nullptr);
    if (rc == SQLITE_OK)
        rc = sqlite3_step(stmt);
    if (rc != SQLITE_ROW) {
        const QString message = openFailure(path, db, rc);
        sqlite3_finalize(stmt);
        throw StoreError(message);
    }
    const int version = sqlite3_column_int(stmt, 0);
    sqlite3_finalize(stmt);
    if (version > kSchemaVersion)
        throw StoreError(QStringLiteral("La base de données « %1 » a été créée par une version "
                                        "plus récente de Telmira (version %2).")
                             .arg(path)
                             .arg(version));

    QStringList missing;
    rc = sqlite3_prepare_v2(db,
                            "SELECT 1 FROM sqlite_schema WHERE type = 'table' "
                            "AND name = ?1 COLLATE NOCASE",
                            -1, &stmt, nullptr);
    if (rc != SQLITE_OK) {
        const QString message = openFailure(path, db, rc);
        throw StoreError(message);
    }
    for (const char *table : kTables) {
        sqlite3_bind_text(stmt, 1, table, -1, SQLITE_STATIC);
        rc = sqlite3_step(stmt);
        if (rc == SQLITE_DONE) {
            missing << QString::fromLatin1(table);
        } else if (rc != SQLITE_ROW) {
            const QString message = openFailure(path, db, rc);
            sqlite3_finalize(stmt);
            throw StoreError(message);
        }
        sqlite3_reset(stmt);
    }
    sqlite3_finalize(stmt);
    if (!missing.isEmpty())
        throw StoreError(notOurs(path, QStringLiteral("il y manque %1 « %2 »")
                                           .arg(missing.size() == 1 ? QStringLiteral("la table")
                                                                    : QStringLiteral("les tables"),
                                                missing.join(QStringLiteral(" », « ")))));

    connection->exec(QStringLiteral("PRAGMA foreign_keys = ON"));
    return connection;
}

Connection::Connection(sqlite3 *db, const QString &path) : m_db(db), m_path(path) {}

Connection::~Connection()
{
    if (m_db) {
        if (!sqlite3_get_autocommit(m_db))
            sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
        sqlite3_close_v2(m_db);
    }
}

void Connection::exec(const QString &sql)
{
    char *error = nullptr;
    const int rc = sqlite3_exec(m_db, sql.toUtf8().constData(), nullptr, nullptr, &error);
    if (rc != SQLITE_OK) {
        const QString engine = error ? QString::fromUtf8(error) : engineMessage();
        sqlite3_free(error);
        throw StoreError(
            QStringLiteral("La base de données « %1 » a refusé l'opération : %2.").arg(m_path, engine));
    }
}

void Connection::begin()
{
    if (inTransaction())
        throw StoreError(QStringLiteral("Une transaction est déjà en cours sur la base de données "
                                        "« %1 ».")
                             .arg(m_path));
    // Immediate: the write lock is taken (or waited for) now, not halfway
    // through the work.
    exec(QStringLiteral("BEGIN IMMEDIATE"));
}

void Connection::commit()
{
    if (!inTransaction())
        throw StoreError(
            QStringLiteral("Aucune transaction n'est en cours sur la base de données « %1 ».")
                .arg(m_path));
    exec(QStringLiteral("COMMIT"));
}

void Connection::rollback()
{
    if (inTransaction())
        sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
}

bool Connection::inTransaction() const
{
    return m_db && !sqlite3_get_autocommit(m_db);
}

QString Connection::engineMessage() const
{
    return engineText(m_db);
}
