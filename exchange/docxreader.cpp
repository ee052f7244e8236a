#include "exchange/docxreader.h"

#include "exchange/paragraphs.h"
#include "exchange/symbolfonts.h"
#include "exchange/xmlparts.h"
#include "exchange/xmlscanner.h"
#include "exchange/zipfile.h"

#include <QHash>
#include <QSet>
#include <vector>

namespace exchange {

namespace {

constexpr QByteArrayView kWordTransitional =
    "http://schemas.openxmlformats.org/wordprocessingml/2006/main";
constexpr QByteArrayView kWordStrict = "http://purl.oclc.org/ooxml/wordprocessingml/main";
constexpr QByteArrayView kCompatibility =
    "http://schemas.openxmlformats.org/markup-compatibility/2006";

// The most calls of footnotes (and as many of endnotes) read: each is kept
// until the notes are read, whatever text they give.
constexpr qsizetype kMaxNoteCalls = 1000000;

// Whether a toggle property (w:vanish, w:b) is on: present, unless its
// value says off.
bool toggleOn(const XmlScanner &r)
{
    const QByteArray v = r.attribute("val");
    return v != "0" && v != "false" && v != "off";
}

// The character a w:sym gives (its font's sign for its code), 0 for none.
char32_t symbolCharacter(const XmlScanner &r)
{
    bool ok = false;
    const uint code = QString::fromLatin1(r.attribute("char")).toUInt(&ok, 16);
    if (!ok || code == 0 || code > 0xFFFF || QChar::isSurrogate(code))
        return 0;
    const symbolfonts::Font font =
        symbolfonts::fontNamed(QString::fromUtf8(r.attribute("font")));
    return symbolfonts::shown(font, code);
}

// The text of the parts of a Word document (body, footnotes, endnotes).
class WordText
{
public:
    explicit WordText(TextBudget &budget) : m_budget(budget) {}

    QStringList noteCalls[2]; // footnote, endnote ids in the order of their calls

