#include "store/connection.h"

#include "store/storeerror.h"
#include "store/templatecopy.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <QThread>

#include <sqlite3.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Longest total wait of one operation for a file held by another program.
int g_waitLimitMs = 30000;
// A wait is told to the windows once it has lasted this long, then every
// kTellEveryMs: well within half a second of its start.
constexpr qint64 kTellAfterMs = 150;
constexpr qint64 kTellEveryMs = 250;
// The engine is asked again this often while a file is locked.
constexpr int kRetryEveryMs = 20;

Connection::WaitNotifier &notifier()
{
    static Connection::WaitNotifier instance;
    return instance;
}

// The clock of the waits, shared by every connection of the program.
qint64 now()
{
    static QElapsedTimer clock;
    if (!clock.isValid())
        clock.start();
    return clock.elapsed();
}

// The waits of the operation under way on this thread. An operation ends
// when the event loop turns (the budget is then closed) or, inside a
// transaction, with the transaction.
struct Budget {
    qint64 waitedMs = 0;
    bool open = false;
};
thread_local Budget t_budget;

// keep: the wait comes inside a transaction begun by Connection::begin,
// whose waits count together from its start.
void openBudget(bool keep)
{
    if (t_budget.open || keep)
        return;
    t_budget.waitedMs = 0;
    QCoreApplication *app = QCoreApplication::instance();
    if (!app || QThread::currentThread() != app->thread())
        return; // each wait outside a transaction is an operation of its own
    t_budget.open = true;
    QMetaObject::invokeMethod(app, [] { t_budget.open = false; }, Qt::QueuedConnection);
}

int busyHandler(void *connection, int count)
{
    return static_cast<Connection *>(connection)->onBusy(count);
}

int progressHandler(void *connection)
{
    static_cast<Connection *>(connection)->onProgress();
    return 0;
}

const char *const kTables[] = {"Chemin",      "textes",      "Contenus",    "var_comp_01",
                               "var_comp_02", "var_comp_03", "var_comp_04", "var_comp_05"};

QString shown(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

QString notOurs(const QString &path, const QString &cause)
{
    return QStringLiteral("Le fichier « %1 » n'est pas une base d'analyse Telmira : %2.")
        .arg(shown(path), cause);
}

// The cause of a failed open or check, in French.
QString openFailure(const QString &path, sqlite3 *db, int rc)
{
    switch (rc & 0xff) {
    case SQLITE_NOTADB:
    case SQLITE_CORRUPT:
        return QStringLiteral("La base de données « %1 » est endommagée : elle ne peut pas être "
                              "lue.")
            .arg(shown(path));
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
    case SQLITE_INTERRUPT:
        return QStringLiteral("La base de données « %1 » ne peut pas être ouverte : %2.")
            .arg(shown(path), sqlfailure::cause(db, rc));
    default: {
        const QString fromPath = sqlfailure::pathCause(path);
        return QStringLiteral("La base de données « %1 » ne peut pas être ouverte : %2.")
            .arg(shown(path), fromPath.isEmpty() ? sqlfailure::cause(db, rc) : fromPath);
    }
    }
}

quint32 bigEndian32(const char *p)
{
    const auto *u = reinterpret_cast<const unsigned char *>(p);
    return (quint32(u[0]) << 24) | (quint32(u[1]) << 16) | (quint32(u[2]) << 8) | quint32(u[3]);
}

// Checks the file's 100-byte header before the engine opens it: the engine
// must not touch (nor create a journal or WAL file beside) a file that is not
// one of ours. The file is opened without waiting (a FIFO put there since
// the check of its type does not block) and must still be a regular file.
void checkHeader(const QString &path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        const int error = errno;
        QString cause = sqlfailure::pathCause(path);
        if (cause.isEmpty())
            cause = error == EACCES ? QStringLiteral("les droits d'accès ne le permettent pas")
                                    : QStringLiteral("le fichier ne peut pas être ouvert");
        throw StoreError(QStringLiteral("La base de données « %1 » ne peut pas être lue : %2.")
                             .arg(shown(path), cause));
    }
    QFile file;
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        throw StoreError(QStringLiteral("La base de données « %1 » ne peut pas être lue.")
                             .arg(shown(path)));
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode))
        throw StoreError(notOurs(path, QStringLiteral("ce n'est pas un fichier ordinaire")));
    const QByteArray header = file.read(100);
    if (header.size() < 100 || !header.startsWith(QByteArrayLiteral("SQLite format 3\0")))
        throw StoreError(notOurs(path, QStringLiteral("ce n'est pas une base de données SQLite")));
    if (bigEndian32(header.constData() + 68) != quint32(kApplicationId))
        throw StoreError(notOurs(path, QStringLiteral("c'est la base d'une autre application")));
}

