#include "store/statement.h"

#include "store/connection.h"
#include "store/storeerror.h"

#include <sqlite3.h>

QString engineCause(int rc)
{
    // The store's one mapping of the engine's results to French causes.
    return sqlfailure::cause(nullptr, rc);
}

OwnedStatement::~OwnedStatement()
{
    sqlite3_finalize(m_stmt);
}

QString textColumn(sqlite3_stmt *stmt, int column)
{
    const auto *text = reinterpret_cast<const char *>(sqlite3_column_text(stmt, column));
    return text ? QString::fromUtf8(text, sqlite3_column_bytes(stmt, column)) : QString();
}

Statement::Statement(Connection &db, const char *sql) : m_db(db)
{
    const int rc = sqlite3_prepare_v2(db.handle(), sql, -1, &m_stmt, nullptr);
    if (rc != SQLITE_OK)
        fail(rc);
}

Statement::~Statement()
{
    sqlite3_finalize(m_stmt);
}

void Statement::fail(int rc) const
{
    throw StoreError(QStringLiteral("La base de données « %1 » a refusé l'opération : %2.")
                         .arg(m_db.path(), m_db.failure(rc)));
}

Statement &Statement::bind(int index, qint64 value)
{
    const int rc = sqlite3_bind_int64(m_stmt, index, value);
    if (rc != SQLITE_OK)
        fail(rc);
    return *this;
}

Statement &Statement::bind(int index, const QString &text)
{
    if (text.isNull())
        return bindNull(index);
    const QByteArray utf8 = text.toUtf8();
    const int rc = sqlite3_bind_text64(m_stmt, index, utf8.constData(), sqlite3_uint64(utf8.size()),
                                       SQLITE_TRANSIENT, SQLITE_UTF8);
    if (rc != SQLITE_OK)
        fail(rc);
    return *this;
}

Statement &Statement::bindNull(int index)
{
    const int rc = sqlite3_bind_null(m_stmt, index);
    if (rc != SQLITE_OK)
        fail(rc);
    return *this;
}

bool Statement::step()
{
    const int rc = sqlite3_step(m_stmt);
    if (rc == SQLITE_ROW)
        return true;
    if (rc == SQLITE_DONE)
        return false;
    fail(rc);
}

void Statement::run()
{
    while (step()) {
    }
}

void Statement::reset()
{
    sqlite3_reset(m_stmt);
    sqlite3_clear_bindings(m_stmt);
}

qint64 Statement::integer(int column) const
{
    return sqlite3_column_int64(m_stmt, column);
}

QString Statement::text(int column) const
{
    const auto *p = reinterpret_cast<const char *>(sqlite3_column_text(m_stmt, column));
    return p ? QString::fromUtf8(p, sqlite3_column_bytes(m_stmt, column)) : QString();
}

bool Statement::isNull(int column) const
{
    return sqlite3_column_type(m_stmt, column) == SQLITE_NULL;
}
