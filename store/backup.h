#pragma once
// Backups of the analyses: a consistent copy of an analysis database (made
// with SQLite's backup interface, so that a program writing meanwhile never
// leaves a half-written copy) in the user's data folder, one subfolder per
// analysis; the newest kKept copies of each analysis are kept. A copy is
// written under a temporary name and renamed into place when whole.
#include <QDateTime>
#include <QString>
#include <functional>
#include <vector>

class Connection;

namespace backup {

inline constexpr int kKept = 10;

struct Entry {
    QString path;   // the copy
    QDateTime when; // when it was made (local time)
    qint64 size = 0;
};

// Tells the progress of a copy (pages done, pages in all); returns false to
// stop it.
using Progress = std::function<bool(int done, int total)>;

// The folder of the copies of an analysis: "sauvegardes/NAME-XXXXXXXX" in
// the user's data folder, XXXXXXXX telling apart analyses of the same name
// in different folders.
QString folderFor(const QString &databasePath);

// Makes a copy of the open database and keeps the newest kKept copies (never
// removing `keep`). When the database has not changed since the newest copy
// no copy is made: its path is returned. Returns the copy's path. Throws
// StoreError (folder not writable, disk full, file locked too long, copy
// stopped); no partial copy is left.
QString make(Connection &db, const Progress &progress = {}, const QString &keep = QString());

// The copies of an analysis, newest first.
std::vector<Entry> list(const QString &databasePath);

// Puts a copy back into the open database: the database's present state is
// copied first (make), then the chosen copy replaces its whole content in
// one write, so that another program sees either the old or the restored
// analysis. The copy is checked first (an analysis database, whole). Throws
// StoreError; the database is then unchanged.
void restore(Connection &db, const QString &backupPath, const Progress &progress = {});

} // namespace backup
