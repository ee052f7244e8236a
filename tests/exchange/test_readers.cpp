// The document readers: paragraphs out of small documents written here, in
// every format, and the refusals by content. Built twice: on a
// QApplication, and on a plain QCoreApplication (TELMIRA_READERS_HEADLESS),
// as the command line runs them, where the PDF cases, which need a display
// to be written, are left out.
#include "documents.h"
#include "exchange/documentreader.h"
#include "exchange/pdfreader.h"
#include "exchange/paragraphs.h"
#include "exchange/xmlscanner.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using exchange::Format;

class TestReaders : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void paragraphs_data();
    void paragraphs();
    void refused_data();
    void refused();
    void pdfLines_data();
    void pdfLines();
    void xmlScanner_data();
    void xmlScanner();
    void markup_data();
    void markup();
    void nesting_data();
    void nesting();
    void stopped_data();
    void stopped();

private:
    static bool withDisplay() { return QCoreApplication::instance()->inherits("QGuiApplication"); }
    QString file(const QString &name) const { return m_dir.filePath(name); }
    void write(const QString &name, const QByteArray &bytes)
    {
        QFile f(file(name));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    QTemporaryDir m_dir;
};

void TestReaders::initTestCase()
{
    QVERIFY(m_dir.isValid());
    // Word: a heading, a paragraph in three runs of different formatting, a
    // list, a table, a field (its instruction left out, its result kept),
    // tracked changes, a text box given twice (modern and fallback), a
    // footnote and a manual line break.
    const QByteArray body =
        "<w:p><w:pPr><w:pStyle w:val=\"Titre1\"/></w:pPr><w:r><w:t>Chapitre premier : "
        "l'été</w:t></w:r></w:p>"
        "<w:p><w:r><w:t xml:space=\"preserve\">Un </w:t></w:r><w:r><w:rPr><w:b/></w:rPr>"
        "<w:t>entretien</w:t></w:r><w:r><w:rPr><w:i/></w:rPr><w:t xml:space=\"preserve\"> "
        "réussi.</w:t></w:r><w:r><w:footnoteReference w:id=\"1\"/></w:r><w:r><w:t "
        "xml:space=\"preserve\"> Fin</w:t></w:r><w:r><w:br/><w:t>ici.</w:t></w:r></w:p>"
        "<w:p><w:pPr><w:numPr><w:ilvl w:val=\"0\"/><w:numId w:val=\"1\"/></w:numPr></w:pPr>"
        "<w:r><w:t>Premier point</w:t></w:r></w:p>"
        "<w:p><w:pPr><w:numPr><w:ilvl w:val=\"0\"/><w:numId w:val=\"1\"/></w:numPr></w:pPr>"
        "<w:r><w:t>Second point</w:t></w:r></w:p>"
        "<w:tbl><w:tblPr/><w:tr><w:tc><w:p><w:r><w:t>A1</w:t></w:r></w:p></w:tc><w:tc><w:p>"
        "<w:r><w:t>B1</w:t></w:r></w:p></w:tc></w:tr><w:tr><w:tc><w:p><w:r><w:t>A2</w:t></w:r>"
        "</w:p></w:tc><w:tc><w:p><w:r><w:t>B2</w:t></w:r></w:p></w:tc></w:tr></w:tbl>"
        "<w:p><w:r><w:t xml:space=\"preserve\">Page </w:t></w:r><w:r><w:fldChar "
        "w:fldCharType=\"begin\"/></w:r><w:r><w:instrText> PAGE \\* MERGEFORMAT "
        "</w:instrText></w:r><w:r><w:fldChar w:fldCharType=\"separate\"/></w:r><w:r><w:t>3</w:t>"
        "</w:r><w:r><w:fldChar w:fldCharType=\"end\"/></w:r></w:p>"
        "<w:p><w:r><w:t xml:space=\"preserve\">Le texte </w:t></w:r><w:del w:id=\"7\" "
        "w:author=\"X\"><w:r><w:delText>effacé </w:delText></w:r></w:del><w:ins w:id=\"8\" "
        "w:author=\"X\"><w:r><w:t xml:space=\"preserve\">ajouté </w:t></w:r></w:ins><w:r>"
        "<w:t>reste.</w:t></w:r></w:p>"
        "<w:p><w:r><mc:AlternateContent><mc:Choice Requires=\"wps\"><w:drawing><w:txbxContent>"
        "<w:p><w:r><w:t>Encadré</w:t></w:r></w:p></w:txbxContent></w:drawing></mc:Choice>"
        "<mc:Fallback><w:pict><w:txbxContent><w:p><w:r><w:t>Encadré</w:t></w:r></w:p>"
        "</w:txbxContent></w:pict></mc:Fallback></mc:AlternateContent></w:r></w:p>"
        "<w:p/>";
    const QByteArray footnotes =
        "<w:footnote w:id=\"1\"><w:p><w:r><w:footnoteRef/></w:r><w:r><w:t xml:space=\"preserve\">"
        " Note de bas de page, accentuée.</w:t></w:r></w:p></w:footnote>";
    documents::writeDocx(file(QStringLiteral("entretien.docx")), body, footnotes);
    // By content, not by name: a Word document named .txt.
    documents::writeDocx(file(QStringLiteral("renomme.txt")),
                         "<w:p><w:r><w:t>Je suis un document Word.</w:t></w:r></w:p>");

    documents::writeOdt(
        file(QStringLiteral("notes.odt")),
        "<text:tracked-changes><text:changed-region text:id=\"c1\"><text:deletion><text:p>"
        "supprimé</text:p></text:deletion></text:changed-region></text:tracked-changes>"
        "<text:h text:outline-level=\"1\">Chapitre premier : l'été</text:h>"
        "<text:p>Un <text:span text:style-name=\"T1\">entretien</text:span>\n   "
        "<text:span text:style-name=\"T2\">réussi.</text:span><text:note text:id=\"n1\" "
        "text:note-class=\"footnote\"><text:note-citation>1</text:note-citation><text:note-body>"
        "<text:p>Note de bas de page, accentuée.</text:p></text:note-body></text:note> Deux"
        "<text:s text:c=\"2\"/>espaces<text:tab/>et<text:line-break/>fin.<text:change-start "
        "text:change-id=\"c1\"/><text:change-end text:change-id=\"c1\"/></text:p>"
        "<text:list><text:list-item><text:p>Premier point</text:p></text:list-item>"
        "<text:list-item><text:p>Second point</text:p></text:list-item></text:list>"
        "<table:table><table:table-row><table:table-cell><text:p>A1</text:p></table:table-cell>"
        "<table:table-cell><text:p>B1</text:p></table:table-cell></table:table-row>"
        "<table:table-row><table:table-cell><text:p>A2</text:p></table:table-cell>"
        "<table:table-cell><text:p>B2</text:p></table:table-cell></table:table-row>"
        "</table:table><text:p/>");

    write(QStringLiteral("page.html"),
          "<!DOCTYPE html><html><head><meta charset=\"windows-1252\"><title>Titre de "
          "l'onglet</title><style>p{color:red}</style></head><body><h1>Chapitre premier : "
          "l'\xE9t\xE9</h1><p>Un <b>entretien</b> <i>r\xE9ussi.</i></p><ul><li>Premier "
          "point</li><li>Second point</li></ul><table><tr><td>A1</td><td>B1</td></tr><tr><td>A2"
          "</td><td>B2</td></tr></table><script>var x = 1;</script></body></html>");
    // An HTML page without a name that says so, in UTF-8.
    write(QStringLiteral("sans_extension"),
          "  <html><body><p>Page \xC3\xA0 deviner.</p></body></html>");
    write(QStringLiteral("notes.md"),
          "# Chapitre premier : l'\xC3\xA9t\xC3\xA9\n\nUn **entretien**\n*r\xC3\xA9ussi.*\n\n"
          "- Premier point\n- Second point\n\n| A1 | B1 |\n|----|----|\n| A2 | B2 |\n");
    write(QStringLiteral("ancien.txt"), "Premi\xE8re ligne \x80 5.\r\n\r\n  Seconde ligne.\r\n");
    write(QStringLiteral("utf16.txt"), QByteArray("\xFF\xFE", 2)
                                           + QByteArray::fromRawData(
                                               reinterpret_cast<const char *>(u"Été\r\nHiver"),
                                               2 * 10));

    if (withDisplay())
        documents::writePdf(file(QStringLiteral("article.pdf")),
                        {{100, QStringLiteral("Premier paragraphe qui passe à la ligne et "
                                              "qui coupe un exem-")},
                         {115, QStringLiteral("plaire au bout de la ligne, puis")},
                         {130, QStringLiteral("s'achève ici.")},
                         {170, QStringLiteral("Second paragraphe.")},
                         {-1, QString()},
                         {100, QStringLiteral("Page deux.")}});
}

