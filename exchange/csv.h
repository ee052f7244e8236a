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

} // namespace csv
