#pragma once
// One open connection to an analysis database.
#include <QString>
#include <memory>

struct sqlite3;

class Connection
{
public:
    // Opens an existing analysis database read-write, shared with other
    // programs (busy time-out of 30 s), foreign keys enforced. A missing file
    // is never created; a file that is not an analysis database (not SQLite,
    // another application id, or lacking a table) is refused and never
    // written to. Throws StoreError.
    static std::shared_ptr<Connection> open(const QString &path);

    ~Connection();
    Connection(const Connection &) = delete;
    Connection &operator=(const Connection &) = delete;

    sqlite3 *handle() const { return m_db; }
    const QString &path() const { return m_path; }

    // Runs statements that return no rows. Throws StoreError.
    void exec(const QString &sql);

    // One transaction at a time on a connection. Throws StoreError.
    void begin();
    void commit();
    void rollback(); // never throws; does nothing outside a transaction
    bool inTransaction() const;

    // The engine's last error message, in its own words.
    QString engineMessage() const;

private:
    Connection(sqlite3 *db, const QString &path);
    sqlite3 *m_db = nullptr;
    QString m_path;
};

// The application id that marks a SQLite file as an analysis database.
inline constexpr int kApplicationId = 0x544C4D52; // "TLMR"
// The schema version this program writes (PRAGMA user_version); older files
// stay readable, newer ones are refused.
inline constexpr int kSchemaVersion = 2;
