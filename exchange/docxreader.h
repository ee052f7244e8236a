#pragma once
// Word documents (.docx, Office Open XML): the paragraphs of the body in
// reading order (headings, list items, table cells row by row, text boxes),
// then the footnotes in the order of their calls, then the endnotes. A
// paragraph split over runs of different formatting comes out whole. Field
// instructions, hidden text (w:vanish), tracked deletions and moved-from
// text are left out (the fields' shown results and tracked insertions are
// kept); list numbers and bullets, headers, footers and comments are not
// part of the text. Symbols (w:sym) and runs in the Symbol or Wingdings
// font are the signs they show ("a" in Symbol is "α"). A paragraph whose
// mark is not shown runs on into the next without a space: a drop cap
// ("D" then "rop cap." is "Drop cap."), a hidden or deleted paragraph mark.
//
// The parts are read as streams: the memory stays near the text taken,
// which is refused past a ceiling (kMaxDocumentText by default), however
// far the markup expands; elements nested deeper than kMaxNesting and parts
// declaring XML entities are refused.
#include "exchange/documentreader.h"
#include "exchange/paragraphs.h"

namespace exchange {

class DocxReader : public DocumentReader
{
public:
    explicit DocxReader(qint64 textCeiling = kMaxDocumentText) : m_ceiling(textCeiling) {}
    Format format() const override { return Format::Docx; }

protected:
    Document readFile(const QString &path) const override;

private:
    qint64 m_ceiling;
};

} // namespace exchange
