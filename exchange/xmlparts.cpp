#include "exchange/xmlparts.h"

#include "exchange/paragraphs.h"
#include "exchange/xmlscanner.h"
#include "exchange/zipfile.h"

#include <QDir>
#include <QXmlStreamReader>

namespace exchange::xmlparts {

QHash<QString, QString> relationships(const ZipFile &zip, const QString &part)
{
    QHash<QString, QString> targets;
    const qsizetype slash = part.lastIndexOf(QLatin1Char('/'));
    const QString folder = slash < 0 ? QString() : part.left(slash + 1);
    const QString rels = folder + QStringLiteral("_rels/") + part.mid(slash + 1)
                         + QStringLiteral(".rels");
    if (!zip.contains(rels))
        return targets;
    QXmlStreamReader r(zip.read(rels, qint64(16) << 20));
    while (!r.atEnd()) {
        const QXmlStreamReader::TokenType t = r.readNext();
        if (t == QXmlStreamReader::DTD && !r.entityDeclarations().isEmpty())
            throw ReadFailure(entitiesCause());
        if (t != QXmlStreamReader::StartElement || r.name() != u"Relationship")
            continue;
        const QXmlStreamAttributes a = r.attributes();
        if (a.value(QStringLiteral("TargetMode")) == u"External")
            continue;
        const QString type = a.value(QStringLiteral("Type")).toString();
        QString target = a.value(QStringLiteral("Target")).toString();
        target = target.startsWith(QLatin1Char('/')) ? target.mid(1) : folder + target;
        target = QDir::cleanPath(target);
        const QString key = type.mid(type.lastIndexOf(QLatin1Char('/')) + 1);
        if (ZipFile::isSafeName(target) && !targets.contains(key))
            targets.insert(key, target);
    }
    if (r.hasError())
        throw ReadFailure(QStringLiteral("document endommagé : la partie « %1 » n'est pas du XML "
                                         "valide")
                              .arg(rels));
    return targets;
}

QHash<QString, QString> declared(const ZipFile &zip, const QString &part,
                                 const QStringList &wanted)
{
    QHash<QString, QString> found;
    try {
        if (part.isEmpty() || !zip.contains(part))
            return found;
        const QByteArray xml = zip.read(part, qint64(1) << 20);
        XmlScanner r(xml);
        r.setMaxDepth(kMaxNesting);
        QString key;     // the element being read, if wanted
        QByteArray text; // its text so far
        int depth = 0;   // elements open inside it
        for (;;) {
            const XmlScanner::Token t = r.next();
            if (t == XmlScanner::Invalid)
                return {};
            if (t == XmlScanner::EndOfDocument)
                return found;
            if (!key.isEmpty()) {
                if (t == XmlScanner::Characters) {
                    r.appendText(text);
                } else if (t == XmlScanner::StartElement) {
                    ++depth;
                } else if (t == XmlScanner::EndElement && depth-- == 0) {
                    const QString value = QString::fromUtf8(text).trimmed();
                    if (!value.isEmpty() && !found.contains(key))
                        found.insert(key, value);
                    key.clear();
                    text.clear();
                    depth = 0;
                }
                continue;
            }
            if (t != XmlScanner::StartElement)
                continue;
            const QString name = QString::fromUtf8(r.namespaceUri()) + QLatin1Char('|')
                                 + QString::fromUtf8(r.localName());
            if (wanted.contains(name) && !found.contains(name))
                key = name;
        }
    } catch (const ZipError &) {
    } catch (const ReadFailure &) {
    }
    return {};
}

} // namespace exchange::xmlparts
