#include "exchange/textdocument.h"

#include "exchange/paragraphs.h"

#include <QGuiApplication>
#include <QTextBlock>
#include <QTextDocument>

namespace exchange::textdocument {

namespace {

QtMessageHandler g_previous = nullptr;

// Without a display Qt has no fonts and says so for every heading size;
// nothing of that concerns the text.
void quietFonts(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (type == QtWarningMsg && message.startsWith(QLatin1String("QFont")))
        return;
    if (g_previous)
        g_previous(type, context, message);
}

} // namespace

QStringList paragraphs(const QString &text, Source source)
{
    const bool quiet = qobject_cast<QGuiApplication *>(QCoreApplication::instance()) == nullptr;
    if (quiet)
        g_previous = qInstallMessageHandler(quietFonts);
    QStringList out;
    {
        QTextDocument document;
        if (source == Source::Html)
            document.setHtml(text);
        else
            document.setMarkdown(text, QTextDocument::MarkdownDialectGitHub);
        for (QTextBlock block = document.begin(); block.isValid(); block = block.next())
            addParagraph(out, block.text());
    }
    if (quiet)
        qInstallMessageHandler(g_previous);
    return out;
}

} // namespace exchange::textdocument
