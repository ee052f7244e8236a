#pragma once
// Taking a text into an analysis database, without a window: the path is
// recorded as a new `Chemin` row and the text's segments are stored as
// `textes` rows through the record sources. The analysis window runs the same
// steps, spread over its activation and its timer; the take_in benchmark runs
// them in one go.
#include <QString>
#include <functional>
#include <memory>

class Connection;
class RecordSource;

namespace takein {

// Longest text path the `chemin` column holds.
inline constexpr int kMaxPathLength = 255;

// "select * from chemin where chemin = '<path>'", the path as an SQL literal.
QString textStatement(const QString &textPath);
// "select * from textes where numtexte = <number>".
QString segmentsStatement(const QString &textNumber);

// Adds the `Chemin` row of a new text through `texts` (open on the text's
// lookup statement), reads it back and returns its number. A path longer than
// the column holds is refused with a clear message. Throws StoreError.
QString addText(RecordSource &texts, const QString &textPath);

struct Result
{
    qint64 bytes = 0;
    qint64 segments = 0;
};

// Called after each line read with the progress value to show.
using Progress = std::function<void(int value)>;

// Cuts the text file into segments and stores each one as a new row of
// `segments` (open on "select * from textes where numtexte = N"), with
// `numtexte` = textNumber. Throws textfile::ReadError or StoreError; what was
// stored before the failure is left for the caller's transaction to undo.
Result storeSegments(const QString &textPath, RecordSource &segments,
                     const QString &textNumber, const Progress &progress = {});

// The whole take-in of a new text, all or nothing: opens the database, and in
// one transaction records the path and stores the segments. Returns the
// figures; throws StoreError or textfile::ReadError with nothing written.
Result takeInNewText(const QString &textPath, const QString &databasePath,
                     const Progress &progress = {});

} // namespace takein
