#include "exchange/csv.h"

#include <QIODevice>

namespace csv {

QString inert(const QString &text)
{
    if (text.isEmpty())
        return text;
    switch (text.at(0).unicode()) {
    case '=':
    case '+':
    case '-':
    case '@':
    case '\t':
    case '\r':
        return QLatin1Char('\'') + text;
    default:
        return text;
    }
}

QString field(const QString &text, QChar separator)
{
    bool quote = false;
    for (const QChar c : text) {
        if (c == separator || c == QLatin1Char('"') || c == QLatin1Char('\r')
            || c == QLatin1Char('\n')) {
            quote = true;
            break;
        }
    }
    if (!quote)
        return text;
    QString quoted = text;
    quoted.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

QString record(const QStringList &fields, QChar separator)
{
    QString line;
    for (int i = 0; i < fields.size(); ++i) {
        if (i > 0)
            line += separator;
        line += field(fields.at(i), separator);
    }
    line += QStringLiteral("\r\n");
    return line;
}

void appendField(QByteArray &out, QByteArrayView utf8, char separator, bool makeInert)
{
    bool quote = false;
    for (const char c : utf8) {
        if (c == separator || c == '"' || c == '\r' || c == '\n') {
            quote = true;
            break;
        }
    }
    const bool apostrophe = makeInert && !utf8.isEmpty()
                            && (utf8.front() == '=' || utf8.front() == '+' || utf8.front() == '-'
                                || utf8.front() == '@' || utf8.front() == '\t'
                                || utf8.front() == '\r');
    if (quote)
        out += '"';
    if (apostrophe)
        out += '\'';
    if (!quote) {
        out += utf8;
        return;
    }
    qsizetype from = 0;
    for (qsizetype i = 0; i < utf8.size(); ++i) {
        if (utf8[i] == '"') {
            out += utf8.sliced(from, i + 1 - from);
            out += '"';
            from = i + 1;
        }
    }
    out += utf8.sliced(from);
    out += '"';
}

Writer::Writer(QIODevice *device, QChar separator) : m_device(device), m_separator(separator) {}

bool Writer::writeBom()
{
    return m_device->write(kBom, 3) == 3;
}

bool Writer::writeRecords(const QByteArray &records)
{
    return m_device->write(records) == records.size();
}

bool Writer::write(const QStringList &fields)
{
    const QByteArray bytes = record(fields, m_separator).toUtf8();
    return m_device->write(bytes) == bytes.size();
}

} // namespace csv
