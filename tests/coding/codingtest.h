#pragma once
// Helpers of the coding application's tests: analysis databases filled with
// texts, segments and variables by raw SQL, as Telmira would have left them.
#include "../store/storetest.h"

#include <QCoreApplication>
#include <QList>
#include <QProcess>
#include <QStringList>

namespace codingtest {

using storetest::Raw;

// A fresh copy of the template in dir.
inline QString freshDatabase(const QTemporaryDir &dir, const QString &name = QStringLiteral("a.mdb"))
{
    return storetest::freshCopy(dir, name);
}

// Adds a text and its segments; returns the text's number.
inline qint64 addText(Raw &db, const QString &path, const QStringList &segments)
{
    sqlite3_stmt *stmt = nullptr;
    sqlite3_prepare_v2(db.handle(), "INSERT INTO Chemin (chemin) VALUES (?1)", -1, &stmt, nullptr);
    const QByteArray p = path.toUtf8();
    sqlite3_bind_text(stmt, 1, p.constData(), int(p.size()), SQLITE_TRANSIENT);
    if (sqlite3_step(stmt) != SQLITE_DONE)
        qFatal("cannot add the text: %s", sqlite3_errmsg(db.handle()));
    sqlite3_finalize(stmt);
    const qint64 text = sqlite3_last_insert_rowid(db.handle());
    db.exec(QStringLiteral("BEGIN"));
    sqlite3_prepare_v2(db.handle(), "INSERT INTO textes (numtexte, texte) VALUES (?1, ?2)", -1,
                       &stmt, nullptr);
    for (const QString &s : segments) {
        const QByteArray t = s.toUtf8();
        sqlite3_bind_int64(stmt, 1, text);
        sqlite3_bind_text(stmt, 2, t.constData(), int(t.size()), SQLITE_TRANSIENT);
        if (sqlite3_step(stmt) != SQLITE_DONE)
            qFatal("cannot add a segment: %s", sqlite3_errmsg(db.handle()));
        sqlite3_reset(stmt);
    }
    sqlite3_finalize(stmt);
    db.exec(QStringLiteral("COMMIT"));
    return text;
}

// Adds a value to list K; returns its number.
inline qint64 addValue(Raw &db, int list, const QString &value)
{
    sqlite3_stmt *stmt = nullptr;
    const QByteArray sql =
        QStringLiteral("INSERT INTO var_comp_0%1 (variable0%1) VALUES (?1)").arg(list).toUtf8();
    sqlite3_prepare_v2(db.handle(), sql.constData(), -1, &stmt, nullptr);
    const QByteArray v = value.toUtf8();
    sqlite3_bind_text(stmt, 1, v.constData(), int(v.size()), SQLITE_TRANSIENT);
    if (sqlite3_step(stmt) != SQLITE_DONE)
        qFatal("cannot add a value: %s", sqlite3_errmsg(db.handle()));
    sqlite3_finalize(stmt);
    return sqlite3_last_insert_rowid(db.handle());
}

// The rows of a query, each as its columns joined by "|" (null as "NULL").
inline QStringList rows(Raw &db, const QString &sql)
{
    QStringList result;
    sqlite3_stmt *stmt = nullptr;
    if (sqlite3_prepare_v2(db.handle(), sql.toUtf8().constData(), -1, &stmt, nullptr) != SQLITE_OK)
        qFatal("bad query: %s", sqlite3_errmsg(db.handle()));
    while (sqlite3_step(stmt) == SQLITE_ROW) {
        QStringList columns;
        for (int c = 0; c < sqlite3_column_count(stmt); ++c)
            columns << (sqlite3_column_type(stmt, c) == SQLITE_NULL
                            ? QStringLiteral("NULL")
                            : QString::fromUtf8(
                                  reinterpret_cast<const char *>(sqlite3_column_text(stmt, c))));
        result << columns.join(QLatin1Char('|'));
    }
    sqlite3_finalize(stmt);
    return result;
}

// A small reader of CSV as RFC 4180 writes it: quoted fields may hold the
// separator, quotes (doubled) and line breaks; records end by CR LF.
// Returns false on a malformed file (a record not ended by CR LF, a bare
// quote inside an unquoted field, an unterminated quoted field).
inline bool parseCsv(const QString &text, QChar separator, QList<QStringList> *records)
{
    records->clear();
    QStringList record;
    QString field;
    int i = 0;
    const int n = text.size();
    bool fieldStarted = false;
    while (i < n) {
        const QChar c = text.at(i);
        if (!fieldStarted && c == QLatin1Char('"')) {
            ++i;
            for (;;) {
                if (i >= n)
                    return false;
                if (text.at(i) == QLatin1Char('"')) {
                    if (i + 1 < n && text.at(i + 1) == QLatin1Char('"')) {
                        field += QLatin1Char('"');
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                field += text.at(i++);
            }
            fieldStarted = true;
            if (i < n && text.at(i) != separator && text.at(i) != QLatin1Char('\r'))
                return false;
            continue;
        }
        if (c == separator) {
            record << field;
            field.clear();
            fieldStarted = false;
            ++i;
        } else if (c == QLatin1Char('\r')) {
            if (i + 1 >= n || text.at(i + 1) != QLatin1Char('\n'))
                return false;
            record << field;
            *records << record;
            record.clear();
            field.clear();
            fieldStarted = false;
            i += 2;
        } else if (c == QLatin1Char('\n') || c == QLatin1Char('"')) {
            return false;
        } else {
            field += c;
            fieldStarted = true;
            ++i;
        }
    }
    // Every record ends by CR LF: nothing may be left over.
    return record.isEmpty() && field.isEmpty() && !fieldStarted;
}

// Makes `program` run telmira-codage (beside the test) without any display,
// as a script on a server would.
inline void withoutDisplay(QProcess &program)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("QT_QPA_PLATFORM"));
    env.remove(QStringLiteral("DISPLAY"));
    env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    program.setProcessEnvironment(env);
}

// telmira-codage, beside the test.
inline QString codingProgram()
{
    return QCoreApplication::applicationDirPath() + QStringLiteral("/telmira-codage");
}

} // namespace codingtest
