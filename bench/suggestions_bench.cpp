// suggestions_bench: how well and how fast the suggestions learn.
//
// The check: the French manual pages of Debian (packages manpages-fr and
// manpages-fr-dev), each page a short text (the first segments of its NOM
// and DESCRIPTION), filed by its section (1 commands, 2 system calls,
// 3 library functions, 4 special files, 5 file formats, 7 overviews,
// 8 administration: the sections people gave them). The pages are dealt
// into 70% learnt from and 30% suggested for (by a hash of their name, the
// same on every machine), and the suggestions for every segment of the 30%
// are compared with the section by Krippendorff's alpha (nominal), with:
//  - the suggestions, context and all (what the coder is offered);
//  - the same model on the segment alone;
//  - fastText's supervised mode with word bigrams on the segment alone
//    (Debian's fasttext command), when it is installed.
// Then the speed: learning from 100,000 coded segments, and one suggestion.
//
// A second check of the same shape on the Debian Administrator's Handbook in
// French: its sections as short texts, filed in eight chapters.
//
// A third check of the same shape on LibreOffice's help in French: its
// pages as short texts, filed under the eight applications.
//
// A fourth on GIMP's help in French: its pages on commands as short texts,
// filed under eight menus or families. It came after every choice of the
// model was made on the first three, and was never used to make one: its
// figures are those of texts the model's design never saw.
//
// Usage: suggestions_bench [MANUAL_FOLDER [HANDBOOK_FOLDER [HELP_FOLDER
// [GIMP_HELP_FOLDER]]]] (defaults /usr/share/man/fr,
// /usr/share/doc/debian-handbook/html/fr-FR, /usr/share/libreoffice/help/fr
// and /usr/share/gimp/2.0/help/fr);
// SUGGESTIONS_BENCH_SPEED_ONLY=1 measures the speed alone,
// SUGGESTIONS_BENCH_NO_SPEED=1 the checks alone; SUGGESTIONS_BENCH_SEEDS=N
// learns each check from N seeds (12 by default; 1: the default seed alone);
// SUGGESTIONS_BENCH_GIMP_ONLY=1 stops after the check on GIMP's help.
#include "analysis/segmenter.h"
#include "bench/benchtemplate.h"
#include "bench/peakmemory.h"
#include "reliability/coefficients.h"
#include "store/connection.h"
#include "store/storeerror.h"
#include "store/suggestionunits.h"
#include "suggestions/chain.h"
#include "suggestions/evaluation.h"
#include "suggestions/model.h"
#include "words/wordsplit.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTextStream>

#include <sqlite3.h>
#include <zlib.h>

#include <cmath>
#include <cstdio>
#include <ctime>
#include <map>
#include <optional>