// A statement of one row and one column, read as a text.
QString single(sqlite3 *db, const char *sql, const QString &path, int *rcOut = nullptr)
{
    sqlite3_stmt *stmt = nullptr;
    int rc = sqlite3_prepare_v2(db, sql, -1, &stmt, nullptr);
    if (rc == SQLITE_OK)
        rc = sqlite3_step(stmt);
    if (rc != SQLITE_ROW) {
        if (rc == SQLITE_DONE)
            rc = SQLITE_CORRUPT;
        else
            rc = sqlite3_extended_errcode(db);
        sqlite3_finalize(stmt);
        if (rcOut)
            *rcOut = rc;
        throw StoreError(openFailure(path, db, rc));
    }
    const auto *text = reinterpret_cast<const char *>(sqlite3_column_text(stmt, 0));
    const QString value = text ? QString::fromUtf8(text) : QString();
    sqlite3_finalize(stmt);
    return value;
}

} // namespace

Connection::Access Connection::accessFor(const QString &path)
{
    const QFileInfo info(path);
    if (!info.isWritable())
        return Access::ReadOnly;
    const QFileInfo folder(info.absolutePath());
    return folder.isWritable() ? Access::ReadWrite : Access::ReadOnly;
}

std::shared_ptr<Connection> Connection::open(const QString &path, Access access)
{
    return openChecked(path, access, false);
}

std::shared_ptr<Connection> Connection::openTemplate(const QString &path)
{
    try {
        std::shared_ptr<Connection> connection = openChecked(path, Access::ReadOnly, true);
        const QString integrity = single(connection->handle(), "PRAGMA integrity_check(1)", path);
        if (integrity != QLatin1String("ok"))
            throw StoreError(QStringLiteral("la vérification de son intégrité a échoué"));
        return connection;
    } catch (const StoreError &e) {
        throw StoreError(QStringLiteral("Le modèle d'analyse « %1 » est endommagé ou incomplet : "
                                        "une nouvelle analyse ne peut pas en être faite. "
                                        "Réinstallez Telmira.\n\n%2")
                             .arg(shown(path), e.message()));
    }
}

