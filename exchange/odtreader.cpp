#include "exchange/odtreader.h"

#include "exchange/symbolfonts.h"
#include "exchange/xmlparts.h"
#include "exchange/zipfile.h"

#include <QHash>

#include <QXmlStreamReader>
#include <vector>

namespace exchange {

namespace {

const QString kText = QStringLiteral("urn:oasis:names:tc:opendocument:xmlns:text:1.0");
const QString kOffice = QStringLiteral("urn:oasis:names:tc:opendocument:xmlns:office:1.0");
const QString kSvg = QStringLiteral("urn:oasis:names:tc:opendocument:xmlns:svg-compatible:1.0");
const QString kManifest = QStringLiteral("urn:oasis:names:tc:opendocument:xmlns:manifest:1.0");
const QString kStyle = QStringLiteral("urn:oasis:names:tc:opendocument:xmlns:style:1.0");
const QString kFo = QStringLiteral("urn:oasis:names:tc:opendocument:xmlns:xsl-fo-compatible:1.0");

// Tokens read between two polls of the stop request.
constexpr int kPollEvery = 4096;

// Passes a member through, refusing a token of Qt's reader (a text, a tag,
// a comment) longer than the text ceiling: the reader holds a token whole,
// so that the memory stays bounded by the ceiling. Tokens::next() marks
// where each token ends.
class BoundedTokens : public QIODevice
{
public:
    // What Qt's reader reads ahead of the token it gives (8 KB at a time).
    static constexpr qint64 kReadAhead = qint64(64) << 10;

    BoundedTokens(QIODevice *source, qint64 longest) : m_source(source), m_longest(longest)
    {
        QIODevice::open(QIODevice::ReadOnly);
    }
    bool isSequential() const override { return true; }
    void mark() { m_sinceMark = 0; }
    bool tooLong() const { return m_tooLong; }
    // The member's own failure (damaged archive), empty when none.
    QString sourceFailure() const { return m_sourceFailed ? m_source->errorString() : QString(); }

protected:
    qint64 readData(char *data, qint64 max) override
    {
        if (m_tooLong || m_sourceFailed)
            return -1;
        const qint64 got = m_source->read(data, max);
        if (got < 0) {
            m_sourceFailed = true;
            return -1;
        }
        m_sinceMark += got;
        if (m_sinceMark > m_longest + kReadAhead) {
            m_tooLong = true;
            return -1;
        }
        return got;
    }
    qint64 writeData(const char *, qint64) override { return -1; }

private:
    QIODevice *m_source;
    qint64 m_longest;
    qint64 m_sinceMark = 0;
    bool m_tooLong = false;
    bool m_sourceFailed = false;
};

// The XML stream of a part, polled for a stop, its nesting bounded, its
// entity declarations refused.
class Tokens
{
public:
    Tokens(QXmlStreamReader &r, const DocumentReader &reader, BoundedTokens *device = nullptr)
        : r(r), m_reader(reader), m_device(device)
    {
    }

    QXmlStreamReader &r;
    int depth = 0; // elements open

    QXmlStreamReader::TokenType next()
    {
        if (++m_tokens >= kPollEvery) {
            m_tokens = 0;
            m_reader.checkStop();
        }
        const QXmlStreamReader::TokenType t = r.readNext();
        if (m_device)
            m_device->mark();
        if (t == QXmlStreamReader::StartElement) {
            if (++depth > kMaxNesting)
                throw ReadFailure(QStringLiteral("les notes et éléments du document sont "
                                                 "imbriqués sur plus de %1 niveaux : document "
                                                 "refusé")
                                      .arg(frenchNumber(kMaxNesting)));
        } else if (t == QXmlStreamReader::EndElement) {
            --depth;
        } else if (t == QXmlStreamReader::DTD && !r.entityDeclarations().isEmpty()) {
            throw ReadFailure(entitiesCause());
        }
        return t;
    }