namespace {

const int kSections[] = {1, 2, 3, 4, 5, 7, 8};
constexpr int kPagesPerSection = 200; // the largest sections are thinned, evenly
constexpr int kSegmentsPerPage = 12;

QByteArray gunzip(const QString &path)
{
    QByteArray out;
    gzFile f = gzopen(QFile::encodeName(path).constData(), "rb");
    if (!f)
        return out;
    char buffer[65536];
    int n = 0;
    while ((n = gzread(f, buffer, sizeof buffer)) > 0)
        out.append(buffer, n);
    gzclose(f);
    return out;
}

// The running text of a manual page's NOM and DESCRIPTION sections: the
// requests dropped, the font and character escapes resolved, one paragraph
// a line.
QString pageText(const QByteArray &source)
{
    static const QRegularExpression fonts(QStringLiteral(R"(\\f(\[[^\]]*\]|\(..|.))"));
    static const QRegularExpression named(QStringLiteral(R"(\\(\(..|\[[^\]]*\]))"));
    static const QRegularExpression others(QStringLiteral(R"(\\[&/,|^%:])"));
    QStringList paragraphs;
    QString current;
    bool keep = false;
    auto flush = [&]() {
        if (!current.trimmed().isEmpty())
            paragraphs << current.simplified();
        current.clear();
    };
    for (const QString &raw : QString::fromUtf8(source).split(QLatin1Char('\n'))) {
        QString line = raw;
        if (line.startsWith(QLatin1String(".SH"))) {
            flush();
            const QString title = line.mid(3).trimmed().remove(QLatin1Char('"')).toUpper();
            keep = title == QLatin1String("NOM") || title == QLatin1String("DESCRIPTION");
            continue;
        }
        if (line.startsWith(QLatin1Char('.')) || line.startsWith(QLatin1Char('\''))) {
            const QString request = line.section(QLatin1Char(' '), 0, 0);
            if (request == QLatin1String(".PP") || request == QLatin1String(".P") ||
                request == QLatin1String(".LP") || request == QLatin1String(".TP") ||
                request == QLatin1String(".IP") || request == QLatin1String(".SS")) {
                flush();
                continue;
            }
            // .B and .I carry text.
            if (keep && (request == QLatin1String(".B") || request == QLatin1String(".I") ||
                         request == QLatin1String(".BR") || request == QLatin1String(".IR") ||
                         request == QLatin1String(".BI") || request == QLatin1String(".RB")))
                line = line.section(QLatin1Char(' '), 1).remove(QLatin1Char('"'));
            else
                continue;
        }
        if (!keep)
            continue;
        if (line.trimmed().isEmpty()) {
            flush();
            continue;
        }
        line.replace(fonts, QString());
        line.replace(QLatin1String("\\-"), QLatin1String("-"));
        line.replace(QLatin1String("\\ "), QLatin1String(" "));
        line.replace(QLatin1String("\\(aq"), QLatin1String("'"));
        line.replace(QLatin1String("\\(em"), QLatin1String(" - "));
        line.replace(QLatin1String("\\(en"), QLatin1String("-"));
        line.replace(QLatin1String("\\e"), QLatin1String("\\"));
        line.replace(named, QLatin1String(" "));
        line.replace(others, QString());
        current += line + QLatin1Char(' ');
    }
    flush();
    return paragraphs.join(QLatin1String("\r\n"));
}

struct Page {
    QString name;
    int section = 0;
    QStringList segments;
};

QStringList segmentsOf(const QString &text, int most)
{
    QStringList out;
    segmentation::Segmenter segmenter([&](QByteArrayView s) {
        const QString t = QString::fromUtf8(s.data(), s.size()).trimmed();
        if (!t.isEmpty())
            out << t;
    });
    segmenter.setLineEndsSentence(true);
    segmenter.feed(text.toUtf8());
    segmenter.finish();
    if (most > 0 && out.size() > most)
        out = out.mid(0, most);
    return out;
}

// At most `most` of the files (all when `most` is 0), evenly thinned, so
// that every part of the alphabet is there.
QStringList thinned(const QStringList &files, int most)
{
    if (most <= 0 || files.size() <= most)
        return files;
    QStringList chosen;
    for (int i = 0; i < most; ++i)
        chosen << files.at(int(qint64(i) * files.size() / most));
    return chosen;
}

std::vector<Page> readPages(const QString &folder, int perSection, int segments)
{
    std::vector<Page> pages;
    for (int section : kSections) {
        QDir dir(QStringLiteral("%1/man%2").arg(folder).arg(section));
        QStringList files = dir.entryList({QStringLiteral("*.gz")}, QDir::Files, QDir::Name);
        for (const QString &file : thinned(files, perSection)) {
            Page p;
            p.name = file;
            p.section = section;
            p.segments = segmentsOf(pageText(gunzip(dir.filePath(file))), segments);
            if (p.segments.size() >= 2)
                pages.push_back(std::move(p));
        }
    }
    return pages;
}

bool heldOut(const QString &name)
{
    const QByteArray h = QCryptographicHash::hash(name.toUtf8(), QCryptographicHash::Sha1);
    return quint8(h.at(0)) % 10 < 3;
}

// The units of the pages, numbered; coded with their section when `coded`.
void addUnits(const Page &page, qint64 text, qint64 &segment, bool coded, int context,
              int wider, std::vector<suggestions::Unit> &out)
{
    for (int i = 0; i < page.segments.size(); ++i) {
        suggestions::Unit u;
        u.segment = ++segment;
        u.text = text;
        if (i > 0)
            u.before = u.segment - 1;
        u.content = page.segments.at(i);
        for (int d = 1; d <= wider; ++d) {
            QStringList &into = d <= context ? u.context : u.wider;
            if (i - d >= 0)
                into << page.segments.at(i - d);
            if (i + d < page.segments.size())
                into << page.segments.at(i + d);
        }
        if (coded) {
            u.values = {page.section};
            if (i > 0)
                u.previous = {page.section};
        }
        out.push_back(std::move(u));
    }
}

QString fastTextLine(const QString &text)
{
    QStringList forms = words::countingWords(text);
    return forms.join(QLatin1Char(' '));
}

reliability::Coefficient alphaOf(const std::vector<std::pair<qint64, qint64>> &pairs,
                                 double *accuracy)
{
    reliability::Table table(qint64(pairs.size()), 2);
    qint64 agree = 0;
    for (size_t i = 0; i < pairs.size(); ++i) {
        table.set(qint64(i), 0, double(pairs[i].first));
        table.set(qint64(i), 1, double(pairs[i].second));
        agree += pairs[i].first == pairs[i].second;
    }
    *accuracy = pairs.empty() ? 0 : double(agree) / double(pairs.size());
    return reliability::alpha(table, reliability::Level::Nominal);
}

QString show(const reliability::Coefficient &c)
{
    return c.defined() ? QString::number(c.value, 'f', 4) : QStringLiteral("undefined");
}

// fastText on the segment alone; its alpha, or nothing when the command
// is not there.
bool runFastText(const std::vector<Page> &pages, const QStringList &settings, double *alpha,
                 double *accuracy, double *seconds)
{
    const QString program = QStandardPaths::findExecutable(QStringLiteral("fasttext"));
    if (program.isEmpty())
        return false;
    QTemporaryDir dir;
    QFile train(dir.filePath(QStringLiteral("train.txt")));
    QFile test(dir.filePath(QStringLiteral("test.txt")));
    if (!train.open(QIODevice::WriteOnly) || !test.open(QIODevice::WriteOnly))
        return false;
    QTextStream tr(&train), te(&test);
    std::vector<qint64> truth;
    for (const Page &p : pages)
        for (const QString &s : p.segments) {
            const QString line = fastTextLine(s);
            if (heldOut(p.name)) {
                te << line << '\n';
                truth.push_back(p.section);
            } else {
                tr << "__label__" << p.section << ' ' << line << '\n';
            }
        }
    tr.flush();
    te.flush();
    train.close();
    test.close();
    QElapsedTimer t;
    t.start();
    QProcess learn;
    learn.start(program, QStringList{QStringLiteral("supervised"), QStringLiteral("-input"), train.fileName(),
                          QStringLiteral("-output"), dir.filePath(QStringLiteral("model")),
                          QStringLiteral("-wordNgrams"), QStringLiteral("2"),
                          QStringLiteral("-verbose"), QStringLiteral("0")}
                             + settings);
    if (!learn.waitForFinished(600000) || learn.exitCode() != 0)
        return false;
    QProcess predict;
    predict.start(program, {QStringLiteral("predict"), dir.filePath(QStringLiteral("model.bin")),
                            test.fileName()});
    if (!predict.waitForFinished(600000) || predict.exitCode() != 0)
        return false;
    *seconds = double(t.elapsed()) / 1000.0;
    const QStringList labels =
        QString::fromUtf8(predict.readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    if (size_t(labels.size()) != truth.size())
        return false;
    std::vector<std::pair<qint64, qint64>> pairs;
    for (size_t i = 0; i < truth.size(); ++i)
        pairs.emplace_back(truth[i], labels.at(int(i)).mid(9).toLongLong());
    const reliability::Coefficient a = alphaOf(pairs, accuracy);
    *alpha = a.defined() ? a.value : 0.0;
    return true;
}


// The Debian Administrator's Handbook in French (package debian-handbook):
// each section of a chapter (a title and its paragraphs, up to the next
// title) is a short text, filed in its chapter by the book's authors; the
// paragraphs the translation left in English are left out, and so is a
// section with fewer than two French paragraphs. Eight chapters of distinct
// subjects.
const int kHandbookChapters[] = {1, 4, 6, 8, 9, 11, 12, 14};

bool isFrench(const QString &text)
{
    static const QSet<QString> french{"le",  "la",   "les", "de",  "des",  "du",   "et",  "est",
                                      "un",  "une",  "pour", "dans", "que", "qui",  "sur", "par",
                                      "au",  "aux",  "ce",  "cette", "il", "elle", "sont", "avec",
                                      "ne",  "pas",  "plus", "on",  "se",  "sa",   "son", "ses"};
    static const QSet<QString> english{"the", "and", "of",  "to",   "is",   "a",  "in",
                                       "for", "that", "this", "it",  "are",  "with", "be",
                                       "on",  "as",  "by",   "an",  "can",  "which"};
    int fr = 0, en = 0;
    for (const QString &w : words::countingWords(text)) {
        fr += french.contains(w) ? 1 : 0;
        en += english.contains(w) ? 1 : 0;
    }
    return fr > 2 * en;
}

QString plain(QString html)
{
    static const QRegularExpression tags(QStringLiteral("<[^>]+>"));
    html.replace(tags, QStringLiteral(" "));
    html.replace(QLatin1String("&nbsp;"), QLatin1String(" "));
    html.replace(QLatin1String("&lt;"), QLatin1String("<"));
    html.replace(QLatin1String("&gt;"), QLatin1String(">"));
    html.replace(QLatin1String("&quot;"), QLatin1String("\""));
    html.replace(QLatin1String("&#39;"), QLatin1String("'"));
    html.replace(QLatin1String("&amp;"), QLatin1String("&"));
    static const QRegularExpression numeric(QStringLiteral("&#(\\d+);"));
    QRegularExpressionMatch m;
    while ((m = numeric.match(html)).hasMatch())
        html.replace(m.capturedStart(), m.capturedLength(), QChar(m.captured(1).toInt()));
    return html.simplified();
}

std::vector<Page> readHandbook(const QString &folder, int segments)
{
    std::vector<Page> pages;
    QFile indexFile(folder + QStringLiteral("/index.html"));
    if (!indexFile.open(QIODevice::ReadOnly))
        return pages;
    const QString index = QString::fromUtf8(indexFile.readAll());
    static const QRegularExpression chapterLink(
        QStringLiteral("<span class=\"chapter\"><a href=\"([^\"]+)\">"));
    static const QRegularExpression sectionLink(QStringLiteral("href=\"(sect\\.[^\"#]+)"));
    static const QRegularExpression title(QStringLiteral("<h[2-5] class=\"title\""));
    static const QRegularExpression para(QStringLiteral("<div class=\"para\">(.*?)</div>"),
                                         QRegularExpression::DotMatchesEverythingOption);
    std::vector<std::pair<qsizetype, QString>> chapters;
    for (auto it = chapterLink.globalMatch(index); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        chapters.emplace_back(m.capturedStart(), m.captured(1));
    }
    for (int chapter : kHandbookChapters) {
        if (chapter > int(chapters.size()))
            continue;
        const qsizetype from = chapters[size_t(chapter - 1)].first;
        const qsizetype to = chapter < int(chapters.size()) ? chapters[size_t(chapter)].first
                                                            : index.size();
        QStringList files{chapters[size_t(chapter - 1)].second};
        QSet<QString> seen;
        for (auto it = sectionLink.globalMatch(index.mid(from, to - from)); it.hasNext();) {
            const QString f = it.next().captured(1);
            if (!seen.contains(f)) {
                seen.insert(f);
                files << f;
            }
        }
        for (const QString &file : files) {
            QFile f(folder + QLatin1Char('/') + file);
            if (!f.open(QIODevice::ReadOnly))
                continue;
            const QStringList parts = QString::fromUtf8(f.readAll()).split(title);
            for (int i = 1; i < parts.size(); ++i) {
                QStringList paragraphs;
                for (auto it = para.globalMatch(parts.at(i)); it.hasNext();) {
                    const QString text = plain(it.next().captured(1));
                    if (words::countingWords(text).size() >= 5 && isFrench(text))
                        paragraphs << text;
                }
                if (paragraphs.size() < 2)
                    continue;
                Page p;
                p.name = QStringLiteral("%1#%2").arg(file).arg(i);
                p.section = chapter;
                p.segments = segmentsOf(paragraphs.join(QLatin1String("\r\n")), segments);
                if (p.segments.size() >= 2)
                    pages.push_back(std::move(p));
            }
        }
    }
    return pages;
}

// A help page as a text of the checks: its title, then its paragraphs
// (those `para` finds in `html`) that are French and hold five words or
// more; none when fewer than two such paragraphs, or segments, remain.
std::optional<Page> helpPage(const QString &name, int section, const QString &title,
                             const QString &html, const QRegularExpression &para, int segments)
{
    QStringList paragraphs;
    if (!title.isEmpty())
        paragraphs << title;
    int french = 0;
    for (auto p = para.globalMatch(html); p.hasNext();) {
        const QString text = plain(p.next().captured(1));
        if (words::countingWords(text).size() >= 5 && isFrench(text)) {
            paragraphs << text;
            ++french;
        }
    }
    if (french < 2)
        return std::nullopt;
    Page page;
    page.name = name;
    page.section = section;
    page.segments = segmentsOf(paragraphs.join(QLatin1String("\r\n")), segments);
    if (page.segments.size() < 2)
        return std::nullopt;
    return page;
}

// LibreOffice's help in French (package libreoffice-help-fr): each help
// page of the eight applications (Basic, Calc, Chart, Base, Draw, Impress,
// Math, Writer; the pages shared by all are left out) is a short text, its
// title and its paragraphs, filed by the help's writers under its
// application. The largest applications are thinned evenly to 200 pages;
// paragraphs left in English, and pages with fewer than two French
// paragraphs, are left out.
const char *const kHelpModules[] = {"sbasic", "scalc",   "schart",   "sdatabase",
                                    "sdraw",  "simpress", "smath",   "swriter"};

std::vector<Page> readHelp(const QString &folder, int perModule, int segments)
{
    std::vector<Page> pages;
    static const QRegularExpression heading(QStringLiteral("<h1[^>]*>(.*?)</h1>"),
                                            QRegularExpression::DotMatchesEverythingOption);
    static const QRegularExpression para(
        QStringLiteral("<p id=\"(?:par|hd)_id[^\"]*\"[^>]*>(.*?)</p>"),
        QRegularExpression::DotMatchesEverythingOption);
    for (int m = 0; m < int(std::size(kHelpModules)); ++m) {
        const QString root = QStringLiteral("%1/text/%2").arg(folder, QLatin1String(kHelpModules[m]));
        QStringList files;
        QDirIterator it(root, {QStringLiteral("*.html")}, QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext())
            files << it.next().mid(root.size() + 1);
        files.sort();
        for (const QString &file : thinned(files, perModule)) {
            QFile f(root + QLatin1Char('/') + file);
            if (!f.open(QIODevice::ReadOnly))
                continue;
            QString html = QString::fromUtf8(f.readAll());
            const qsizetype from = html.indexOf(QLatin1String("id=\"DisplayArea\""));
            const qsizetype to = html.indexOf(QLatin1String("id=\"DEBUG\""));
            if (from < 0 || to < from)
                continue;
            html = html.mid(from, to - from);
            if (auto page = helpPage(QStringLiteral("%1/%2").arg(QLatin1String(kHelpModules[m]), file),
                                     m + 1, plain(heading.match(html).captured(1)), html, para,
                                     segments))
                pages.push_back(std::move(*page));
        }
    }
    return pages;
}

// The options of the model, as given in the environment (for trying
// settings: SUGGESTIONS_EPOCHS=10 SUGGESTIONS_WIDER=1.5 ...).
suggestions::Options tried()
{
    suggestions::Options o;
    auto number = [](const char *name, double fallback) {
        bool ok = false;
        const double v = qEnvironmentVariable(name).toDouble(&ok);
        return ok ? v : fallback;
    };
    o.epochs = int(number("SUGGESTIONS_EPOCHS", o.epochs));
    o.rate = number("SUGGESTIONS_RATE", o.rate);
    o.l2 = number("SUGGESTIONS_L2", o.l2);
    o.widerSegments = int(number("SUGGESTIONS_WIDER_SEGMENTS", o.widerSegments));
    o.wordWeight = float(number("SUGGESTIONS_WORDS", o.wordWeight));
    o.pairWeight = float(number("SUGGESTIONS_PAIRS", o.pairWeight));
    o.contextWeight = float(number("SUGGESTIONS_CONTEXT", o.contextWeight));
    o.widerWeight = float(number("SUGGESTIONS_WIDER", o.widerWeight));
    o.previousWeight = float(number("SUGGESTIONS_PREVIOUS", o.previousWeight));
    o.balance = number("SUGGESTIONS_BALANCE", o.balance);
    return o;
}

// The check of one corpus: learnt from 70% of its texts, suggesting for
// every segment of the other 30%, against fastText on the same split.
void check(const QString &what, const std::vector<Page> &pages, QTextStream &out)
{
    std::map<int, int> perSection;
    qint64 heldSegments = 0, learntSegments = 0;
    for (const Page &p : pages) {
        ++perSection[p.section];
        (heldOut(p.name) ? heldSegments : learntSegments) += p.segments.size();
    }
    out << "Check: " << what << ": " << pages.size() << " texts in " << perSection.size()
        << " topics (";
    bool first = true;
    for (const auto &[s, n] : perSection) {
        out << (first ? "" : ", ") << s << ": " << n;
        first = false;
    }
    out << "); " << learntSegments << " segments learnt from (70% of the texts), "
        << heldSegments << " suggested for (30%)\n";
    QElapsedTimer timer;
    // One learning and its suggestions for the held-out texts: `chained`
    // as the windows suggest for segments not coded (in reading order, each
    // one's suggestion standing for the previous values of the next),
    // `alone` each segment without them.
    struct Measure {
        std::vector<std::pair<qint64, qint64>> chained, alone;
        qint64 learnt = 0; // ms
        int features = 0;
    };
    auto measure = [&](int context, const suggestions::Options &options) {
        std::vector<suggestions::Unit> learn, test;
        std::vector<qint64> truth;
        qint64 segment = 0, text = 0;
        for (const Page &p : pages) {
            const bool held = heldOut(p.name);
            addUnits(p, ++text, segment, !held, context, context ? options.widerSegments : 0,
                     held ? test : learn);
            if (held)
                for (int i = 0; i < p.segments.size(); ++i)
                    truth.push_back(p.section);
        }
        suggestions::Model model;
        timer.restart();
        model.train(learn, options);
        Measure m;
        m.learnt = timer.elapsed();
        m.features = model.features();
        suggestions::Chain chain(model);
        for (size_t i = 0; i < test.size(); ++i) {
            m.alone.emplace_back(truth[i], model.suggest(test[i]).value);
            m.chained.emplace_back(truth[i], chain.suggest(test[i]).value);
        }
        return m;
    };
    std::vector<double> chained, alone; // alpha of each seed, the default first
    for (int context : {2, 0}) {
        suggestions::Options options = tried();
        options.contextSegments = context;
        const Measure m = measure(context, options);
        double accuracy = 0;
        if (context) {
            const reliability::Coefficient a = alphaOf(m.alone, &accuracy);
            alone.push_back(a.value);
            out << "  ours, segment and its context, each without the previous suggestion: alpha "
                << show(a) << ", accuracy " << QString::number(accuracy, 'f', 4) << "\n";
        }
        const auto &pairs = context ? m.chained : m.alone;
        const reliability::Coefficient a = alphaOf(pairs, &accuracy);
        if (context)
            chained.push_back(a.value);
        if (context && qEnvironmentVariableIsSet("SUGGESTIONS_BENCH_CONFUSION")) {
            std::map<qint64, std::map<qint64, int>> confusion;
            for (const auto &[truth, given] : pairs)
                ++confusion[truth][given];
            for (const auto &[t, row] : confusion) {
                out << "    " << t << ":";
                for (const auto &[g, n] : row)
                    out << " " << g << "=" << n;
                out << "\n";
            }
        }
        out << (context ? "  ours, segment and its context:        "
                        : "  ours, segment alone:                  ")
            << "alpha " << show(a) << ", accuracy " << QString::number(accuracy, 'f', 4)
            << " (learnt in " << m.learnt << " ms, " << m.features << " features)\n";
    }
    // The same learning from other seeds (the order of the learning steps
    // and which of them see the previous values): in a run of segments not
    // coded, one suggestion changed can change the next ones, so the figure
    // of one seed is one draw among others.
    const int seeds = qEnvironmentVariableIsSet("SUGGESTIONS_BENCH_SEEDS")
                          ? qEnvironmentVariableIntValue("SUGGESTIONS_BENCH_SEEDS")
                          : 12;
    if (seeds > 1) {
        for (int i = 1; i < seeds; ++i) {
            suggestions::Options options = tried();
            options.seed += quint64(i);
            const Measure m = measure(2, options);
            double accuracy = 0;
            chained.push_back(alphaOf(m.chained, &accuracy).value);
            alone.push_back(alphaOf(m.alone, &accuracy).value);
        }
        auto spread = [](std::vector<double> v) {
            std::sort(v.begin(), v.end());
            double sum = 0;
            for (double x : v)
                sum += x;
            return QStringLiteral("mean %1 (from %2 to %3)")
                .arg(sum / double(v.size()), 0, 'f', 4)
                .arg(v.front(), 0, 'f', 4)
                .arg(v.back(), 0, 'f', 4);
        };
        out << "  ours, segment and its context, alpha over " << seeds << " seeds: "
            << spread(chained) << "; each without the previous suggestion: " << spread(alone)
            << "\n";
    }
    const std::vector<std::pair<const char *, QStringList>> fastTextRuns{
        {"  fastText, word bigrams, defaults:     ", {}},
        {"  fastText, word bigrams, 25 epochs, lr 1.0: ",
         {QStringLiteral("-epoch"), QStringLiteral("25"), QStringLiteral("-lr"),
          QStringLiteral("1.0")}}};
    for (const auto &[label, settings] : fastTextRuns) {
        if (qEnvironmentVariableIsSet("SUGGESTIONS_BENCH_NO_FASTTEXT"))
            break;
        double ftAlpha = 0, ftAccuracy = 0, ftSeconds = 0;
        if (runFastText(pages, settings, &ftAlpha, &ftAccuracy, &ftSeconds))
            out << label << "alpha " << QString::number(ftAlpha, 'f', 4) << ", accuracy "
                << QString::number(ftAccuracy, 'f', 4) << " (" << ftSeconds << " s)\n";
        else
            out << "  fastText: the fasttext command is not installed (Debian package "
                   "fasttext); not compared.\n";
    }
    // Cross-validation on the learnt part, as the window reports it.
    std::vector<suggestions::Unit> units;
    qint64 segment = 0, text = 0;
    for (const Page &p : pages)
        if (!heldOut(p.name))
            addUnits(p, ++text, segment, true, 2, suggestions::Options().widerSegments, units);
    QString error;
    timer.restart();
    const auto e = qEnvironmentVariableIsSet("SUGGESTIONS_BENCH_NO_FASTTEXT")
                       ? std::nullopt
                       : suggestions::crossValidate(units, 5, tried(), {}, &error);
    if (e)
        out << "  cross-validation by text (5 folds, on the 70%): alpha " << show(e->alpha)
            << ", kappa " << show(e->kappa) << ", accuracy " << QString::number(e->accuracy, 'f', 4)
            << ", " << e->segments << " segments, " << timer.elapsed() << " ms\n";
    out.flush();
}

// GIMP's help in French (package gimp-help-fr): each page on a command of
// one of eight menus or families (filters, layers, tools, image, view,
// edit, file, selection: the help's writers name each page by it) is a
// short text, its title (its number in the manual left out, which would
// name the family) and its paragraphs; paragraphs left in English, and
// pages with fewer than two French paragraphs, are left out.
const char *const kGimpFamilies[] = {"filter", "layer", "tool", "image",
                                     "view",   "edit",  "file", "selection"};

std::vector<Page> readGimp(const QString &folder, int segments)
{
    std::vector<Page> pages;
    static const QRegularExpression heading(
        QStringLiteral("<h([1-3])[^>]*class=\"title\"[^>]*>(.*?)</h\\1>"),
        QRegularExpression::DotMatchesEverythingOption);
    static const QRegularExpression number(QStringLiteral("^[0-9]+(\\.[0-9]+)*\\.?\\s*"));
    static const QRegularExpression para(QStringLiteral("<p>(.*?)</p>"),
                                         QRegularExpression::DotMatchesEverythingOption);
    QStringList files = QDir(folder).entryList({QStringLiteral("gimp-*.html")}, QDir::Files,
                                               QDir::Name);
    for (const QString &file : files) {
        int family = 0;
        for (int f = 0; f < int(std::size(kGimpFamilies)) && family == 0; ++f)
            if (file.startsWith(QStringLiteral("gimp-%1-").arg(QLatin1String(kGimpFamilies[f]))))
                family = f + 1;
        if (family == 0)
            continue;
        QFile f(folder + QLatin1Char('/') + file);
        if (!f.open(QIODevice::ReadOnly))
            continue;
        const QString html = QString::fromUtf8(f.readAll());
        QString title = plain(heading.match(html).captured(2));
        title.remove(number);
        if (auto page = helpPage(file, family, title, html, para, segments))
            pages.push_back(std::move(*page));
    }
    return pages;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1])
                                    : QStringLiteral("/usr/share/man/fr");
    const QString handbook = argc > 2 ? QString::fromLocal8Bit(argv[2])
                                      : QStringLiteral("/usr/share/doc/debian-handbook/html/fr-FR");
    QTextStream out(stdout);
    const bool speedOnly = qEnvironmentVariableIsSet("SUGGESTIONS_BENCH_SPEED_ONLY");
    const QString help = argc > 3 ? QString::fromLocal8Bit(argv[3])
                                  : QStringLiteral("/usr/share/libreoffice/help/fr");
    if (!speedOnly && !qEnvironmentVariableIsSet("SUGGESTIONS_BENCH_BOOK_ONLY")) {
        const std::vector<Page> pages = readHelp(help, 200, kSegmentsPerPage);
        if (pages.empty())
            out << "suggestions_bench: no French help of LibreOffice in " << help
                << " (Debian package libreoffice-help-fr); not checked.\n";
        else
            check(QStringLiteral("LibreOffice's help in French, pages by application"), pages,
                  out);
        if (qEnvironmentVariableIsSet("SUGGESTIONS_BENCH_HELP_ONLY"))
            return 0;
        const QString gimp = argc > 4 ? QString::fromLocal8Bit(argv[4])
                                      : QStringLiteral("/usr/share/gimp/2.0/help/fr");
        const std::vector<Page> gimpPages = readGimp(gimp, kSegmentsPerPage);
        if (gimpPages.empty())
            out << "suggestions_bench: no French help of GIMP in " << gimp
                << " (Debian package gimp-help-fr); not checked.\n";
        else
            check(QStringLiteral("GIMP's help in French, pages by menu"), gimpPages, out);
        if (qEnvironmentVariableIsSet("SUGGESTIONS_BENCH_GIMP_ONLY"))
            return 0;
    }
    const std::vector<Page> book = readHandbook(handbook, 30);
    if (book.empty())
        out << "suggestions_bench: no French handbook in " << handbook
            << " (Debian package debian-handbook); not checked.\n";
    else if (!speedOnly)
        check(QStringLiteral("the Debian Administrator's Handbook in French, sections by chapter"),
              book, out);
    if (!QDir(folder + QStringLiteral("/man1")).exists()) {
        out << "suggestions_bench: no French manual pages in " << folder
            << " (Debian packages manpages-fr and manpages-fr-dev); nothing more measured.\n";
        return 0;
    }
    if (!speedOnly && !qEnvironmentVariableIsSet("SUGGESTIONS_BENCH_BOOK_ONLY"))
        check(QStringLiteral("French manual pages by section, first 12 segments of NOM and "
                             "DESCRIPTION"),
              readPages(folder, kPagesPerSection, kSegmentsPerPage), out);
    QElapsedTimer timer;
    if (qEnvironmentVariableIsSet("SUGGESTIONS_BENCH_BOOK_ONLY")
        || qEnvironmentVariableIsSet("SUGGESTIONS_BENCH_NO_SPEED"))
        return 0;

