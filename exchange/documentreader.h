#pragma once
// Documents turned into plain text for segmentation. One reader per format
// (TextReader, MarkdownReader, HtmlReader, DocxReader, OdtReader,
// PdfReader) behind one interface: a file in, its paragraphs in reading
// order or a French cause out. Nothing here opens a window, and everything
// runs on a QCoreApplication (no display needed).
//
// The format is chosen by content, not by name: a ZIP archive is a Word or
// OpenDocument text by its declared content type, "%PDF" a PDF, a page whose
// start is HTML is HTML; only then do .md/.markdown (Markdown) and
// .txt/.text (plain text) decide. A .docx, .odt or .pdf whose content is not
// of its kind is refused as damaged; any other file is refused as of a format
// Telmira does not read.
#include <QByteArray>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

namespace exchange {

enum class Format { Unknown, Text, Markdown, Html, Docx, Odt, Pdf };

// What a document declares of itself, as it declares it: Word's core
// properties (dc:title, dc:creator, dcterms:created), OpenDocument's meta.xml
// (dc:title, meta:initial-creator or else dc:creator, meta:creation-date), a
// PDF's document information (Title, Author, CreationDate), an HTML page's
// <title> and <meta name="author">, <meta name="date"> or
// <meta name="dcterms.created">. Empty where it declares nothing (plain text
// and Markdown declare nothing). A damaged or missing metadata part leaves
// it empty: the text is read all the same.
struct Metadata
{
    QString title;
    QString author;
    QString date; // as written ("2023-04-05T10:00:00Z", "D:20230405103000+02'00'")
    bool isEmpty() const
    {
        return title.trimmed().isEmpty() && author.trimmed().isEmpty()
               && date.trimmed().isEmpty();
    }
};

// The day of a declared date as AAAA-MM-JJ: the date part of a W3C date
// ("2023-04-05", "2023-04-05T10:00:00Z", as written, whatever its time zone)
// or of a PDF date ("D:20230405..."); empty when it gives no real day of the
// calendar.
QString dayOf(const QString &declared);

// A document read: its paragraphs (never empty strings, no line breaks
// inside), or the cause of the failure in French (without the file's name,
// e.g. "ce PDF ne contient pas de texte (document numérisé ?)").
struct Document
{
    QStringList paragraphs;
    QString error;
    bool stopped = false; // the caller's stop request ended the reading
    // Lines of page layout left out (a PDF's running heads and feet, bare
    // page numbers, table-of-contents leader dots with their page numbers),
    // unless the reader was asked to keep them.
    qint64 layoutOmitted = 0;
    Metadata metadata{};
    bool ok() const { return error.isEmpty(); }
};

// Polled while a document is read; true asks the reading to end.
using StopRequest = std::function<bool()>;

class DocumentReader
{
public:
    virtual ~DocumentReader() = default;
    virtual Format format() const = 0;
    // Reads the file; never throws. `stop` is polled all along the work
    // (between pages, every few thousand elements, between pieces of text),
    // so that a stop is honoured within a fraction of a second whatever the
    // document; a stop ends with `stopped` set and stoppedCause(). A document
    // other than plain text that gives no paragraph is refused ("aucun texte
    // dans ce document").
    Document read(const QString &path, const StopRequest &stop = {}) const;

    // Throws ReadStopped when the stop request says so. Cheap enough to be
    // called for every element.
    void checkStop() const;

    // Keeps the page layout (running heads and feet, page numbers, leader
    // dots) as text instead of leaving it out. Off by default.
    void setKeepLayout(bool keep) { m_keepLayout = keep; }
    bool keepLayout() const { return m_keepLayout; }

protected:
    // The reading itself; may throw ReadStopped (through checkStop), nothing
    // else.
    virtual Document readFile(const QString &path) const = 0;

private:
    mutable const StopRequest *m_stop = nullptr;
    bool m_keepLayout = false;
};

// The cause given for a stopped reading.
QString stoppedCause();

// The format of a file by its content (then its name, for the text
// formats); when it cannot be read, Unknown with the cause in `error`.
struct Detection
{
    Format format = Format::Unknown;
    QString error;
    // False when the file is no document at all (a picture, an archive, a
    // database): a folder's such files are passed over, not failures.
    bool document = true;
};
Detection detect(const QString &path);

// The reader of a format (null for Unknown).
std::unique_ptr<DocumentReader> readerFor(Format format);

// Detects the format and reads the document.
Document readDocument(const QString &path, const StopRequest &stop = {});

// The format's name for the user ("document Word (.docx)").
QString formatName(Format format);

// The paragraphs as one UTF-8 text, CR LF between them (none after the last).
QByteArray plainText(const QStringList &paragraphs);

} // namespace exchange