void TestReaders::paragraphs_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("format");
    QTest::addColumn<QStringList>("expected");

    const QString title = QStringLiteral("Chapitre premier : l'été");
    const QStringList list{QStringLiteral("Premier point"), QStringLiteral("Second point")};
    const QStringList table{QStringLiteral("A1"), QStringLiteral("B1"), QStringLiteral("A2"),
                            QStringLiteral("B2")};
    const QString note = QStringLiteral("Note de bas de page, accentuée.");

    QTest::newRow("docx") << QStringLiteral("entretien.docx") << int(Format::Docx)
                          << (QStringList{title, QStringLiteral("Un entretien réussi. Fin ici.")}
                              + list + table
                              + QStringList{QStringLiteral("Page 3"),
                                            QStringLiteral("Le texte ajouté reste."),
                                            QStringLiteral("Encadré"), note});
    QTest::newRow("docx named .txt")
        << QStringLiteral("renomme.txt") << int(Format::Docx)
        << QStringList{QStringLiteral("Je suis un document Word.")};
    QTest::newRow("odt") << QStringLiteral("notes.odt") << int(Format::Odt)
                         << (QStringList{title,
                                         QStringLiteral("Un entretien réussi. Deux  espaces et fin.")}
                             + list + table + QStringList{note});
    QTest::newRow("html, windows-1252")
        << QStringLiteral("page.html") << int(Format::Html)
        << (QStringList{title, QStringLiteral("Un entretien réussi.")} + list + table);
    QTest::newRow("html by content") << QStringLiteral("sans_extension") << int(Format::Html)
                                     << QStringList{QStringLiteral("Page à deviner.")};
    QTest::newRow("markdown") << QStringLiteral("notes.md") << int(Format::Markdown)
                              << (QStringList{title, QStringLiteral("Un entretien réussi.")} + list
                                  + table);
    QTest::newRow("txt, windows-1252")
        << QStringLiteral("ancien.txt") << int(Format::Text)
        << QStringList{QStringLiteral("Première ligne € 5."), QStringLiteral("Seconde ligne.")};
    QTest::newRow("txt, utf-16") << QStringLiteral("utf16.txt") << int(Format::Text)
                                 << QStringList{QStringLiteral("Été"), QStringLiteral("Hiver")};
    if (withDisplay())
        QTest::newRow("pdf") << QStringLiteral("article.pdf") << int(Format::Pdf)
                         << QStringList{QStringLiteral("Premier paragraphe qui passe à la ligne "
                                                       "et qui coupe un exemplaire au bout de la "
                                                       "ligne, puis s'achève ici."),
                                        QStringLiteral("Second paragraphe."),
                                        QStringLiteral("Page deux.")};
}