    // Speed: 100,000 coded segments, every page whole, given to the
    // learning as the store gives them: read again at each pass (here
    // rebuilt from the pages), never all held.
    {
        const std::vector<Page> all = readPages(folder, 0, 0);
        const int wider = suggestions::Options().widerSegments;
        const size_t wanted = 100000;
        auto source = [&](const suggestions::Model::UnitSink &sink) {
            qint64 segment = 0, text = 0;
            size_t given = 0;
            for (int round = 0; given < wanted && round < 20; ++round)
                for (const Page &p : all) {
                    std::vector<suggestions::Unit> units;
                    addUnits(p, ++text, segment, true, 2, wider, units);
                    for (const suggestions::Unit &u : units) {
                        if (given++ >= wanted)
                            return true;
                        if (!sink(u))
                            return false;
                    }
                }
            return true;
        };
        // The time of the passes alone (the units made up here, as the
        // store would read them), to tell the learning's own time.
        timer.start();
        qint64 counted = 0;
        const std::clock_t cpu0 = std::clock();
        source([&](const suggestions::Unit &) { return ++counted > 0; });
        const double passCpuMs = double(std::clock() - cpu0) * 1000.0 / CLOCKS_PER_SEC;
        const double before = bench::peakMiB();
        suggestions::Model model;
        timer.restart();
        const std::clock_t cpu = std::clock();
        model.train(source, {});
        const qint64 learnt = timer.elapsed();
        const double cpuMs = double(std::clock() - cpu) * 1000.0 / CLOCKS_PER_SEC;
        const double peak = bench::peakMiB();
        std::vector<suggestions::Unit> some;
        {
            qint64 segment = 0, text = 0;
            for (size_t i = 0; i < all.size() && some.size() < 2000; ++i)
                addUnits(all[i], ++text, segment, false, 2, wider, some);
        }
        timer.restart();
        const std::clock_t cpu2 = std::clock();
        const int n = 1000;
        double sum = 0;
        for (int i = 0; i < n; ++i)
            sum += model.suggest(some[size_t(i * 97) % some.size()]).confidence;
        const double each = double(timer.nsecsElapsed()) / n / 1e6;
        const double eachCpu = double(std::clock() - cpu2) * 1000.0 / CLOCKS_PER_SEC / n;
        out << "Speed: learning from " << counted << " coded segments (7 passes over them): "
            << learnt << " ms wall, " << qRound(cpuMs) << " ms of processor (limit 30,000 ms; "
            << qRound(passCpuMs * (model.trained() ? 7 : 0)) << " ms of it making the units), "
            << model.features() << " features, model " << model.save().size() / 1024
            << " KiB, peak memory " << qRound(peak) << " MiB (" << qRound(peak - before)
            << " MiB more while learning); one suggestion: " << QString::number(each, 'f', 3)
            << " ms wall, " << QString::number(eachCpu, 'f', 3)
            << " ms of processor (limit 5 ms)" << (sum < 0 ? "" : "") << "\n";
    }
    // The same from an analysis: 100,000 segments coded in list 1 (the
    // sections of the pages), learnt as the background learner of the
    // coding window does, the units read from the file at each pass.
    {
        const std::vector<Page> all = readPages(folder, 0, 0);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("bench.mdb"));
        if (!QFile::copy(benchtemplate::path(), path)
            || !QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner)) {
            out << "Speed from an analysis: the template " << benchtemplate::path()
                << " cannot be copied; not measured.\n";
            return 0;
        }
        {
            sqlite3 *db = nullptr;
            sqlite3_open(QFile::encodeName(path).constData(), &db);
            sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
            std::map<int, qint64> valueOf;
            for (int section : kSections) {
                const QByteArray sql = QStringLiteral("INSERT INTO var_comp_01 (variable01) VALUES "
                                                      "('Section %1')")
                                           .arg(section)
                                           .toUtf8();
                sqlite3_exec(db, sql.constData(), nullptr, nullptr, nullptr);
                valueOf[section] = sqlite3_last_insert_rowid(db);
            }
            sqlite3_stmt *text = nullptr, *segment = nullptr, *coding = nullptr;
            sqlite3_prepare_v2(db, "INSERT INTO Chemin (chemin) VALUES (?1)", -1, &text, nullptr);
            sqlite3_prepare_v2(db, "INSERT INTO textes (numtexte, texte) VALUES (?1, ?2)", -1,
                               &segment, nullptr);
            sqlite3_prepare_v2(db, "INSERT INTO Contenus (numtexte, numvar01) VALUES (?1, ?2)", -1,
                               &coding, nullptr);
            qint64 count = 0;
            for (int round = 0; count < 100000 && round < 20; ++round)
                for (const Page &p : all) {
                    if (count >= 100000)
                        break;
                    const QByteArray name = QStringLiteral("/man/%1/%2").arg(round).arg(p.name).toUtf8();
                    sqlite3_bind_text(text, 1, name.constData(), int(name.size()), SQLITE_TRANSIENT);
                    sqlite3_step(text);
                    sqlite3_reset(text);
                    const qint64 t = sqlite3_last_insert_rowid(db);
                    for (const QString &sgm : p.segments) {
                        if (count >= 100000)
                            break;
                        const QByteArray utf8 = sgm.toUtf8();
                        sqlite3_bind_int64(segment, 1, t);
                        sqlite3_bind_text(segment, 2, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT);
                        sqlite3_step(segment);
                        sqlite3_reset(segment);
                        sqlite3_bind_int64(coding, 1, sqlite3_last_insert_rowid(db));
                        sqlite3_bind_int64(coding, 2, valueOf[p.section]);
                        sqlite3_step(coding);
                        sqlite3_reset(coding);
                        ++count;
                    }
                }
            sqlite3_finalize(text);
            sqlite3_finalize(segment);
            sqlite3_finalize(coding);
            sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
            sqlite3_close(db);
        }
        try {
            auto connection = Connection::open(path, Connection::Access::ReadOnly);
            const suggestions::Options options;
            suggestions::UnitReader reader(*connection, 1, options.contextSegments,
                                           options.widerSegments);
            const double before = bench::peakMiB();
            timer.restart();
            const std::clock_t cpu = std::clock();
            suggestions::Model model;
            const auto source = reader.codedSource();
            const QString little = suggestions::Model::tooLittle(source);
            model.train(source, options);
            const qint64 learnt = timer.elapsed();
            const double cpuMs = double(std::clock() - cpu) * 1000.0 / CLOCKS_PER_SEC;
            const double peak = bench::peakMiB();
            // A suggestion as the coding window asks it (coding/suggester.h):
            // a reader of its own, the segment read with its neighbours,
            // then suggested.
            timer.restart();
            const std::clock_t cpu2 = std::clock();
            const int n = 500;
            double sum = 0;
            for (int i = 0; i < n; ++i) {
                suggestions::UnitReader lookup(*connection, 1, options.contextSegments,
                                               options.widerSegments);
                if (auto u = lookup.unit(1 + qint64(i) * 197 % 100000))
                    sum += suggestions::Chain(model).suggest(*u).confidence;
            }
            const double each = double(timer.nsecsElapsed()) / n / 1e6;
            const double eachCpu = double(std::clock() - cpu2) * 1000.0 / CLOCKS_PER_SEC / n;
            // A lookup whose 10 segments before are not coded, the first
            // time (coding/suggester.h): the run read back, then suggested
            // in order.
            timer.restart();
            const int runs = 100;
            for (int i = 0; i < runs; ++i) {
                const qint64 at = 20 + qint64(i) * 997 % 99000;
                suggestions::UnitReader lookup(*connection, 1, options.contextSegments,
                                               options.widerSegments);
                std::vector<suggestions::Unit> run;
                for (qint64 s = at; s > at - 11; --s) {
                    if (auto u = lookup.unit(s))
                        run.push_back(std::move(*u));
                }
                suggestions::Chain chain(model);
                for (auto it = run.rbegin(); it != run.rend(); ++it) {
                    it->previous.clear();
                    sum += chain.suggest(*it).confidence;
                }
            }
            const double eachRun = double(timer.nsecsElapsed()) / runs / 1e6;
            out << "Speed from an analysis of " << model.learntFrom() << " coded segments"
                << (little.isEmpty() ? "" : " (too little!)") << ", read from the file at each of "
                << "its 8 passes: " << learnt << " ms wall, " << qRound(cpuMs)
                << " ms of processor (limit 30,000 ms), peak memory " << qRound(peak) << " MiB ("
                << qRound(peak - before) << " MiB more while learning); a suggestion for a "
                << "segment read with its neighbours: " << QString::number(each, 'f', 3)
                << " ms wall, " << QString::number(eachCpu, 'f', 3)
                << " ms of processor (limit 5 ms); one after 10 segments not coded, the "
                << "first time: " << QString::number(eachRun, 'f', 3) << " ms wall"
                << (sum < 0 ? "" : "") << "\n";
        } catch (const StoreError &e) {
            out << "Speed from an analysis: " << e.message() << "\n";
        }
    }
    return 0;
}