std::shared_ptr<Connection> Connection::openChecked(const QString &path, Access access,
                                                    bool isTemplate)
{
    if (path.isEmpty())
        throw StoreError(QStringLiteral("Aucune base de données n'est indiquée."));
    const FileIdentity identity = identityOf(path);
    const QFileInfo info(path);
    if (!identity.exists) {
        const QString cause = sqlfailure::pathCause(path);
        if (!cause.isEmpty())
            throw StoreError(QStringLiteral("La base de données « %1 » ne peut pas être ouverte : "
                                            "%2.")
                                 .arg(shown(path), cause));
        throw StoreError(QStringLiteral("La base de données « %1 » est introuvable.")
                             .arg(shown(path)));
    }
    if (info.isDir())
        throw StoreError(notOurs(path, QStringLiteral("c'est un dossier")));
    // A FIFO or a device would block or never end: only its type is looked at.
    if (!identity.regular)
        throw StoreError(notOurs(path, QStringLiteral("ce n'est pas un fichier ordinaire")));
    if (!isTemplate) {
        const QString templ = installedTemplatePath();
        if (!templ.isEmpty() && identity.sameFileAs(identityOf(templ)))
            throw StoreError(QStringLiteral("« %1 » est le modèle des nouvelles analyses, pas une "
                                            "analyse : il ne peut pas être ouvert. Créez une "
                                            "nouvelle analyse dans Telmira (« Nouvelle base de "
                                            "données »).")
                                 .arg(shown(path)));
    }
    if (access == Access::ReadWrite && !info.isWritable())
        throw StoreError(QStringLiteral("La base de données « %1 » est protégée en écriture.")
                             .arg(shown(path)));
    checkHeader(path);

    sqlite3 *db = nullptr;
    // Never created: a file removed meanwhile is reported, not made anew. An
    // absolute path is never taken for a "file:" URI.
    const int flags = (access == Access::ReadOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE)
                      | SQLITE_OPEN_EXRESCODE;
    int rc = sqlite3_open_v2(QFile::encodeName(info.absoluteFilePath()).constData(), &db, flags,
                             nullptr);
    if (rc != SQLITE_OK) {
        const QString message = openFailure(path, db, rc);
        sqlite3_close(db);
        throw StoreError(message);
    }
    std::shared_ptr<Connection> connection(
        new Connection(db, path, access == Access::ReadOnly));
    connection->m_absolutePath = info.absoluteFilePath();
    connection->m_identity = identity;
    sqlite3_extended_result_codes(db, 1);
    sqlite3_busy_handler(db, busyHandler, connection.get());
    sqlite3_progress_handler(db, 16, progressHandler, connection.get());

    // Read-only checks first: nothing is written to a refused file.
    const int version = single(db, "PRAGMA user_version", path).toInt();
    if (version > kSchemaVersion)
        throw StoreError(QStringLiteral("La base de données « %1 » a été créée par une version "
                                        "plus récente de Telmira (version %2).")
                             .arg(shown(path))
                             .arg(version));

    QStringList missing;
    sqlite3_stmt *stmt = nullptr;
    rc = sqlite3_prepare_v2(db,
                            "SELECT 1 FROM sqlite_schema WHERE type = 'table' "
                            "AND name = ?1 COLLATE NOCASE",
                            -1, &stmt, nullptr);
    if (rc != SQLITE_OK)
        throw StoreError(openFailure(path, db, sqlite3_extended_errcode(db)));
    for (const char *table : kTables) {
        rc = sqlite3_bind_text(stmt, 1, table, -1, SQLITE_STATIC);
        if (rc == SQLITE_OK)
            rc = sqlite3_step(stmt);
        if (rc == SQLITE_DONE) {
            missing << QString::fromLatin1(table);
        } else if (rc != SQLITE_ROW) {
            const QString message = openFailure(path, db, sqlite3_extended_errcode(db));
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

Connection::Connection(sqlite3 *db, const QString &path, bool readOnly)
    : m_db(db), m_path(path), m_readOnly(readOnly)
{
}

Connection::~Connection()
{
    if (m_db) {
        if (!sqlite3_get_autocommit(m_db))
            sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
        endWait(true);
        settle();
        sqlite3_busy_handler(m_db, nullptr, nullptr);
        sqlite3_progress_handler(m_db, 0, nullptr, nullptr);
        sqlite3_close_v2(m_db);
    }
}

bool Connection::sameFile() const
{
    return identityOf(m_absolutePath.isEmpty() ? m_path : m_absolutePath).sameFileAs(m_identity);
}

void Connection::requireSameFile() const
{
    if (sameFile())
        return;
    const bool gone = !identityOf(m_absolutePath).exists;
    throw StoreError(
        (gone ? QStringLiteral("L'analyse « %1 » a été supprimée ou déplacée depuis son ouverture.")
              : QStringLiteral("L'analyse « %1 » a été remplacée par un autre fichier du même nom "
                               "depuis son ouverture (une nouvelle analyse du même nom faite dans "
                               "Telmira, par exemple)."))
            .arg(shown(m_path))
        + QStringLiteral(" Les fenêtres montrent l'ancienne copie : rien n'y est plus enregistré "
                         "ni exporté. Fermez cette analyse et ouvrez-la de nouveau."));
}

void Connection::exec(const QString &sql)
{
    const int rc = sqlite3_exec(m_db, sql.toUtf8().constData(), nullptr, nullptr, nullptr);
    endWait(true);
    if (!inTransaction())
        m_ownTransaction = false;
    if (rc != SQLITE_OK)
        throw StoreError(QStringLiteral("La base de données « %1 » a refusé l'opération : %2.")
                             .arg(shown(m_path), lastFailure()));
}

void Connection::begin()
{
    if (inTransaction())
        throw StoreError(QStringLiteral("Une transaction est déjà en cours sur la base de données "
                                        "« %1 ».")
                             .arg(shown(m_path)));
    // The waits of a transaction count from its start, and together.
    startOperation();
    m_ownTransaction = true;
    // Immediate: the write lock is taken (or waited for) now, not halfway
    // through the work.
    exec(QStringLiteral("BEGIN IMMEDIATE"));
}

void Connection::commit()
{
    if (!inTransaction())
        throw StoreError(
            QStringLiteral("Aucune transaction n'est en cours sur la base de données « %1 ».")
                .arg(shown(m_path)));
    exec(QStringLiteral("COMMIT"));
}

void Connection::rollback()
{
    if (inTransaction())
        sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
    m_ownTransaction = false;
    endWait(true);
    settle();
}

void Connection::settle()
{
    // A write that failed on the disk (full, or an error of the device) may
    // leave the engine unable to undo the transaction there and then: its
    // journal stays beside the file, the file grown, until the next read
    // puts the file back. That read is made now, without waiting on another
    // program (the next program to open the file would then do it).
    if (!m_db || m_readOnly || !sqlite3_get_autocommit(m_db))
        return;
    const QFileInfo journal(m_absolutePath + QStringLiteral("-journal"));
    if (!journal.exists() || journal.size() == 0)
        return;
    sqlite3_busy_handler(m_db, nullptr, nullptr);
    sqlite3_exec(m_db, "SELECT count(*) FROM sqlite_schema", nullptr, nullptr, nullptr);
    sqlite3_busy_handler(m_db, busyHandler, this);
}

bool Connection::inTransaction() const
{
    return m_db && !sqlite3_get_autocommit(m_db);
}

QString Connection::failure(int rc) const
{
    return sqlfailure::cause(m_db, rc);
}

QString Connection::lastFailure() const
{
    return failure(m_db ? sqlite3_extended_errcode(m_db) : SQLITE_NOMEM);
}

// ----- Waiting on another program -----

void Connection::setWaitNotifier(WaitNotifier notifier)
{
    ::notifier() = std::move(notifier);
}

void Connection::setWaitLimitMs(int ms)
{
    g_waitLimitMs = ms;
}

int Connection::waitLimitMs()
{
    return g_waitLimitMs;
}

void Connection::startOperation()
{
    t_budget.waitedMs = 0;
    t_budget.open = false;
    openBudget(false);
}

int Connection::onBusy(int count)
{
    const qint64 t = now();
    if (count == 0) {
        // A new lock asked for: the previous wait (if any) has ended; the
        // window that was told of it goes on showing it.
        const bool told = m_waiting && m_told;
        endWait(false);
        openBudget(m_ownTransaction && inTransaction());
        m_waiting = true;
        m_told = told;
        m_waitStart = t;
    } else if (!m_waiting) {
        m_waiting = true;
        m_told = false;
        m_waitStart = t;
    }
    const qint64 waited = t_budget.waitedMs + (t - m_waitStart);
    Wait wait;
    wait.path = m_path;
    wait.waitedMs = waited;
    wait.limitMs = g_waitLimitMs;
    if (waited >= g_waitLimitMs) {
        t_budget.waitedMs = waited;
        m_waiting = false;
        wait.state = Wait::GaveUp;
        if (notifier())
            notifier()(wait);
        // Halfway through a transaction the engine may let a failed lock
        // pass (a page cache spilled later) and wait again at the next page:
        // the statement is stopped instead, which rolls the transaction back.
        if (inTransaction())
            sqlite3_interrupt(m_db);
        return 0;
    }
    if (notifier() && t - m_waitStart >= kTellAfterMs
        && (!m_told || t - m_lastTold >= kTellEveryMs)) {
        m_told = true;
        m_lastTold = t;
        notifier()(wait);
    }
    QThread::msleep(ulong(std::min<qint64>(kRetryEveryMs, g_waitLimitMs - waited)));
    return 1;
}

void Connection::onProgress()
{
    if (m_waiting)
        endWait(true);
}

void Connection::endWait(bool notify)
{
    if (!m_waiting)
        return;
    m_waiting = false;
    t_budget.waitedMs += now() - m_waitStart;
    if (notify && m_told && notifier()) {
        Wait wait;
        wait.state = Wait::Ended;
        wait.path = m_path;
        wait.waitedMs = t_budget.waitedMs;
        wait.limitMs = g_waitLimitMs;
        notifier()(wait);
    }
}
