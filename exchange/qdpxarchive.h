#pragma once
// REFI-QDA files on disk: the project archive `.qdpx` (a ZIP holding
// `project.qde` at its root and the sources' texts under `sources/`) and the
// codebook `.qdc`. Errors are French sentences naming the file; nothing here
// opens a window. A file written replaces an existing one only once it is
// complete.
#include "exchange/qdexml.h"
#include "exchange/refiqda.h"

#include <QString>

namespace refiqda {

// Limits of what an archive may hold, against hostile or broken files.
inline constexpr qint64 kMaxEntrySize = qint64(1) << 30;  // 1 GiB for one file
inline constexpr qint64 kMaxTotalSize = qint64(4) << 30;  // 4 GiB in all
inline constexpr qint64 kMaxEntries = 100000;
inline constexpr qint64 kMaxRatio = 1000;                 // uncompressed / compressed

// Writes the project and its sources' texts. Returns a French error, or an
// empty string on success.
QString writeQdpx(const Project &project, const QString &path);

struct ReadProject
{
    Project project;
    int otherSources = 0;   // sources that are not plain text, or kept outside the archive
    int sourceCodings = 0;  // codings of whole sources
    NotTaken notTaken;      // what else the project holds and is not taken
    QString error;          // French; empty on success
};

// Reads a project archive, its sources' texts included. An entry whose path
// leaves the archive, an absurd size or ratio, is refused before anything is
// read. A source's text is "internal://NAME" under `sources/`; a path of
// another form (an absolute path, a file: address) is looked for under
// `sources/` by its file name, and the source is left out (counted with its
// selections) when it is not there.
ReadProject readQdpx(const QString &path);

QString writeCodebook(const std::vector<Code> &codes, const QString &origin, const QString &path);
ParsedCodebook readCodebook(const QString &path);

} // namespace refiqda
