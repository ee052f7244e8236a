#include "store/backup.h"

#include "store/connection.h"
#include "store/storeerror.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QSettings>
#include <QStandardPaths>
#include <QStorageInfo>

#include <sqlite3.h>

#include <algorithm>

namespace backup {
namespace {

const QString kTimeFormat = QStringLiteral("yyyy-MM-dd_HH-mm-ss-zzz");
constexpr int kPagesPerStep = 1024;
// A copy in progress, and the files the engine writes beside it.
const QString kPartial = QStringLiteral(".partiel");
const QStringList kBeside = {QStringLiteral("-journal"), QStringLiteral("-wal"),
                             QStringLiteral("-shm")};

FreeSpace &freeSpaceProbe()
{
    static FreeSpace instance;
    return instance;
}

qint64 freeSpaceOf(const QString &folder)
{
    if (freeSpaceProbe())
        return freeSpaceProbe()(folder);
    const QStorageInfo storage(folder);
    return storage.isValid() ? storage.bytesAvailable() : -1;
}

// Removes a partial copy and what the engine wrote beside it.
void removePartial(const QString &partial)
{
    QFile::remove(partial);
    for (const QString &suffix : kBeside)
        QFile::remove(partial + suffix);
}

// Whether another program is writing this partial copy now: the engine
// holds a write lock on it from its first page to its last.
bool beingWritten(const QString &partial)
{
    if (!QFileInfo::exists(partial))
        return false;
    sqlite3 *db = nullptr;
    int rc = sqlite3_open_v2(QFile::encodeName(partial).constData(), &db,
                             SQLITE_OPEN_READWRITE | SQLITE_OPEN_EXRESCODE, nullptr);
    bool busy = false;
    if (rc == SQLITE_OK) {
        rc = sqlite3_exec(db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
        busy = (rc & 0xff) == SQLITE_BUSY || (rc & 0xff) == SQLITE_LOCKED;
        if (rc == SQLITE_OK)
            sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
    }
    sqlite3_close(db);
    return busy;
}

// The partial copies a killed program left in the folder, and their
// journals (a journal alone too), removed; one being written is left.
void removeLeftovers(const QString &folder)
{
    const QDir dir(folder);
    QStringList partials;
    const QStringList names = dir.entryList(QDir::Files | QDir::Hidden | QDir::System);
    for (const QString &name : names) {
        QString base = name;
        for (const QString &suffix : kBeside)
            if (base.endsWith(kPartial + suffix))
                base.chop(suffix.size());
        if (base.endsWith(kPartial) && !partials.contains(base))
            partials << base;
    }
    for (const QString &name : partials) {
        const QString partial = dir.filePath(name);
        if (!beingWritten(partial))
            removePartial(partial);
    }
}

QString shown(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

// What tells one state of a database from another: the change counter of
// its header (moved by every write) and its number of pages.
QString stateOf(Connection &db)
{
    QFile file(db.path());
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    const QByteArray header = file.read(100);
    if (header.size() < 100)
        return QString();
    const auto *u = reinterpret_cast<const unsigned char *>(header.constData());
    const quint32 counter = (quint32(u[24]) << 24) | (quint32(u[25]) << 16)
                            | (quint32(u[26]) << 8) | quint32(u[27]);
    return QStringLiteral("c%1-%2").arg(counter).arg(file.size());
}

// "2026-12-08_17-50-01-123_c42-40960.mdb": when, then the state copied.
QString stateOfName(const QString &fileName)
{
    return QFileInfo(fileName).completeBaseName().section(QLatin1Char('_'), 2);
}

[[noreturn]] void fail(const QString &databasePath, const QString &cause)
{
    throw StoreError(QStringLiteral("La sauvegarde de l'analyse « %1 » n'a pas pu être faite : %2.")
                         .arg(shown(databasePath), cause));
}

// Copies `from` into `to` (both open) page by page; returns SQLITE_DONE or
// the failure's code.
int copyPages(sqlite3 *to, sqlite3 *from, const Progress &progress, bool oneStep)
{
    sqlite3_backup *copy = sqlite3_backup_init(to, "main", from, "main");
    if (!copy)
        return sqlite3_extended_errcode(to);
    int rc;
    do {
        rc = sqlite3_backup_step(copy, oneStep ? -1 : kPagesPerStep);
        if (progress && (rc == SQLITE_OK || rc == SQLITE_DONE)) {
            const int total = sqlite3_backup_pagecount(copy);
            if (!progress(total - sqlite3_backup_remaining(copy), total)) {
                sqlite3_backup_finish(copy);
                return SQLITE_ABORT;
            }
        }
    } while (rc == SQLITE_OK);
    const int finished = sqlite3_backup_finish(copy);
    if (rc == SQLITE_DONE && finished != SQLITE_OK)
        rc = finished;
    return rc;
}

} // namespace

QString folderFor(const QString &databasePath)
{
    const QFileInfo info(databasePath);
    QString canonical = info.canonicalFilePath();
    if (canonical.isEmpty())
        canonical = info.absoluteFilePath();
    const QByteArray hash =
        QCryptographicHash::hash(canonical.toUtf8(), QCryptographicHash::Sha1).toHex().left(8);
    const QString base = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    return QDir(base).filePath(QStringLiteral("sauvegardes/%1-%2")
                                   .arg(info.completeBaseName(), QString::fromLatin1(hash)));
}

std::vector<Entry> list(const QString &databasePath)
{
    std::vector<Entry> entries;
    const QDir folder(folderFor(databasePath));
    const QFileInfoList files =
        folder.entryInfoList({QStringLiteral("*.mdb")}, QDir::Files, QDir::Name | QDir::Reversed);
    for (const QFileInfo &file : files) {
        const QDateTime when = QDateTime::fromString(file.fileName().left(kTimeFormat.size()),
                                                     kTimeFormat);
        if (!when.isValid())
            continue;
        entries.push_back(Entry{file.absoluteFilePath(), when, file.size()});
    }
    std::sort(entries.begin(), entries.end(),
              [](const Entry &a, const Entry &b) { return a.when > b.when; });
    return entries;
}

Outcome makeWithin(Connection &db, const Budget &budget, const Progress &progress,
                   const QString &keep)
{
    db.requireSameFile();
    const QString databasePath = db.path();
    const QString folder = folderFor(databasePath);
    if (!QDir().mkpath(folder))
        fail(databasePath, QStringLiteral("le dossier des sauvegardes « %1 » ne peut pas être "
                                          "créé")
                               .arg(shown(folder)));
    removeLeftovers(folder);
    Outcome outcome;
    const QString state = stateOf(db);
    const std::vector<Entry> before = list(databasePath);
    if (!before.empty() && !state.isEmpty() && stateOfName(before.front().path) == state) {
        outcome.path = before.front().path;
    } else {
        const QString name = QDateTime::currentDateTime().toString(kTimeFormat) + QLatin1Char('_')
                             + state + QStringLiteral(".mdb");
        const QString target = QDir(folder).filePath(name);
        const QString temporary = target + kPartial;
        removePartial(temporary);

        sqlite3 *copy = nullptr;
        int rc = sqlite3_open_v2(QFile::encodeName(temporary).constData(), &copy,
                                 SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE
                                     | SQLITE_OPEN_EXRESCODE,
                                 nullptr);
        if (rc == SQLITE_OK)
            rc = copyPages(copy, db.handle(), progress, false);
        QString cause;
        if (rc != SQLITE_DONE)
            cause = rc == SQLITE_ABORT ? QStringLiteral("elle a été arrêtée")
                                       : sqlfailure::cause(copy, rc);
        if (sqlite3_close(copy) != SQLITE_OK && cause.isEmpty())
            cause = QStringLiteral("la copie n'a pas pu être fermée");
        if (cause.isEmpty() && !QFile::rename(temporary, target))
            cause = QStringLiteral("la copie n'a pas pu être mise en place dans « %1 »")
                        .arg(shown(folder));
        if (!cause.isEmpty()) {
            // The journal of a copy that failed halfway goes with it.
            removePartial(temporary);
            fail(databasePath, cause);
        }
        // Nothing of the copy is left beside it (its journal is emptied on
        // success, but a failed close may leave one).
        for (const QString &suffix : kBeside)
            QFile::remove(temporary + suffix);
        outcome.path = target;
        outcome.made = true;
    }

    // The newest copies are kept within the budget; the newest one and
    // `keep` always, counted first.
    const std::vector<Entry> entries = list(databasePath);
    const auto spared = [&](const Entry &entry) {
        return entry.path == outcome.path
               || (!keep.isEmpty() && QFileInfo(entry.path) == QFileInfo(keep));
    };
    int kept = 0;
    qint64 keptBytes = 0;
    for (const Entry &entry : entries)
        if (spared(entry)) {
            ++kept;
            keptBytes += entry.size;
        }
    bool full = false; // once a copy does not fit, no older one is kept
    for (const Entry &entry : entries) {
        if (spared(entry))
            continue;
        const bool byCount = kept >= std::max(budget.copies, 1);
        full = full || keptBytes + entry.size > budget.bytes;
        if (!byCount && !full) {
            ++kept;
            keptBytes += entry.size;
            continue;
        }
        if (!QFile::remove(entry.path)) {
            // Still there: it still takes its room.
            keptBytes += entry.size;
            continue;
        }
        if (byCount)
            ++outcome.droppedForCount;
        else
            outcome.droppedForRoom.push_back(entry);
    }
    outcome.keptBytes = keptBytes;
    outcome.freeBytes = freeSpaceOf(folder);
    return outcome;
}

QString make(Connection &db, const Progress &progress, const QString &keep)
{
    return makeWithin(db, Budget(), progress, keep).path;
}

void setFreeSpaceProbe(FreeSpace probe)
{
    freeSpaceProbe() = std::move(probe);
}

void restore(Connection &db, const QString &backupPath, const Progress &progress,
             const Budget &budget)
{
    const QString databasePath = db.path();
    const auto failed = [&](const QString &cause) {
        throw StoreError(QStringLiteral("La sauvegarde « %1 » n'a pas été remise en place dans "
                                        "l'analyse « %2 » : %3. L'analyse est inchangée.")
                             .arg(shown(backupPath), shown(databasePath), cause));
    };
    if (db.readOnly())
        failed(QStringLiteral("l'analyse est ouverte en lecture seule"));

    std::shared_ptr<Connection> source;
    try {
        source = Connection::open(backupPath, Connection::Access::ReadOnly);
    } catch (const StoreError &e) {
        failed(QStringLiteral("la sauvegarde ne peut pas être lue.\n\n%1").arg(e.message()));
    }
    sqlite3_stmt *stmt = nullptr;
    int rc = sqlite3_prepare_v2(source->handle(), "PRAGMA quick_check(1)", -1, &stmt, nullptr);
    if (rc == SQLITE_OK)
        rc = sqlite3_step(stmt);
    const bool whole = rc == SQLITE_ROW
                       && QByteArray(reinterpret_cast<const char *>(sqlite3_column_text(stmt, 0)))
                              == "ok";
    sqlite3_finalize(stmt);
    if (!whole)
        failed(QStringLiteral("la sauvegarde est endommagée"));

    // The present state first, never removing the copy being put back.
    makeWithin(db, budget, {}, backupPath);

    db.requireSameFile();
    // One step: the whole content is replaced in one transaction.
    rc = copyPages(db.handle(), source->handle(), progress, true);
    if (rc != SQLITE_DONE)
        failed(rc == SQLITE_ABORT ? QStringLiteral("l'opération a été arrêtée")
                                  : db.failure(rc));
    db.exec(QStringLiteral("PRAGMA foreign_keys = ON"));
}

QString sizeText(qint64 bytes)
{
    const QLocale french(QLocale::French, QLocale::France);
    if (bytes >= (qint64(1) << 30))
        return QStringLiteral("%1 Gio").arg(french.toString(double(bytes) / double(1 << 30), 'f', 1));
    if (bytes >= (qint64(1) << 20))
        return QStringLiteral("%1 Mio").arg(french.toString(double(bytes) / double(1 << 20), 'f', 1));
    return QStringLiteral("%1 Kio").arg(french.toString((bytes + 1023) / 1024));
}

Budget budgetFromSettings()
{
    QSettings settings;
    Budget budget;
    const int copies = settings.value(QStringLiteral("sauvegardes/copies")).toInt();
    if (copies >= 1)
        budget.copies = copies;
    const qint64 megabytes = settings.value(QStringLiteral("sauvegardes/taille_max_mo")).toLongLong();
    if (megabytes >= 1)
        budget.bytes = megabytes << 20;
    return budget;
}

QString droppedForRoomText(const Outcome &outcome, const Budget &budget)
{
    const int n = int(outcome.droppedForRoom.size());
    if (n == 0)
        return QString();
    return n == 1 ? QStringLiteral("Une ancienne sauvegarde de l'analyse a été supprimée faute "
                                   "de place (%1 au plus pour ses sauvegardes).")
                        .arg(sizeText(budget.bytes))
                  : QStringLiteral("%1 anciennes sauvegardes de l'analyse ont été supprimées "
                                   "faute de place (%2 au plus pour ses sauvegardes).")
                        .arg(n)
                        .arg(sizeText(budget.bytes));
}

} // namespace backup
