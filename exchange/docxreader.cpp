#include "exchange/docxreader.h"

#include "exchange/paragraphs.h"
#include "exchange/xmlparts.h"
#include "exchange/xmlscanner.h"
#include "exchange/zipfile.h"

#include <QHash>
#include <vector>

namespace exchange {

namespace {

constexpr QByteArrayView kWordTransitional =
    "http://schemas.openxmlformats.org/wordprocessingml/2006/main";
constexpr QByteArrayView kWordStrict = "http://purl.oclc.org/ooxml/wordprocessingml/main";
constexpr QByteArrayView kCompatibility =
    "http://schemas.openxmlformats.org/markup-compatibility/2006";

// The text of the parts of a Word document (body, footnotes, endnotes).
class WordText
{
public:
    QStringList noteCalls[2]; // footnote, endnote ids in the order of their calls

    // Reads the children of the current element up to its end, adding their
    // paragraphs to `out`.
    void children(XmlScanner &r, QStringList &out)
    {
        std::vector<QByteArray> open; // paragraphs begun and not ended (text boxes nest)
        int depth = 1;
        while (depth > 0) {
            const XmlScanner::Token t = r.next();
            if (t == XmlScanner::Invalid || t == XmlScanner::EndOfDocument)
                return;
            if (t == XmlScanner::Characters) {
                if (m_inText && !open.empty() && !inInstruction())
                    r.appendText(open.back());
                continue;
            }
            const QByteArrayView name = r.localName();
            if (t == XmlScanner::EndElement) {
                --depth;
                if (isWord(r)) {
                    if (name == "t")
                        m_inText = false;
                    else if (name == "p" && !open.empty()) {
                        addParagraph(out, QString::fromUtf8(open.back()));
                        open.pop_back();
                    }
                }
                continue;
            }
            // A start element.
            if (!isWord(r)) {
                if (name == "Fallback" && r.namespaceUri() == kCompatibility)
                    r.skipElement(); // the same content again, for older readers
                else
                    ++depth;
                continue;
            }
            if (name == "p") {
                open.emplace_back();
                ++depth;
            } else if (name == "t") {
                m_inText = true;
                ++depth;
            } else if (name == "tab" || name == "br" || name == "cr") {
                if (!open.empty() && !inInstruction())
                    open.back() += ' ';
                r.skipElement();
            } else if (name == "noBreakHyphen") {
                if (!open.empty() && !inInstruction())
                    open.back() += '-';
                r.skipElement();
            } else if (name == "fldChar") {
                const QByteArray type = r.attribute("fldCharType");
                if (type == "begin")
                    m_fields.push_back(true);
                else if (type == "separate" && !m_fields.empty())
                    m_fields.back() = false;
                else if (type == "end" && !m_fields.empty())
                    m_fields.pop_back();
                r.skipElement();
            } else if (name == "footnoteReference" || name == "endnoteReference") {
                noteCalls[name == "footnoteReference" ? 0 : 1]
                    << QString::fromUtf8(r.attribute("id"));
                r.skipElement();
            } else if (name == "del" || name == "moveFrom" || name == "delText"
                       || name == "instrText" || name == "delInstrText" || name == "rPr"
                       || name == "pPr" || name == "sectPr" || name == "tblPr" || name == "tcPr"
                       || name == "trPr" || name == "tblGrid") {
                r.skipElement();
            } else {
                ++depth;
            }
        }
    }

    bool isWord(const XmlScanner &r)
    {
        // The prefix rarely changes: its namespace is looked up once per change.
        const QByteArrayView ns = r.namespaceUri();
        if (ns.data() != m_lastNs.data() || ns.size() != m_lastNs.size()) {
            m_lastNs = ns;
            m_lastIsWord = ns == kWordTransitional || ns == kWordStrict;
        }
        return m_lastIsWord;
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
    bool m_inText = false;      // inside w:t
    QByteArrayView m_lastNs;
    bool m_lastIsWord = false;
};

void failOnXml(const XmlScanner &r, XmlScanner::Token last, const QString &part)
{
    if (last != XmlScanner::Invalid)
        return;
    throw ReadFailure(QStringLiteral("document Word endommagé : la partie « %1 » n'est pas du "
                                     "XML valide (ligne %2)")
                          .arg(part)
                          .arg(r.errorLine()));
}

// Scans a whole part: `element` is called on each start element of the
// document's own vocabulary and reads it (or not); returns the last token.
template <typename F>
XmlScanner::Token scanPart(XmlScanner &r, WordText &text, F element)
{
    XmlScanner::Token t;
    while ((t = r.next()) != XmlScanner::EndOfDocument && t != XmlScanner::Invalid)
        if (t == XmlScanner::StartElement && text.isWord(r))
            element();
    return t;
}

// The notes of a notes part (footnotes.xml, endnotes.xml), by id.
QHash<QString, QStringList> readNotes(const ZipFile &zip, const QString &part, WordText &text)
{
    QHash<QString, QStringList> notes;
    if (part.isEmpty() || !zip.contains(part))
        return notes;
    const QByteArray xml = zip.read(part, ZipFile::kMaxStreamSize);
    XmlScanner r(xml);
    const XmlScanner::Token last = scanPart(r, text, [&] {
        if (r.localName() != "footnote" && r.localName() != "endnote")
            return;
        const QByteArray type = r.attribute("type");
        if (!type.isEmpty() && type != "normal") {
            r.skipElement(); // separators
            return;
        }
        const QString id = QString::fromUtf8(r.attribute("id"));
        QStringList paragraphs;
        text.children(r, paragraphs);
        notes.insert(id, paragraphs);
    });
    failOnXml(r, last, part);
    return notes;
}

} // namespace

Document DocxReader::readFile(const QString &path) const
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
            const QByteArray xml = zip.read(main, ZipFile::kMaxStreamSize);
            XmlScanner r(xml);
            const XmlScanner::Token last = scanPart(r, text, [&] {
                if (r.localName() == "body")
                    text.children(r, doc.paragraphs);
            });
            failOnXml(r, last, main);
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
