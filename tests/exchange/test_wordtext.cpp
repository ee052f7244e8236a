// The text of Word and OpenDocument documents written here is the text they
// show: symbol fonts as the signs they draw, drop caps joined to their
// word, hidden text and white space of the markup left out, every cell,
// list item and heading a paragraph of its own.
#include "documents.h"
#include "exchange/docxreader.h"
#include "exchange/odtreader.h"
#include "exchange/paragraphs.h"

#include <QTemporaryDir>
#include <QtTest>

class TestWordText : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(m_dir.isValid()); }
    void wordSymbols_data();
    void wordSymbols();
    void odtSymbols_data();
    void odtSymbols();
    void runOn_data();
    void runOn();
    void wordShown_data();
    void wordShown();
    void odtWhiteSpace_data();
    void odtWhiteSpace();
    void paragraphEnds_data();
    void paragraphEnds();
    void ownParagraphs_data();
    void ownParagraphs();

private:
    // The paragraphs of a Word body, or of an OpenDocument text (with its
    // styles) when `odt`.
    QStringList read(bool odt, const QByteArray &xml, const QByteArray &styles = QByteArray())
    {
        const QString path = m_dir.filePath(QStringLiteral("doc%1.%2").arg(++m_files).arg(
            odt ? QStringLiteral("odt") : QStringLiteral("docx")));
        exchange::Document doc;
        if (odt) {
            documents::writeOdt(path, xml, styles);
            doc = exchange::OdtReader().read(path);
        } else {
            documents::writeDocx(path, xml);
            doc = exchange::DocxReader().read(path);
        }
        if (!doc.ok())
            qWarning("%s", qPrintable(doc.error));
        return doc.paragraphs;
    }
    QTemporaryDir m_dir;
    int m_files = 0;
};

namespace {

QByteArray wordParagraph(const QByteArray &runs)
{
    return "<w:p>" + runs + "</w:p>";
}

QByteArray wordRun(const QByteArray &text, const QByteArray &properties = QByteArray())
{
    return "<w:r>" + (properties.isEmpty() ? QByteArray() : "<w:rPr>" + properties + "</w:rPr>")
           + "<w:t xml:space=\"preserve\">" + text + "</w:t></w:r>";
}

QByteArray wordSym(const QByteArray &font, const QByteArray &code)
{
    return "<w:r><w:sym w:font=\"" + font + "\" w:char=\"" + code + "\"/></w:r>";
}

const QByteArray kSymbolRun = "<w:rFonts w:ascii=\"Symbol\" w:hAnsi=\"Symbol\"/>";

const QByteArray kOdtStyles =
    "<office:font-face-decls><style:font-face style:name=\"Symbol\" "
    "svg:font-family=\"Symbol\" style:font-charset=\"x-symbol\"/><style:font-face "
    "style:name=\"Liberation Serif\" svg:font-family=\"'Liberation Serif'\"/>"
    "</office:font-face-decls><office:automatic-styles>"
    "<style:style style:name=\"T1\" style:family=\"text\"><style:text-properties "
    "style:font-name=\"Symbol\"/></style:style>"
    "<style:style style:name=\"T2\" style:family=\"text\"><style:text-properties "
    "style:font-name=\"Liberation Serif\"/></style:style>"
    "<style:style style:name=\"T3\" style:family=\"text\"><style:text-properties "
    "fo:font-family=\"Wingdings\"/></style:style>"
    "<style:style style:name=\"T4\" style:family=\"text\"><style:text-properties "
    "fo:font-weight=\"bold\"/></style:style>"
    "<style:style style:name=\"P1\" style:family=\"paragraph\"><style:text-properties "
    "style:font-name=\"Symbol\"/></style:style>"
    "<style:style style:name=\"P2\" style:family=\"paragraph\"><style:paragraph-properties>"
    "<style:drop-cap style:lines=\"3\" style:length=\"1\"/></style:paragraph-properties>"
    "</style:style></office:automatic-styles>";

} // namespace