    // After a start element: moves past its end.
    void skip()
    {
        const int inside = depth;
        while (depth >= inside) {
            const QXmlStreamReader::TokenType t = next();
            if (t == QXmlStreamReader::Invalid || t == QXmlStreamReader::EndDocument)
                return;
        }
    }

private:
    const DocumentReader &m_reader;
    BoundedTokens *m_device;
    int m_tokens = 0;
};

struct OpenParagraph
{
    QString text;
    bool space = true; // the last character was white space (collapses the next)
};

class OdtText
{
public:
    explicit OdtText(TextBudget &budget) : m_budget(budget) {}

    QStringList notes[2]; // footnotes, endnotes

    // Reads office:font-face-decls (just begun): the symbol fonts by name.
    void readFontFaces(Tokens &tokens)
    {
        QXmlStreamReader &r = tokens.r;
        const int inside = tokens.depth;
        while (tokens.depth >= inside) {
            const QXmlStreamReader::TokenType t = tokens.next();
            if (t == QXmlStreamReader::Invalid || t == QXmlStreamReader::EndDocument)
                return;
            if (t == QXmlStreamReader::StartElement && r.namespaceUri() == kStyle
                && r.name() == u"font-face") {
                const QXmlStreamAttributes a = r.attributes();
                const symbolfonts::Font font =
                    symbolfonts::fontNamed(a.value(kSvg, QStringLiteral("font-family")));
                if (font != symbolfonts::Font::Other)
                    m_fontFaces.insert(a.value(kStyle, QStringLiteral("name")).toString(), font);
            }
        }
    }

    // Reads office:automatic-styles (just begun): the styles that set a
    // font, and which symbol font (if any).
    void readStyles(Tokens &tokens)
    {
        QXmlStreamReader &r = tokens.r;
        const int inside = tokens.depth;
        QString style; // the style:style being read
        while (tokens.depth >= inside) {
            const QXmlStreamReader::TokenType t = tokens.next();
            if (t == QXmlStreamReader::Invalid || t == QXmlStreamReader::EndDocument)
                return;
            if (t != QXmlStreamReader::StartElement || r.namespaceUri() != kStyle)
                continue;
            const QXmlStreamAttributes a = r.attributes();
            if (r.name() == u"style") {
                style = a.value(kStyle, QStringLiteral("name")).toString();
            } else if (r.name() == u"text-properties" && !style.isEmpty()) {
                if (a.hasAttribute(kStyle, QStringLiteral("font-name")))
                    m_styleFonts.insert(style, m_fontFaces.value(
                                                   a.value(kStyle, QStringLiteral("font-name"))
                                                       .toString(),
                                                   symbolfonts::Font::Other));
                else if (a.hasAttribute(kFo, QStringLiteral("font-family")))
                    m_styleFonts.insert(style, symbolfonts::fontNamed(
                                                   a.value(kFo, QStringLiteral("font-family"))));
            }
        }
    }

