#include "exchange/csv.h"

#include <QIODevice>
#include <QStringDecoder>

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

namespace csv {

Parsed parse(const QString &text, QChar separator)
{
    Parsed parsed;
    const qsizetype n = text.size();
    qsizetype i = 0;
    int line = 1;
    const QChar quote = QLatin1Char('"');
    const QChar cr = QLatin1Char('\r');
    const QChar lf = QLatin1Char('\n');
    auto fail = [&](int at, const QString &problem) {
        parsed.badLine = at;
        parsed.problem = problem;
        return parsed;
    };
    // Steps over one line end at i, if any; true when there was one.
    auto lineEnd = [&] {
        if (i < n && text.at(i) == cr) {
            ++i;
            if (i < n && text.at(i) == lf)
                ++i;
            ++line;
            return true;
        }
        if (i < n && text.at(i) == lf) {
            ++i;
            ++line;
            return true;
        }
        return false;
    };
    while (i < n) {
        Record record;
        record.line = line;
        for (;;) {
            QString field;
            if (i < n && text.at(i) == quote) {
                const int opened = line;
                ++i;
                for (;;) {
                    if (i >= n)
                        return fail(opened, QStringLiteral("un guillemet ouvert n'est jamais "
                                                           "fermé"));
                    const QChar c = text.at(i);
                    if (c == quote) {
                        if (i + 1 < n && text.at(i + 1) == quote) {
                            field += quote;
                            i += 2;
                            continue;
                        }
                        ++i;
                        break;
                    }
                    if (c == lf || (c == cr && !(i + 1 < n && text.at(i + 1) == lf)))
                        ++line;
                    field += c;
                    ++i;
                }
                if (i < n && text.at(i) != separator && text.at(i) != cr && text.at(i) != lf)
                    return fail(line, QStringLiteral("un caractère suit le guillemet fermant d'un "
                                                     "champ (« %1 »)")
                                          .arg(text.at(i)));
            } else {
                const qsizetype from = i;
                while (i < n && text.at(i) != separator && text.at(i) != cr && text.at(i) != lf) {
                    if (text.at(i) == quote)
                        return fail(line, QStringLiteral("un guillemet se trouve au milieu d'un "
                                                         "champ sans guillemets"));
                    ++i;
                }
                field = text.mid(from, i - from);
            }
            record.fields << field;
            if (i < n && text.at(i) == separator) {
                ++i;
                continue;
            }
            lineEnd();
            break;
        }
        parsed.records.push_back(std::move(record));
    }
    return parsed;
}

QString fromInert(const QString &field)
{
    if (field.size() < 2 || field.at(0) != QLatin1Char('\''))
        return field;
    switch (field.at(1).unicode()) {
    case '=':
    case '+':
    case '-':
    case '@':
    case '\t':
    case '\r':
        return field.mid(1);
    default:
        return field;
    }
}

QString decodeUtf8(const QByteArray &bytes, int *badLine)
{
    QByteArrayView view(bytes);
    if (view.startsWith(QByteArrayView(kBom, 3)))
        view = view.sliced(3);
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = decoder(view);
    if (!decoder.hasError()) {
        if (badLine)
            *badLine = 0;
        return text;
    }
    // The line of the first wrong sequence: each line decoded alone.
    int line = 1;
    qsizetype from = 0;
    for (;;) {
        const qsizetype end = view.indexOf('\n', from);
        const QByteArrayView part = view.sliced(from, (end < 0 ? view.size() : end) - from);
        QStringDecoder one(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        (void)QString(one(part));
        if (one.hasError() || end < 0)
            break;
        from = end + 1;
        ++line;
    }
    if (badLine)
        *badLine = line;
    return QString();
}

} // namespace csv
