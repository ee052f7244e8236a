#pragma once
// The codebook of another analysis taken back from its CSV file, the one
// "Exporter le livre de codes..." writes (codebookexport.h): a header, then
// per value its list's number and name, the value's number (never carried
// over: numbers belong to the analysis that gave them), its text and its
// definition. Read whole, without a window and without the database:
// UTF-8 with or without the byte-order mark, ";" or "," as the header
// shows, the apostrophe the export puts before a formula's first character
// dropped. A file of the same columns without "numero" is read too.
//
// Any malformed line refuses the whole file: the message names its first
// bad line ("ligne 4 : ..."). Bad lines: a header other than the export's, a
// number of fields other than the header's, a list outside 1 to 5, a value
// over 255 characters, a NUL character, a quote left open.
#include "store/liststore.h"

#include <QByteArray>
#include <QString>
#include <optional>

namespace coding {

struct CodebookReading
{
    std::optional<lists::Codebook> codebook; // none when the file was refused
    QString message;                         // why, in French
};

// Reads `file`; the message names the file.
CodebookReading readCodebook(const QString &file);
// Reads the bytes of a codebook file; the message is the bad line's
// ("ligne 4 : ...").
CodebookReading parseCodebook(const QByteArray &bytes);

} // namespace coding