    // Reads the children of the current element up to its end, adding their
    // paragraphs to `out`. A paragraph whose mark is not shown (a drop cap,
    // a hidden or deleted paragraph mark) runs on into the next one, with
    // no space between.
    void children(XmlScanner &r, QStringList &out)
    {
        std::vector<Paragraph> open; // paragraphs begun and not ended (text boxes nest)
        QByteArray carried;          // the text of a paragraph running on
        size_t carriedLevel = 0;     // the paragraphs open around it
        bool carrying = false;
        const auto flushCarried = [&] {
            if (carrying)
                addParagraph(out, QString::fromUtf8(carried));
            carrying = false;
            carried.clear();
        };
        m_runs.clear();
        int depth = 1;
        while (depth > 0) {
            const XmlScanner::Token t = r.next();
            if (t == XmlScanner::Invalid || t == XmlScanner::EndOfDocument)
                return;
            if (t == XmlScanner::Characters) {
                if (m_inText && !open.empty() && shown())
                    appendCharacters(r, open.back().text);
                continue;
            }
            const QByteArrayView name = r.localName();
            if (t == XmlScanner::EndElement) {
                --depth;
                if (isWord(r)) {
                    if (name == "t") {
                        m_inText = false;
                    } else if (isContainer(name)) {
                        flushCarried();
                    } else if (name == "r") {
                        if (!m_runs.empty())
                            m_runs.pop_back();
                    } else if (name == "p" && !open.empty()) {
                        Paragraph &p = open.back();
                        if (p.runsOn) {
                            flushCarried();
                            carried = std::move(p.text);
                            carriedLevel = open.size() - 1;
                            carrying = true;
                        } else {
                            if (carrying && carriedLevel >= open.size())
                                flushCarried(); // from a text box inside this paragraph
                            addParagraph(out, QString::fromUtf8(p.text));
                        }
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
                open.back().depth = depth + 1;
                if (carrying) {
                    if (carriedLevel == open.size() - 1) {
                        open.back().text = std::move(carried);
                        carried.clear();
                        carrying = false;
                    } else {
                        flushCarried();
                    }
                }
                ++depth;
            } else if (name == "r") {
                m_runs.emplace_back();
                m_runs.back().depth = depth + 1;
                ++depth;
            } else if (name == "t") {
                m_inText = true;
                ++depth;
            } else if (name == "tab" || name == "ptab" || name == "br" || name == "cr") {
                addCharacter(open, u' ');
                r.skipElement();
            } else if (name == "noBreakHyphen") {
                addCharacter(open, u'-');
                r.skipElement();
            } else if (name == "sym") {
                if (const char32_t c = symbolCharacter(r))
                    addCharacter(open, c);
                r.skipElement();
            } else if (name == "fldChar") {
                const QByteArray type = r.attribute("fldCharType");
                if (type == "begin") {
                    m_fields.push_back(true);
                    ++m_instructions;
                } else if (type == "separate" && !m_fields.empty() && m_fields.back()) {
                    m_fields.back() = false;
                    --m_instructions;
                } else if (type == "end" && !m_fields.empty()) {
                    if (m_fields.back())
                        --m_instructions;
                    m_fields.pop_back();
                }
                r.skipElement();
            } else if (name == "footnoteReference" || name == "endnoteReference") {
                QStringList &calls = noteCalls[name == "footnoteReference" ? 0 : 1];
                if (calls.size() >= kMaxNoteCalls)
                    throw ReadFailure(QStringLiteral("le document appelle plus d'un million de "
                                                     "notes : document refusé"));
                calls << QString::fromUtf8(r.attribute("id"));
                r.skipElement();
            } else if (name == "rPr") {
                // A run's own properties (not those of a math run inside a
                // text box's anchor, say).
                if (!m_runs.empty() && m_runs.back().depth == depth)
                    runProperties(r, m_runs.back());
                else
                    r.skipElement();
            } else if (name == "pPr") {
                if (!open.empty() && open.back().depth == depth)
                    open.back().runsOn = paragraphRunsOn(r);
                else
                    r.skipElement();
            } else if (isContainer(name)) {
                flushCarried(); // a paragraph runs on only within its container
                ++depth;
            } else if (name == "del" || name == "moveFrom" || name == "delText"
                       || name == "instrText" || name == "delInstrText" || name == "sectPr"
                       || name == "tblPr" || name == "tcPr" || name == "trPr"
                       || name == "tblGrid" || name == "sdtPr" || name == "sdtEndPr") {
                r.skipElement();
            } else {
                ++depth;
            }
        }
        flushCarried();
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
    // The elements that hold paragraphs apart from the paragraphs around.
    static bool isContainer(QByteArrayView name)
    {
        return name == "tbl" || name == "tc" || name == "txbxContent";
    }

    struct Paragraph
    {
        QByteArray text;
        int depth = 0;       // the nesting of its children
        bool runsOn = false; // its mark is not shown: the next paragraph continues it
    };
    // The properties of a run that change the text it shows.
    struct Run
    {
        int depth = 0; // the nesting of its children
        bool hidden = false;
        symbolfonts::Font ascii = symbolfonts::Font::Other; // of characters below U+0080
        symbolfonts::Font other = symbolfonts::Font::Other; // of the others
        bool symbolic() const
        {
            return ascii != symbolfonts::Font::Other || other != symbolfonts::Font::Other;
        }
    };

    // Whether the text of the current run is shown: outside field
    // instructions and hidden runs.
    bool shown() const
    {
        return !inInstruction() && (m_runs.empty() || !m_runs.back().hidden);
    }

    void appendCharacters(const XmlScanner &r, QByteArray &text)
    {
        const qsizetype before = text.size();
        if (m_runs.empty() || !m_runs.back().symbolic()) {
            r.appendText(text);
        } else {
            QByteArray raw;
            r.appendText(raw);
            const Run &run = m_runs.back();
            QString shownText = QString::fromUtf8(raw);
            for (QChar &c : shownText) {
                const symbolfonts::Font font = c.unicode() < 0x80 ? run.ascii : run.other;
                c = QChar(char16_t(symbolfonts::shown(font, c.unicode())));
            }
            text += shownText.toUtf8();
        }
        m_budget.spend(text.size() - before);
    }

    void addCharacter(std::vector<Paragraph> &open, char32_t c)
    {
        if (open.empty() || !shown())
            return;
        const QByteArray bytes = QString::fromUcs4(&c, 1).toUtf8();
        m_budget.spend(bytes.size());
        open.back().text += bytes;
    }

    // Calls `child` with the name of each element inside the one just
    // begun; `child` consumes it (skipElement, or a read of its own). Ends
    // after that element's end, or where the part ends first.
    template <class Child>
    static void eachChild(XmlScanner &r, Child &&child)
    {
        for (;;) {
            const XmlScanner::Token t = r.next();
            if (t == XmlScanner::Invalid || t == XmlScanner::EndOfDocument
                || t == XmlScanner::EndElement)
                return;
            if (t == XmlScanner::StartElement)
                child(r.localName());
        }
    }

    // Reads w:rPr (just begun) into `run`; the properties a revision
    // replaced (w:rPrChange) are passed over.
    void runProperties(XmlScanner &r, Run &run)
    {
        eachChild(r, [&](QByteArrayView name) {
            if (isWord(r) && name == "vanish") {
                run.hidden = toggleOn(r);
            } else if (isWord(r) && name == "rFonts") {
                run.ascii = symbolfonts::fontNamed(QString::fromUtf8(r.attribute("ascii")));
                run.other = symbolfonts::fontNamed(QString::fromUtf8(r.attribute("hAnsi")));
            }
            r.skipElement();
        });
    }

    // Reads w:pPr (just begun): whether the paragraph's mark is not shown,
    // so that the next paragraph continues it (a drop cap, a paragraph mark
    // hidden or deleted); the properties a revision replaced are passed over.
    bool paragraphRunsOn(XmlScanner &r)
    {
        bool runsOn = false;
        eachChild(r, [&](QByteArrayView name) {
            if (isWord(r) && name == "framePr") {
                const QByteArray drop = r.attribute("dropCap");
                runsOn = runsOn || drop == "drop" || drop == "margin";
            } else if (isWord(r) && name == "rPr") {
                // The properties of the paragraph mark.
                eachChild(r, [&](QByteArrayView mark) {
                    if (isWord(r)
                        && ((mark == "vanish" && toggleOn(r)) || mark == "specVanish"
                            || mark == "del" || mark == "moveFrom"))
                        runsOn = true;
                    r.skipElement();
                });
                return;
            }
            r.skipElement();
        });
        return runsOn;
    }

    // Whether any open field is in its instruction (fields nest).
    bool inInstruction() const { return m_instructions > 0; }
    TextBudget &m_budget;
    std::vector<bool> m_fields; // open fields: true while in their instruction
    size_t m_instructions = 0;  // the open fields in their instruction
    bool m_inText = false;      // inside w:t
    std::vector<Run> m_runs;    // the runs open (a text box's runs inside a run)
    QByteArrayView m_lastNs;
    bool m_lastIsWord = false;
};

void failOnXml(const XmlScanner &r, XmlScanner::Token last, const QString &part)
{
    if (last != XmlScanner::Invalid)
        return;
    switch (r.fault()) {
    case XmlScanner::Entities:
        throw ReadFailure(entitiesCause());
    case XmlScanner::TooDeep:
        throw ReadFailure(QStringLiteral("les éléments du document sont imbriqués sur plus de %1 "
                                         "niveaux : document refusé")
                              .arg(frenchNumber(kMaxNesting)));
    case XmlScanner::TooLong:
        throw ReadFailure(QStringLiteral("document Word endommagé : la partie « %1 » contient une "
                                         "balise démesurée (ligne %2)")
                              .arg(part)
                              .arg(r.errorLine()));
    case XmlScanner::ReadFailed:
        throw ReadFailure(QStringLiteral("document Word endommagé : %1").arg(r.deviceError()));
    case XmlScanner::NoFault:
    case XmlScanner::Malformed:
        break;
    }
    throw ReadFailure(QStringLiteral("document Word endommagé : la partie « %1 » n'est pas du "
                                     "XML valide (ligne %2)")
                          .arg(part)
                          .arg(r.errorLine()));
}

// A part read as a stream, polled for a stop, its nesting bounded.
struct PartScanner
{
    PartScanner(const ZipFile &zip, const QString &part, const DocumentReader &reader)
        : device(zip.open(part)), scanner(device.get())
    {
        scanner.setPoll([&reader] { reader.checkStop(); });
        scanner.setMaxDepth(kMaxNesting);
    }
    std::unique_ptr<QIODevice> device;
    XmlScanner scanner;
};

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

// The notes of a notes part (footnotes.xml, endnotes.xml) called in the
// body (`calls`), by id.
QHash<QString, QStringList> readNotes(const ZipFile &zip, const QString &part, WordText &text,
                                      const QStringList &calls, const DocumentReader &reader)
{
    QHash<QString, QStringList> notes;
    if (part.isEmpty() || calls.isEmpty() || !zip.contains(part))
        return notes;
    const QSet<QString> called(calls.cbegin(), calls.cend());
    PartScanner scanner(zip, part, reader);
    XmlScanner &r = scanner.scanner;
    const XmlScanner::Token last = scanPart(r, text, [&] {
        if (r.localName() != "footnote" && r.localName() != "endnote")
            return;
        const QByteArray type = r.attribute("type");
        if (!type.isEmpty() && type != "normal") {
            r.skipElement(); // separators
            return;
        }
        const QString id = QString::fromUtf8(r.attribute("id"));
        if (!called.contains(id)) {
            r.skipElement();
            return;
        }
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

        TextBudget budget(m_ceiling);
        WordText text(budget);
        {
            PartScanner scanner(zip, main, *this);
            XmlScanner &r = scanner.scanner;
            const XmlScanner::Token last = scanPart(r, text, [&] {
                if (r.localName() == "body")
                    text.children(r, doc.paragraphs);
            });
            failOnXml(r, last, main);
        }
        // A note called many times is given as many times: the text given
        // is counted again against the ceiling.
        TextBudget given(m_ceiling);
        for (const QString &p : std::as_const(doc.paragraphs))
            given.spend(utf8Size(p));
        const QString kinds[2] = {QStringLiteral("footnotes"), QStringLiteral("endnotes")};
        for (int k = 0; k < 2; ++k) {
            const QHash<QString, QStringList> notes =
                readNotes(zip, parts.value(kinds[k]), text, text.noteCalls[k], *this);
            int polled = 0;
            for (const QString &id : std::as_const(text.noteCalls[k])) {
                if (++polled % XmlScanner::kPollEvery == 0)
                    checkStop();
                const auto note = notes.constFind(id);
                if (note == notes.constEnd())
                    continue;
                for (const QString &p : *note)
                    given.spend(utf8Size(p));
                doc.paragraphs += *note;
            }
        }
        // The core properties: a title, an author, a date of creation.
        QString core = root.value(QStringLiteral("core-properties"));
        if (core.isEmpty())
            core = QStringLiteral("docProps/core.xml");
        const QString dc = QStringLiteral("http://purl.org/dc/elements/1.1/|");
        const QString terms = QStringLiteral("http://purl.org/dc/terms/|");
        const QHash<QString, QString> declared = xmlparts::declared(
            zip, core, {dc + QStringLiteral("title"), dc + QStringLiteral("creator"),
                        terms + QStringLiteral("created")});
        doc.metadata.title = declared.value(dc + QStringLiteral("title"));
        doc.metadata.author = declared.value(dc + QStringLiteral("creator"));
        doc.metadata.date = declared.value(terms + QStringLiteral("created"));
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