void TestReaders::paragraphs()
{
    QFETCH(QString, name);
    QFETCH(int, format);
    QFETCH(QStringList, expected);
    const exchange::Detection detection = exchange::detect(file(name));
    QCOMPARE(detection.error, QString());
    QCOMPARE(int(detection.format), format);
    const exchange::Document doc = exchange::readDocument(file(name));
    QCOMPARE(doc.error, QString());
    QCOMPARE(doc.paragraphs, expected);
    QCOMPARE(exchange::plainText(doc.paragraphs), expected.join(QStringLiteral("\r\n")).toUtf8());
}

void TestReaders::refused_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("cause");

    write(QStringLiteral("faux.docx"), "Ceci n'est pas un document Word.");
    QTest::newRow("docx that is no ZIP")
        << QStringLiteral("faux.docx")
        << QStringLiteral("document Word endommagé : ce n'est pas une archive ZIP");

    QFile::copy(file(QStringLiteral("entretien.docx")), file(QStringLiteral("coupe.docx")));
    QFile cut(file(QStringLiteral("coupe.docx")));
    QVERIFY(cut.resize(cut.size() / 2));
    QTest::newRow("docx cut in half")
        << QStringLiteral("coupe.docx") << QStringLiteral("document Word endommagé : ");

    documents::writeDocx(file(QStringLiteral("casse.docx")), "<w:p><w:r><w:t>Non fermé</w:r>");
    QTest::newRow("docx with broken XML")
        << QStringLiteral("casse.docx")
        << QStringLiteral("document Word endommagé : la partie « word/document.xml » n'est pas "
                          "du XML valide");

    documents::writeZip(file(QStringLiteral("archive.odt")),
                        {{QStringLiteral("lisez-moi.txt"), QByteArray("rien")}});
    QTest::newRow("zip that is no odt")
        << QStringLiteral("archive.odt") << QStringLiteral("document endommagé : ");

    if (withDisplay()) {
        documents::writeScannedPdf(file(QStringLiteral("scan.pdf")));
        QTest::newRow("pdf without text")
            << QStringLiteral("scan.pdf")
            << QStringLiteral("ce PDF ne contient pas de texte (document numérisé ?)");
    }

    // Documents that give no text at all are refused, not taken in empty.
    write(QStringLiteral("vide.html"), "<html><head><title>Titre</title></head><body><p> </p>"
                                       "<img src=\"a.png\"></body></html>");
    QTest::newRow("html without text")
        << QStringLiteral("vide.html") << QStringLiteral("aucun texte dans ce document");
    write(QStringLiteral("vide.md"), "<!-- rien -->\n\n---\n");
    QTest::newRow("markdown without text")
        << QStringLiteral("vide.md") << QStringLiteral("aucun texte dans ce document");
    documents::writeDocx(file(QStringLiteral("vide.docx")), "<w:p/><w:p><w:r><w:t> </w:t></w:r></w:p>");
    QTest::newRow("docx without text")
        << QStringLiteral("vide.docx") << QStringLiteral("aucun texte dans ce document");

    write(QStringLiteral("faux.pdf"), "Pas un PDF");
    QTest::newRow("pdf without header") << QStringLiteral("faux.pdf")
                                        << QStringLiteral("PDF endommagé : ");

    write(QStringLiteral("image.png"), QByteArray("\x89PNG\r\n\x1A\n\0\0\0\rIHDR", 16));
    QTest::newRow("other format") << QStringLiteral("image.png")
                                  << QStringLiteral("format non pris en charge : ");
    write(QStringLiteral("vieux.doc"), QByteArray("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1\0\0", 10));
    QTest::newRow("old Word") << QStringLiteral("vieux.doc")
                              << QStringLiteral("ancien format Word (.doc) non pris en charge");
    QVERIFY(QFile::copy(qEnvironmentVariable("TELMIRA_TEMPLATE", QStringLiteral("telmira")),
                        file(QStringLiteral("analyse.mdb"))));
    QTest::newRow("an analysis database")
        << QStringLiteral("analyse.mdb") << QStringLiteral("c'est une base de données");
    QTest::newRow("missing") << QStringLiteral("absent.docx")
                             << QStringLiteral("fichier introuvable");
}