    // Reads office:text (just begun) up to its end. The elements open are
    // kept on stacks, notes inside paragraphs inside notes included: a
    // note's paragraphs go to its list, and the characters of its body never
    // reach the paragraph that calls it.
    void read(Tokens &tokens, QStringList &out)
    {
        QXmlStreamReader &r = tokens.r;
        // Paragraph and Inline elements hold text; the white space
        // directly inside the others (a frame, a list) is layout.
        enum class Frame : unsigned char { Block, Inline, Paragraph, Note, NoteBody };
        struct Level
        {
            QStringList *target; // where the paragraphs go
            size_t base;         // open paragraphs of the levels around
        };
        struct Open
        {
            Frame frame;
            symbolfonts::Font font; // the font its text is in
        };
        std::vector<Open> frames; // the elements open inside office:text
        const auto outerFont = [&] {
            return frames.empty() ? symbolfonts::Font::Other : frames.back().font;
        };
        // The font of an element beginning: its style's, else its parent's.
        const auto fontOf = [&] {
            if (m_styleFonts.isEmpty())
                return outerFont();
            const auto found = m_styleFonts.constFind(
                r.attributes().value(kText, QStringLiteral("style-name")).toString());
            return found != m_styleFonts.constEnd() ? *found : outerFont();
        };
        std::vector<OpenParagraph> open;
        std::vector<bool> endnotes; // the class of each open note
        std::vector<Level> levels{{&out, 0}};
        const auto inParagraph = [&] { return open.size() > levels.back().base; };
        for (;;) {
            const QXmlStreamReader::TokenType t = tokens.next();
            if (t == QXmlStreamReader::Invalid || t == QXmlStreamReader::EndDocument)
                return;
            if (t == QXmlStreamReader::Characters) {
                if (inParagraph() && !frames.empty()
                    && (frames.back().frame == Frame::Paragraph
                        || frames.back().frame == Frame::Inline))
                    append(open.back(), r.text(), frames.back().font);
                continue;
            }
            if (t == QXmlStreamReader::EndElement) {
                if (frames.empty())
                    return; // the end of office:text
                const Frame f = frames.back().frame;
                frames.pop_back();
                if (f == Frame::Paragraph) {
                    addParagraph(*levels.back().target, open.back().text);
                    open.pop_back();
                } else if (f == Frame::NoteBody) {
                    levels.pop_back();
                } else if (f == Frame::Note) {
                    endnotes.pop_back();
                }
                continue;
            }
            if (t != QXmlStreamReader::StartElement)
                continue;
            const QStringView ns = r.namespaceUri();
            const QStringView name = r.name();
            if (!frames.empty() && frames.back().frame == Frame::Note) {
                // A note: its body is read, its citation and the rest are not.
                if (ns == kText && name == u"note-body") {
                    frames.push_back({Frame::NoteBody, symbolfonts::Font::Other});
                    levels.push_back({&notes[endnotes.back() ? 1 : 0], open.size()});
                } else {
                    tokens.skip();
                }
            } else if (ns == kText && (name == u"p" || name == u"h")) {
                frames.push_back({Frame::Paragraph, fontOf()});
                open.emplace_back();
            } else if (ns == kText && name == u"s") {
                const int count =
                    qMax(1, r.attributes().value(kText, QStringLiteral("c")).toInt());
                if (inParagraph()) {
                    m_budget.spend(count); // before a count of billions is made
                    open.back().text += QString(count, QLatin1Char(' '));
                    open.back().space = true;
                }
                tokens.skip();
            } else if (ns == kText && (name == u"tab" || name == u"line-break")) {
                if (inParagraph()) {
                    m_budget.spend(1);
                    open.back().text += QLatin1Char(' ');
                    open.back().space = true;
                }
                tokens.skip();
            } else if (ns == kText && name == u"note") {
                frames.push_back({Frame::Note, outerFont()});
                endnotes.push_back(r.attributes().value(kText, QStringLiteral("note-class"))
                                   == u"endnote");
            } else if ((ns == kText
                        && (name == u"tracked-changes" || name == u"note-citation"
                            || name == u"number" // a heading's or list item's number
                            || name == u"sequence-decls" || name == u"variable-decls"
                            || name == u"user-field-decls"))
                       || (ns == kOffice && (name == u"annotation" || name == u"forms"))
                       || (ns == kSvg && (name == u"title" || name == u"desc"))) {
                tokens.skip();
            } else {
                frames.push_back({ns == kText && !isTextBlock(name) ? Frame::Inline : Frame::Block,
                                  fontOf()});
            }
        }
    }

private:
    // The text elements whose direct characters are layout, not text.
    static bool isTextBlock(QStringView name)
    {
        return name == u"list" || name == u"list-item" || name == u"list-header"
               || name == u"numbered-paragraph" || name == u"section"
               || name == u"table-of-content" || name == u"index-body"
               || name == u"index-title" || name == u"alphabetical-index"
               || name == u"illustration-index" || name == u"table-index"
               || name == u"object-index" || name == u"user-index" || name == u"bibliography";
    }

    void append(OpenParagraph &p, QStringView text, symbolfonts::Font font)
    {
        qint64 bytes = 0;
        for (QChar c : text) {
            if (c == u' ' || c == u'\t' || c == u'\n' || c == u'\r') {
                if (!p.space) {
                    p.text += QLatin1Char(' ');
                    ++bytes;
                }
                p.space = true;
            } else {
                if (font != symbolfonts::Font::Other)
                    c = QChar(char16_t(symbolfonts::shown(font, c.unicode())));
                p.text += c;
                p.space = false;
                const char16_t u = c.unicode();
                bytes += u < 0x80 ? 1 : u < 0x800 || QChar::isSurrogate(u) ? 2 : 3;
            }
        }
        m_budget.spend(bytes);
    }

