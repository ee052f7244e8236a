// batch_takein: the batch take-in of telmira-codage ("Ajouter des textes",
// --ajouter) against one big text, and the conversion of a Word document
// against the take-in of its text.
//
//   batch_takein [MB]   (MB = 100 by default)
//
// (1) one text of MB megabytes taken in by the batch, then (2) 1,000 texts
// of MB/1000 megabytes each (the same bytes in all) taken in by the batch,
// each in its own transaction, on fresh copies of the template; the two
// alternate three times and the medians are compared (target: (2) at no
// less than 0.8 of the speed of (1)). (3) a .docx of about 10 MB: its
// conversion to plain text (unzip, XML, paragraphs) against the take-in of
// the text it gives (target: conversion no longer than the take-in).
#include "bench/benchtemplate.h"
#include "../tests/exchange/documents.h"
#include "analysis/batchtakein.h"
#include "exchange/docxreader.h"
#include "store/connection.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>

namespace {

[[noreturn]] void die(const QString &message)
{
    std::fprintf(stderr, "%s\n", qPrintable(message));
    std::exit(1);
}

// Words of French prose, combined by a fixed pseudo-random walk.
class Prose
{
public:
    QByteArray sentence()
    {
        static const char *const words[] = {
            "le",      "la",        "les",       "un",        "une",      "des",     "village",
            "rivière", "matin",     "soir",      "boulangère", "facteur", "école",   "enfants",
            "place",   "fontaine",  "maire",     "journal",   "vendanges", "café",   "pluie",
            "temps",   "chemin",    "colporteur", "monnaie",  "fenêtre",  "toits",   "chats",
            "regarde", "attend",    "raconte",   "oublie",    "traverse", "répond",  "demande",
            "écrit",   "lentement", "toujours",  "déjà",      "encore",   "jamais",  "souvent",
            "vieux",   "tiède",     "jaune",     "longue",    "dernière", "première", "et",
            "mais",    "donc",      "puis",      "avec",      "sans",     "pour",    "chez",
            "dans",    "sur",       "sous",      "entre",     "après",    "avant",   "comme"};
        const int count = int(sizeof(words) / sizeof(words[0]));
        QByteArray s;
        const int n = 6 + int(next() % 14);
        for (int i = 0; i < n; ++i) {
            if (i)
                s += ' ';
            QByteArray w = words[next() % count];
            if (i == 0 && w[0] >= 'a' && w[0] <= 'z')
                w[0] = char(w[0] - 'a' + 'A');
            s += w;
            if (next() % 9 == 0)
                s += QByteArray::number(next() % 1000);
        }
        static const char *const ends[] = {".", ".", ".", " !", " ?", "..."};
        s += ends[next() % 6];
        return s;
    }
    QByteArray paragraph()
    {
        QByteArray p;
        const int n = 1 + int(next() % 5);
        for (int i = 0; i < n; ++i) {
            if (i)
                p += ' ';
            p += sentence();
        }
        return p;
    }
    quint32 next()
    {
        m_seed = m_seed * 1103515245u + 12345u;
        return (m_seed >> 16) & 0x7fff;
    }

private:
    quint32 m_seed = 2026;
};

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
        die(QStringLiteral("cannot write ") + path);
}

QString freshDatabase(const QString &dir, const QString &name)
{
    const QString path = QDir(dir).filePath(name);
    QFile::remove(path);
    if (!QFile::copy(benchtemplate::path(), path))
        die(QStringLiteral("cannot copy the template ") + benchtemplate::path());
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
    return path;
}

struct Run
{
    double seconds = 0;
    qint64 segments = 0;
};