void TestReaders::refused()
{
    QFETCH(QString, name);
    QFETCH(QString, cause);
    const exchange::Document doc = exchange::readDocument(file(name));
    QVERIFY2(doc.error.startsWith(cause), qPrintable(doc.error));
    QVERIFY(doc.paragraphs.isEmpty());
}

// Paragraphs rebuilt from the lines of a page (tops and bottoms in points).
void TestReaders::pdfLines_data()
{
    QTest::addColumn<QStringList>("texts");
    QTest::addColumn<QList<double>>("tops");
    QTest::addColumn<QList<double>>("heights");
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("lines of one paragraph")
        << QStringList{QStringLiteral("Un"), QStringLiteral("deux")} << QList<double>{100, 112}
        << QList<double>{10, 10} << QStringList{QStringLiteral("Un deux")};
    QTest::newRow("gap of more than half a line")
        << QStringList{QStringLiteral("Un"), QStringLiteral("deux")} << QList<double>{100, 116}
        << QList<double>{10, 10} << QStringList{QStringLiteral("Un"), QStringLiteral("deux")};
    QTest::newRow("heading larger")
        << QStringList{QStringLiteral("Titre"), QStringLiteral("texte")}
        << QList<double>{100, 118} << QList<double>{16, 10}
        << QStringList{QStringLiteral("Titre"), QStringLiteral("texte")};
    QTest::newRow("next column goes up")
        << QStringList{QStringLiteral("bas"), QStringLiteral("haut")} << QList<double>{700, 100}
        << QList<double>{10, 10} << QStringList{QStringLiteral("bas"), QStringLiteral("haut")};
    QTest::newRow("hyphen before a capital stays")
        << QStringList{QStringLiteral("Jean-"), QStringLiteral("Pierre")}
        << QList<double>{100, 112} << QList<double>{10, 10}
        << QStringList{QStringLiteral("Jean- Pierre")};
}

