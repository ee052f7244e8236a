#pragma once
// OpenDocument texts (.odt): the paragraphs and headings of the body in
// reading order (list items, table cells row by row, text frames), then the
// notes in the order of their calls, footnotes before endnotes. A paragraph
// split over spans of different formatting comes out whole; spaces follow
// the format's rules (runs of white space collapse, text:s gives its count;
// the white space of the markup around frames and lists is no text). Text
// whose automatic style sets the Symbol or Wingdings font is the signs it
// shows.
// Tracked deletions, comments, the notes' call marks and the numbers of
// headings and list items (as in Word documents) are left out.
//
// The content is read as a stream, without recursion: the memory stays near
// the text taken, which is refused past a ceiling (kMaxDocumentText by
// default); notes and elements nested deeper than kMaxNesting, content
// declaring XML entities and encrypted documents are refused with their
// cause.
#include "exchange/documentreader.h"
#include "exchange/paragraphs.h"

namespace exchange {

class OdtReader : public DocumentReader
{
public:
    explicit OdtReader(qint64 textCeiling = kMaxDocumentText) : m_ceiling(textCeiling) {}
    Format format() const override { return Format::Odt; }

protected:
    Document readFile(const QString &path) const override;

private:
    qint64 m_ceiling;
};

} // namespace exchange
