#include "exchange/docxreader.h"

#include "exchange/paragraphs.h"
#include "exchange/xmlparts.h"
#include "exchange/zipfile.h"

#include <QHash>
#include <QXmlStreamReader>
#include <vector>

namespace exchange {

namespace {

const QString kWordTransitional =
    QStringLiteral("http://schemas.openxmlformats.org/wordprocessingml/2006/main");
const QString kWordStrict = QStringLiteral("http://purl.oclc.org/ooxml/wordprocessingml/main");
const QString kCompatibility =
    QStringLiteral("http://schemas.openxmlformats.org/markup-compatibility/2006");

bool isWord(const QXmlStreamReader &r)
{
    const QStringView ns = r.namespaceUri();
    return ns == kWordTransitional || ns == kWordStrict;
}

QString wordAttribute(const QXmlStreamReader &r, const QString &name)
{
    for (const QXmlStreamAttribute &a : r.attributes())
        if (a.name() == name
            && (a.namespaceUri() == kWordTransitional || a.namespaceUri() == kWordStrict))
            return a.value().toString();
    return QString();
}

// The text of a part of a Word document (body, footnote, endnote).
class WordText
{
public:
    QStringList noteCalls[2]; // footnote, endnote ids in the order of their calls

    // Reads the children of the current element up to its end, adding their
    // paragraphs to `out`.
    void children(QXmlStreamReader &r, QStringList &out)
    {
        std::vector<QString> open; // paragraphs begun and not ended (text boxes nest)
        int depth = 1;
        while (depth > 0 && !r.atEnd()) {
            const QXmlStreamReader::TokenType t = r.readNext();
            if (t == QXmlStreamReader::EndElement) {
                --depth;
                if (isWord(r) && r.name() == u"p" && !open.empty()) {
                    addParagraph(out, open.back());
                    open.pop_back();
                }
                continue;
            }
            if (t != QXmlStreamReader::StartElement)
                continue;
            const QStringView name = r.name();
            if (r.namespaceUri() == kCompatibility) {
                if (name == u"Fallback") // the same content again, for older readers
                    r.skipCurrentElement();
                else
                    ++depth;
                continue;
            }
            if (!isWord(r)) {
                ++depth;
                continue;
            }
            if (name == u"p") {
                open.emplace_back();
                ++depth;
            } else if (name == u"t") {
                const QString text = r.readElementText(QXmlStreamReader::IncludeChildElements);
                if (!open.empty() && !inInstruction())
                    open.back() += text;
            } else if (name == u"tab" || name == u"br" || name == u"cr") {
                if (!open.empty() && !inInstruction())
                    open.back() += QLatin1Char(' ');
                r.skipCurrentElement();
            } else if (name == u"noBreakHyphen") {
                if (!open.empty() && !inInstruction())
                    open.back() += QLatin1Char('-');
                r.skipCurrentElement();
            } else if (name == u"fldChar") {
                const QString type = wordAttribute(r, QStringLiteral("fldCharType"));
                if (type == QLatin1String("begin"))
                    m_fields.push_back(true);
                else if (type == QLatin1String("separate") && !m_fields.empty())
                    m_fields.back() = false;
                else if (type == QLatin1String("end") && !m_fields.empty())
                    m_fields.pop_back();
                r.skipCurrentElement();
            } else if (name == u"footnoteReference" || name == u"endnoteReference") {
                noteCalls[name == u"footnoteReference" ? 0 : 1]
                    << wordAttribute(r, QStringLiteral("id"));
                r.skipCurrentElement();
            } else if (name == u"del" || name == u"moveFrom" || name == u"delText"
                       || name == u"instrText" || name == u"delInstrText" || name == u"rPr"
                       || name == u"pPr" || name == u"sectPr" || name == u"tblPr"
                       || name == u"tcPr" || name == u"trPr" || name == u"tblGrid") {
                r.skipCurrentElement();
            } else {
                ++depth;
            }
        }
    }

private:
    bool inInstruction() const
    {
        for (bool instruction : m_fields)
            if (instruction)
                return true;
        return false;
    }
    std::vector<bool> m_fields; // open fields: true while in their instruction
};

void failOnXml(const QXmlStreamReader &r, const QIODevice &device, const QString &part)
{
    if (!r.hasError())
        return;
    if (!device.errorString().isEmpty() && device.errorString() != QLatin1String("Unknown error"))
        throw ReadFailure(QStringLiteral("document Word endommagé : %1").arg(device.errorString()));
    throw ReadFailure(QStringLiteral("document Word endommagé : la partie « %1 » n'est pas du "
                                     "XML valide (ligne %2)")
                          .arg(part)
                          .arg(r.lineNumber()));
}

// The notes of a notes part (footnotes.xml, endnotes.xml), by id.
QHash<QString, QStringList> readNotes(const ZipFile &zip, const QString &part, WordText &text)
{
    QHash<QString, QStringList> notes;
    if (part.isEmpty() || !zip.contains(part))
        return notes;
    const std::unique_ptr<QIODevice> device = zip.open(part);
    QXmlStreamReader r(device.get());
    while (!r.atEnd()) {
        if (r.readNext() != QXmlStreamReader::StartElement || !isWord(r))
            continue;
        if (r.name() != u"footnote" && r.name() != u"endnote")
            continue;
        const QString type = wordAttribute(r, QStringLiteral("type"));
        if (!type.isEmpty() && type != QLatin1String("normal")) {
            r.skipCurrentElement(); // separators
            continue;
        }
        const QString id = wordAttribute(r, QStringLiteral("id"));
        QStringList paragraphs;
        text.children(r, paragraphs);
        notes.insert(id, paragraphs);
    }
    failOnXml(r, *device, part);
    return notes;
}

} // namespace

Document DocxReader::read(const QString &path) const
{
    Document doc;
    try {
        const ZipFile zip(path);
        const QHash<QString, QString> root = xmlparts::relationships(zip, QString());
        QString main = root.value(QStringLiteral("officeDocument"));
        if (main.isEmpty())
            main = QStringLiteral("word/document.xml");
        if (!zip.contains(main))
            throw ReadFailure(QStringLiteral("document Word endommagé : la partie principale « %1 » "
                                             "manque")
                                  .arg(main));
        const QHash<QString, QString> parts = xmlparts::relationships(zip, main);

        WordText text;
        {
            const std::unique_ptr<QIODevice> device = zip.open(main);
            QXmlStreamReader r(device.get());
            while (!r.atEnd()) {
                if (r.readNext() == QXmlStreamReader::StartElement && isWord(r)
                    && r.name() == u"body")
                    text.children(r, doc.paragraphs);
            }
            failOnXml(r, *device, main);
        }
        const QString kinds[2] = {QStringLiteral("footnotes"), QStringLiteral("endnotes")};
        for (int k = 0; k < 2; ++k) {
            const QHash<QString, QStringList> notes = readNotes(zip, parts.value(kinds[k]), text);
            for (const QString &id : std::as_const(text.noteCalls[k]))
                doc.paragraphs += notes.value(id);
        }
    } catch (const ZipError &e) {
        doc.paragraphs.clear();
        doc.error = QStringLiteral("document Word endommagé : %1").arg(e.cause());
    } catch (const ReadFailure &e) {
        doc.paragraphs.clear();
        doc.error = e.cause();
    }
    return doc;
}

} // namespace exchange
