#include "store/backup.h"

#include "store/connection.h"
#include "store/storeerror.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <sqlite3.h>

#include <algorithm>

namespace backup {
namespace {

const QString kTimeFormat = QStringLiteral("yyyy-MM-dd_HH-mm-ss-zzz");
constexpr int kPagesPerStep = 1024;

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

QString make(Connection &db, const Progress &progress, const QString &keep)
{
    db.requireSameFile();
    const QString databasePath = db.path();
    const QString folder = folderFor(databasePath);
    if (!QDir().mkpath(folder))
        fail(databasePath, QStringLiteral("le dossier des sauvegardes « %1 » ne peut pas être "
                                          "créé")
                               .arg(shown(folder)));
    const QString state = stateOf(db);
    const std::vector<Entry> before = list(databasePath);
    if (!before.empty() && !state.isEmpty() && stateOfName(before.front().path) == state)
        return before.front().path;

    const QString name = QDateTime::currentDateTime().toString(kTimeFormat) + QLatin1Char('_')
                         + state + QStringLiteral(".mdb");
    const QString target = QDir(folder).filePath(name);
    const QString temporary = target + QStringLiteral(".partiel");
    QFile::remove(temporary);

    sqlite3 *copy = nullptr;
    int rc = sqlite3_open_v2(QFile::encodeName(temporary).constData(), &copy,
                             SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_EXRESCODE,
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
        QFile::remove(temporary);
        fail(databasePath, cause);
    }

    // The newest copies are kept.
    const std::vector<Entry> entries = list(databasePath);
    int kept = 0;
    for (const Entry &entry : entries) {
        const bool spared = entry.path == target
                            || (!keep.isEmpty() && QFileInfo(entry.path) == QFileInfo(keep));
        if (spared || kept < kKept) {
            ++kept;
            continue;
        }
        QFile::remove(entry.path);
    }
    return target;
}

void restore(Connection &db, const QString &backupPath, const Progress &progress)
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
    make(db, {}, backupPath);

    db.requireSameFile();
    // One step: the whole content is replaced in one transaction.
    rc = copyPages(db.handle(), source->handle(), progress, true);
    if (rc != SQLITE_DONE)
        failed(rc == SQLITE_ABORT ? QStringLiteral("l'opération a été arrêtée")
                                  : db.failure(rc));
    db.exec(QStringLiteral("PRAGMA foreign_keys = ON"));
}

} // namespace backup
