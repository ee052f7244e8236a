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
// Usage: suggestions_bench [MANUAL_FOLDER] (default /usr/share/man/fr).
#include "analysis/segmenter.h"
#include "bench/peakmemory.h"
#include "reliability/coefficients.h"
#include "suggestions/evaluation.h"
#include "suggestions/model.h"
#include "words/wordsplit.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTextStream>

#include <zlib.h>

#include <cmath>
#include <cstdio>
#include <ctime>
#include <map>

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

std::vector<Page> readPages(const QString &folder, int perSection, int segments)
{
    std::vector<Page> pages;
    for (int section : kSections) {
        QDir dir(QStringLiteral("%1/man%2").arg(folder).arg(section));
        QStringList files = dir.entryList({QStringLiteral("*.gz")}, QDir::Files, QDir::Name);
        // Evenly thinned, so that every part of the alphabet is there.
        QStringList chosen;
        if (perSection > 0 && files.size() > perSection) {
            for (int i = 0; i < perSection; ++i)
                chosen << files.at(int(qint64(i) * files.size() / perSection));
        } else {
            chosen = files;
        }
        for (const QString &file : chosen) {
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
bool runFastText(const std::vector<Page> &pages, double *alpha, double *accuracy, double *seconds)
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
    learn.start(program, {QStringLiteral("supervised"), QStringLiteral("-input"), train.fileName(),
                          QStringLiteral("-output"), dir.filePath(QStringLiteral("model")),
                          QStringLiteral("-wordNgrams"), QStringLiteral("2"),
                          QStringLiteral("-verbose"), QStringLiteral("0")});
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

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1])
                                    : QStringLiteral("/usr/share/man/fr");
    QTextStream out(stdout);
    if (!QDir(folder + QStringLiteral("/man1")).exists()) {
        out << "suggestions_bench: no French manual pages in " << folder
            << " (Debian packages manpages-fr and manpages-fr-dev); nothing measured.\n";
        return 0;
    }

    QElapsedTimer timer;
    timer.start();
    const std::vector<Page> pages = readPages(folder, kPagesPerSection, kSegmentsPerPage);
    std::map<int, int> perSection;
    qint64 heldSegments = 0, learntSegments = 0;
    for (const Page &p : pages) {
        ++perSection[p.section];
        (heldOut(p.name) ? heldSegments : learntSegments) += p.segments.size();
    }
    out << "Check: " << pages.size() << " French manual pages in " << perSection.size()
        << " sections (";
    for (const auto &[s, n] : perSection)
        out << "section " << s << ": " << n << (s == 8 ? "" : ", ");
    out << "), first " << kSegmentsPerPage << " segments of NOM and DESCRIPTION; "
        << learntSegments << " segments learnt from (70% of the pages), " << heldSegments
        << " suggested for (30%); read in " << timer.elapsed() << " ms\n";

    for (int context : {2, 0}) {
        std::vector<suggestions::Unit> learn, test;
        std::vector<qint64> truth;
        qint64 segment = 0, text = 0;
        for (const Page &p : pages) {
            const bool held = heldOut(p.name);
            addUnits(p, ++text, segment, !held, context, context ? 10 : 0, held ? test : learn);
            if (held)
                for (int i = 0; i < p.segments.size(); ++i)
                    truth.push_back(p.section);
        }
        suggestions::Options options;
        options.contextSegments = context;
        suggestions::Model model;
        timer.restart();
        model.train(learn, options);
        const qint64 learnt = timer.elapsed();
        std::vector<std::pair<qint64, qint64>> pairs;
        for (size_t i = 0; i < test.size(); ++i)
            pairs.emplace_back(truth[i], model.suggest(test[i]).value);
        double accuracy = 0;
        const reliability::Coefficient a = alphaOf(pairs, &accuracy);
        out << (context ? "Suggestions (segment, 2 segments each side, 10 further): "
                        : "Suggestions, segment alone:                           ")
            << "alpha " << show(a) << ", accuracy " << QString::number(accuracy, 'f', 4)
            << " (learnt in " << learnt << " ms, " << model.features() << " features)\n";
    }
    double ftAlpha = 0, ftAccuracy = 0, ftSeconds = 0;
    if (runFastText(pages, &ftAlpha, &ftAccuracy, &ftSeconds))
        out << "fastText supervised, word bigrams, segment alone:   alpha "
            << QString::number(ftAlpha, 'f', 4) << ", accuracy "
            << QString::number(ftAccuracy, 'f', 4) << " (" << ftSeconds << " s)\n";
    else
        out << "fastText: the fasttext command is not installed (Debian package fasttext); "
               "not compared.\n";

    // Cross-validation on the learnt part, as the window reports it.
    {
        std::vector<suggestions::Unit> units;
        qint64 segment = 0, text = 0;
        for (const Page &p : pages)
            if (!heldOut(p.name))
                addUnits(p, ++text, segment, true, 2, 10, units);
        QString error;
        timer.restart();
        const auto e = suggestions::crossValidate(units, 5, {}, {}, &error);
        if (e)
            out << "Cross-validation by text (5 folds, on the 70%): alpha " << show(e->alpha)
                << ", kappa " << show(e->kappa) << ", accuracy "
                << QString::number(e->accuracy, 'f', 4) << ", " << e->segments << " segments, "
                << timer.elapsed() << " ms\n";
    }

    // Speed: 100,000 coded segments, every page whole.
    {
        const std::vector<Page> all = readPages(folder, 0, 0);
        std::vector<suggestions::Unit> units;
        qint64 segment = 0, text = 0;
        for (int round = 0; units.size() < 100000 && round < 20; ++round)
            for (const Page &p : all) {
                addUnits(p, ++text, segment, true, 2, 10, units);
                if (units.size() >= 100000)
                    break;
            }
        units.resize(std::min<size_t>(units.size(), 100000));
        const double before = bench::peakMiB();
        suggestions::Model model;
        timer.restart();
        const std::clock_t cpu = std::clock();
        model.train(units, {});
        const qint64 learnt = timer.elapsed();
        const double cpuMs = double(std::clock() - cpu) * 1000.0 / CLOCKS_PER_SEC;
        const double peak = bench::peakMiB();
        timer.restart();
        const std::clock_t cpu2 = std::clock();
        const int n = 1000;
        double sum = 0;
        for (int i = 0; i < n; ++i)
            sum += model.suggest(units[size_t(i * 97) % units.size()]).confidence;
        const double each = double(timer.nsecsElapsed()) / n / 1e6;
        const double eachCpu = double(std::clock() - cpu2) * 1000.0 / CLOCKS_PER_SEC / n;
        out << "Speed: learning from " << units.size() << " coded segments: " << learnt
            << " ms wall, " << qRound(cpuMs) << " ms of processor (limit 30,000 ms), " << model.features() << " features, model "
            << model.save().size() / 1024 << " KiB, peak memory " << qRound(peak)
            << " MiB (" << qRound(peak - before) << " MiB more while learning); one "
            << "suggestion: " << QString::number(each, 'f', 3) << " ms wall, "
            << QString::number(eachCpu, 'f', 3) << " ms of processor (limit 5 ms)"
            << (sum < 0 ? "" : "") << "\n";
    }
    return 0;
}
