#pragma once
// Markdown notes (.md, .markdown): decoded as a text file is, then Qt's
// Markdown import (GitHub's dialect: tables too), its blocks as paragraphs.
// The markup itself (#, *, list marks) is not part of the text.
#include "exchange/documentreader.h"

namespace exchange {

class MarkdownReader : public DocumentReader
{
public:
    Format format() const override { return Format::Markdown; }

protected:
    Document readFile(const QString &path) const override;
};

} // namespace exchange