void TestReaders::pdfLines()
{
    QFETCH(QStringList, texts);
    QFETCH(QList<double>, tops);
    QFETCH(QList<double>, heights);
    QFETCH(QStringList, expected);
    std::vector<exchange::PdfReader::Line> lines;
    for (int i = 0; i < texts.size(); ++i)
        lines.push_back({texts.at(i), tops.at(i), tops.at(i) + heights.at(i)});
    QCOMPARE(exchange::PdfReader::paragraphsOf(lines), expected);
}

// The scanner of Word's parts: what it reads (start, text, end) or where it
// finds the XML broken.
void TestReaders::xmlScanner_data()
{
    QTest::addColumn<QByteArray>("xml");
    QTest::addColumn<QByteArray>("read");

    QTest::newRow("entities and references")
        << QByteArray("<?xml version=\"1.0\"?><a x=\"1 &amp; 2\">&lt;&#233;&#x20AC;&gt;&amp;"
                      "&quot;&apos;</a>")
        << QByteArray("<a x=1 & 2>\"<\xC3\xA9\xE2\x82\xAC>&\"'\"</a>");
    QTest::newRow("comments, CDATA, self-closing")
        << QByteArray("<!-- d\xC3\xA9" "but --><a><b/><![CDATA[<b>&amp;]]><!-- x --></a>")
        << QByteArray("<a x=><b x=></b>\"<b>&amp;\"</a>");
    QTest::newRow("crossed elements") << QByteArray("<a><b></a></b>")
                                      << QByteArray("<a x=><b x=>invalid at line 1");
    QTest::newRow("cut short") << QByteArray("<a>\n<b>texte")
                               << QByteArray("<a x=>\"\n\"<b x=>\"texte\"invalid at line 2");
    QTest::newRow("two roots") << QByteArray("<a/><b/>") << QByteArray("<a x=></a>invalid at line 1");
}

void TestReaders::xmlScanner()
{
    QFETCH(QByteArray, xml);
    QFETCH(QByteArray, read);
    exchange::XmlScanner r(xml);
    QByteArray seen;
    for (;;) {
        const exchange::XmlScanner::Token t = r.next();
        if (t == exchange::XmlScanner::StartElement)
            seen += "<" + r.localName().toByteArray() + " x=" + r.attribute("x") + ">";
        else if (t == exchange::XmlScanner::EndElement)
            seen += "</" + r.localName().toByteArray() + ">";
        else if (t == exchange::XmlScanner::Characters) {
            seen += '"';
            r.appendText(seen);
            seen += '"';
        } else {
            if (t == exchange::XmlScanner::Invalid)
                seen += "invalid at line " + QByteArray::number(r.errorLine());
            break;
        }
    }
    QCOMPARE(seen, read);
}

