#pragma once
// Small documents written by the tests themselves: ZIP archives of XML for
// Word and OpenDocument, PDF pages through QPdfWriter.
#include <QByteArray>
#include <QFile>
#include <QList>
#include <QPainter>
#include <QPair>
#include <QPdfWriter>
#include <QString>
#include <QStringList>
#include <zip.h>

namespace documents {

using Members = QList<QPair<QString, QByteArray>>;

// Writes a ZIP archive; the first member is stored, the others deflated.
inline void writeZip(const QString &path, const Members &members)
{
    QFile::remove(path);
    int error = 0;
    zip_t *z = zip_open(QFile::encodeName(path).constData(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    if (!z)
        qFatal("cannot create %s", qPrintable(path));
    for (int i = 0; i < members.size(); ++i) {
        const QByteArray &data = members.at(i).second;
        zip_source_t *s = zip_source_buffer(z, data.constData(), zip_uint64_t(data.size()), 0);
        const zip_int64_t index =
            zip_file_add(z, members.at(i).first.toUtf8().constData(), s, ZIP_FL_ENC_UTF_8);
        if (index < 0)
            qFatal("cannot add %s", qPrintable(members.at(i).first));
        zip_set_file_compression(z, zip_uint64_t(index), i == 0 ? ZIP_CM_STORE : ZIP_CM_DEFLATE, 0);
    }
    if (zip_close(z) != 0)
        qFatal("cannot write %s", qPrintable(path));
}

inline const char *wordNamespaces()
{
    return "xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\" "
           "xmlns:mc=\"http://schemas.openxmlformats.org/markup-compatibility/2006\"";
}

// A .docx whose body holds `body` (w: elements) and whose footnotes part
// holds `footnotes` (w:footnote elements; none when empty).
inline void writeDocx(const QString &path, const QByteArray &body,
                      const QByteArray &footnotes = QByteArray())
{
    const QByteArray ns = wordNamespaces();
    Members m;
    m << qMakePair(QStringLiteral("[Content_Types].xml"),
                   QByteArray("<?xml version=\"1.0\" encoding=\"UTF-8\"?>"
                              "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/"
                              "content-types\"><Default Extension=\"xml\" "
                              "ContentType=\"application/xml\"/><Override "
                              "PartName=\"/word/document.xml\" ContentType=\"application/"
                              "vnd.openxmlformats-officedocument.wordprocessingml.document."
                              "main+xml\"/></Types>"));
    m << qMakePair(QStringLiteral("_rels/.rels"),
                   QByteArray("<?xml version=\"1.0\" encoding=\"UTF-8\"?><Relationships "
                              "xmlns=\"http://schemas.openxmlformats.org/package/2006/"
                              "relationships\"><Relationship Id=\"rId1\" "
                              "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/"
                              "relationships/officeDocument\" Target=\"word/document.xml\"/>"
                              "</Relationships>"));
    m << qMakePair(QStringLiteral("word/document.xml"),
                   "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?><w:document "
                       + ns + "><w:body>" + body + "<w:sectPr/></w:body></w:document>");
    if (!footnotes.isEmpty()) {
        m << qMakePair(QStringLiteral("word/_rels/document.xml.rels"),
                       QByteArray("<?xml version=\"1.0\" encoding=\"UTF-8\"?><Relationships "
                                  "xmlns=\"http://schemas.openxmlformats.org/package/2006/"
                                  "relationships\"><Relationship Id=\"rId5\" "
                                  "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/"
                                  "relationships/footnotes\" Target=\"footnotes.xml\"/>"
                                  "</Relationships>"));
        m << qMakePair(QStringLiteral("word/footnotes.xml"),
                       "<?xml version=\"1.0\" encoding=\"UTF-8\"?><w:footnotes " + ns + ">"
                           "<w:footnote w:type=\"separator\" w:id=\"-1\"><w:p><w:r>"
                           "<w:separator/></w:r></w:p></w:footnote>"
                           + footnotes + "</w:footnotes>");
    }
    writeZip(path, m);
}

// An .odt whose office:text holds `text` (text:, table: elements); `styles`
// (office:font-face-decls, office:automatic-styles) comes before the body.
inline void writeOdt(const QString &path, const QByteArray &text,
                     const QByteArray &styles = QByteArray())
{
    Members m;
    m << qMakePair(QStringLiteral("mimetype"),
                   QByteArray("application/vnd.oasis.opendocument.text"));
    m << qMakePair(QStringLiteral("META-INF/manifest.xml"),
                   QByteArray("<?xml version=\"1.0\" encoding=\"UTF-8\"?><manifest:manifest "
                              "xmlns:manifest=\"urn:oasis:names:tc:opendocument:xmlns:manifest:"
                              "1.0\"><manifest:file-entry manifest:full-path=\"/\" "
                              "manifest:media-type=\"application/vnd.oasis.opendocument.text\"/>"
                              "<manifest:file-entry manifest:full-path=\"content.xml\" "
                              "manifest:media-type=\"text/xml\"/></manifest:manifest>"));
    m << qMakePair(QStringLiteral("content.xml"),
                   "<?xml version=\"1.0\" encoding=\"UTF-8\"?><office:document-content "
                   "xmlns:office=\"urn:oasis:names:tc:opendocument:xmlns:office:1.0\" "
                   "xmlns:text=\"urn:oasis:names:tc:opendocument:xmlns:text:1.0\" "
                   "xmlns:table=\"urn:oasis:names:tc:opendocument:xmlns:table:1.0\" "
                   "xmlns:draw=\"urn:oasis:names:tc:opendocument:xmlns:drawing:1.0\" "
                   "xmlns:style=\"urn:oasis:names:tc:opendocument:xmlns:style:1.0\" "
                   "xmlns:svg=\"urn:oasis:names:tc:opendocument:xmlns:svg-compatible:1.0\" "
                   "xmlns:fo=\"urn:oasis:names:tc:opendocument:xmlns:xsl-fo-compatible:1.0\" "
                   "office:version=\"1.3\">"
                       + styles + "<office:body><office:text>" + text
                       + "</office:text></office:body></office:document-content>");
    writeZip(path, m);
}

// A PDF of pages of lines drawn at 12 points: each line's y (points from the
// top) and text; a new page where the text is empty and y is negative.
// Needs a QGuiApplication.
inline void writePdf(const QString &path, const QList<QPair<int, QString>> &lines)
{
    QPdfWriter writer(path);
    writer.setResolution(72);
    QPainter painter(&writer);
    QFont font(QStringLiteral("DejaVu Serif"));
    font.setPointSize(12);
    painter.setFont(font);
    for (const auto &line : lines) {
        if (line.first < 0)
            writer.newPage();
        else
            painter.drawText(72, line.first, line.second);
    }
    painter.end();
}

// A PDF of one page holding a picture and no text (a scan).
inline void writeScannedPdf(const QString &path)
{
    QPdfWriter writer(path);
    QPainter painter(&writer);
    painter.fillRect(QRect(100, 100, 2000, 3000), Qt::darkGray);
    painter.end();
}

} // namespace documents
