#include "exchange/htmlreader.h"

#include "exchange/paragraphs.h"
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

Document HtmlReader::readFile(const QString &path) const
{
    Document doc;
    try {
        doc.paragraphs = htmltext::paragraphs(decode(readWholeFile(path, kMaxTextFile)),
                                              [this] { checkStop(); });
    } catch (const ReadFailure &e) {
        doc.error = e.cause();
    }
    return doc;
}

} // namespace exchange
