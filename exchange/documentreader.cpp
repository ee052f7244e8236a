#include "exchange/documentreader.h"

#include "exchange/docxreader.h"
#include "exchange/htmlreader.h"
#include "exchange/markdownreader.h"
#include "exchange/odtreader.h"
#include "exchange/paragraphs.h"
#include "exchange/pdfreader.h"
#include "exchange/textreader.h"
#include "exchange/zipfile.h"

#include <QDate>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <new>

namespace exchange {

namespace {

const QString kReadable = QStringLiteral(
    "Telmira lit les textes (.txt), Markdown (.md), HTML (.html), Word (.docx), "
    "OpenDocument (.odt) et PDF");

// The format of a ZIP archive by its declared content.
Detection zipFormat(const QString &path, const QString &suffix)
{
    try {
        const ZipFile zip(path);
        if (zip.contains(QStringLiteral("mimetype"))) {
            const QString type = QString::fromUtf8(zip.read(QStringLiteral("mimetype"), 256)).trimmed();
            if (type == u"application/vnd.oasis.opendocument.text"
                || type == u"application/vnd.oasis.opendocument.text-template")
                return {Format::Odt, QString()};
            return {Format::Unknown,
                    QStringLiteral("document OpenDocument qui n'est pas un texte (%1) : %2")
                        .arg(type, kReadable)};
        }
        if (zip.contains(QStringLiteral("[Content_Types].xml"))) {
            const QByteArray types = zip.read(QStringLiteral("[Content_Types].xml"), 1 << 20);
            if (types.contains("wordprocessingml.document.main+xml")
                || types.contains("wordprocessingml.template.main+xml")
                || types.contains("ms-word.document.macroEnabled.main+xml")
                || types.contains("ms-word.template.macroEnabledTemplate.main+xml"))
                return {Format::Docx, QString()};
            return {Format::Unknown,
                    QStringLiteral("document Office qui n'est pas un texte Word : %1").arg(kReadable)};
        }
    } catch (const ZipError &e) {
        return {Format::Unknown, QStringLiteral("%1 endommagé : %2")
                                     .arg(suffix == u"odt" ? QStringLiteral("document OpenDocument")
                                          : suffix == u"docx" ? QStringLiteral("document Word")
                                                              : QStringLiteral("fichier"),
                                          e.cause())};
    }
    if (suffix == u"docx" || suffix == u"odt")
        return {Format::Unknown, QStringLiteral("document endommagé : l'archive ne contient pas de "
                                                "texte Word ni OpenDocument")};
    return {Format::Unknown,
            QStringLiteral("archive ZIP qui n'est ni un document Word ni un document "
                           "OpenDocument : %1")
                .arg(kReadable),
            false};
}

bool startsWithNoCase(QByteArrayView text, QByteArrayView prefix)
{
    return text.size() >= prefix.size()
           && qstrnicmp(text.data(), prefix.size(), prefix.data(), prefix.size()) == 0;
}

// Whether the start of a file is HTML, as browsers sniff it: after white
// space, one of the tags that only HTML begins with.
bool looksLikeHtml(QByteArray head)
{
    if (head.startsWith("\xEF\xBB\xBF"))
        head = head.mid(3);
    else if (head.startsWith("\xFF\xFE") || head.startsWith("\xFE\xFF"))
        head = decodeText(head).toUtf8();
    QByteArrayView v(head);
    while (!v.isEmpty() && (v.front() == ' ' || v.front() == '\t' || v.front() == '\n'
                            || v.front() == '\r' || v.front() == '\f'))
        v = v.sliced(1);
    static const char *const tags[] = {"<!doctype html", "<html", "<head", "<script", "<iframe",
                                       "<h1", "<div", "<font", "<table", "<a", "<style",
                                       "<title", "<b", "<body", "<br", "<p", "<!--"};
    for (const char *tag : tags) {
        const QByteArrayView t(tag);
        if (!startsWithNoCase(v, t))
            continue;
        if (t == "<!--")
            return true;
        const char next = v.size() > t.size() ? v.at(t.size()) : '\0';
        if (next == ' ' || next == '>' || next == '\t' || next == '\n' || next == '\r')
            return true;
    }
    return false;
}

} // namespace

Detection detect(const QString &path)
{
    const QFileInfo info(path);
    if (!info.exists())
        return {Format::Unknown, QStringLiteral("fichier introuvable")};
    if (info.isDir())
        return {Format::Unknown, QStringLiteral("c'est un dossier")};
    if (!info.isFile())
        return {Format::Unknown, QStringLiteral("ce n'est pas un fichier ordinaire")};
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {Format::Unknown, file.error() == QFileDevice::PermissionsError
                                     ? QStringLiteral("le fichier ne peut pas être ouvert : droits "
                                                      "insuffisants")
                                     : QStringLiteral("le fichier ne peut pas être ouvert")};
    const QByteArray head = file.read(8192);
    file.close();
    const QString suffix = info.suffix().toLower();

    if (head.startsWith("PK\x03\x04") || head.startsWith("PK\x05\x06"))
        return zipFormat(path, suffix);
    const qsizetype pdf = head.indexOf("%PDF-");
    if (pdf >= 0 && pdf < 1024)
        return {Format::Pdf, QString()};
    if (head.startsWith("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1"))
        return {Format::Unknown,
                suffix == u"docx"
                    ? QStringLiteral("document Word protégé par un mot de passe, ou endommagé")
                    : QStringLiteral("ancien format Word (.doc) non pris en charge : enregistrez "
                                     "le document au format .docx ou .odt")};
    if (head.startsWith(QByteArrayView("SQLite format 3\0", 16)))
        return {Format::Unknown,
                QStringLiteral("c'est une base de données (une base d'analyse ?), pas un texte"),
                false};
    if (head.startsWith("{\\rtf"))
        return {Format::Unknown, QStringLiteral("format RTF non pris en charge : enregistrez le "
                                                "document au format .docx ou .odt")};
    if (suffix == u"docx")
        return {Format::Unknown,
                QStringLiteral("document Word endommagé : ce n'est pas une archive ZIP")};
    if (suffix == u"odt")
        return {Format::Unknown,
                QStringLiteral("document OpenDocument endommagé : ce n'est pas une archive ZIP")};
    if (suffix == u"pdf")
        return {Format::Unknown,
                QStringLiteral("PDF endommagé : le fichier ne commence pas par l'en-tête %PDF")};
    if (suffix == u"md" || suffix == u"markdown")
        return {Format::Markdown, QString()};
    if (suffix == u"txt" || suffix == u"text")
        return {Format::Text, QString()};
    if (suffix == u"html" || suffix == u"htm" || suffix == u"xhtml" || looksLikeHtml(head))
        return {Format::Html, QString()};
    const bool utf16 = head.startsWith("\xFF\xFE") || head.startsWith("\xFE\xFF");
    if (suffix.isEmpty() && (utf16 || !head.contains('\0')))
        return {Format::Text, QString()};
    return {Format::Unknown, QStringLiteral("format non pris en charge : %1").arg(kReadable), false};
}

std::unique_ptr<DocumentReader> readerFor(Format format)
{
    switch (format) {
    case Format::Text:
        return std::make_unique<TextReader>();
    case Format::Markdown:
        return std::make_unique<MarkdownReader>();
    case Format::Html:
        return std::make_unique<HtmlReader>();
    case Format::Docx:
        return std::make_unique<DocxReader>();
    case Format::Odt:
        return std::make_unique<OdtReader>();
    case Format::Pdf:
        return std::make_unique<PdfReader>();
    case Format::Unknown:
        break;
    }
    return nullptr;
}

Document readDocument(const QString &path, const StopRequest &stop)
{
    const Detection detection = detect(path);
    if (detection.format == Format::Unknown)
        return Document{QStringList(), detection.error};
    return readerFor(detection.format)->read(path, stop);
}

QString stoppedCause()
{
    return QStringLiteral("la lecture du document a été arrêtée");
}

Document DocumentReader::read(const QString &path, const StopRequest &stop) const
{
    m_stop = stop ? &stop : nullptr;
    Document doc;
    try {
        doc = readFile(path);
        // A document with nothing to read (pictures only, blank pages) is
        // refused as an image-only PDF is, rather than taken in empty. A text
        // file keeps the take-in's own rules.
        if (doc.ok() && doc.paragraphs.isEmpty() && format() != Format::Text)
            doc.error = QStringLiteral("aucun texte dans ce document");
    } catch (const ReadStopped &) {
        doc = Document();
        doc.stopped = true;
        doc.error = stoppedCause();
    } catch (const std::bad_alloc &) {
        doc = Document();
        doc.error = QStringLiteral("la mémoire manque pour lire ce document");
    }
    m_stop = nullptr;
    return doc;
}

void DocumentReader::checkStop() const
{
    if (m_stop && (*m_stop)())
        throw ReadStopped();
}

QString formatName(Format format)
{
    switch (format) {
    case Format::Text:
        return QStringLiteral("texte");
    case Format::Markdown:
        return QStringLiteral("Markdown");
    case Format::Html:
        return QStringLiteral("page HTML");
    case Format::Docx:
        return QStringLiteral("document Word");
    case Format::Odt:
        return QStringLiteral("document OpenDocument");
    case Format::Pdf:
        return QStringLiteral("PDF");
    case Format::Unknown:
        break;
    }
    return QStringLiteral("format inconnu");
}

QString dayOf(const QString &declared)
{
    static const QRegularExpression w3c(
        QStringLiteral("^\\s*(\\d{4})-(\\d{2})-(\\d{2})(?:[T ].*)?\\s*$"));
    static const QRegularExpression pdf(
        QStringLiteral("^\\s*(?:D:)?(\\d{4})(\\d{2})(\\d{2})"));
    QRegularExpressionMatch m = w3c.match(declared);
    if (!m.hasMatch())
        m = pdf.match(declared);
    if (!m.hasMatch())
        return QString();
    const QDate day(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt());
    return day.isValid() ? day.toString(QStringLiteral("yyyy-MM-dd")) : QString();
}

QByteArray plainText(const QStringList &paragraphs)
{
    return paragraphs.join(QStringLiteral("\r\n")).toUtf8();
}

} // namespace exchange