    TextBudget &m_budget;
    QHash<QString, symbolfonts::Font> m_fontFaces; // the symbol fonts by their names
    QHash<QString, symbolfonts::Font> m_styleFonts; // the styles setting a font
};

// Whether the manifest says that content.xml is encrypted.
bool isEncrypted(const ZipFile &zip, const DocumentReader &reader)
{
    const QString manifest = QStringLiteral("META-INF/manifest.xml");
    if (!zip.contains(manifest))
        return false;
    QXmlStreamReader r(zip.read(manifest, qint64(16) << 20));
    Tokens tokens(r, reader);
    bool inContent = false;
    while (!r.atEnd()) {
        const QXmlStreamReader::TokenType t = tokens.next();
        if (t == QXmlStreamReader::StartElement && r.namespaceUri() == kManifest) {
            if (r.name() == u"file-entry")
                inContent = r.attributes().value(kManifest, QStringLiteral("full-path"))
                            == u"content.xml";
            else if (r.name() == u"encryption-data" && inContent)
                return true;
        } else if (t == QXmlStreamReader::EndElement && r.namespaceUri() == kManifest
                   && r.name() == u"file-entry") {
            inContent = false;
        }
    }
    return false; // a damaged manifest is left to the content's reading
}

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
        if (isEncrypted(zip, *this))
            throw ReadFailure(QStringLiteral("document OpenDocument protégé par un mot de passe"));
        const std::unique_ptr<QIODevice> member = zip.open(content);
        BoundedTokens device(member.get(), m_ceiling);
        QXmlStreamReader r(&device);
        Tokens tokens(r, *this, &device);
        TextBudget budget(m_ceiling);
        OdtText text(budget);
        while (!r.atEnd()) {
            if (tokens.next() != QXmlStreamReader::StartElement || r.namespaceUri() != kOffice)
                continue;
            if (r.name() == u"text")
                text.read(tokens, doc.paragraphs);
            else if (r.name() == u"font-face-decls")
                text.readFontFaces(tokens);
            else if (r.name() == u"automatic-styles")
                text.readStyles(tokens);
        }
        // The rest of the member is read for its check sum: a damaged
        // member is not a document read.
        if (!r.hasError()) {
            char rest[4096];
            for (int pieces = 1; device.read(rest, sizeof rest) > 0; ++pieces)
                if (pieces % 256 == 0)
                    checkStop();
        }
        if (device.tooLong())
            throw ReadFailure(ceilingCause(m_ceiling));
        const QString cause = device.sourceFailure();
        if (r.hasError() || !cause.isEmpty()) {
            throw ReadFailure(
                QStringLiteral("document OpenDocument endommagé : %1")
                    .arg(!cause.isEmpty()
                             ? cause
                             : QStringLiteral("« content.xml » n'est pas du XML valide (ligne %1)")
                                   .arg(r.lineNumber())));
        }
        doc.paragraphs += text.notes[0];
        doc.paragraphs += text.notes[1];
        // The document's own description: a title, who first wrote it, when.
        const QString dc = QStringLiteral("http://purl.org/dc/elements/1.1/|");
        const QString meta = QStringLiteral("urn:oasis:names:tc:opendocument:xmlns:meta:1.0|");
        const QHash<QString, QString> declared = xmlparts::declared(
            zip, QStringLiteral("meta.xml"),
            {dc + QStringLiteral("title"), dc + QStringLiteral("creator"),
             meta + QStringLiteral("initial-creator"), meta + QStringLiteral("creation-date")});
        doc.metadata.title = declared.value(dc + QStringLiteral("title"));
        doc.metadata.author = declared.value(meta + QStringLiteral("initial-creator"),
                                             declared.value(dc + QStringLiteral("creator")));
        doc.metadata.date = declared.value(meta + QStringLiteral("creation-date"));
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
