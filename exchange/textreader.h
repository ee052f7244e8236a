#pragma once
// Plain text (.txt): decoded as the take-in decodes it (UTF-8, UTF-16 with a
// byte-order mark, else Windows-1252), each line a paragraph (lines end at
// CR LF, CR or LF). The batch take-in does not go through here for plain
// text: it streams the file to the segmenter exactly as the analysis window
// does; this reader gives the same text as paragraphs to whoever needs them.
#include "exchange/documentreader.h"

namespace exchange {

class TextReader : public DocumentReader
{
public:
    Format format() const override { return Format::Text; }

protected:
    Document readFile(const QString &path) const override;
};

} // namespace exchange
