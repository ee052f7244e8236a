// The readers of Word and OpenDocument against hostile documents written
// here: nesting far beyond real documents, fields nested by the hundred
// thousand, entity declarations, encryption, text past the ceiling, and a
// stop asked in the middle of a reading.
#include "documents.h"
#include "exchange/docxreader.h"
#include "exchange/odtreader.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using documents::Members;

namespace {

const QByteArray kXmlHead = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>";

const QByteArray kWordTypes =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?><Types xmlns=\"http://schemas.openxmlformats.org/"
    "package/2006/content-types\"><Default Extension=\"xml\" ContentType=\"application/xml\"/>"
    "<Override PartName=\"/word/document.xml\" ContentType=\"application/vnd.openxmlformats-"
    "officedocument.wordprocessingml.document.main+xml\"/></Types>";

QByteArray wordRelationships(const QByteArray &prolog = QByteArray())
{
    return kXmlHead + prolog
           + "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/"
             "relationships\"><Relationship Id=\"rId1\" Type=\"http://schemas.openxmlformats.org/"
             "officeDocument/2006/relationships/officeDocument\" Target=\"word/document.xml\"/>"
             "</Relationships>";
}

QByteArray wordDocument(const QByteArray &body, const QByteArray &prolog = QByteArray())
{
    return kXmlHead + prolog + "<w:document " + documents::wordNamespaces() + "><w:body>" + body
           + "</w:body></w:document>";
}

// A .docx of the parts given whole (document.xml, the package's relationships).
void writeWordParts(const QString &path, const QByteArray &document,
                    const QByteArray &relationships = wordRelationships())
{
    documents::writeZip(path, {{QStringLiteral("[Content_Types].xml"), kWordTypes},
                               {QStringLiteral("_rels/.rels"), relationships},
                               {QStringLiteral("word/document.xml"), document}});
}

const QByteArray kOdtMime = "application/vnd.oasis.opendocument.text";

QByteArray odtManifest(const QByteArray &contentEntry)
{
    return kXmlHead
           + "<manifest:manifest xmlns:manifest=\"urn:oasis:names:tc:opendocument:xmlns:"
             "manifest:1.0\"><manifest:file-entry manifest:full-path=\"/\" manifest:media-type="
             "\"application/vnd.oasis.opendocument.text\"/>"
           + contentEntry + "</manifest:manifest>";
}

QByteArray odtContent(const QByteArray &text, const QByteArray &prolog = QByteArray())
{
    return kXmlHead + prolog
           + "<office:document-content xmlns:office=\"urn:oasis:names:tc:opendocument:xmlns:"
             "office:1.0\" xmlns:text=\"urn:oasis:names:tc:opendocument:xmlns:text:1.0\" "
             "office:version=\"1.3\"><office:body><office:text>"
           + text + "</office:text></office:body></office:document-content>";
}

// An .odt of the parts given whole.
void writeOdtParts(const QString &path, const QByteArray &content, const QByteArray &manifest)
{
    documents::writeZip(path, {{QStringLiteral("mimetype"), kOdtMime},
                               {QStringLiteral("META-INF/manifest.xml"), manifest},
                               {QStringLiteral("content.xml"), content}});
}

const QByteArray kPlainEntry =
    "<manifest:file-entry manifest:full-path=\"content.xml\" manifest:media-type=\"text/xml\"/>";

QByteArray times(const QByteArray &piece, int count)
{
    return piece.repeated(count);
}

// Ten entities, each ten times the one before: "&e9;" stands for 10^10
// characters.
QByteArray entityBomb(const QByteArray &root)
{
    QByteArray dtd = "<!DOCTYPE " + root + " [<!ENTITY e0 \"xxxxxxxxxx\">";
    for (int i = 1; i < 10; ++i)
        dtd += "<!ENTITY e" + QByteArray::number(i) + " \""
               + times("&e" + QByteArray::number(i - 1) + ";", 10) + "\">";
    return dtd + "]>";
}

// Changes the first `from` in a file's bytes into `to` (as long): a stored
// member altered on the disk.
void alter(const QString &path, const QByteArray &from, const QByteArray &to)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadWrite))
        qFatal("cannot open %s", qPrintable(path));
    QByteArray bytes = f.readAll();
    const qsizetype at = bytes.indexOf(from);
    if (at < 0 || to.size() != from.size())
        qFatal("nothing to alter in %s", qPrintable(path));
    bytes.replace(at, to.size(), to);
    f.seek(0);
    f.write(bytes);
}

