#pragma once
// Taking a text into an analysis database, without a window: the path is
// recorded as a new `Chemin` row and the text's segments are stored as
// `textes` rows through the record sources. The text is handled as UTF-8 from
// the file to the store: cut as bytes, bound as UTF-8, never decoded. The
// analysis window runs the same steps, spread over its activation and its
// timer; takeInText runs them in one go (batches, the take_in benchmark).
#include "analysis/textfile.h"

#include <QByteArray>
#include <QString>
#include <functional>
#include <memory>
#include <stdexcept>
#include <vector>

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
    qint64 bytes = 0;    // UTF-8 bytes of the text
    qint64 segments = 0;
    qint64 text = 0;     // the text's number in "Chemin" (0 when not recorded here)
};

// Thrown when the caller's `stop` asked for the take-in to end; nothing of
// the text is left in the database.
class Stopped : public std::runtime_error
{
public:
    Stopped() : std::runtime_error("take-in stopped") {}
    // "La prise du texte a été arrêtée ; rien n'en a été enregistré."
    static QString message();
};

// A text's content as UTF-8, handed in pieces.
class Utf8Source
{
public:
    virtual ~Utf8Source() = default;
    virtual bool next(QByteArray &piece) = 0; // false at the end; throws textfile::ReadError
    virtual qint64 size() const = 0;          // bytes expected in all (for progress), -1 unknown
    // A document's paragraphs, one per line: every line end ends a sentence
    // (see segmentation::Segmenter::setLineEndsSentence). False for a text file.
    virtual bool paragraphs() const { return false; }
};

// The files no text may be: the analysis database at `databasePath` and the
// template beside the program, each by identity (links included).
std::vector<textfile::Refused> refusedFiles(const QString &databasePath);

// A text file as UTF-8 (UTF-8, UTF-16 with a byte-order mark, or
// Windows-1252), with the checks of textfile::TextReader. size() is the exact
// number of UTF-8 bytes the text gives.
class TextFileSource : public Utf8Source
{
public:
    // Refuses the analysis database of `db` and the template.
    TextFileSource(const QString &path, const Connection &db);
    explicit TextFileSource(const QString &path, const std::vector<textfile::Refused> &refused = {},
                            qint64 blockSize = textfile::TextReader::kBlockSize);
    bool next(QByteArray &piece) override { return m_reader.next(piece); }
    qint64 size() const override { return m_reader.utf8Size(); }
    const textfile::TextReader &reader() const { return m_reader; }

private:
    textfile::TextReader m_reader;
};

// Called after each line read with the progress value to show.
using Progress = std::function<void(int value)>;
using BytesProgress = std::function<void(qint64 bytesDone)>;
using StopRequest = std::function<bool()>;

// Cuts the text of `source` into segments and stores each one as a new row
// of `segments` (open on "select * from textes where numtexte = N"), with
// `numtexte` = textNumber. `lineProgress` follows every line; `bytesProgress`
// and `stop` run between pieces. A segment longer than the store holds ends
// the work at once. Throws textfile::ReadError, StoreError or Stopped; what
// was stored before the failure is left for the caller's transaction to undo.
Result storeSegments(Utf8Source &source, RecordSource &segments, const QString &textNumber,
                     const Progress &lineProgress = {}, const BytesProgress &bytesProgress = {},
                     const StopRequest &stop = {});

// Takes in a new text on an open connection, in one transaction of its own: records `recordedPath`
// as a new `Chemin` row and stores the segments cut from `source`. `stop` is polled between pieces;
// when it returns true the transaction is rolled back and takein::Stopped is thrown.
// Throws StoreError / textfile::ReadError with nothing written (StoreError too when
// `recordedPath` is already recorded, or when a transaction is already open on `db`).
Result takeInText(Connection &db, const QString &recordedPath, Utf8Source &source,
                  const std::function<void(qint64 bytesDone)> &progress = {},
                  const std::function<bool()> &stop = {});

// The steps of a take-in inside the caller's transaction or savepoint:
// records `recordedPath` as a new `Chemin` row and stores the segments cut
// from `source`, through record sources on `db` that end before it returns.
// `refuseRecorded`: a path already recorded is refused (StoreError). Throws
// as takeInText does; undoing is the caller's.
Result recordAndStore(Connection &db, const QString &recordedPath, Utf8Source &source,
                      const BytesProgress &progress, const StopRequest &stop, bool refuseRecorded);

// Whether `path` is already recorded as a text of the analysis.
bool isRecorded(Connection &db, const QString &path);

// The whole take-in of a new text file, all or nothing: opens the database
// and runs takeInText on the file. Throws StoreError or textfile::ReadError
// with nothing written.
Result takeInNewText(const QString &textPath, const QString &databasePath,
                     const BytesProgress &progress = {});

} // namespace takein
