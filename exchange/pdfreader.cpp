#include "exchange/pdfreader.h"

#include "exchange/paragraphs.h"

#include <poppler-qt6.h>

namespace exchange {

namespace {

void quiet(const QString &, const QVariant &) {}

bool joinsWithoutSpace(const QString &previous, const QString &next)
{
    // "exem-" + "plaire": a letter, a hyphen, then a lower-case letter.
    return previous.size() >= 2 && previous.endsWith(QLatin1Char('-'))
           && previous.at(previous.size() - 2).isLetter() && !next.isEmpty()
           && next.at(0).isLower();
}

} // namespace

QStringList PdfReader::paragraphsOf(const std::vector<Line> &lines)
{
    QStringList out;
    QString paragraph;
    const Line *previous = nullptr;
    for (const Line &line : lines) {
        if (previous) {
            const double height = qMax(0.1, previous->bottom - previous->top);
            const double lineHeight = line.bottom - line.top;
            const bool gap = line.top - previous->bottom > 0.5 * height;
            const bool up = line.bottom <= previous->top;
            const bool size = qAbs(lineHeight - height) > 0.3 * height;
            if (gap || up || size) {
                addParagraph(out, paragraph);
                paragraph.clear();
            } else if (joinsWithoutSpace(paragraph, line.text)) {
                paragraph.chop(1);
            } else {
                paragraph += QLatin1Char(' ');
            }
        }
        paragraph += line.text;
        previous = &line;
    }
    addParagraph(out, paragraph);
    return out;
}

Document PdfReader::readFile(const QString &path) const
{
    static const bool silenced = [] {
        Poppler::setDebugErrorFunction(quiet, QVariant());
        return true;
    }();
    Q_UNUSED(silenced);

    Document doc;
    const std::unique_ptr<Poppler::Document> pdf = Poppler::Document::load(path);
    if (!pdf) {
        doc.error = QStringLiteral("PDF endommagé ou illisible");
        return doc;
    }
    if (pdf->isLocked()) {
        doc.error = QStringLiteral("ce PDF est protégé par un mot de passe");
        return doc;
    }
    for (int i = 0; i < pdf->numPages(); ++i) {
        checkStop();
        const std::unique_ptr<Poppler::Page> page = pdf->page(i);
        if (!page)
            continue;
        std::vector<Line> lines;
        Line current;
        bool open = false;
        for (const std::unique_ptr<Poppler::TextBox> &word : page->textList()) {
            const QRectF box = word->boundingBox();
            if (!open) {
                current = Line{QString(), box.top(), box.bottom()};
                open = true;
            } else {
                current.top = qMin(current.top, box.top());
                current.bottom = qMax(current.bottom, box.bottom());
            }
            current.text += word->text();
            if (!word->nextWord()) { // the line ends here
                lines.push_back(current);
                open = false;
            } else if (word->hasSpaceAfter()) {
                current.text += QLatin1Char(' ');
            }
        }
        if (open)
            lines.push_back(current);
        doc.paragraphs += paragraphsOf(lines);
    }
    if (doc.paragraphs.isEmpty())
        doc.error = QStringLiteral("ce PDF ne contient pas de texte (document numérisé ?)");
    return doc;
}

} // namespace exchange
