#pragma once
// Qt's rich-text import (HTML, Markdown) turned into paragraphs.
#include <QString>
#include <QStringList>

namespace exchange::textdocument {

enum class Source { Html, Markdown };

// The paragraphs of the document Qt builds from `text`: every block in
// document order (headings, list items, table cells row by row). Works on a
// QCoreApplication: the font warnings Qt gives without a display are kept
// off standard error.
QStringList paragraphs(const QString &text, Source source);

} // namespace exchange::textdocument
