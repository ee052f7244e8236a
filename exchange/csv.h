#pragma once
// Comma-separated values as spreadsheets read them: UTF-8 with a byte-order
// mark, ";" between fields by default (French spreadsheets open such a file
// directly) or ",", fields quoted when they hold the separator, a quote, a
// carriage return or a line feed (quotes inside doubled), each record ended
// by CR LF.
#include <QByteArray>
#include <QChar>
#include <QString>
#include <QStringList>
#include <vector>

class QIODevice;

namespace csv {

inline constexpr char kBom[] = "\xEF\xBB\xBF";

// A text made inert for spreadsheets: one starting with "=", "+", "-", "@",
// a tab or a carriage return, which a spreadsheet would run as a formula,
// gets a leading apostrophe (the spreadsheet then shows it as text); any
// other is returned as it stands.
QString inert(const QString &text);

// One field as written in the file, quoted when it must be.
QString field(const QString &text, QChar separator);
// One record, with its CR LF.
QString record(const QStringList &fields, QChar separator);

// The same for long exports, in UTF-8 throughout: appends one field given in
// UTF-8 to `out` as `field` writes it (made inert first when `makeInert`);
// the separator is an ASCII character. Records are ended by appending
// kEndOfRecord.
void appendField(QByteArray &out, QByteArrayView utf8, char separator, bool makeInert);
inline constexpr char kEndOfRecord[] = "\r\n";

// Writes records to a device, the byte-order mark first.
class Writer
{
public:
    Writer(QIODevice *device, QChar separator);
    // False when the device refused the bytes.
    bool writeBom();
    bool write(const QStringList &fields);
    // Writes bytes already made of whole records.
    bool writeRecords(const QByteArray &records);

private:
    QIODevice *m_device;
    QChar m_separator;
};

// Reading back what Writer writes, or what a spreadsheet saves: fields
// quoted or not (quotes inside a quoted field doubled), records ended by
// CR LF, LF or CR, the last one possibly by the end of the text. A quote
// inside an unquoted field, a character after a closing quote and a quoted
// field never closed are malformed. Lines are counted from 1, a line break
// inside a quoted field included.
struct Record
{
    int line = 0; // where the record starts
    QStringList fields;
};
struct Parsed
{
    std::vector<Record> records; // up to the first malformed one
    int badLine = 0;             // 0 when the whole text was read
    QString problem;             // what is wrong there, in French
};
Parsed parse(const QString &text, QChar separator);

// The text a field stood for before `inert` made it safe: a leading
// apostrophe before "=", "+", "-", "@", a tab or a carriage return is
// dropped. (A text that really began with such an apostrophe cannot be told
// from it.)
QString fromInert(const QString &field);

// Bytes as UTF-8 text, the byte-order mark dropped. When they are not
// UTF-8, *badLine is set to the first line holding a wrong sequence (from 1)
// and the text returned is empty.
QString decodeUtf8(const QByteArray &bytes, int *badLine);

} // namespace csv
