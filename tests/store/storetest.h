#pragma once
// Helpers of the store's tests: fresh copies of the template database.
#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <QTemporaryDir>
#include <QTest>

#include "store/connectionstring.h"
#include "store/recordsource.h"

#include <sqlite3.h>

namespace storetest {

inline QString templatePath()
{
    const QString path = qEnvironmentVariable("TELMIRA_TEMPLATE");
    return path.isEmpty() ? QStringLiteral("telmira") : path;
}

// A fresh copy of the template in dir, under the given name.
inline QString freshCopy(const QTemporaryDir &dir, const QString &name = QStringLiteral("a.mdb"))
{
    const QString target = dir.filePath(name);
    QFile::remove(target);
    if (!QFile::copy(templatePath(), target))
        qFatal("cannot copy the template %s", qPrintable(templatePath()));
    QFile::setPermissions(target, QFile::ReadOwner | QFile::WriteOwner);
    return target;
}

// Connects a record source to a database and runs the statement.
inline void open(RecordSource &rs, const QString &db, const QString &statement)
{
    rs.setConnectionString(connstr::build(db));
    rs.setRecordSource(statement);
    rs.refresh();
}

inline QByteArray bytesOf(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray();
    return file.readAll();
}

// A raw connection, for checks that must not go through the store.
class Raw
{
public:
    explicit Raw(const QString &path)
    {
        sqlite3_open_v2(path.toUtf8().constData(), &m_db, SQLITE_OPEN_READWRITE, nullptr);
        sqlite3_exec(m_db, "PRAGMA foreign_keys = ON", nullptr, nullptr, nullptr);
        // Like any other program, it waits a moment for the program's own
        // background work (the suggestions' learner keeps its model in the
        // file) rather than failing at once on a locked file.
        sqlite3_busy_timeout(m_db, 5000);
    }
    ~Raw() { sqlite3_close(m_db); }
    Raw(const Raw &) = delete;
    Raw &operator=(const Raw &) = delete;

    // The first column of the first row as text ("NULL" for null, "" for none).
    QString scalar(const QString &sql)
    {
        sqlite3_stmt *stmt = nullptr;
        if (sqlite3_prepare_v2(m_db, sql.toUtf8().constData(), -1, &stmt, nullptr) != SQLITE_OK)
            return QStringLiteral("ERROR: ") + QString::fromUtf8(sqlite3_errmsg(m_db));
        QString result;
        if (sqlite3_step(stmt) == SQLITE_ROW)
            result = sqlite3_column_type(stmt, 0) == SQLITE_NULL
                         ? QStringLiteral("NULL")
                         : QString::fromUtf8(
                               reinterpret_cast<const char *>(sqlite3_column_text(stmt, 0)));
        sqlite3_finalize(stmt);
        return result;
    }
    qint64 count(const QString &table)
    {
        return scalar(QStringLiteral("SELECT count(*) FROM \"%1\"").arg(table)).toLongLong();
    }
    bool exec(const QString &sql)
    {
        return sqlite3_exec(m_db, sql.toUtf8().constData(), nullptr, nullptr, nullptr) == SQLITE_OK;
    }
    sqlite3 *handle() const { return m_db; }

private:
    sqlite3 *m_db = nullptr;
};

} // namespace storetest
