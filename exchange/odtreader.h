#pragma once
// OpenDocument texts (.odt): the paragraphs and headings of the body in
// reading order (list items, table cells row by row, text frames), then the
// notes in the order of their calls, footnotes before endnotes. A paragraph
// split over spans of different formatting comes out whole; spaces follow
// the format's rules (runs of white space collapse, text:s gives its count).
// Tracked deletions, comments and the notes' call marks are left out.
#include "exchange/documentreader.h"

namespace exchange {

class OdtReader : public DocumentReader
{
public:
    Format format() const override { return Format::Odt; }

protected:
    Document readFile(const QString &path) const override;
};

} // namespace exchange