Run batchRun(const QString &dir, const QString &name, const QStringList &files)
{
    const QString db = freshDatabase(dir, name);
    std::shared_ptr<Connection> connection = Connection::open(db);
    QElapsedTimer t;
    t.start();
    const batch::Summary s = batch::takeIn(*connection, files);
    Run r;
    r.seconds = double(t.nsecsElapsed()) / 1e9;
    for (const auto &o : s.outcomes) {
        if (o.status != batch::Status::Added)
            die(QStringLiteral("not taken in: %1 (%2)").arg(o.path, o.cause));
        r.segments += o.segments;
    }
    connection.reset();
    QFile::remove(db);
    return r;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const qint64 megabytes = argc > 1 ? QByteArray(argv[1]).toLongLong() : 100;
    const qint64 total = megabytes * 1000 * 1000;
    QTemporaryDir dir;
    if (!dir.isValid())
        die(QStringLiteral("no temporary folder"));

    // The corpora: the same prose, as one file and as 1,000 files.
    Prose prose;
    QByteArray all;
    all.reserve(total + 4096);
    while (all.size() < total)
        all += prose.paragraph() + "\r\n";
    all.truncate(total);
    const QString big = dir.filePath(QStringLiteral("un_texte.txt"));
    writeFile(big, all);
    QDir(dir.path()).mkdir(QStringLiteral("mille"));
    QStringList small;
    const qint64 piece = total / 1000;
    for (int i = 0; i < 1000; ++i) {
        const QString path = dir.filePath(QStringLiteral("mille/texte_%1.txt").arg(i, 4, 10, QLatin1Char('0')));
        writeFile(path, all.mid(i * piece, piece));
        small << path;
    }
    all.clear();
    all.squeeze();

    std::vector<double> one, many;
    qint64 segOne = 0, segMany = 0;
    for (int round = 0; round < 3; ++round) {
        const Run a = batchRun(dir.path(), QStringLiteral("a.mdb"), {big});
        const Run b = batchRun(dir.path(), QStringLiteral("b.mdb"), small);
        one.push_back(a.seconds);
        many.push_back(b.seconds);
        segOne = a.segments;
        segMany = b.segments;
        std::printf("round %d: one text %.2f s, 1000 texts %.2f s\n", round + 1, a.seconds,
                    b.seconds);
        std::fflush(stdout);
    }
    const double mb = double(total) / 1e6;
    const double sOne = median(one), sMany = median(many);
    std::printf("| Batch | Bytes | Segments | Seconds (median of 3) | MB/s |\n");
    std::printf("|---|---:|---:|---:|---:|\n");
    std::printf("| one text of %.0f MB | %lld | %lld | %.2f | %.1f |\n", mb, (long long)total,
                (long long)segOne, sOne, mb / sOne);
    std::printf("| 1,000 texts of %.0f kB | %lld | %lld | %.2f | %.1f |\n", mb, (long long)total,
                (long long)segMany, sMany, mb / sMany);
    std::printf("Speed of 1,000 texts / one text: %.2f (target 0.8)\n\n", sOne / sMany);
    std::fflush(stdout);

    // A Word document of about 10 MB: runs of several formattings, as Word
    // writes them.
    QByteArray body;
    const QString docx = dir.filePath(QStringLiteral("gros.docx"));
    qint64 paragraphs = 0;
    for (qint64 target = 40 << 20;;) {
        while (body.size() < target) {
            const QByteArray p = prose.paragraph();
            // Runs cut at spaces, never inside a character.
            const int cut = qMax(0, int(p.indexOf(' ', p.size() / 3)));
            body += "<w:p w:rsidR=\"00A41C2F\" w:rsidRDefault=\"00A41C2F\"><w:pPr><w:spacing "
                    "w:after=\"120\"/><w:jc w:val=\"both\"/></w:pPr><w:r><w:rPr><w:rFonts "
                    "w:ascii=\"Calibri\" w:hAnsi=\"Calibri\"/><w:lang w:val=\"fr-FR\"/></w:rPr>"
                    "<w:t xml:space=\"preserve\">"
                    + p.left(cut)
                    + "</w:t></w:r><w:r><w:rPr><w:b/><w:lang w:val=\"fr-FR\"/></w:rPr><w:t "
                      "xml:space=\"preserve\">"
                    + p.mid(cut) + "</w:t></w:r></w:p>";
            ++paragraphs;
        }
        documents::writeDocx(docx, body);
        const qint64 size = QFileInfo(docx).size();
        if (size >= 10'000'000)
            break;
        target = qint64(double(body.size()) * 10.2e6 / double(size));
    }
    const qint64 docxSize = QFileInfo(docx).size();
    QElapsedTimer t;
    t.start();
    const exchange::Document doc = exchange::DocxReader().read(docx);
    const QByteArray text = exchange::plainText(doc.paragraphs);
    const double convert = double(t.nsecsElapsed()) / 1e9;
    if (!doc.ok())
        die(doc.error);
    const QString txt = dir.filePath(QStringLiteral("gros.txt"));
    writeFile(txt, text);
    const Run takeIn = batchRun(dir.path(), QStringLiteral("c.mdb"), {txt});
    const Run whole = batchRun(dir.path(), QStringLiteral("d.mdb"), {docx});
    std::printf("| Word document | .docx | XML | text | paragraphs | segments |\n");
    std::printf("|---|---:|---:|---:|---:|---:|\n");
    std::printf("| gros.docx | %.1f MB | %.1f MB | %.1f MB | %lld | %lld |\n\n", docxSize / 1e6,
                body.size() / 1e6, text.size() / 1e6, (long long)paragraphs,
                (long long)takeIn.segments);
    std::printf("| Step | Seconds |\n|---|---:|\n");
    std::printf("| conversion (unzip, XML, paragraphs, UTF-8) | %.2f |\n", convert);
    std::printf("| take-in of its text (segmentation and storage) | %.2f |\n", takeIn.seconds);
    std::printf("| the .docx through the batch (both) | %.2f |\n", whole.seconds);
    std::printf("Conversion / take-in: %.2f (target at most 1)\n", convert / takeIn.seconds);
    return 0;
}
