#pragma once
// Backups of the analyses: a consistent copy of an analysis database (made
// with SQLite's backup interface, so that a program writing meanwhile never
// leaves a half-written copy) in the user's data folder, one subfolder per
// analysis; the newest copies of each analysis are kept within a budget (at
// most so many copies, at most so many bytes in all), the newest one always.
// A copy is written under a temporary name ("….partiel") and renamed into
// place when whole; the temporary files a killed program left (the copy and
// its journal) are removed at the next backup of that analysis and are never
// listed.
#include <QDateTime>
#include <QString>
#include <functional>
#include <vector>

class Connection;

namespace backup {

// The budget of the copies of one analysis by default: ten copies, 2 Gio.
inline constexpr int kKept = 10;
inline constexpr qint64 kKeptBytes = qint64(2048) << 20;

struct Budget {
    int copies = kKept;       // at most this many copies (at least 1)
    qint64 bytes = kKeptBytes; // at most this many bytes in all (at least the newest copy)
};

struct Entry {
    QString path;   // the copy
    QDateTime when; // when it was made (local time)
    qint64 size = 0;
};

// Tells the progress of a copy (pages done, pages in all); returns false to
// stop it.
using Progress = std::function<bool(int done, int total)>;

// The budget set in the program's settings (group "sauvegardes": "copies",
// ten by default, and "taille_max_mo", 2048 by default); a value missing or
// below 1 is the default.
Budget budgetFromSettings();

// The folder of the copies of an analysis: "sauvegardes/NAME-XXXXXXXX" in
// the user's data folder, XXXXXXXX telling apart analyses of the same name
// in different folders.
QString folderFor(const QString &databasePath);

// What a backup did, for the caller to tell.
struct Outcome {
    QString path;                      // the newest copy (made now, or the unchanged one)
    bool made = false;                 // a new copy was made
    std::vector<Entry> droppedForRoom; // old copies removed to keep within budget.bytes
    int droppedForCount = 0;           // old copies removed to keep within budget.copies
    qint64 keptBytes = 0;              // the copies of the analysis kept, in all
    qint64 freeBytes = -1;             // free space of the disk holding them; -1 unknown
};

// Makes a copy of the open database, then keeps the newest copies within
// `budget` (never removing the newest one nor `keep`: they count in the
// budget all the same). When the database has not changed since the newest
// copy no copy is made (that copy is the outcome's path), the budget is still
// applied. The partial copies left by an earlier backup that was killed are
// removed first (never one another program is writing). Throws StoreError
// (folder not writable, disk full, file locked too long, copy stopped); no
// partial copy nor its journal is left.
Outcome makeWithin(Connection &db, const Budget &budget, const Progress &progress = {},
                   const QString &keep = QString());
// What is said when a backup removed old copies for room (empty when it
// removed none): the window's status bar and the command line's standard
// error both say it.
QString droppedForRoomText(const Outcome &outcome, const Budget &budget);
// A size as the French say it: "1,5 Gio", "600 Mio", "12 Kio".
QString sizeText(qint64 bytes);

// The same with the default budget; returns the copy's path.
QString make(Connection &db, const Progress &progress = {}, const QString &keep = QString());

// Test seam: the free space of the disk holding a folder (bytes; -1
// unknown). Empty: asked of the system.
using FreeSpace = std::function<qint64(const QString &folder)>;
void setFreeSpaceProbe(FreeSpace probe);

// The copies of an analysis, newest first (whole copies only, never a
// partial one).
std::vector<Entry> list(const QString &databasePath);

// Puts a copy back into the open database: the database's present state is
// copied first (make), then the chosen copy replaces its whole content in
// one write, so that another program sees either the old or the restored
// analysis. The copy is checked first (an analysis database, whole). Throws
// StoreError; the database is then unchanged. The copy of the present state
// keeps within `budget`.
void restore(Connection &db, const QString &backupPath, const Progress &progress = {},
             const Budget &budget = Budget());

} // namespace backup
