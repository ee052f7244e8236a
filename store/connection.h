#pragma once
// One open connection to an analysis database.
//
// Waiting on another program: when the file is locked by another program
// (Telmira and the coding application may hold it at the same time), an
// operation waits for it, in all at most waitLimitMs() (30 s). An operation
// is what runs between two turns of the program's event loop (one click, one
// menu choice), or one transaction from begin() to its end, whichever is
// longer: the waits of all its statements add up, waits halfway through a
// transaction included. When the time is up the statement fails (inside a
// transaction the transaction is rolled back), so that the file is left as
// it was. From the moment a wait starts, the notifier installed by the
// windows (or by the command line) hears of it several times a second, so
// that a window can say what it waits for (the command line says it once on
// standard error).
#include "store/fileidentity.h"

#include <QString>
#include <functional>
#include <memory>

struct sqlite3;

class Connection
{
public:
    enum class Access {
        ReadWrite, // the file must be writable; it is refused otherwise
        ReadOnly   // nothing is ever written (a file the user may not change)
    };

    // Opens an existing analysis database, shared with other programs,
    // foreign keys enforced. A missing file is never created; a file that is
    // not an analysis database (not a regular file, not SQLite, another
    // application id, or lacking a table) is refused and never written to,
    // and so is the template database `telmira` beside the program, under
    // any name (links included). Throws StoreError.
    static std::shared_ptr<Connection> open(const QString &path,
                                            Access access = Access::ReadWrite);
    // Opens the template database read-only to check it: its header, its
    // tables, its version and the integrity of the whole file. Throws
    // StoreError naming the template.
    static std::shared_ptr<Connection> openTemplate(const QString &path);
    // ReadWrite when the file and its folder may be written (the engine
    // writes its journal beside the file), ReadOnly otherwise.
    static Access accessFor(const QString &path);

    ~Connection();
    Connection(const Connection &) = delete;
    Connection &operator=(const Connection &) = delete;

    sqlite3 *handle() const { return m_db; }
    const QString &path() const { return m_path; }
    bool readOnly() const { return m_readOnly; }

    // Whether the path still names the file that was opened: false when the
    // analysis was deleted, or replaced under its name (a new analysis of
    // the same name made in Telmira), since the opening.
    bool sameFile() const;
    // Throws StoreError saying that the file was replaced or deleted when
    // sameFile() is false: called before every write and export, so that
    // nothing goes to (nor comes from) a copy that is no longer the analysis.
    void requireSameFile() const;

    // Runs statements that return no rows. Throws StoreError.
    void exec(const QString &sql);

    // One transaction at a time on a connection. Throws StoreError.
    void begin();
    void commit();
    // Never throws; outside a transaction it only puts the file back as it
    // was after a write the disk refused (see settle).
    void rollback();
    bool inTransaction() const;

    // The French cause of the connection's last failure (see
    // sqlfailure::cause), for a call that returned rc.
    QString failure(int rc) const;
    // The same, from the connection's last extended result code.
    QString lastFailure() const;
    // The same as lastFailure (kept for the callers that read it by this
    // name): never the engine's English.
    QString engineMessage() const { return lastFailure(); }

    // ----- Waiting on another program -----
    struct Wait {
        enum State {
            Waiting, // still waiting (told several times a second)
            Ended,   // the file became free: the operation goes on
            GaveUp   // the time is up: the operation fails
        };
        State state = Waiting;
        QString path;     // the database waited for
        qint64 waitedMs = 0; // waited so far in this operation
        qint64 limitMs = 0;  // the most the operation may wait
    };
    using WaitNotifier = std::function<void(const Wait &)>;
    // Installed once by a program with windows, or by the command line for
    // its action; none by default.
    static void setWaitNotifier(WaitNotifier notifier);
    // The longest total wait of an operation: 30,000 ms; tests shorten it.
    static void setWaitLimitMs(int ms);
    static int waitLimitMs();
    // Starts a new operation at once (its waits counted from zero), for
    // callers that run several operations without an event loop between
    // them (tests, command-line actions).
    static void startOperation();

    // Used by the engine's callbacks.
    int onBusy(int count);
    void onProgress();

private:
    Connection(sqlite3 *db, const QString &path, bool readOnly);
    static std::shared_ptr<Connection> openChecked(const QString &path, Access access,
                                                   bool isTemplate);
    void endWait(bool notify);
    // Puts the file back at once after a failed write left the engine's
    // journal hot (closing the connection does it too); never waits.
    void settle();

    sqlite3 *m_db = nullptr;
    QString m_path;
    QString m_absolutePath;
    bool m_readOnly = false;
    FileIdentity m_identity;
    // The wait in progress on this connection.
    bool m_ownTransaction = false; // begun by begin(): its waits add up
    bool m_waiting = false;
    bool m_told = false;
    qint64 m_waitStart = 0;
    qint64 m_lastTold = 0;
};

// The application id that marks a SQLite file as an analysis database.
inline constexpr int kApplicationId = 0x544C4D52; // "TLMR"
// The schema version this program writes (PRAGMA user_version); older files
// stay readable, newer ones are refused.
inline constexpr int kSchemaVersion = 5;
