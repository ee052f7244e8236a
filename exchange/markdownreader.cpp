#include "exchange/markdownreader.h"

#include "exchange/paragraphs.h"
#include "exchange/textdocument.h"

namespace exchange {

Document MarkdownReader::readFile(const QString &path) const
{
    Document doc;
    try {
        doc.paragraphs = textdocument::paragraphs(decodeText(readWholeFile(path, kMaxTextFile)),
                                                  textdocument::Source::Markdown);
    } catch (const ReadFailure &e) {
        doc.error = e.cause();
    }
    return doc;
}

} // namespace exchange
