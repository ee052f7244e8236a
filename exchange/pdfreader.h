#pragma once
// PDF documents: the text layer, page by page, through Poppler. Poppler gives
// the words in reading order with their boxes; the lines are rebuilt from
// them, and a paragraph ends where the next line leaves a gap of more than
// half a line, changes size markedly (a heading), goes back up the page (a
// new column) or at the end of the page. A word cut by a hyphen at a line's
// end ("exem-" then "plaire") is joined. A PDF without any text (a scan) is
// refused with "ce PDF ne contient pas de texte (document numérisé ?)"; one
// protected by a password too.
#include "exchange/documentreader.h"

namespace exchange {

class PdfReader : public DocumentReader
{
public:
    Format format() const override { return Format::Pdf; }

    // One line of a page: its text and its top and bottom (points).
    struct Line
    {
        QString text;
        double top = 0;
        double bottom = 0;
    };
    // The paragraphs that lines of one page make (the rules above).
    static QStringList paragraphsOf(const std::vector<Line> &lines);

protected:
    Document readFile(const QString &path) const override;
};

} // namespace exchange