// Word's symbols (w:sym) and runs in a symbol font, in their signs.
void TestWordText::wordSymbols_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QString>("expected");

    QTest::newRow("Symbol sign in the private-use area")
        << wordParagraph(wordRun("angle ") + wordSym("Symbol", "F061"))
        << QStringLiteral("angle α");
    QTest::newRow("Symbol signs, also by their own codes")
        << wordParagraph(wordSym("Symbol", "F022") + wordSym("Symbol", "F024")
                         + wordSym("Symbol", "CE") + wordSym("Symbol", "44"))
        << QStringLiteral("∀∃∈Δ");
    QTest::newRow("run in Symbol")
        << wordParagraph(wordRun("Soit ") + wordRun("a b gp", kSymbolRun) + wordRun("."))
        << QStringLiteral("Soit α β γπ.");
    QTest::newRow("run in Symbol, private-use codes")
        << wordParagraph(wordRun("x \xEF\x82\xB3 0 \xEF\x82\xB1 \xEF\x82\xA5", kSymbolRun))
        << QStringLiteral("ξ ≥ 0 ± ∞");
    QTest::newRow("Symbol for ASCII only")
        << wordParagraph(wordRun("W\xC3\xA9", "<w:rFonts w:ascii=\"Symbol\"/>"))
        << QStringLiteral("Ωé");
    QTest::newRow("font of a former revision not applied")
        << wordParagraph(wordRun("a", "<w:rPrChange w:id=\"1\" w:author=\"X\"><w:rPr>"
                                      + kSymbolRun + "</w:rPr></w:rPrChange>"))
        << QStringLiteral("a");
    QTest::newRow("Wingdings bullets and check marks")
        << wordParagraph(wordSym("Wingdings", "F0FC") + wordSym("Wingdings", "F0D8")
                         + wordSym("Wingdings", "F0A7") + wordSym("Wingdings", "F09F")
                         + wordRun("\xEF\x83\xBE", "<w:rFonts w:ascii=\"Wingdings\" "
                                                   "w:hAnsi=\"Wingdings\"/>"))
        << QStringLiteral("✔➢▪•☑");
    QTest::newRow("unknown sign kept")
        << wordParagraph(wordRun("a ") + wordSym("Wingdings", "F04A")
                         + wordSym("Webdings", "F034"))
        << (QStringLiteral("a ") + QChar(0xF04A) + QChar(0xF034));
}

void TestWordText::wordSymbols()
{
    QFETCH(QByteArray, body);
    QFETCH(QString, expected);
    QCOMPARE(read(false, body), QStringList{expected});
}

// OpenDocument text in a symbol font, set by the automatic style of a span
// or of a paragraph.
void TestWordText::odtSymbols_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QString>("expected");

    QTest::newRow("span in Symbol")
        << QByteArray("<text:p>Soit <text:span text:style-name=\"T1\">a</text:span> = 2"
                      "<text:span text:style-name=\"T1\">\xEF\x81\xB0</text:span>.</text:p>")
        << QStringLiteral("Soit α = 2π.");
    QTest::newRow("span in Wingdings by its family")
        << QByteArray("<text:p><text:span text:style-name=\"T3\">\xC3\xBC</text:span> fait"
                      "</text:p>")
        << QStringLiteral("✔ fait");
    QTest::newRow("paragraph in Symbol, span in another font")
        << QByteArray("<text:p text:style-name=\"P1\">ab<text:span text:style-name=\"T2\">ab"
                      "</text:span><text:span text:style-name=\"T4\">g</text:span></text:p>")
        << QStringLiteral("αβabγ");
}

void TestWordText::odtSymbols()
{
    QFETCH(QByteArray, text);
    QFETCH(QString, expected);
    QCOMPARE(read(true, text, kOdtStyles), QStringList{expected});
}