// HTML and Markdown read into paragraphs: the inline markup of code (which
// needs no font), references, white space, the end tags a page may leave out.
void TestReaders::markup_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("html code, tt, kbd, pre")
        << QStringLiteral("code.html")
        << QByteArray("<html><body><p><code>code</code> ici.</p><p><tt>tt</tt> et <kbd>Ctrl"
                      "</kbd></p><pre>\nune ligne\n  deux  espaces\n\nfin</pre></body></html>")
        << QStringList{QStringLiteral("code ici."), QStringLiteral("tt et Ctrl"),
                       QStringLiteral("une ligne"), QStringLiteral("deux  espaces"),
                       QStringLiteral("fin")};
    // What PDFs and Word give for ligatures and symbol-font bullets: the
    // letters and the bullet the reader saw.
    QTest::newRow("ligatures and private-use bullets")
        << QStringLiteral("ligatures.html")
        << QByteArray("<p>\xEF\xAC\x81" "chier \xEF\xAC\x82" "eur e\xEF\xAC\x80" "et e"
                      "\xEF\xAC\x83" "cace ra\xEF\xAC\x84" "e \xEF\xAC\x86" "op "
                      "\xEF\x82\xB7 un \xEF\x82\xA7 deux</p>")
        << QStringList{QStringLiteral("fichier fleur effet efficace raffle stop • un • deux")};
    QTest::newRow("html references")
        << QStringLiteral("entites.html")
        << QByteArray("<p>a&nbsp;b &eacute;t&eacute; l&rsquo;&oelig;uvre&hellip; 5&euro; "
                      "&lt;&amp;&gt;&quot; &#233;&#xE9;&#X20ac; &#128; &eacute &bogus; AT&T "
                      "&#0;&#55357;</p>")
        << QStringList{QStringLiteral("a\u00A0b été l’œuvre… 5€ <&>\" éé€ € é &bogus; AT&T "
                                      "\uFFFD\uFFFD")};
    QTest::newRow("html white space and line breaks")
        << QStringLiteral("blancs.html")
        << QByteArray("<p>  Un \n\t<b> entretien </b>  <i>r\xC3\xA9ussi.</i>  </p>"
                      "<p>un<br>deux <br> trois<br/></p>")
        << QStringList{QStringLiteral("Un entretien réussi."), QStringLiteral("un deux trois")};
    QTest::newRow("html end tags left out")
        << QStringLiteral("ouvert.html")
        << QByteArray("<ul><li>un<li>deux</ul><p>trois<p>quatre<div>cinq</div>six<table><tr>"
                      "<td>A1<td>B1<tr><td>A2</table><section>sept</section><article>huit")
        << QStringList{QStringLiteral("un"),   QStringLiteral("deux"), QStringLiteral("trois"),
                       QStringLiteral("quatre"), QStringLiteral("cinq"), QStringLiteral("six"),
                       QStringLiteral("A1"),   QStringLiteral("B1"),   QStringLiteral("A2"),
                       QStringLiteral("sept"), QStringLiteral("huit")};
    QTest::newRow("html head, scripts, comments left out")
        << QStringLiteral("cache.html")
        << QByteArray("<!DOCTYPE html><html><head><title>Onglet</title><style>p{}</style>"
                      "</head><body><!-- <p>non</p> --><script>w(\"</p><p>non\")</script>"
                      "<p>vu</p><template><p>non</p></template></body></html>")
        << QStringList{QStringLiteral("vu")};
    QTest::newRow("html pre with CR LF, xmp, textarea")
        << QStringLiteral("pre.html")
        << QByteArray("<pre>\r\nun\r\ndeux <b>gras</b>\r\n</pre><xmp><b>brut</b></xmp>"
                      "<textarea>a &amp; b</textarea>")
        << QStringList{QStringLiteral("un"), QStringLiteral("deux gras"),
                       QStringLiteral("<b>brut</b>"), QStringLiteral("a & b")};
    QTest::newRow("html cut inside a tag")
        << QStringLiteral("coupe.html") << QByteArray("<p>avant</p><p class=\"x")
        << QStringList{QStringLiteral("avant")};
    QTest::newRow("markdown code")
        << QStringLiteral("code.md")
        << QByteArray("Un `code` ici.\n\n```\nbloc de code\n```\n\nEt <code>x</code> "
                      "<kbd>k</kbd> <tt>t</tt> fin.\n")
        << QStringList{QStringLiteral("Un code ici."), QStringLiteral("bloc de code"),
                       QStringLiteral("Et x k t fin.")};
    QTest::newRow("markdown inline marks")
        << QStringLiteral("marques.md")
        << QByteArray("**gras** _pench\xC3\xA9_ [lien](http://x.fr) a_b_c 5 * 3 \\*x\\* "
                      "**ouvert &eacute; ![image](i.png)\n")
        << QStringList{QStringLiteral("gras penché lien a_b_c 5 * 3 *x* **ouvert é")};
    QTest::newRow("markdown quotes and lists")
        << QStringLiteral("listes.md")
        << QByteArray("> cite\n> encore\n\n- a\n  suite\n- [x] faite\n\n1. un\n2. deux\n"
                      "ligne  \ncoupee\n")
        << QStringList{QStringLiteral("cite encore"), QStringLiteral("a suite"),
                       QStringLiteral("faite"), QStringLiteral("un"),
                       QStringLiteral("deux ligne"), QStringLiteral("coupee")};
    QTest::newRow("markdown headings and references")
        << QStringLiteral("renvois.md")
        << QByteArray("Titre\n=====\n\n## Second ##\n\nlien [ref][1] et [1], [inconnu]\n\n"
                      "[1]: http://x.fr\n\n---\n\n    code indent\xC3\xA9\n")
        << QStringList{QStringLiteral("Titre"), QStringLiteral("Second"),
                       QStringLiteral("lien ref et 1, [inconnu]"), QStringLiteral("code indenté")};
    // Inline HTML never cuts the text short (a line break is a space), and a
    // comment over several lines stays out of it.
    QTest::newRow("markdown inline br and spans")
        << QStringLiteral("br.md")
        << QByteArray("Ligne un.<br>Ligne deux.<BR/>x<sup>2</sup> <span>dans</span> le texte.\n\n"
                      "| A | B |\n|---|---|\n| un<br>deux | trois |\n\nFin.\n")
        << QStringList{QStringLiteral("Ligne un. Ligne deux. x2 dans le texte."),
                       QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("un deux"),
                       QStringLiteral("trois"), QStringLiteral("Fin.")};
    QTest::newRow("markdown comment over lines")
        << QStringLiteral("commentaire.md")
        << QByteArray("Avant.\n\n<!-- Commentaire\ncach\xC3\xA9. -->\n\nApr\xC3\xA8s.\n")
        << QStringList{QStringLiteral("Avant."), QStringLiteral("Après.")};
    QTest::newRow("markdown html block")
        << QStringLiteral("bloc.md") << QByteArray("<div>\nbloc <b>html</b>\n</div>\n\ntexte\n")
        << QStringList{QStringLiteral("bloc html"), QStringLiteral("texte")};
}

