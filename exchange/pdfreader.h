#pragma once
// PDF documents: the text layer through Poppler. Poppler gives the words of
// each page in reading order with their boxes; the lines are rebuilt from
// them. A document of four pages or more is read on two threads (a Poppler
// document each), the stop request polled between pages.
//
// Once all pages are read, the page layout is left out (unless the caller
// asked to keep it; Document::layoutOmitted counts the lines and leaders
// left out):
// - running heads and feet: a line in the top or bottom band of the page
//   (15 % of its height each) repeated, its digits masked ("Chapitre 2 —
//   page 14" is "Chapitre 2 — page 15"), at about the same height (within
//   2 % of the page's height) on at least half of the pages (heads of odd and
//   even pages differ) of a document of three pages or more; the same line
//   in the middle of the page stays;
// - page numbers: a line in those bands, or on a table of contents page,
//   that holds only a page number ("12", "- 12 -", "Page 12", "12/40",
//   "xii");
// - table of contents leaders: dots (". . . . ." or "......", at least four
//   before a page number, six without one) at the end of a line, with the
//   page number after them; the entry's title stays, as a paragraph of its
//   own ("Introduction . . . . . 3" gives "Introduction").
//
// A line with more right-to-left letters (Hebrew, Arabic) than Latin ones
// is given in logical order: Poppler gives the glyphs in visual order, left
// to right, whatever the order they were drawn in; the line is turned
// round, and its runs of Latin letters and digits (with the spaces and
// punctuation between them) read left to right again. In any other line,
// each run of right-to-left letters (with the digits and neutral characters
// between them) is turned round, its numbers read left to right. Mirrored
// characters (brackets) are left as Poppler gives them.
//
// A paragraph ends where the next line leaves a gap of more than half a
// line, changes size markedly (a heading), goes back up the page (a new
// column), at a table of contents entry or at the end of the page. A word
// cut at a line's end by a hyphen ("-", U+2010 or the soft hyphen U+00AD
// that pdfTeX gives) before a lower-case letter ("l'in-" then "tervalle")
// is joined; before anything else the hyphen stays (a soft hyphen as "-",
// as it was shown), a space after it. A PDF without any text (a scan) is
// refused with "ce PDF ne contient pas de texte (document numérisé ?)"; one
// protected by a password too.
#include "exchange/documentreader.h"

#include <vector>

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
        bool alone = false; // a paragraph of its own (a table of contents entry)
    };
    // The paragraphs that lines of one page make (the rules above).
    static QStringList paragraphsOf(const std::vector<Line> &lines);

protected:
    Document readFile(const QString &path) const override;
};

} // namespace exchange
