// reader_depth: the document readers on deeply nested documents.
//
//   reader_depth
//
// For HTML (nested div), Markdown (nested block quotes), OpenDocument
// (nested text:span) and Word (nested tables), documents nested 2,000,
// 20,000 and 200,000 levels deep, and a flat document of the size of the
// deepest, each converted through exchange::readDocument in a child process
// of its own (so that a reader that crashes or runs away costs one row, never
// the benchmark: a child is stopped after 15 s). Prints a table of format,
// depth, bytes (for .odt and .docx those of the XML inside the archive),
// seconds, MB/s and the outcome (read, refused with its cause,
// crashed, stopped at the time limit). Time linear in the input shows as the
// same MB/s at every depth.
#include "../tests/exchange/documents.h"
#include "exchange/documentreader.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <cstdio>
#include <cstring>

namespace {

constexpr int kLimitMs = 15000;

QByteArray repeated(const QByteArray &piece, int times) { return piece.repeated(times); }

struct Case
{
    const char *format;
    QString file;
    int depth; // 0: flat
};

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
}

QByteArray html(int depth, qsizetype flatSize)
{
    if (depth > 0)
        return "<html><body>" + repeated("<div>", depth) + "texte" + repeated("</div>", depth)
               + "</body></html>";
    const QByteArray p = "<div>texte</div>\n";
    return "<html><body>" + repeated(p, int(flatSize / p.size())) + "</body></html>";
}

QByteArray markdown(int depth, qsizetype flatSize)
{
    if (depth > 0)
        return QByteArray(depth, '>') + " texte\n";
    const QByteArray p = "> texte\n\n";
    return repeated(p, int(flatSize / p.size()));
}

QByteArray odt(int depth, qsizetype flatSize)
{
    if (depth > 0)
        return "<text:p>" + repeated("<text:span>", depth) + "texte"
               + repeated("</text:span>", depth) + "</text:p>";
    const QByteArray p = "<text:p><text:span>texte</text:span></text:p>";
    return repeated(p, int(flatSize / p.size()));
}

QByteArray docx(int depth, qsizetype flatSize)
{
    const QByteArray p = "<w:p><w:r><w:t>texte</w:t></w:r></w:p>";
    if (depth > 0)
        return repeated("<w:tbl><w:tr><w:tc>", depth) + p + repeated("</w:tc></w:tr></w:tbl>", depth);
    return repeated(p, int(flatSize / p.size()));
}

// The child: reads one document and prints its seconds, paragraphs and cause.
int readOne(const QString &path)
{
    QElapsedTimer clock;
    clock.start();
    const exchange::Document doc = exchange::readDocument(path);
    std::printf("%.3f\t%lld\t%s\n", clock.nsecsElapsed() / 1e9,
                (long long)doc.paragraphs.size(), doc.error.toUtf8().constData());
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (argc == 3 && std::strcmp(argv[1], "--one") == 0)
        return readOne(QString::fromLocal8Bit(argv[2]));

    QTemporaryDir dir;
    if (!dir.isValid())
        qFatal("no temporary folder");
    const int depths[] = {2000, 20000, 200000, 0};
    std::printf("| Format | Depth | Bytes | Seconds | MB/s | Outcome |\n");
    std::printf("|---|---:|---:|---:|---:|---|\n");
    for (const char *format : {"HTML", "Markdown", "OpenDocument", "Word"}) {
        qsizetype deepest = 0;
        for (const int depth : depths) {
            const QString name = QStringLiteral("%1_%2").arg(QLatin1String(format)).arg(depth);
            QString path;
            QByteArray content;
            if (!std::strcmp(format, "HTML")) {
                path = dir.filePath(name + QStringLiteral(".html"));
                content = html(depth, deepest);
                writeFile(path, content);
            } else if (!std::strcmp(format, "Markdown")) {
                path = dir.filePath(name + QStringLiteral(".md"));
                content = markdown(depth, deepest);
                writeFile(path, content);
            } else if (!std::strcmp(format, "OpenDocument")) {
                path = dir.filePath(name + QStringLiteral(".odt"));
                content = odt(depth, deepest);
                documents::writeOdt(path, content);
            } else {
                path = dir.filePath(name + QStringLiteral(".docx"));
                content = docx(depth, deepest);
                documents::writeDocx(path, content);
            }
            if (depth > 0)
                deepest = std::max(deepest, content.size());
            const qint64 bytes = content.size(); // for .odt/.docx the XML, unzipped

            QProcess child;
            child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--one"), path});
            QString outcome;
            double seconds = 0;
            if (!child.waitForFinished(kLimitMs)) {
                child.kill();
                child.waitForFinished();
                outcome = QStringLiteral("stopped after %1 s").arg(kLimitMs / 1000);
                seconds = kLimitMs / 1000.0;
            } else if (child.exitStatus() != QProcess::NormalExit || child.exitCode() != 0) {
                outcome = QStringLiteral("crashed (exit %1)").arg(child.exitCode());
            } else {
                const QStringList fields =
                    QString::fromUtf8(child.readAllStandardOutput()).trimmed().split(u'\t');
                seconds = fields.value(0).toDouble();
                outcome = fields.value(2).isEmpty()
                              ? QStringLiteral("read, %1 paragraphs").arg(fields.value(1))
                              : QStringLiteral("refused: %1").arg(fields.value(2));
            }
            std::printf("| %s | %s | %lld | %.3f | %.1f | %s |\n", format,
                        depth > 0 ? QByteArray::number(depth).constData() : "flat",
                        (long long)bytes, seconds,
                        seconds > 0 ? content.size() / 1e6 / seconds : 0.0,
                        outcome.toUtf8().constData());
            std::fflush(stdout);
        }
    }
    return 0;
}