void TestReaders::markup()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, expected);
    write(name, bytes);
    const exchange::Document doc = exchange::readDocument(file(name));
    QCOMPARE(doc.error, QString());
    QCOMPARE(doc.paragraphs, expected);
}

// Nesting: up to 10,000 open elements (HTML) or containers (Markdown) is
// read, one more is refused with the depth named; pages that leave their end
// tags out do not count as nested.
void TestReaders::nesting_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("count");
    QTest::addColumn<QString>("cause");

    const QString refused = QStringLiteral(
        "le document imbrique ses éléments sur plus de 10\u202F000 niveaux : refusé");
    const auto divs = [](int depth) {
        return "<html><body>" + QByteArray("<div>").repeated(depth) + "texte"
               + QByteArray("</div>").repeated(depth) + "</body></html>";
    };
    QTest::newRow("html, 10,000 open") << QStringLiteral("d10000.html") << divs(9998) << 1
                                       << QString();
    QTest::newRow("html, 10,001 open") << QStringLiteral("d10001.html") << divs(9999) << 0
                                       << refused;
    QTest::newRow("html, 100,000 open") << QStringLiteral("d100000.html") << divs(99998) << 0
                                        << refused;
    QTest::newRow("html, 20,000 items and paragraphs never closed")
        << QStringLiteral("ouverts.html")
        << (QByteArray("<ul>") + QByteArray("<li><b>point").repeated(10000) + "</ul>"
            + QByteArray("<p><i>texte").repeated(10000))
        << 20000 << QString();
    QTest::newRow("html, 20,000 stray end tags")
        << QStringLiteral("fins.html")
        << ("<div>" + QByteArray("</span>").repeated(20000) + "texte</div>") << 1 << QString();
    QTest::newRow("markdown, 10,000 quotes")
        << QStringLiteral("q10000.md") << (QByteArray(10000, '>') + " texte\n") << 1 << QString();
    QTest::newRow("markdown, 10,001 quotes")
        << QStringLiteral("q10001.md") << (QByteArray(10001, '>') + " texte\n") << 0 << refused;
    QByteArray lists;
    for (int i = 0; i < 10001; ++i)
        lists += "- ";
    QTest::newRow("markdown, 10,001 lists")
        << QStringLiteral("l10001.md") << (lists + "texte\n") << 0 << refused;
}