const QString kWordTooDeep =
    QStringLiteral("les éléments du document sont imbriqués sur plus de 2\u202F000 niveaux : "
                   "document refusé");
const QString kOdtTooDeep =
    QStringLiteral("les notes et éléments du document sont imbriqués sur plus de 2\u202F000 niveaux : "
                   "document refusé");
const QString kEntities =
    QStringLiteral("le document déclare des entités XML, refusé par sécurité");

} // namespace

class TestBounds : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void hostile_data();
    void hostile();
    void stopped_data();
    void stopped();

private:
    QString file(const QString &name) const { return m_dir.filePath(name); }
    QTemporaryDir m_dir;
};

void TestBounds::initTestCase()
{
    QVERIFY(m_dir.isValid());
}

// Each document, its reader's ceiling on the text, and what comes out: the
// paragraphs, or the cause of the refusal.
void TestBounds::hostile_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<qint64>("ceiling");
    QTest::addColumn<QStringList>("paragraphs");
    QTest::addColumn<QString>("error");
    const qint64 standard = exchange::kMaxDocumentText;
    const auto row = [](const char *name, const QString &path, qint64 ceiling,
                        const QStringList &paragraphs, const QString &error) {
        QTest::newRow(name) << path << ceiling << paragraphs << error;
    };

    // OpenDocument notes nested 200,000 deep in 28 KB once compressed.
    {
        const QString path = file(QStringLiteral("notes_imbriquees.odt"));
        const int n = 200000;
        documents::writeOdt(
            path, "<text:p>corps" + times("<text:note text:note-class=\"footnote\"><text:note-body>"
                                          "<text:p>n",
                                          n)
                      + times("</text:p></text:note-body></text:note>", n) + "</text:p>");
        row("odt notes nested 200,000 deep", path, standard, {}, kOdtTooDeep);
    }
    // Notes in a note: the inner note's paragraph ends first; call marks are
    // left out; footnotes come before endnotes.
    {
        const QString path = file(QStringLiteral("notes_dans_notes.odt"));
        documents::writeOdt(
            path, "<text:p>A<text:note text:note-class=\"footnote\"><text:note-citation>1"
                  "</text:note-citation><text:note-body><text:p>B<text:note text:note-class="
                  "\"footnote\"><text:note-citation>2</text:note-citation><text:note-body><text:p>"
                  "C</text:p></text:note-body></text:note>D</text:p></text:note-body></text:note>E"
                  "</text:p><text:p>X<text:note text:note-class=\"endnote\"><text:note-body>"
                  "<text:p>Y</text:p></text:note-body></text:note><text:note text:note-class="
                  "\"footnote\"><text:note-body><text:p>Z</text:p></text:note-body></text:note>"
                  "</text:p>");
        row("odt notes in notes", path, standard,
            {QStringLiteral("AE"), QStringLiteral("X"), QStringLiteral("C"), QStringLiteral("BD"),
             QStringLiteral("Z"), QStringLiteral("Y")},
            QString());
    }
    {
        const QString path = file(QStringLiteral("spans_imbriques.odt"));
        documents::writeOdt(path, "<text:p>" + times("<text:span>", 200000) + "profond"
                                      + times("</text:span>", 200000) + "</text:p>");
        row("odt spans nested 200,000 deep", path, standard, {}, kOdtTooDeep);
    }
    {
        // office:document-content, body, text, p and 1,996 spans: 2,000 levels.
        const QString path = file(QStringLiteral("spans_a_la_limite.odt"));
        documents::writeOdt(path, "<text:p>" + times("<text:span>", 1996) + "profond"
                                      + times("</text:span>", 1996) + "</text:p>");
        row("odt spans nested to the limit", path, standard, {QStringLiteral("profond")},
            QString());
    }
    {
        const QString path = file(QStringLiteral("spans_passe_la_limite.odt"));
        documents::writeOdt(path, "<text:p>" + times("<text:span>", 1997) + "profond"
                                      + times("</text:span>", 1997) + "</text:p>");
        row("odt spans nested one past the limit", path, standard, {}, kOdtTooDeep);
    }
    {
        const QString path = file(QStringLiteral("entites.odt"));
        writeOdtParts(path,
                      odtContent("<text:p>&e;</text:p>",
                                 "<!DOCTYPE office:document-content [<!ENTITY e \"mot\">]>"),
                      odtManifest(kPlainEntry));
        row("odt content declaring an entity", path, standard, {}, kEntities);
    }
    {
        const QString path = file(QStringLiteral("bombe.odt"));
        writeOdtParts(path,
                      odtContent("<text:p>&e9;</text:p>", entityBomb("office:document-content")),
                      odtManifest(kPlainEntry));
        row("odt entity expansion", path, standard, {}, kEntities);
    }
    {
        const QString path = file(QStringLiteral("chiffre.odt"));
        QByteArray noise;
        for (int i = 0; i < 600; ++i)
            noise += char((i * 37 + 11) % 256);
        writeOdtParts(path, noise,
                      odtManifest("<manifest:file-entry manifest:full-path=\"content.xml\" "
                                  "manifest:media-type=\"text/xml\" manifest:size=\"4000\">"
                                  "<manifest:encryption-data manifest:checksum-type=\"SHA1/1K\" "
                                  "manifest:checksum=\"AAAA\"><manifest:algorithm "
                                  "manifest:algorithm-name=\"Blowfish CFB\" "
                                  "manifest:initialisation-vector=\"AAAA\"/>"
                                  "</manifest:encryption-data></manifest:file-entry>"));
        row("encrypted odt", path, standard, {},
            QStringLiteral("document OpenDocument protégé par un mot de passe"));
    }
    {
        // text:s asking for two billion spaces: 4 GB of memory in a few bytes.
        const QString path = file(QStringLiteral("espaces.odt"));
        documents::writeOdt(path, "<text:p>a<text:s text:c=\"2000000000\"/>b</text:p>");
        row("odt asking two billion spaces", path, standard, {},
            QStringLiteral("le document donne plus de 100 Mo de texte : découpez-le en plusieurs "
                           "documents"));
    }
    {
        // 4,096 bytes of UTF-8: 2,046 "é" and 4 "a".
        const QString path = file(QStringLiteral("plafond.odt"));
        const QString text = QString(2046, QChar(0xE9)) + QStringLiteral("aaaa");
        documents::writeOdt(path, "<text:p>" + text.toUtf8() + "</text:p>");
        row("odt at the ceiling", path, qint64(4096), {text}, QString());
        const QString over = file(QStringLiteral("plafond_passe.odt"));
        documents::writeOdt(over, "<text:p>" + text.toUtf8() + "a</text:p>");
        row("odt one byte over the ceiling", over, qint64(4096), {},
            QStringLiteral("le document donne plus de 4096 octets de texte : découpez-le en "
                           "plusieurs documents"));
    }
    {
        // A comment of 200,000 bytes, longer than the ceiling and what is
        // read ahead: refused as it is read, before it is held whole.
        const QString path = file(QStringLiteral("long_commentaire.odt"));
        documents::writeOdt(path, "<text:p>a<!--" + times("<>", 100000) + "-->b</text:p>");
        row("odt comment longer than the ceiling", path, qint64(4096), {},
            QStringLiteral("le document donne plus de 4096 octets de texte : découpez-le en "
                           "plusieurs documents"));
        const QString shorter = file(QStringLiteral("commentaire.odt"));
        documents::writeOdt(shorter, "<text:p>a<!--" + times("<>", 10000) + "-->b</text:p>");
        row("odt comment shorter than what is read ahead", shorter, qint64(4096),
            {QStringLiteral("ab")}, QString());
    }

    {
        // content.xml stored, one letter changed after the archive was
        // written: its check sum no longer matches.
        const QString path = file(QStringLiteral("altere.odt"));
        documents::writeZip(path, {{QStringLiteral("content.xml"),
                                    odtContent("<text:p>motif</text:p>")},
                                   {QStringLiteral("mimetype"), kOdtMime},
                                   {QStringLiteral("META-INF/manifest.xml"),
                                    odtManifest(kPlainEntry)}});
        alter(path, "motif", "motuf");
        row("odt altered after its writing", path, standard, {},
            QStringLiteral("document OpenDocument endommagé : un élément de l'archive ZIP est "
                           "altéré (somme de contrôle incorrecte)"));
    }

    // Word: tables nested 200,000 deep.
    {
        const QString path = file(QStringLiteral("tableaux.docx"));
        const int n = 200000;
        documents::writeDocx(path, times("<w:tbl><w:tr><w:tc>", n) + "<w:p><w:r><w:t>case</w:t>"
                                                                     "</w:r></w:p>"
                                       + times("</w:tc></w:tr></w:tbl>", n));
        row("docx tables nested 200,000 deep", path, standard, {}, kWordTooDeep);
    }
    {
        // Text boxes in text boxes: each box's paragraph ends before the one
        // holding it.
        const QString path = file(QStringLiteral("encadres.docx"));
        documents::writeDocx(path, "<w:p><w:r><w:t>un</w:t></w:r><w:r><w:drawing><w:txbxContent>"
                                   "<w:p><w:r><w:t>deux</w:t></w:r><w:r><w:drawing>"
                                   "<w:txbxContent><w:p><w:r><w:t>trois</w:t></w:r></w:p>"
                                   "</w:txbxContent></w:drawing></w:r></w:p></w:txbxContent>"
                                   "</w:drawing></w:r></w:p>");
        row("docx text boxes in text boxes", path, standard,
            {QStringLiteral("trois"), QStringLiteral("deux"), QStringLiteral("un")}, QString());
    }
    {
        // 300 boxes deep (1,200 levels of elements): read whole.
        const QString path = file(QStringLiteral("encadres_profonds.docx"));
        const int n = 300;
        documents::writeDocx(path, times("<w:p><w:r><w:t>x</w:t></w:r><w:r><w:drawing>"
                                         "<w:txbxContent>",
                                         n)
                                       + times("</w:txbxContent></w:drawing></w:r></w:p>", n));
        row("docx text boxes nested 300 deep", path, standard,
            QStringList(n, QStringLiteral("x")), QString());
    }
    {
        // 200,000 fields in fields, each showing "x" after its instruction:
        // every character is kept, in linear time.
        const QString path = file(QStringLiteral("champs.docx"));
        const int n = 200000;
        documents::writeDocx(path, "<w:p>"
                                       + times("<w:r><w:fldChar w:fldCharType=\"begin\"/></w:r>"
                                               "<w:r><w:instrText>QUOTE</w:instrText></w:r>"
                                               "<w:r><w:fldChar w:fldCharType=\"separate\"/>"
                                               "</w:r><w:r><w:t>x</w:t></w:r>",
                                               n)
                                       + times("<w:r><w:fldChar w:fldCharType=\"end\"/></w:r>", n)
                                       + "</w:p>");
        row("docx fields nested 200,000 deep", path, standard, {QString(n, QLatin1Char('x'))},
            QString());
    }
    {
        // { IF { PAGE } = 1 "un" }: the inner field's result lies in the outer
        // field's instruction and is left out.
        const QString path = file(QStringLiteral("champ_dans_champ.docx"));
        documents::writeDocx(
            path, "<w:p><w:r><w:t xml:space=\"preserve\">Page </w:t></w:r>"
                  "<w:r><w:fldChar w:fldCharType=\"begin\"/></w:r><w:r><w:instrText> IF "
                  "</w:instrText></w:r><w:r><w:fldChar w:fldCharType=\"begin\"/></w:r><w:r>"
                  "<w:instrText>PAGE</w:instrText></w:r><w:r><w:fldChar "
                  "w:fldCharType=\"separate\"/></w:r><w:r><w:t>1</w:t></w:r><w:r><w:fldChar "
                  "w:fldCharType=\"end\"/></w:r><w:r><w:instrText> = 1 \"un\" </w:instrText></w:r>"
                  "<w:r><w:fldChar w:fldCharType=\"separate\"/></w:r><w:r><w:t>un</w:t></w:r>"
                  "<w:r><w:fldChar w:fldCharType=\"end\"/></w:r></w:p>");
        row("docx field in a field's instruction", path, standard, {QStringLiteral("Page un")},
            QString());
    }
    {
        const QString path = file(QStringLiteral("entites.docx"));
        writeWordParts(path, wordDocument("<w:p><w:r><w:t>&e;</w:t></w:r></w:p>",
                                          "<!DOCTYPE w:document [<!ENTITY e \"mot\">]>"));
        row("docx document declaring an entity", path, standard, {}, kEntities);
    }
    {
        const QString path = file(QStringLiteral("bombe.docx"));
        writeWordParts(path, wordDocument("<w:p><w:r><w:t>&e9;</w:t></w:r></w:p>",
                                          entityBomb("w:document")));
        row("docx entity expansion", path, standard, {}, kEntities);
    }
    {
        const QString path = file(QStringLiteral("relations_entites.docx"));
        writeWordParts(path, wordDocument("<w:p><w:r><w:t>mot</w:t></w:r></w:p>"),
                       wordRelationships(entityBomb("Relationships")));
        row("docx relationships declaring entities", path, standard, {}, kEntities);
    }
    {
        // A document type without entities ("]>" in it) is passed over.
        const QString path = file(QStringLiteral("doctype.docx"));
        writeWordParts(path, wordDocument("<w:p><w:r><w:t>mot</w:t></w:r></w:p>",
                                          "<!DOCTYPE w:document [<!ATTLIST w:p x CDATA \"a\">]>"));
        row("docx document type without entities", path, standard, {QStringLiteral("mot")},
            QString());
    }
    {
        const QString path = file(QStringLiteral("altere.docx"));
        documents::writeZip(path, {{QStringLiteral("word/document.xml"),
                                    wordDocument("<w:p><w:r><w:t>motif</w:t></w:r></w:p>")},
                                   {QStringLiteral("[Content_Types].xml"), kWordTypes},
                                   {QStringLiteral("_rels/.rels"), wordRelationships()}});
        alter(path, "motif", "motuf");
        row("docx altered after its writing", path, standard, {},
            QStringLiteral("document Word endommagé : un élément de l'archive ZIP est altéré "
                           "(somme de contrôle incorrecte)"));
    }
    {
        const QString path = file(QStringLiteral("plafond.docx"));
        documents::writeDocx(path, "<w:p><w:r><w:t>" + QByteArray(4096, 'a')
                                       + "</w:t></w:r></w:p>");
        row("docx at the ceiling", path, qint64(4096), {QString(4096, QLatin1Char('a'))},
            QString());
        const QString over = file(QStringLiteral("plafond_passe.docx"));
        documents::writeDocx(over, "<w:p><w:r><w:t>" + QByteArray(4096, 'a')
                                       + "</w:t></w:r><w:r><w:tab/></w:r></w:p>");
        row("docx one byte over the ceiling", over, qint64(4096), {},
            QStringLiteral("le document donne plus de 4096 octets de texte : découpez-le en "
                           "plusieurs documents"));
    }
    {
        // A note of 1,000 bytes called three times gives 3,005 bytes with
        // the body's 5; called five times, 5,005, past a ceiling of 4,096.
        const QByteArray note = "<w:footnote w:id=\"1\"><w:p><w:r><w:t>" + QByteArray(1000, 'n')
                                + "</w:t></w:r></w:p></w:footnote>";
        const QByteArray call = "<w:r><w:footnoteReference w:id=\"1\"/></w:r>";
        const QString path = file(QStringLiteral("note_trois_fois.docx"));
        documents::writeDocx(path, "<w:p><w:r><w:t>corps</w:t></w:r>" + times(call, 3) + "</w:p>",
                             note);
        const QString n(1000, QLatin1Char('n'));
        row("docx note called three times", path, qint64(4096),
            {QStringLiteral("corps"), n, n, n}, QString());
        const QString over = file(QStringLiteral("note_cinq_fois.docx"));
        documents::writeDocx(over, "<w:p><w:r><w:t>corps</w:t></w:r>" + times(call, 5) + "</w:p>",
                             note);
        row("docx note called past the ceiling", over, qint64(4096), {},
            QStringLiteral("le document donne plus de 4096 octets de texte : découpez-le en "
                           "plusieurs documents"));
    }
    {
        // A million and one calls of a note: each would be kept until the
        // notes are read.
        const QString path = file(QStringLiteral("appels.docx"));
        documents::writeDocx(path, "<w:p>"
                                       + times("<w:r><w:footnoteReference w:id=\"1\"/></w:r>",
                                               1000001)
                                       + "</w:p>");
        row("docx note called a million and one times", path, standard, {},
            QStringLiteral("le document appelle plus d'un million de notes : document refusé"));
    }
    {
        // A document part of several MB, read in pieces: 60,000 paragraphs,
        // then one text of 4 MB full of references, cut between pieces but
        // never inside a reference.
        const QString path = file(QStringLiteral("long.docx"));
        QByteArray body;
        QStringList expected;
        for (int i = 0; i < 60000; ++i) {
            body += "<w:p><w:r><w:t>ligne " + QByteArray::number(i) + "</w:t></w:r></w:p>";
            expected << QStringLiteral("ligne %1").arg(i);
        }
        QByteArray text;
        QString shown;
        for (int i = 0; i < 400000; ++i) {
            text += QByteArray::number(i) + "&amp;&#233;";
            shown += QString::number(i) + QStringLiteral("&é");
        }
        body += "<w:p><w:r><w:t>" + text + "</w:t></w:r></w:p>";
        expected << shown;
        documents::writeDocx(path, body);
        row("docx part read in pieces", path, standard, expected, QString());
    }
}