// A paragraph whose mark is not shown runs on into the next: a drop cap,
// a hidden or deleted paragraph mark.
void TestWordText::runOn_data()
{
    QTest::addColumn<bool>("odt");
    QTest::addColumn<QByteArray>("xml");
    QTest::addColumn<QStringList>("expected");

    const QByteArray rest = wordParagraph(wordRun("rop cap.")) + wordParagraph(wordRun("Fin."));
    const auto dropCap = [](const QByteArray &kind) {
        return "<w:p><w:pPr><w:framePr w:dropCap=\"" + kind + "\" w:lines=\"3\" w:wrap=\"around\" "
               "w:vAnchor=\"text\" w:hAnchor=\"text\"/></w:pPr>" + wordRun("D") + "</w:p>";
    };
    const QStringList joined{QStringLiteral("Drop cap."), QStringLiteral("Fin.")};
    QTest::newRow("drop cap") << false << dropCap("drop") + rest << joined;
    QTest::newRow("drop cap in the margin") << false << dropCap("margin") + rest << joined;
    QTest::newRow("frame without drop cap")
        << false << dropCap("none") + rest
        << QStringList{QStringLiteral("D"), QStringLiteral("rop cap."), QStringLiteral("Fin.")};
    QTest::newRow("drop cap of a former revision")
        << false
        << "<w:p><w:pPr><w:pPrChange w:id=\"1\" w:author=\"X\"><w:pPr><w:framePr "
           "w:dropCap=\"drop\"/></w:pPr></w:pPrChange></w:pPr>" + wordRun("D") + "</w:p>" + rest
        << QStringList{QStringLiteral("D"), QStringLiteral("rop cap."), QStringLiteral("Fin.")};
    QTest::newRow("drop cap before a table")
        << false
        << dropCap("drop") + "<w:tbl><w:tr><w:tc>" + wordParagraph(wordRun("A1"))
               + "</w:tc></w:tr></w:tbl>"
        << QStringList{QStringLiteral("D"), QStringLiteral("A1")};
    QTest::newRow("hidden paragraph mark")
        << false
        << "<w:p><w:pPr><w:rPr><w:vanish/><w:specVanish/></w:rPr></w:pPr>" + wordRun("Titre.")
               + "</w:p>" + wordParagraph(wordRun(" Texte."))
        << QStringList{QStringLiteral("Titre. Texte.")};
    QTest::newRow("deleted paragraph mark")
        << false
        << "<w:p><w:pPr><w:rPr><w:del w:id=\"1\" w:author=\"X\"/></w:rPr></w:pPr>"
               + wordRun("Une phrase ") + "</w:p>" + wordParagraph(wordRun("coupée."))
        << QStringList{QStringLiteral("Une phrase coupée.")};
    QTest::newRow("hidden mark at the end of a cell")
        << false
        << "<w:tbl><w:tr><w:tc><w:p><w:pPr><w:rPr><w:vanish/></w:rPr></w:pPr>" + wordRun("A1")
               + "</w:p></w:tc><w:tc>" + wordParagraph(wordRun("B1")) + "</w:tc></w:tr></w:tbl>"
        << QStringList{QStringLiteral("A1"), QStringLiteral("B1")};
    // OpenDocument's drop cap is a property of the paragraph's style: the
    // text stays whole.
    QTest::newRow("odt drop cap") << true
                                  << QByteArray("<text:p text:style-name=\"P2\">Drop cap.</text:p>"
                                                "<text:p>Fin.</text:p>")
                                  << joined;
}

void TestWordText::runOn()
{
    QFETCH(bool, odt);
    QFETCH(QByteArray, xml);
    QFETCH(QStringList, expected);
    QCOMPARE(read(odt, xml, kOdtStyles), expected);
}