void TestReaders::nesting()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, bytes);
    QFETCH(int, count);
    QFETCH(QString, cause);
    write(name, bytes);
    const exchange::Document doc = exchange::readDocument(file(name));
    QCOMPARE(doc.error, cause);
    QCOMPARE(doc.paragraphs.size(), count);
    if (count > 0)
        QVERIFY(doc.paragraphs.first().startsWith(QStringLiteral("texte"))
                || doc.paragraphs.first() == u"point");
}

// A stop request that says yes at its n-th poll ends the reading there.
void TestReaders::stopped_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("polls");

    const QByteArray page = "<html><body>" + QByteArray("<p>Un <b>mot</b>.</p>\n").repeated(50000);
    QTest::newRow("html, first poll") << QStringLiteral("stop1.html") << page << 1;
    QTest::newRow("html, third poll") << QStringLiteral("stop3.html") << page << 3;
    const QByteArray deep = QByteArray("<div>").repeated(9000) + QByteArray("x").repeated(200000);
    QTest::newRow("html, deep page") << QStringLiteral("stop_deep.html") << deep << 2;
    const QByteArray note = QByteArray("Un **mot**.\n\n").repeated(50000);
    QTest::newRow("markdown, first poll") << QStringLiteral("stop1.md") << note << 1;
    QTest::newRow("markdown, third poll") << QStringLiteral("stop3.md") << note << 3;
    QTest::newRow("markdown, one long paragraph")
        << QStringLiteral("stop_long.md") << QByteArray("mot *a* ").repeated(100000) << 2;
}

void TestReaders::stopped()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, bytes);
    QFETCH(int, polls);
    write(name, bytes);
    int seen = 0;
    const exchange::Document doc = exchange::readDocument(file(name), [&] { return ++seen == polls; });
    QVERIFY(doc.stopped);
    QCOMPARE(doc.error, exchange::stoppedCause());
    QVERIFY(doc.paragraphs.isEmpty());
    QCOMPARE(seen, polls);
}

#ifdef TELMIRA_READERS_HEADLESS
QTEST_GUILESS_MAIN(TestReaders)
#else
QTEST_MAIN(TestReaders)
#endif
#include "test_readers.moc"
