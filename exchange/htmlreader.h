#pragma once
// HTML pages (.html, .htm): read by our own tokenizer (htmltext.h), linear in
// the page whatever its nesting, refusing more than htmltext::kMaxDepth open
// elements; its blocks are the paragraphs (headings, paragraphs, list items,
// table cells; scripts, styles and the title left out). No display needed.
// The encoding is the byte-order mark's, else the page's
// declared charset, else UTF-8 when the bytes are valid UTF-8, else
// Windows-1252.
#include "exchange/documentreader.h"

namespace exchange {

class HtmlReader : public DocumentReader
{
public:
    Format format() const override { return Format::Html; }

    // The page's characters from its bytes; throws ReadFailure on a declared
    // charset Qt cannot decode.
    static QString decode(const QByteArray &bytes);
    // What the page's head declares: <title>, <meta name="author">,
    // <meta name="date"> (else <meta name="dcterms.created">).
    static Metadata metadata(QStringView page);

protected:
    Document readFile(const QString &path) const override;
};

} // namespace exchange
