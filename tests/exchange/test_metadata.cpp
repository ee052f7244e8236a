// What documents declare of themselves (title, author, date of creation)
// becomes the attributes "titre", "auteur" and "date" of the texts taken in,
// the date as AAAA-MM-JJ, never over a value the text has already.
#include "../coding/codingtest.h"
#include "documents.h"
#include "pdfbuilder.h"
#include "analysis/batchtakein.h"
#include "analysis/textattributes.h"
#include "exchange/documentreader.h"
#include "store/attributestore.h"
#include "store/connection.h"

#include <QRegularExpression>
#include <QtTest>

namespace {

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
}

const QByteArray kXml = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>";

// A .docx of one paragraph; `core` the core properties part (none when
// empty), named by the package's relationships unless `unnamed`.
void writeDocx(const QString &path, const QByteArray &core, bool unnamed)
{
    documents::Members m;
    m << qMakePair(QStringLiteral("[Content_Types].xml"),
                   kXml + "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/"
                          "content-types\"><Default Extension=\"xml\" "
                          "ContentType=\"application/xml\"/><Override PartName=\"/word/"
                          "document.xml\" ContentType=\"application/vnd.openxmlformats-"
                          "officedocument.wordprocessingml.document.main+xml\"/></Types>");
    QByteArray rels = kXml + "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/"
                             "2006/relationships\"><Relationship Id=\"rId1\" "
                             "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/"
                             "relationships/officeDocument\" Target=\"word/document.xml\"/>";
    if (!core.isEmpty() && !unnamed)
        rels += "<Relationship Id=\"rId2\" Type=\"http://schemas.openxmlformats.org/package/2006/"
                "relationships/metadata/core-properties\" Target=\"props/meta.xml\"/>";
    m << qMakePair(QStringLiteral("_rels/.rels"), rels + "</Relationships>");
    m << qMakePair(QStringLiteral("word/document.xml"),
                   kXml + "<w:document " + documents::wordNamespaces()
                       + "><w:body><w:p><w:r><w:t>Un texte.</w:t></w:r></w:p></w:body>"
                         "</w:document>");
    if (!core.isEmpty())
        m << qMakePair(unnamed ? QStringLiteral("docProps/core.xml") : QStringLiteral("props/meta.xml"),
                       kXml + "<cp:coreProperties xmlns:cp=\"http://schemas.openxmlformats.org/"
                              "package/2006/metadata/core-properties\" "
                              "xmlns:dc=\"http://purl.org/dc/elements/1.1/\" "
                              "xmlns:dcterms=\"http://purl.org/dc/terms/\" "
                              "xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\">"
                           + core + "</cp:coreProperties>");
    documents::writeZip(path, m);
}

// An .odt of one paragraph, its meta.xml holding `meta` (none when empty).
void writeOdt(const QString &path, const QByteArray &meta)
{
    documents::writeOdt(path, "<text:p>Un texte.</text:p>");
    if (meta.isEmpty())
        return;
    // Written again with meta.xml beside the other members.
    documents::Members m;
    m << qMakePair(QStringLiteral("mimetype"),
                   QByteArray("application/vnd.oasis.opendocument.text"));
    m << qMakePair(QStringLiteral("content.xml"),
                   kXml + "<office:document-content xmlns:office=\"urn:oasis:names:tc:"
                          "opendocument:xmlns:office:1.0\" xmlns:text=\"urn:oasis:names:tc:"
                          "opendocument:xmlns:text:1.0\"><office:body><office:text><text:p>Un "
                          "texte.</text:p></office:text></office:body>"
                          "</office:document-content>");
    m << qMakePair(QStringLiteral("meta.xml"),
                   kXml + "<office:document-meta xmlns:office=\"urn:oasis:names:tc:opendocument:"
                          "xmlns:office:1.0\" xmlns:dc=\"http://purl.org/dc/elements/1.1/\" "
                          "xmlns:meta=\"urn:oasis:names:tc:opendocument:xmlns:meta:1.0\">"
                          "<office:meta>"
                       + meta + "</office:meta></office:document-meta>");
    documents::writeZip(path, m);
}

// A PDF string of any text: UTF-16BE with its byte-order mark, in hex.
QByteArray pdfText(const QString &text)
{
    QByteArray hex = "<FEFF";
    for (const QChar c : text)
        hex += QByteArray::number(c.unicode(), 16).rightJustified(4, '0').toUpper();
    return hex + ">";
}

