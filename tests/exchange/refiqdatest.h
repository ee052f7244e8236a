#pragma once
// What the REFI-QDA tests share: a fresh analysis made from the template,
// and an analysis's coding rows as text.
#include "store/codingstore.h"
#include "store/exchangestore.h"

#include <QFile>
#include <QStringList>
#include <QTemporaryDir>

#include <map>
#include <sqlite3.h>

namespace refiqdatest {

inline QString templatePath()
{
    const QString path = qEnvironmentVariable("TELMIRA_TEMPLATE");
    return path.isEmpty() ? QStringLiteral("telmira") : path;
}

// A fresh analysis with `sql` run on it.
inline QString analysis(const QTemporaryDir &dir, const QString &name, const QByteArray &sql = {})
{
    const QString path = dir.filePath(name);
    QFile::remove(path);
    if (!QFile::copy(templatePath(), path))
        qFatal("cannot copy the template");
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
    sqlite3 *db = nullptr;
    sqlite3_open(path.toUtf8().constData(), &db);
    if (sqlite3_exec(db, sql.constData(), nullptr, nullptr, nullptr) != SQLITE_OK)
        qFatal("%s", sqlite3_errmsg(db));
    sqlite3_close(db);
    return path;
}

// Each coding row of an analysis as "text path|segment text|values of the
// first `lists` lists", sorted; rows without any of those values only when
// `withEmpty`.
inline QStringList codingRows(const QString &path, int lists, bool withEmpty)
{
    auto store = coding::CodingStore::open(path);
    const exchangestore::Analysis a = exchangestore::read(store->connection());
    std::map<qint64, QString> segments;
    for (const auto &t : a.texts)
        for (const auto &s : t.segments)
            segments[s.numero] = t.path + QLatin1Char('|') + s.text;
    QStringList rows;
    for (const auto &row : a.codings) {
        QStringList values;
        for (int k = 0; k < lists; ++k) {
            QString v;
            for (const auto &value : a.lists[size_t(k)].values)
                if (value.numero == row.values[size_t(k)])
                    v = value.text;
            values << v;
        }
        if (!withEmpty && values.join(QString()).isEmpty())
            continue;
        rows << segments[row.segment] + QLatin1Char('|') + values.join(QLatin1Char(','));
    }
    rows.sort();
    return rows;
}

} // namespace refiqdatest