void TestBounds::hostile()
{
    QFETCH(QString, path);
    QFETCH(qint64, ceiling);
    QFETCH(QStringList, paragraphs);
    QFETCH(QString, error);
    std::unique_ptr<exchange::DocumentReader> reader;
    if (path.endsWith(QLatin1String(".odt")))
        reader = std::make_unique<exchange::OdtReader>(ceiling);
    else
        reader = std::make_unique<exchange::DocxReader>(ceiling);
    const exchange::Document doc = reader->read(path);
    QCOMPARE(doc.error, error);
    QVERIFY(!doc.stopped);
    QCOMPARE(doc.paragraphs.size(), paragraphs.size());
    QCOMPARE(doc.paragraphs, paragraphs);
}

// A stop asked at the n-th poll ends the reading of a long document, which
// polls every few thousand elements.
void TestBounds::stopped_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<int>("stopAt");

    // 20,000 paragraphs: 60,000 tokens of OpenDocument, 140,000 of Word.
    const int n = 20000;
    const QString odt = file(QStringLiteral("arret.odt"));
    documents::writeOdt(odt, times("<text:p>x</text:p>", n));
    const QString docx = file(QStringLiteral("arret.docx"));
    documents::writeDocx(docx, times("<w:p><w:r><w:t>x</w:t></w:r></w:p>", n));
    QTest::newRow("odt, first poll") << odt << 1;
    QTest::newRow("odt, tenth poll") << odt << 10;
    QTest::newRow("docx, first poll") << docx << 1;
    QTest::newRow("docx, thirtieth poll") << docx << 30;
}

void TestBounds::stopped()
{
    QFETCH(QString, path);
    QFETCH(int, stopAt);
    std::unique_ptr<exchange::DocumentReader> reader;
    if (path.endsWith(QLatin1String(".odt")))
        reader = std::make_unique<exchange::OdtReader>();
    else
        reader = std::make_unique<exchange::DocxReader>();
    int polls = 0;
    const exchange::Document doc = reader->read(path, [&] { return ++polls >= stopAt; });
    QVERIFY(doc.stopped);
    QCOMPARE(doc.error, exchange::stoppedCause());
    QVERIFY(doc.paragraphs.isEmpty());
    QCOMPARE(polls, stopAt);

    // Not stopped, the same document is read whole.
    polls = 0;
    const exchange::Document whole = reader->read(path, [&] { return ++polls < 0; });
    QVERIFY(whole.ok());
    QCOMPARE(whole.paragraphs, QStringList(20000, QStringLiteral("x")));
    QVERIFY(polls >= stopAt);
}

QTEST_MAIN(TestBounds)
#include "test_bounds.moc"