// A PDF of one line whose document information is `info` (none when
// empty), added as an incremental update, as editors add it.
void writePdf(const QString &path, const QByteArray &info)
{
    QByteArray pdf = pdfbuilder::build({pdfbuilder::Page{pdfbuilder::Text{72, 72, QStringLiteral("Un texte.")}}});
    if (!info.isEmpty()) {
        const QRegularExpression size(QStringLiteral("/Size (\\d+)"));
        const QRegularExpression start(QStringLiteral("startxref\\n(\\d+)"));
        const int object = size.match(QString::fromLatin1(pdf)).captured(1).toInt();
        const QByteArray previous = start.match(QString::fromLatin1(pdf)).captured(1).toLatin1();
        const qsizetype at = pdf.size();
        pdf += QByteArray::number(object) + " 0 obj\n<< " + info + " >>\nendobj\n";
        const qsizetype xref = pdf.size();
        pdf += "xref\n0 1\n0000000000 65535 f \n" + QByteArray::number(object) + " 1\n"
               + QByteArray::number(at).rightJustified(10, '0') + " 00000 n \n"
               + "trailer\n<< /Size " + QByteArray::number(object + 1) + " /Root 1 0 R /Info "
               + QByteArray::number(object) + " 0 R /Prev " + previous + " >>\nstartxref\n"
               + QByteArray::number(xref) + "\n%%EOF\n";
    }
    writeFile(path, pdf);
}

QStringList attributesOf(codingtest::Raw &db)
{
    return codingtest::rows(db, QStringLiteral("select a.nom, v.valeur from ValeursAttributs v "
                                               "join Attributs a on a.numero = v.attribut "
                                               "order by a.numero"));
}

} // namespace

class TestMetadata : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(m_dir.isValid()); }
    void declared_data();
    void declared();
    void dayOf_data();
    void dayOf();
    void neverOverwrites_data();
    void neverOverwrites();

private:
    QTemporaryDir m_dir;
    int m_files = 0;
};

void TestMetadata::declared_data()
{
    QTest::addColumn<QString>("suffix");
    QTest::addColumn<QByteArray>("declared");
    QTest::addColumn<bool>("unnamed"); // Word: the core part found by its usual name
    QTest::addColumn<QStringList>("attributes");

    QTest::newRow("Word") << QStringLiteral("docx")
                          << QByteArray("<dc:title>Rapport d'\xC3\xA9tape</dc:title>"
                                        "<dc:creator>Marie Curie</dc:creator>"
                                        "<cp:lastModifiedBy>Autre</cp:lastModifiedBy>"
                                        "<dcterms:created xsi:type=\"dcterms:W3CDTF\">"
                                        "2023-04-05T10:00:00Z</dcterms:created>"
                                        "<dcterms:modified>2024-01-01T00:00:00Z</dcterms:modified>")
                          << false
                          << QStringList{QStringLiteral("titre|Rapport d'étape"),
                                         QStringLiteral("auteur|Marie Curie"),
                                         QStringLiteral("date|2023-04-05")};
    QTest::newRow("Word, core part unnamed, title alone")
        << QStringLiteral("docx") << QByteArray("<dc:title>  Deux\n lignes </dc:title>") << true
        << QStringList{QStringLiteral("titre|Deux lignes")};
    QTest::newRow("Word without properties") << QStringLiteral("docx") << QByteArray() << false
                                             << QStringList();
    QTest::newRow("Word, damaged properties")
        << QStringLiteral("docx") << QByteArray("<dc:title>Titre</dc:titl>") << false
        << QStringList();
    QTest::newRow("OpenDocument: the first author")
        << QStringLiteral("odt")
        << QByteArray("<dc:title>Notes</dc:title><dc:creator>Dernier</dc:creator>"
                      "<meta:initial-creator>Premier</meta:initial-creator>"
                      "<meta:creation-date>2021-12-31T23:59:00.123</meta:creation-date>")
        << false
        << QStringList{QStringLiteral("titre|Notes"), QStringLiteral("auteur|Premier"),
                       QStringLiteral("date|2021-12-31")};
    QTest::newRow("OpenDocument: the last author")
        << QStringLiteral("odt") << QByteArray("<dc:creator>Dernier</dc:creator>") << false
        << QStringList{QStringLiteral("auteur|Dernier")};
    QTest::newRow("PDF")
        << QStringLiteral("pdf")
        << QByteArray("/Title " + pdfText(QStringLiteral("Étude de cas"))
                      + " /Author (Jean Dupont) /CreationDate (D:20220315083000+01'00')")
        << false
        << QStringList{QStringLiteral("titre|Étude de cas"), QStringLiteral("auteur|Jean Dupont"),
                       QStringLiteral("date|2022-03-15")};
    QTest::newRow("PDF without information") << QStringLiteral("pdf") << QByteArray() << false
                                             << QStringList();
    QTest::newRow("HTML")
        << QStringLiteral("html")
        << QByteArray("<html><head><title>Le &amp; titre</title>"
                      "<meta name=\"Author\" content=\"Anne &Eacute;mile\">"
                      "<meta content='2020-02-29' name='date'>"
                      "<meta name=\"dcterms.created\" content=\"2019-01-01\"></head>"
                      "<body><p>Un texte.</p><title>Pas celui-ci</title></body></html>")
        << false
        << QStringList{QStringLiteral("titre|Le & titre"), QStringLiteral("auteur|Anne Émile"),
                       QStringLiteral("date|2020-02-29")};
    QTest::newRow("HTML: dcterms.created, a date that is no day")
        << QStringLiteral("html")
        << QByteArray("<html><head><!-- <title>Ancien</title> -->"
                      "<meta name=\"date\" content=\"2019-02-30\">"
                      "<meta name=\"dcterms.created\" content=\"2019-07-01T12:00\"></head>"
                      "<body><p>Un texte.</p></body></html>")
        << false << QStringList{QStringLiteral("date|2019-07-01")};
}

