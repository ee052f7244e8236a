#pragma once
// A prepared statement on an open connection, finalized with the object.
// Every bind and every step is checked: a failure throws StoreError with a
// French message naming the file. Texts go to and from the engine as UTF-8.
#include <QString>

class Connection;
struct sqlite3_stmt;

// The cause of an engine failure, in French (disk full, lock, rights...):
// sqlfailure::cause without a connection.
QString engineCause(int rc);

// A raw prepared statement owned for its scope (finalized with it), for
// store files that prepare and step through the C API themselves.
class OwnedStatement
{
public:
    explicit OwnedStatement(sqlite3_stmt *stmt) : m_stmt(stmt) {}
    ~OwnedStatement();
    OwnedStatement(const OwnedStatement &) = delete;
    OwnedStatement &operator=(const OwnedStatement &) = delete;
    operator sqlite3_stmt *() const { return m_stmt; }

private:
    sqlite3_stmt *m_stmt;
};

// Column `column` of the statement's current row as text (null for NULL).
QString textColumn(sqlite3_stmt *stmt, int column);

class Statement
{
public:
    // Prepares `sql` (UTF-8) on the connection. Throws StoreError.
    Statement(Connection &db, const char *sql);
    ~Statement();
    Statement(const Statement &) = delete;
    Statement &operator=(const Statement &) = delete;

    // Binds parameter `index` (from 1). Throw StoreError.
    Statement &bind(int index, qint64 value);
    Statement &bind(int index, const QString &text); // a null QString binds NULL
    Statement &bindNull(int index);

    // Runs the statement one step: true on a row, false when done.
    bool step();
    // Runs a statement that returns no row.
    void run();
    // Makes the statement ready to run again, its parameters cleared.
    void reset();

    qint64 integer(int column) const;
    QString text(int column) const; // a null QString for NULL
    bool isNull(int column) const;

    sqlite3_stmt *handle() const { return m_stmt; }

private:
    [[noreturn]] void fail(int rc) const;

    Connection &m_db;
    sqlite3_stmt *m_stmt = nullptr;
};