// Word's text as shown: hidden runs and deletions left out, the special
// characters, the white space of the markup between elements.
void TestWordText::wordShown_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QString>("expected");

    QTest::newRow("hidden run")
        << wordParagraph(wordRun("Vu") + wordRun(" caché", "<w:b/><w:vanish/>") + wordRun("."))
        << QStringLiteral("Vu.");
    QTest::newRow("specVanish on a run is no hiding")
        << wordParagraph(wordRun("Vu") + wordRun(" aussi", "<w:specVanish/>"))
        << QStringLiteral("Vu aussi");
    QTest::newRow("deleted revision")
        << wordParagraph(wordRun("Le ") + "<w:del w:id=\"1\" w:author=\"X\"><w:r><w:delText>"
                                          "vieux </w:delText></w:r></w:del>" + wordRun("texte"))
        << QStringLiteral("Le texte");
    QTest::newRow("tabs, break, carriage return")
        << wordParagraph("<w:r><w:t>a</w:t><w:tab/><w:t>b</w:t><w:br/><w:t>c</w:t><w:cr/>"
                         "<w:t>d</w:t><w:ptab w:relativeTo=\"margin\" w:alignment=\"right\" "
                         "w:leader=\"none\"/><w:t>e</w:t></w:r>")
        << QStringLiteral("a b c d e");
    QTest::newRow("hyphens")
        << wordParagraph("<w:r><w:t>anti</w:t><w:softHyphen/><w:t>constitutionnel</w:t>"
                         "<w:noBreakHyphen/><w:t>ment</w:t></w:r>")
        << QStringLiteral("anticonstitutionnel-ment");
    QTest::newRow("spaces of w:t kept inside")
        << wordParagraph(wordRun("a  b ") + wordRun(" c"))
        << QStringLiteral("a  b  c");
    QTest::newRow("indented markup")
        << QByteArray("\n  <w:p>\n    <w:pPr>\n      <w:jc w:val=\"both\"/>\n    </w:pPr>\n"
                      "    <w:r>\n      <w:rPr>\n        <w:i/>\n      </w:rPr>\n      "
                      "<w:t>Un</w:t>\n    </w:r>\n    <w:r>\n      <w:t xml:space=\"preserve\"> "
                      "deux</w:t>\n    </w:r>\n  </w:p>\n")
        << QStringLiteral("Un deux");
}

void TestWordText::wordShown()
{
    QFETCH(QByteArray, body);
    QFETCH(QString, expected);
    QCOMPARE(read(false, body), QStringList{expected});
}

// OpenDocument's white space: runs collapse to one space, a paragraph's
// leading space goes, text:s gives its count; indented markup gives the
// paragraphs of compact markup.
void TestWordText::odtWhiteSpace_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("runs collapse") << QByteArray("<text:p>\n\t  Un \n\t deux\r\n</text:p>")
                                   << QStringList{QStringLiteral("Un deux")};
    QTest::newRow("text:s, tab, line break")
        << QByteArray("<text:p>a<text:s text:c=\"3\"/>b<text:s/>c<text:tab/>d<text:line-break/>e"
                      "</text:p>")
        << QStringList{QStringLiteral("a   b c d e")};
    QTest::newRow("frame inside a paragraph")
        << QByteArray("<text:p>Avant<draw:frame>\n  <draw:text-box>\n    <text:p>Dedans</text:p>"
                      "\n  </draw:text-box>\n</draw:frame>après</text:p>")
        << QStringList{QStringLiteral("Dedans"), QStringLiteral("Avantaprès")};
    const QStringList structure{QStringLiteral("Titre"), QStringLiteral("Un"),
                                QStringLiteral("Deux"), QStringLiteral("A1"),
                                QStringLiteral("B1")};
    QTest::newRow("compact")
        << QByteArray("<text:h text:outline-level=\"1\">Titre</text:h><text:list><text:list-item>"
                      "<text:p>Un</text:p></text:list-item><text:list-item><text:p>Deux</text:p>"
                      "</text:list-item></text:list><table:table><table:table-row>"
                      "<table:table-cell><text:p>A1</text:p></table:table-cell><table:table-cell>"
                      "<text:p>B1</text:p></table:table-cell></table:table-row></table:table>")
        << structure;
    QTest::newRow("indented")
        << QByteArray("\n  <text:h text:outline-level=\"1\">Titre</text:h>\n  <text:list>\n    "
                      "<text:list-item>\n      <text:p>Un</text:p>\n    </text:list-item>\n    "
                      "<text:list-item>\n      <text:p>\n        Deux\n      </text:p>\n    "
                      "</text:list-item>\n  </text:list>\n  <table:table>\n    <table:table-row>"
                      "\n      <table:table-cell>\n        <text:p>A1</text:p>\n      "
                      "</table:table-cell>\n      <table:table-cell>\n        <text:p>B1</text:p>"
                      "\n      </table:table-cell>\n    </table:table-row>\n  </table:table>\n")
        << structure;
}

