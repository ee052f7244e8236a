// pdf_text: the PDF reader against Poppler's pdftotext on the same files.
//
//   pdf_text [rounds [folder]]
//
// Writes a set of PDFs (20, 200 and 1,000 pages of A4 in two columns of
// body text, Helvetica 9 points, running heads and page numbers, hyphenated
// words at line ends; the 200-page one opens on a table of contents of 10
// pages with leader dots), deflated as producers write them. Each file is
// read by exchange::PdfReader in this process and converted by
// `pdftotext -enc UTF-8 file out.txt` in a child process, `rounds` times
// each (3 by default), the best time kept. Prints the file's size, both
// rates in MB/s of PDF and their ratio (reader / pdftotext: above 1 the
// reader is faster), then the rates over the whole set. The same on the
// processor time spent (both threads of the reader, the child's user and
// system time), the rate a machine busy with other work would see. The files are
// written in a temporary folder, or kept in `folder` when given.
#include "../tests/exchange/pdfbuilder.h"
#include "exchange/pdfreader.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <sys/resource.h>

namespace {

const char *const kWords[] = {
    "analyse", "contenu", "entretien", "catégorie", "codage", "fréquence", "segment", "texte",
    "corpus", "énoncé", "discours", "les", "des", "une", "dans", "pour", "avec", "qui", "que",
    "est", "sont", "été", "leur", "cette", "méthode", "résultat", "variable", "modalité",
    "tableau", "chercheur", "question", "réponse", "thème", "sens", "unité", "fiabilité",
    "accord", "juge", "intervalle", "exponentiellement", "condensateur", "et", "de", "la", "le"};
constexpr int kWordCount = int(sizeof(kWords) / sizeof(kWords[0]));

// One column's lines: words up to `width` characters, a long word cut at the
// end of some lines with a hyphen.
QStringList columnLines(QRandomGenerator &random, int count, int width)
{
    QStringList lines;
    QString line;
    while (lines.size() < count) {
        const QString word = QString::fromUtf8(kWords[random.bounded(kWordCount)]);
        if (line.size() + 1 + word.size() > width) {
            if (word.size() > 8 && random.bounded(4) == 0) {
                lines << line + QLatin1Char(' ') + word.left(4) + QLatin1Char('-');
                line = word.mid(4);
            } else {
                lines << line;
                line = word;
            }
        } else {
            line += line.isEmpty() ? word : QLatin1Char(' ') + word;
        }
    }
    return lines;
}

QList<pdfbuilder::Page> document(int pages, int tocPages, quint32 seed)
{
    QRandomGenerator random(seed);
    QList<pdfbuilder::Page> out;
    for (int p = 0; p < pages; ++p) {
        pdfbuilder::Page page;
        page << pdfbuilder::Text{72, 40, QStringLiteral("Rapport d'analyse — chapitre %1").arg(p / 20 + 1), 9};
        if (p < tocPages) {
            for (int i = 0; i < 60; ++i)
                page << pdfbuilder::Text{72, 80 + 12.0 * i,
                                         QStringLiteral("%1.%2 Section du rapport . . . . . . . . "
                                                        ". . . . . . . . . . . . . . %3")
                                             .arg(p + 1)
                                             .arg(i + 1)
                                             .arg(p * 60 + i + tocPages + 1),
                                         9};
        } else {
            for (int column = 0; column < 2; ++column) {
                const QStringList lines = columnLines(random, 56, 48);
                for (int i = 0; i < lines.size(); ++i) {
                    // A paragraph every 12 lines: a gap of a line.
                    const double y = 70 + 11.0 * i + 11.0 * (i / 12);
                    page << pdfbuilder::Text{56 + 250.0 * column, y, lines.at(i), 9};
                }
            }
        }
        page << pdfbuilder::Text{290, 800, QString::number(p + 1), 9};
        out << page;
    }
    return out;
}

struct Times
{
    double wall = 1e9;
    double cpu = 1e9;
    void keepBest(const Times &t)
    {
        wall = qMin(wall, t.wall);
        cpu = qMin(cpu, t.cpu);
    }
};

double processCpu()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

double childrenCpu()
{
    rusage u{};
    getrusage(RUSAGE_CHILDREN, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec)
           + double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

Times readerTimes(const QString &path, qint64 *paragraphs)
{
    QElapsedTimer timer;
    timer.start();
    const double cpu = processCpu();
    const exchange::Document doc = exchange::PdfReader().read(path);
    const Times t{double(timer.nsecsElapsed()) / 1e9, processCpu() - cpu};
    if (!doc.ok()) {
        std::fprintf(stderr, "reader failed on %s: %s\n", qPrintable(path), qPrintable(doc.error));
        std::exit(1);
    }
    *paragraphs = doc.paragraphs.size();
    return t;
}

Times pdftotextTimes(const QString &path, const QString &out)
{
    QElapsedTimer timer;
    timer.start();
    const double cpu = childrenCpu();
    QProcess process;
    process.start(QStringLiteral("pdftotext"),
                  {QStringLiteral("-enc"), QStringLiteral("UTF-8"), path, out});
    if (!process.waitForFinished(-1) || process.exitStatus() != QProcess::NormalExit
        || process.exitCode() != 0) {
        std::fprintf(stderr, "pdftotext failed on %s (is poppler-utils installed?)\n",
                     qPrintable(path));
        std::exit(1);
    }
    return {double(timer.nsecsElapsed()) / 1e9, childrenCpu() - cpu};
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int rounds = argc > 1 ? qMax(1, std::atoi(argv[1])) : 3;
    QTemporaryDir temporary;
    const QDir dir(argc > 2 ? QString::fromLocal8Bit(argv[2]) : temporary.path());
    struct Case
    {
        int pages;
        int toc;
    };
    const Case cases[] = {{20, 0}, {200, 10}, {1000, 0}};
    std::printf("%-6s %9s %11s %9s %6s %11s %9s %6s %10s\n", "pages", "bytes", "reader MB/s",
                "pdftotext", "ratio", "reader cpu", "pdftotext", "ratio", "paragraphs");
    double totalBytes = 0;
    qint64 totalParagraphs = 0;
    Times reader, peer, totalReader{0, 0}, totalPeer{0, 0};
    const auto row = [](const char *name, double bytes, const Times &r, const Times &p,
                        qint64 paragraphs) {
        std::printf("%-6s %9.0f %11.2f %9.2f %6.2f %11.2f %9.2f %6.2f %10lld\n", name, bytes,
                    bytes / r.wall / 1e6, bytes / p.wall / 1e6, p.wall / r.wall,
                    bytes / r.cpu / 1e6, bytes / p.cpu / 1e6, p.cpu / r.cpu,
                    static_cast<long long>(paragraphs));
    };
    for (const Case &c : cases) {
        const QString path = dir.filePath(QStringLiteral("doc%1.pdf").arg(c.pages));
        if (!pdfbuilder::write(path, document(c.pages, c.toc, quint32(c.pages)), true))
            qFatal("cannot write %s", qPrintable(path));
        const double bytes = double(QFileInfo(path).size());
        reader = Times();
        peer = Times();
        qint64 paragraphs = 0;
        for (int r = 0; r < rounds; ++r) {
            reader.keepBest(readerTimes(path, &paragraphs));
            peer.keepBest(pdftotextTimes(path, dir.filePath(QStringLiteral("out.txt"))));
        }
        totalBytes += bytes;
        totalParagraphs += paragraphs;
        totalReader.wall += reader.wall;
        totalReader.cpu += reader.cpu;
        totalPeer.wall += peer.wall;
        totalPeer.cpu += peer.cpu;
        row(QByteArray::number(c.pages).constData(), bytes, reader, peer, paragraphs);
    }
    row("all", totalBytes, totalReader, totalPeer, totalParagraphs);
    return 0;
}
