#include "exchange/odtreader.h"

#include "exchange/paragraphs.h"
#include "exchange/zipfile.h"

#include <QXmlStreamReader>
#include <vector>

namespace exchange {

namespace {

const QString kText = QStringLiteral("urn:oasis:names:tc:opendocument:xmlns:text:1.0");
const QString kOffice = QStringLiteral("urn:oasis:names:tc:opendocument:xmlns:office:1.0");
const QString kSvg = QStringLiteral("urn:oasis:names:tc:opendocument:xmlns:svg-compatible:1.0");

struct OpenParagraph
{
    QString text;
    bool space = true; // the last character was white space (collapses the next)
};

class OdtText
{
public:
    QStringList notes[2]; // footnotes, endnotes

    void children(QXmlStreamReader &r, QStringList &out)
    {
        std::vector<OpenParagraph> open;
        int depth = 1;
        while (depth > 0 && !r.atEnd()) {
            const QXmlStreamReader::TokenType t = r.readNext();
            if (t == QXmlStreamReader::Characters) {
                if (!open.empty())
                    append(open.back(), r.text());
                continue;
            }
            if (t == QXmlStreamReader::EndElement) {
                --depth;
                if (r.namespaceUri() == kText && (r.name() == u"p" || r.name() == u"h")
                    && !open.empty()) {
                    addParagraph(out, open.back().text);
                    open.pop_back();
                }
                continue;
            }
            if (t != QXmlStreamReader::StartElement)
                continue;
            const QStringView ns = r.namespaceUri();
            const QStringView name = r.name();
            if (ns == kText && (name == u"p" || name == u"h")) {
                open.emplace_back();
                ++depth;
            } else if (ns == kText && name == u"s") {
                const int count =
                    qMax(1, r.attributes().value(kText, QStringLiteral("c")).toInt());
                if (!open.empty()) {
                    open.back().text += QString(count, QLatin1Char(' '));
                    open.back().space = true;
                }
                r.skipCurrentElement();
            } else if (ns == kText && (name == u"tab" || name == u"line-break")) {
                if (!open.empty()) {
                    open.back().text += QLatin1Char(' ');
                    open.back().space = true;
                }
                r.skipCurrentElement();
            } else if (ns == kText && name == u"note") {
                const bool endnote =
                    r.attributes().value(kText, QStringLiteral("note-class")) == u"endnote";
                note(r, notes[endnote ? 1 : 0]);
            } else if ((ns == kText
                        && (name == u"tracked-changes" || name == u"note-citation"
                            || name == u"sequence-decls" || name == u"variable-decls"
                            || name == u"user-field-decls"))
                       || (ns == kOffice && (name == u"annotation" || name == u"forms"))
                       || (ns == kSvg && (name == u"title" || name == u"desc"))) {
                r.skipCurrentElement();
            } else {
                ++depth;
            }
        }
    }

private:
    // A note in a paragraph: its body's paragraphs go to `out`.
    void note(QXmlStreamReader &r, QStringList &out)
    {
        while (r.readNextStartElement()) {
            if (r.namespaceUri() == kText && r.name() == u"note-body")
                children(r, out);
            else
                r.skipCurrentElement();
        }
    }

    static void append(OpenParagraph &p, QStringView text)
    {
        for (const QChar c : text) {
            if (c == u' ' || c == u'\t' || c == u'\n' || c == u'\r') {
                if (!p.space)
                    p.text += QLatin1Char(' ');
                p.space = true;
            } else {
                p.text += c;
                p.space = false;
            }
        }
    }
};

} // namespace

Document OdtReader::readFile(const QString &path) const
{
    Document doc;
    try {
        const ZipFile zip(path);
        const QString content = QStringLiteral("content.xml");
        if (!zip.contains(content))
            throw ReadFailure(QStringLiteral("document OpenDocument endommagé : la partie "
                                             "« content.xml » manque"));
        const std::unique_ptr<QIODevice> device = zip.open(content);
        QXmlStreamReader r(device.get());
        OdtText text;
        while (!r.atEnd()) {
            if (r.readNext() == QXmlStreamReader::StartElement && r.namespaceUri() == kOffice
                && r.name() == u"text")
                text.children(r, doc.paragraphs);
        }
        if (r.hasError()) {
            const QString cause = device->errorString();
            throw ReadFailure(
                QStringLiteral("document OpenDocument endommagé : %1")
                    .arg(!cause.isEmpty() && cause != QLatin1String("Unknown error")
                             ? cause
                             : QStringLiteral("« content.xml » n'est pas du XML valide (ligne %1)")
                                   .arg(r.lineNumber())));
        }
        doc.paragraphs += text.notes[0];
        doc.paragraphs += text.notes[1];
    } catch (const ZipError &e) {
        doc.paragraphs.clear();
        doc.error = QStringLiteral("document OpenDocument endommagé : %1").arg(e.cause());
    } catch (const ReadFailure &e) {
        doc.paragraphs.clear();
        doc.error = e.cause();
    }
    return doc;
}

} // namespace exchange