void TestWordText::odtWhiteSpace()
{
    QFETCH(QByteArray, text);
    QFETCH(QStringList, expected);
    QCOMPARE(read(true, text), expected);
}

// A paragraph's ends are trimmed of every white space; its inside is kept.
void TestWordText::paragraphEnds_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("no-break spaces")
        << QStringLiteral("\u00A0 Texte\u00A0\u202F") << QStringList{QStringLiteral("Texte")};
    QTest::newRow("typographic spaces")
        << QStringLiteral("\u2000\u2003\u2009Texte\u200A\u3000") << QStringList{QStringLiteral("Texte")};
    QTest::newRow("zero-width spaces and joiners")
        << QStringLiteral("\u200B\u200DTexte\u200C\u2060") << QStringList{QStringLiteral("Texte")};
    QTest::newRow("inside kept")
        << QStringLiteral(" a\u00A0b\u200Bc\u3000d ") << QStringList{QStringLiteral("a\u00A0b\u200Bc\u3000d")};
    QTest::newRow("only white space") << QStringLiteral("\u00A0\u2003\u200B") << QStringList{};
}

void TestWordText::paragraphEnds()
{
    QFETCH(QString, text);
    QFETCH(QStringList, expected);
    QStringList out;
    exchange::addParagraph(out, text);
    QCOMPARE(out, expected);
}

// Every table cell, list item and heading is a paragraph of its own, without
// its number.
void TestWordText::ownParagraphs_data()
{
    QTest::addColumn<bool>("odt");
    QTest::addColumn<QByteArray>("xml");
    QTest::addColumn<QStringList>("expected");

    const QStringList cells{QStringLiteral("Titre"), QStringLiteral("A1"),
                            QStringLiteral("suite"), QStringLiteral("B1"),
                            QStringLiteral("point"), QStringLiteral("sous-point")};
    QTest::newRow("docx")
        << false
        << "<w:p><w:pPr><w:pStyle w:val=\"Heading1\"/></w:pPr>" + wordRun("Titre") + "</w:p>"
               "<w:tbl><w:tr><w:tc>" + wordParagraph(wordRun("A1")) + wordParagraph(wordRun("suite"))
               + "</w:tc><w:tc>" + wordParagraph(wordRun("B1")) + "</w:tc></w:tr></w:tbl>"
               "<w:p><w:pPr><w:numPr><w:ilvl w:val=\"0\"/><w:numId w:val=\"1\"/></w:numPr></w:pPr>"
               + wordRun("point") + "</w:p><w:p><w:pPr><w:numPr><w:ilvl w:val=\"1\"/><w:numId "
               "w:val=\"1\"/></w:numPr></w:pPr>" + wordRun("sous-point") + "</w:p>"
        << cells;
    QTest::newRow("odt")
        << true
        << QByteArray("<text:h text:outline-level=\"1\"><text:number>1.</text:number>Titre"
                      "</text:h><table:table>"
                      "<table:table-header-rows><table:table-row><table:table-cell><text:p>A1"
                      "</text:p><text:p>suite</text:p></table:table-cell><table:table-cell>"
                      "<text:p>B1</text:p></table:table-cell></table:table-row>"
                      "</table:table-header-rows></table:table><text:list><text:list-item><text:p>"
                      "<text:number>a)</text:number>point</text:p><text:list><text:list-item><text:p>sous-point</text:p>"
                      "</text:list-item></text:list></text:list-item></text:list>")
        << cells;
}

void TestWordText::ownParagraphs()
{
    QFETCH(bool, odt);
    QFETCH(QByteArray, xml);
    QFETCH(QStringList, expected);
    QCOMPARE(read(odt, xml), expected);
}

QTEST_GUILESS_MAIN(TestWordText)
#include "test_wordtext.moc"
