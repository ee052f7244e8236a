#pragma once
// Taking many texts into an analysis at once, in any format the document
// readers know. Each text is taken in as the analysis window takes one (its
// path recorded as a new text, its segments cut by the same rules and stored
// by the same code), all or nothing: a failure or a stop leaves nothing of
// that text, and the texts already taken in stay. Short texts share a
// commit (at most a second of work), each under a savepoint of its own. A text
// whose path is already recorded is skipped; a failure never stops the batch.
// No window here: the menu "Ajouter des textes…" and the action --ajouter
// both run this.
#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

class Connection;

namespace batch {

// The files named: a file as given, a folder's files in name order (hidden
// ones left out), its subfolders' files too when asked. Paths are made
// absolute; a name that is neither a file nor a folder is kept too, so that
// its failure is told.
// `metInFolders`, when given, receives the files found in the folders (not
// those named themselves).
QStringList expand(const QStringList &paths, bool subfolders, QStringList *metInFolders = nullptr);

// Skipped: a file met in a folder that is no document at all (a picture, an
// archive, a database), passed over with its cause.
enum class Status { Added, AlreadyPresent, Failed, Stopped, Skipped };

struct Outcome
{
    QString path; // as recorded (absolute)
    Status status = Status::Failed;
    qint64 segments = 0;
    QString cause; // French, for Failed
    // Lines of page layout the document's reader left out (running heads
    // and feet, page numbers, leader dots), for Added.
    qint64 layoutOmitted = 0;
};

struct Progress
{
    int index = 0;         // the text in progress (0 for the first)
    int total = 0;         // texts in the batch
    qint64 bytesDone = 0;  // bytes of the files taken in so far (the text in progress in part)
    qint64 bytesTotal = 0; // bytes of all the files
    QString current;       // the file in progress
};

struct Summary
{
    std::vector<Outcome> outcomes; // one per file begun, in order
    int notBegun = 0;              // files left when stopped
    int count(Status status) const;
    qint64 layoutOmitted() const; // over the texts added
};

struct Options
{
    // The files found in the folders named (see expand()): those that are
    // no documents are Skipped rather than Failed.
    QStringList metInFolders;
    // Page layout is taken in as text too (see
    // exchange::DocumentReader::setKeepLayout).
    bool keepLayout = false;
};

// Longest time the texts taken in may wait for their commit.
inline constexpr qint64 kGroupMilliseconds = 1000;

// Takes the files into the analysis open on `db` (no transaction open). `progress` is told as the
// work goes, `outcome` after each file once it is committed; `stop` is polled between pieces of a
// text (the text in progress is then rolled back and the batch ends).
Summary takeIn(Connection &db, const QStringList &files,
               const std::function<void(const Progress &)> &progress = {},
               const std::function<void(const Outcome &)> &outcome = {},
               const std::function<bool()> &stop = {}, const Options &options = {});

} // namespace batch
