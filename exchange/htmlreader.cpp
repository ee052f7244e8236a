#include "exchange/htmlreader.h"

#include "exchange/paragraphs.h"
#include "exchange/htmlentities.h"
#include "exchange/htmltext.h"
#include "analysis/textfile.h"

#include <QRegularExpression>
#include <QStringDecoder>

namespace exchange {

QString HtmlReader::decode(const QByteArray &bytes)
{
    if (bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF")
        || bytes.startsWith("\xEF\xBB\xBF"))
        return decodeText(bytes);
    static const QRegularExpression charset(
        QStringLiteral("<meta[^>]*charset\\s*=\\s*[\"']?\\s*([A-Za-z0-9_:.-]+)"),
        QRegularExpression::CaseInsensitiveOption);
    const QString head = QString::fromLatin1(bytes.left(4096));
    const QRegularExpressionMatch m = charset.match(head);
    if (!m.hasMatch())
        return decodeText(bytes);
    const QString name = m.captured(1).toLower();
    if (name == u"utf-8" || name == u"utf8")
        return QString::fromUtf8(bytes);
    // As browsers do, Latin-1 and ASCII pages are read as Windows-1252.
    if (name == u"windows-1252" || name == u"cp1252" || name == u"iso-8859-1"
        || name == u"latin1" || name == u"us-ascii" || name == u"ascii" || name == u"iso8859-1") {
        QByteArray utf8;
        textfile::appendWindows1252(utf8, bytes.constData(), bytes.size());
        return QString::fromUtf8(utf8);
    }
    QStringDecoder decoder(name.toLatin1().constData());
    if (!decoder.isValid())
        throw ReadFailure(QStringLiteral("page HTML dans un encodage non pris en charge (« %1 »)")
                              .arg(m.captured(1)));
    return decoder.decode(bytes);
}

namespace {

// Text of the page with its character references decoded.
QString decodedText(QStringView raw)
{
    QString out;
    for (qsizetype i = 0; i < raw.size();) {
        if (raw.at(i) == QLatin1Char('&')) {
            const qsizetype after = htmlentities::decode(raw, i, out);
            if (after > i) {
                i = after;
                continue;
            }
        }
        out += raw.at(i++);
    }
    return out.simplified();
}

} // namespace

Metadata HtmlReader::metadata(QStringView page)
{
    // The head alone, its comments left out.
    static const QRegularExpression headEnd(QStringLiteral("</head\\b|<body\\b"),
                                            QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch end = headEnd.match(page.left(qsizetype(1) << 20));
    QString head = page.left(end.hasMatch() ? end.capturedStart() : qsizetype(1) << 20).toString();
    static const QRegularExpression comment(QStringLiteral("<!--.*?(-->|$)"),
                                            QRegularExpression::DotMatchesEverythingOption);
    head.remove(comment);

    Metadata m;
    static const QRegularExpression title(
        QStringLiteral("<title\\b[^>]*>(.*?)</title\\s*>"),
        QRegularExpression::CaseInsensitiveOption | QRegularExpression::DotMatchesEverythingOption);
    const QRegularExpressionMatch t = title.match(head);
    if (t.hasMatch())
        m.title = decodedText(t.capturedView(1));

    static const QRegularExpression meta(QStringLiteral("<meta\\b([^>]*)>"),
                                         QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression attribute(
        QStringLiteral("([A-Za-z_:.-]+)\\s*=\\s*(?:\"([^\"]*)\"|'([^']*)'|([^\\s>]+))"));
    QString date;
    QString created;
    for (auto it = meta.globalMatch(head); it.hasNext();) {
        const QRegularExpressionMatch tag = it.next();
        QString name;
        QString content;
        for (auto a = attribute.globalMatch(tag.capturedView(1)); a.hasNext();) {
            const QRegularExpressionMatch pair = a.next();
            const QString value = pair.captured(2) + pair.captured(3) + pair.captured(4);
            const QString key = pair.captured(1).toLower();
            if (key == u"name")
                name = value.trimmed().toLower();
            else if (key == u"content")
                content = decodedText(value);
        }
        if (name == u"author" && m.author.isEmpty())
            m.author = content;
        else if (name == u"date" && date.isEmpty())
            date = content;
        else if (name == u"dcterms.created" && created.isEmpty())
            created = content;
    }
    m.date = !dayOf(date).isEmpty() ? date : created;
    return m;
}

Document HtmlReader::readFile(const QString &path) const
{
    Document doc;
    try {
        const QString page = decode(readWholeFile(path, kMaxTextFile));
        doc.metadata = metadata(page);
        doc.paragraphs = htmltext::paragraphs(page, [this] { checkStop(); });
    } catch (const ReadFailure &e) {
        doc.error = e.cause();
    }
    return doc;
}

} // namespace exchange