void TestMetadata::declared()
{
    QFETCH(QString, suffix);
    QFETCH(QByteArray, declared);
    QFETCH(bool, unnamed);
    QFETCH(QStringList, attributes);

    const QString path = m_dir.filePath(QStringLiteral("d%1.%2").arg(++m_files).arg(suffix));
    if (suffix == u"docx")
        writeDocx(path, declared, unnamed);
    else if (suffix == u"odt")
        writeOdt(path, declared);
    else if (suffix == u"pdf")
        writePdf(path, declared);
    else
        writeFile(path, declared.isEmpty() ? QByteArray("<p>Un texte.</p>") : declared);
    const QString db = codingtest::freshDatabase(m_dir, QStringLiteral("d%1.mdb").arg(m_files));
    {
        std::shared_ptr<Connection> connection = Connection::open(db);
        const batch::Summary summary = batch::takeIn(*connection, {path});
        QCOMPARE(summary.outcomes.size(), size_t(1));
        QCOMPARE(summary.outcomes[0].cause, QString());
        QCOMPARE(summary.outcomes[0].status, batch::Status::Added);
    }
    codingtest::Raw raw(db);
    QCOMPARE(attributesOf(raw), attributes);
    // No attribute made without a value.
    QCOMPARE(codingtest::rows(raw, QStringLiteral("select count(*) from Attributs")),
             QStringList{QString::number(attributes.size())});
}

void TestMetadata::dayOf_data()
{
    QTest::addColumn<QString>("declared");
    QTest::addColumn<QString>("day");
    QTest::newRow("W3C day") << QStringLiteral("2023-04-05") << QStringLiteral("2023-04-05");
    QTest::newRow("W3C, time zone as written")
        << QStringLiteral("2023-04-05T23:30:00-05:00") << QStringLiteral("2023-04-05");
    QTest::newRow("PDF") << QStringLiteral("D:19991231235959Z") << QStringLiteral("1999-12-31");
    QTest::newRow("PDF, year alone") << QStringLiteral("D:1999") << QString();
    QTest::newRow("no such day") << QStringLiteral("2023-02-29") << QString();
    QTest::newRow("words") << QStringLiteral("hier") << QString();
}

void TestMetadata::dayOf()
{
    QFETCH(QString, declared);
    QFETCH(QString, day);
    QCOMPARE(exchange::dayOf(declared), day);
}

void TestMetadata::neverOverwrites_data()
{
    QTest::addColumn<QString>("existingName"); // an attribute already in the analysis
    QTest::addColumn<QString>("existingValue"); // the text's value, empty for none
    QTest::addColumn<QString>("result");
    QTest::newRow("value there") << QStringLiteral("titre") << QStringLiteral("Le mien")
                                 << QStringLiteral("titre|Le mien");
    QTest::newRow("attribute there, no value, other case")
        << QStringLiteral("TITRE") << QString() << QStringLiteral("TITRE|Déclaré");
    QTest::newRow("no attribute") << QString() << QString() << QStringLiteral("titre|Déclaré");
}

void TestMetadata::neverOverwrites()
{
    QFETCH(QString, existingName);
    QFETCH(QString, existingValue);
    QFETCH(QString, result);
    const QString db = codingtest::freshDatabase(m_dir, QStringLiteral("n%1.mdb").arg(++m_files));
    qint64 text = 0;
    {
        codingtest::Raw raw(db);
        text = codingtest::addText(raw, QStringLiteral("/t.txt"), {QStringLiteral("Un.")});
    }
    std::shared_ptr<Connection> connection = Connection::open(db);
    if (!existingName.isEmpty()) {
        const qint64 attribute = attributes::add(*connection, existingName);
        if (!existingValue.isEmpty())
            attributes::setValue(*connection, attribute, text, existingValue);
    }
    textattributes::Writer(*connection).set(text, QStringLiteral("titre"),
                                            QStringLiteral("Déclaré"), false);
    connection.reset();
    codingtest::Raw raw(db);
    QCOMPARE(attributesOf(raw), QStringList{result});
}

QTEST_MAIN(TestMetadata)
#include "test_metadata.moc"
