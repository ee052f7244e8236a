#pragma once
// Markdown notes (.md, .markdown): decoded as a text file is, then read by our
// own converter (GitHub's dialect as far as text goes: tables too), without a
// display. The markup itself (#, *, list marks, link targets, pictures) is
// not part of the text.
//
// Paragraphs: headings, paragraphs (soft line ends are spaces, hard breaks
// end the paragraph), list items and block quotes (their marks left out),
// every line of a code block, every table cell row by row; HTML blocks go
// through the HTML reader's tokenizer, inline HTML tags are left out and
// their text kept.
//
// The text is walked once, line by line; block quotes and list items are an
// explicit stack of containers (no recursion), emphasis is matched with the
// bounded delimiter search of CommonMark, so time is linear in the text.
// More than htmltext::kMaxDepth containers open at once is refused with the
// French cause naming the depth. The stop request is polled every few
// thousand lines and inside long paragraphs.
#include "exchange/documentreader.h"

#include <functional>

namespace exchange {

class MarkdownReader : public DocumentReader
{
public:
    Format format() const override { return Format::Markdown; }

    // The paragraphs of a Markdown text; `poll` may throw to end the work;
    // throws ReadFailure on a text nested too deep.
    static QStringList paragraphsOf(QStringView text, const std::function<void()> &poll = {});

protected:
    Document readFile(const QString &path) const override;
};

} // namespace exchange
