#include "exchange/textreader.h"

#include "exchange/paragraphs.h"

#include <QRegularExpression>

namespace exchange {

Document TextReader::readFile(const QString &path) const
{
    Document doc;
    try {
        const QString text = decodeText(readWholeFile(path, kMaxTextFile));
        static const QRegularExpression lineEnd(QStringLiteral("\r\n|\r|\n"));
        for (const QString &line : text.split(lineEnd))
            addParagraph(doc.paragraphs, line);
    } catch (const ReadFailure &e) {
        doc.error = e.cause();
    }
    return doc;
}

} // namespace exchange
