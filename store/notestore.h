#pragma once
// The coder's notes (table "Notes", schema version 3): one per segment, one
// per text, one for the whole analysis. A note is a plain text of at most
// kMostCharacters characters, tabs and line ends allowed, no other control
// character; an empty note is no note (writing one removes the note).
//
// A file of an older version has no notes: it reads as having none, and a
// note cannot be written to it before its upgrade. A note whose segment or
// text no longer exists is never listed (it stays in the file, unseen).
//
// Writing a note is one undoable step (undo::ChangeSet, see
// store/undostore.h), which store/history.h keeps. Every failure throws
// StoreError with a French message.
#include "store/undostore.h"

#include <QString>
#include <optional>
#include <vector>

class Connection;

namespace notes {

// What a note is attached to ("genre" in the table).
enum class Genre { Segment = 1, Text = 2, Analysis = 3 };

inline constexpr int kMostCharacters = 10000;

// The note as it is stored: line ends made LF, an empty string when it holds
// blanks only.
QString normalized(const QString &text);
// Why a (normalized) text cannot be a note, in French; empty when it can.
QString problem(const QString &text);

// Whether the file holds the table of notes (version 3 or later).
bool available(Connection &db);

// The note of a segment (by its number in "textes"), of a text (by its
// number in "Chemin") or of the analysis (target 0); nullopt when none.
std::optional<QString> read(Connection &db, Genre genre, qint64 target);

// Writes, replaces or (empty text) removes a note, in one transaction, and
// returns the step (no row when nothing changes). The segment or text must
// exist. Throws StoreError.
undo::ChangeSet set(Connection &db, Genre genre, qint64 target, const QString &text);

// Writes a note inside the caller's transaction, appended after a blank
// line to the one already there (an import brings notes without losing
// any). Throws StoreError; the text must pass problem().
void append(Connection &db, Genre genre, qint64 target, const QString &text);

// One note with what it is attached to.
struct Entry {
    Genre genre = Genre::Analysis;
    qint64 target = 0;
    QString note;
    qint64 text = 0;      // the text (of the segment); 0 for the analysis
    QString path;         // the text's path
    qint64 segment = 0;   // a segment note: the segment's number
    qint64 place = 0;     // and its place in its text, from 1
    QString segmentText;  // and its text
};

// Every note: the analysis's first, then text by text (in number order) the
// text's note and the notes of its segments in number order. Notes whose
// segment or text is gone are left out.
std::vector<Entry> list(Connection &db);

// The numbers of the segments of a text that have a note, in order.
std::vector<qint64> notedSegments(Connection &db, qint64 text);

// The note named as a user reads it: "la note du segment n° 12".
QString describe(Genre genre, qint64 target);

} // namespace notes
