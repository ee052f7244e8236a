#include "exchange/pdfreader.h"

#include "exchange/paragraphs.h"

#include <poppler-qt6.h>

#include <QDateTime>
#include <QHash>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <exception>
#include <future>
#include <system_error>
#include <thread>

namespace exchange {

namespace {

using Line = PdfReader::Line;

void quiet(const QString &, const QVariant &) {}

// ---------------------------------------------------------------- hyphens

bool isHyphen(QChar c)
{
    return c == QLatin1Char('-') || c.unicode() == 0x2010 || c.unicode() == 0x00AD;
}

bool joinsWithoutSpace(const QString &previous, QStringView next)
{
    // "exem-" + "plaire": a letter, a hyphen, then a lower-case letter.
    return previous.size() >= 2 && isHyphen(previous.back())
           && previous.at(previous.size() - 2).isLetter() && !next.isEmpty()
           && next.at(0).isLower();
}

// A soft hyphen that ends a line without joining its word to the next was
// shown as a hyphen (and would otherwise be dropped with the invisible ones).
void showSoftHyphen(QString &paragraph)
{
    if (!paragraph.isEmpty() && paragraph.back().unicode() == 0x00AD)
        paragraph.back() = QLatin1Char('-');
}

// ---------------------------------------------------------- right to left

enum class Kind : unsigned char { Ltr, Rtl, Digit, Neutral };

Kind kindOf(char32_t c)
{
    switch (QChar::direction(c)) {
    case QChar::DirL:
        return Kind::Ltr;
    case QChar::DirR:
    case QChar::DirAL:
        return Kind::Rtl;
    case QChar::DirEN:
    case QChar::DirAN:
        return Kind::Digit;
    default:
        return Kind::Neutral;
    }
}

// A separator that a number keeps inside it ("3.14", "12:30", "1,5").
bool insideNumber(char32_t c)
{
    const QChar::Direction d = QChar::direction(c);
    return d == QChar::DirCS || d == QChar::DirES;
}

bool hasRightToLeft(const QString &text)
{
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u < 0x0590)
            continue;
        if ((u >= 0x0590 && u <= 0x08FF) || (u >= 0xFB1D && u <= 0xFDFF)
            || (u >= 0xFE70 && u <= 0xFEFF))
            return true;
        if (QChar::isHighSurrogate(u))
            return true; // checked exactly by logicalOrder
    }
    return false;
}

// Turns the numbers of [begin, end) round again: digits with single
// separators between them.
void numbersLeftToRight(QList<uint> &text, qsizetype begin, qsizetype end)
{
    for (qsizetype k = begin; k < end; ++k) {
        if (kindOf(text.at(k)) != Kind::Digit)
            continue;
        qsizetype last = k;
        while (last + 1 < end
               && (kindOf(text.at(last + 1)) == Kind::Digit
                   || (last + 2 < end && insideNumber(text.at(last + 1))
                       && kindOf(text.at(last + 2)) == Kind::Digit)))
            last += kindOf(text.at(last + 1)) == Kind::Digit ? 1 : 2;
        std::reverse(text.begin() + k, text.begin() + last + 1);
        k = last;
    }
}

// The logical order of a line given in visual order (the rules in the
// header).
QString logicalOrder(const QString &visual)
{
    QList<uint> text = visual.toUcs4();
    qsizetype ltr = 0, rtl = 0;
    for (const char32_t c : text) {
        const Kind k = kindOf(c);
        ltr += k == Kind::Ltr;
        rtl += k == Kind::Rtl;
    }
    if (rtl == 0)
        return visual;
    const qsizetype n = text.size();
    if (rtl > ltr) {
        // A right-to-left line: read from its right end; runs of Latin
        // letters and digits read left to right.
        std::reverse(text.begin(), text.end());
        for (qsizetype i = 0; i < n; ++i) {
            const Kind k = kindOf(text.at(i));
            if (k != Kind::Ltr && k != Kind::Digit)
                continue;
            qsizetype last = i;
            for (qsizetype j = i + 1; j < n && kindOf(text.at(j)) != Kind::Rtl; ++j)
                if (kindOf(text.at(j)) != Kind::Neutral)
                    last = j;
            std::reverse(text.begin() + i, text.begin() + last + 1);
            i = last;
        }
    } else {
        // A left-to-right line: each right-to-left run is turned round.
        for (qsizetype i = 0; i < n; ++i) {
            if (kindOf(text.at(i)) != Kind::Rtl)
                continue;
            qsizetype last = i;
            for (qsizetype j = i + 1; j < n && kindOf(text.at(j)) != Kind::Ltr; ++j)
                if (kindOf(text.at(j)) == Kind::Rtl)
                    last = j;
            std::reverse(text.begin() + i, text.begin() + last + 1);
            numbersLeftToRight(text, i, last + 1);
            i = last;
        }
    }
    return QString::fromUcs4(reinterpret_cast<const char32_t *>(text.constData()), text.size());
}

// ---------------------------------------------------------- page layout

constexpr double kBand = 0.15;      // the top and bottom bands (share of the height)
constexpr double kSamePlace = 0.02; // "about the same height" (share of the height)

enum class Band { Middle, Top, Bottom };

template<typename L>
Band bandOf(const L &line, double height)
{
    if (height <= 0)
        return Band::Middle;
    const double centre = (line.top + line.bottom) / 2 / height;
    return centre < kBand ? Band::Top : centre > 1 - kBand ? Band::Bottom : Band::Middle;
}

bool isRomanLetter(QChar c)
{
    switch (c.toLower().unicode()) {
    case u'i': case u'v': case u'x': case u'l': case u'c': case u'd': case u'm':
        return true;
    default:
        return false;
    }
}

QString roman(int n)
{
    static const int values[] = {1000, 900, 500, 400, 100, 90, 50, 40, 10, 9, 5, 4, 1};
    static const char *const letters[] = {"m", "cm", "d", "cd", "c", "xc", "l",
                                          "xl", "x", "ix", "v", "iv", "i"};
    QString out;
    for (int i = 0; i < 13; ++i)
        for (; n >= values[i]; n -= values[i])
            out += QLatin1String(letters[i]);
    return out;
}

// A roman numeral written as such ("xii", "XII"; not "iiii", not "Xii").
bool isRoman(QStringView s)
{
    if (s.isEmpty() || s.size() > 12)
        return false;
    const QString lower = s.toString().toLower();
    if (s != lower && s != s.toString().toUpper())
        return false;
    int value = 0;
    for (qsizetype i = 0; i < lower.size(); ++i) {
        static const QHash<QChar, int> kValues{{u'i', 1},   {u'v', 5},   {u'x', 10}, {u'l', 50},
                                               {u'c', 100}, {u'd', 500}, {u'm', 1000}};
        const int v = kValues.value(lower.at(i));
        if (v == 0)
            return false;
        const int nextValue = i + 1 < lower.size() ? kValues.value(lower.at(i + 1)) : 0;
        value += v < nextValue ? -v : v;
    }
    return value > 0 && value < 4000 && roman(value) == lower;
}

bool isDigits(QStringView s)
{
    if (s.isEmpty() || s.size() > 5)
        return false;
    for (const QChar c : s)
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
    return true;
}

bool isDash(QChar c)
{
    return c == QLatin1Char('-') || c.unicode() == 0x2013 || c.unicode() == 0x2014;
}

// "12", "- 12 -", "Page 12", "p. 12", "12/40", "12 sur 40", "xii".
bool pageNumberOnly(QStringView t)
{
    t = t.trimmed();
    if (t.isEmpty() || t.size() > 24)
        return false;
    for (const QLatin1StringView prefix : {QLatin1StringView("page "), QLatin1StringView("p. ")})
        if (t.startsWith(prefix, Qt::CaseInsensitive)) {
            t = t.sliced(prefix.size()).trimmed();
            break;
        }
    if (!t.isEmpty() && isDash(t.front()))
        t = t.sliced(1).trimmed();
    if (!t.isEmpty() && isDash(t.back()))
        t = t.chopped(1).trimmed();
    // The number, then "/ 40", "sur 40", "de 40" or "of 40".
    qsizetype end = 0;
    while (end < t.size() && t.at(end) != QLatin1Char(' ') && t.at(end) != QLatin1Char('/'))
        ++end;
    const QStringView number = t.first(end);
    if (!isDigits(number) && !isRoman(number))
        return false;
    QStringView rest = t.sliced(end).trimmed();
    if (rest.isEmpty())
        return true;
    for (const QLatin1StringView of : {QLatin1StringView("/"), QLatin1StringView("sur "),
                                       QLatin1StringView("de "), QLatin1StringView("of ")})
        if (rest.startsWith(of, Qt::CaseInsensitive))
            return isDigits(number) && isDigits(rest.sliced(of.size()).trimmed());
    return false;
}

// Where the title ends before the leader dots (and page number) that end a
// line, or -1 when the line ends otherwise.
qsizetype leaderCut(QStringView t)
{
    qsizetype end = t.size();
    while (end > 0 && t.at(end - 1).isSpace())
        --end;
    qsizetype at = end;
    while (at > 0 && t.at(at - 1) >= QLatin1Char('0') && t.at(at - 1) <= QLatin1Char('9'))
        --at;
    bool number = at < end;
    if (number && end - at > 5)
        return -1;
    if (!number) {
        qsizetype r = end;
        while (r > 0 && isRomanLetter(t.at(r - 1)))
            --r;
        if (r < end && r > 0 && (t.at(r - 1).isSpace() || t.at(r - 1) == QLatin1Char('.'))
            && isRoman(t.sliced(r, end - r))) {
            at = r;
            number = true;
        }
    }
    int dots = 0;
    while (at > 0) {
        const char16_t c = t.at(at - 1).unicode();
        if (c == u'.' || c == 0x00B7 || c == 0x2024 || c == 0x2219)
            ++dots;
        else if (c == 0x2026)
            dots += 3;
        else if (!QChar::isSpace(c))
            break;
        --at;
    }
    if (dots < (number ? 4 : 6))
        return -1;
    while (at > 0 && t.at(at - 1).isSpace())
        --at;
    return at;
}

// The line with each run of digits as one "#".
QString digitsMasked(QStringView text)
{
    QString out;
    out.reserve(text.size());
    bool digit = false;
    for (const QChar c : text) {
        if (c.isDigit()) {
            if (!digit)
                out += QLatin1Char('#');
            digit = true;
        } else {
            out += c;
            digit = false;
        }
    }
    return out;
}

// One line of a page within the page's text.
struct Span
{
    qsizetype begin = 0;
    qsizetype size = 0;
    double top = 0;
    double bottom = 0;
    bool alone = false; // as Line::alone
};

// A page's lines, their texts one after another in one string: the lines
// of all pages are kept until the layout is known, and one allocation a
// page (rather than one a line, among the many short-lived ones Poppler
// makes for every word) keeps the heap from fragmenting, which slows
// Poppler's own allocations down by a third.
struct PageText
{
    QString text;
    std::vector<Span> lines;
    double height = 0;
    bool drawn = false; // Poppler drew the page (it exists)
    QStringView textOf(const Span &line) const
    {
        return QStringView(text).sliced(line.begin, line.size);
    }
};

// Marks the running heads and feet (the rules in the header).
std::vector<std::vector<bool>> runningLines(const std::vector<PageText> &pages)
{
    std::vector<std::vector<bool>> marks(pages.size());
    for (size_t p = 0; p < pages.size(); ++p)
        marks[p].assign(pages[p].lines.size(), false);
    if (pages.size() < 3)
        return marks;
    struct Place
    {
        double centre;
        size_t page;
        size_t line;
    };
    QHash<QString, std::vector<Place>> places;
    for (size_t p = 0; p < pages.size(); ++p) {
        const PageText &page = pages[p];
        for (size_t l = 0; l < page.lines.size(); ++l) {
            const Span &line = page.lines[l];
            const Band band = bandOf(line, page.height);
            if (band == Band::Middle)
                continue;
            const QString key = (band == Band::Top ? QLatin1Char('t') : QLatin1Char('b'))
                                + digitsMasked(page.textOf(line).trimmed());
            places[key].push_back({(line.top + line.bottom) / 2 / page.height, p, l});
        }
    }
    const size_t half = (pages.size() + 1) / 2;
    for (auto it = places.begin(); it != places.end(); ++it) {
        std::vector<Place> &v = it.value();
        if (v.size() < half)
            continue;
        std::sort(v.begin(), v.end(),
                  [](const Place &a, const Place &b) { return a.centre < b.centre; });
        size_t low = 0, high = 0;
        for (size_t i = 0; i < v.size(); ++i) {
            while (v[low].centre < v[i].centre - kSamePlace)
                ++low;
            while (high < v.size() && v[high].centre <= v[i].centre + kSamePlace)
                ++high;
            if (high - low >= half)
                marks[v[i].page][v[i].line] = true;
        }
    }
    return marks;
}

// Leaves the page layout out of the pages; returns how many lines and
// leaders it left out.
qint64 leaveOutLayout(std::vector<PageText> &pages, const DocumentReader &reader)
{
    const std::vector<std::vector<bool>> running = runningLines(pages);
    qint64 omitted = 0;
    std::vector<qsizetype> cuts;
    for (size_t p = 0; p < pages.size(); ++p) {
        if (p % 64 == 0)
            reader.checkStop();
        PageText &page = pages[p];
        cuts.resize(page.lines.size());
        int leaders = 0;
        for (size_t l = 0; l < page.lines.size(); ++l) {
            cuts[l] = leaderCut(page.textOf(page.lines[l]));
            leaders += cuts[l] >= 0;
        }
        const bool contents = leaders >= 3; // a table of contents page
        size_t kept = 0;
        for (size_t l = 0; l < page.lines.size(); ++l) {
            Span line = page.lines[l];
            if (running[p][l]
                || ((contents || bandOf(line, page.height) != Band::Middle)
                    && pageNumberOnly(page.textOf(line)))) {
                ++omitted;
                continue;
            }
            if (cuts[l] >= 0) {
                ++omitted;
                if (cuts[l] == 0)
                    continue;
                line.size = cuts[l];
                line.alone = true;
            }
            page.lines[kept++] = line;
        }
        page.lines.resize(kept);
    }
    return omitted;
}

// ---------------------------------------------------------------- reading

PageText readPage(const Poppler::Document &pdf, int index)
{
    PageText out;
    const std::unique_ptr<Poppler::Page> page = pdf.page(index);
    if (!page)
        return out;
    out.drawn = true;
    out.height = page->pageSizeF().height();
    const std::vector<std::unique_ptr<Poppler::TextBox>> words = page->textList();
    std::vector<QString> texts; // of the words
    texts.reserve(words.size());
    qsizetype length = 0;
    for (const std::unique_ptr<Poppler::TextBox> &word : words) {
        texts.push_back(word->text());
        length += texts.back().size() + 1;
    }
    out.text = QString(length, Qt::Uninitialized);
    QChar *const start = out.text.data();
    QChar *to = start;
    out.lines.reserve(words.size() / 4 + 1);
    for (size_t first = 0; first < words.size();) {
        // The line's words: Poppler marks the last one.
        size_t last = first;
        while (last + 1 < words.size() && words[last]->nextWord())
            ++last;
        Span line;
        line.begin = to - start;
        char16_t any = 0; // the line's code units or-ed: right to left is past U+058F
        for (size_t w = first; w <= last; ++w) {
            const QRectF box = words[w]->boundingBox();
            line.top = w == first ? box.top() : qMin(line.top, box.top());
            line.bottom = w == first ? box.bottom() : qMax(line.bottom, box.bottom());
            const QString &text = texts[w]; // const: shared with Poppler's box, never copied
            for (const QChar c : text)
                any |= c.unicode();
            to = std::copy(text.cbegin(), text.cend(), to);
            if (w < last && words[w]->hasSpaceAfter())
                *to++ = QLatin1Char(' ');
        }
        line.size = to - start - line.begin;
        if (any >= 0x0590) {
            const QString visual = out.textOf(line).toString();
            if (hasRightToLeft(visual)) {
                const QString logical = logicalOrder(visual); // as long
                std::copy(logical.cbegin(), logical.cend(), start + line.begin);
            }
        }
        out.lines.push_back(line);
        first = last + 1;
    }
    out.text.truncate(to - start);
    return out;
}

// The paragraphs of a page's lines (Line or Span), `textOf` giving a line's
// text.
template<typename Lines, typename TextOf>
QStringList paragraphsFrom(const Lines &lines, TextOf textOf)
{
    QStringList out;
    QString paragraph;
    const typename Lines::value_type *previous = nullptr;
    for (const auto &line : lines) {
        const QStringView text = textOf(line);
        if (previous) {
            const double height = qMax(0.1, previous->bottom - previous->top);
            const double lineHeight = line.bottom - line.top;
            const bool gap = line.top - previous->bottom > 0.5 * height;
            const bool up = line.bottom <= previous->top;
            const bool size = qAbs(lineHeight - height) > 0.3 * height;
            if (gap || up || size || line.alone || previous->alone) {
                showSoftHyphen(paragraph);
                addParagraph(out, paragraph);
                paragraph.clear();
            } else if (joinsWithoutSpace(paragraph, text)) {
                paragraph.chop(1);
            } else {
                showSoftHyphen(paragraph);
                paragraph += QLatin1Char(' ');
            }
        }
        paragraph += text;
        previous = &line;
    }
    showSoftHyphen(paragraph);
    addParagraph(out, paragraph);
    return out;
}

// A document of this many pages or more is read on two threads.
constexpr int kPagesForTwoThreads = 4;

// The second thread reading pages: joined whatever happens, told to stop
// taking pages when the reading ends early (a stop, a failure).
class Helper
{
public:
    explicit Helper(std::atomic<bool> &abandon) : m_abandon(abandon) {}
    ~Helper()
    {
        m_abandon = true;
        if (m_thread.joinable())
            m_thread.join();
    }
    // Starts `work` on the thread; without a thread to be had, this thread
    // does all the work.
    template<typename Work>
    void start(Work work)
    {
        m_done = m_finished.get_future();
        try {
            m_thread = std::thread([this, work]() {
                try {
                    work();
                    m_finished.set_value();
                } catch (...) {
                    m_finished.set_exception(std::current_exception());
                }
            });
        } catch (const std::system_error &) {
        }
    }
    // Waits for the thread's pages, polling `poll` meanwhile; rethrows the
    // thread's failure.
    template<typename Poll>
    void wait(Poll poll)
    {
        if (!m_thread.joinable())
            return;
        while (m_done.wait_for(std::chrono::milliseconds(20)) != std::future_status::ready)
            poll();
        m_thread.join();
        m_done.get();
    }

private:
    std::atomic<bool> &m_abandon;
    std::thread m_thread;
    std::promise<void> m_finished;
    std::future<void> m_done;
};

} // namespace

QStringList PdfReader::paragraphsOf(const std::vector<Line> &lines)
{
    return paragraphsFrom(lines, [](const Line &line) { return QStringView(line.text); });
}

Document PdfReader::readFile(const QString &path) const
{
    static const bool silenced = [] {
        Poppler::setDebugErrorFunction(quiet, QVariant());
        return true;
    }();
    Q_UNUSED(silenced);

    Document doc;
    const std::unique_ptr<Poppler::Document> pdf = Poppler::Document::load(path);
    if (!pdf) {
        doc.error = QStringLiteral("PDF endommagé ou illisible");
        return doc;
    }
    if (pdf->isLocked()) {
        doc.error = QStringLiteral("ce PDF est protégé par un mot de passe");
        return doc;
    }
    // The document information: the date as written ("D:20230405..."), or
    // else as Poppler reads it.
    doc.metadata.title = pdf->info(QStringLiteral("Title"));
    doc.metadata.author = pdf->info(QStringLiteral("Author"));
    doc.metadata.date = pdf->info(QStringLiteral("CreationDate"));
    if (dayOf(doc.metadata.date).isEmpty()) {
        const QDateTime created = pdf->date(QStringLiteral("CreationDate"));
        doc.metadata.date = created.isValid() ? created.toString(Qt::ISODate) : QString();
    }

    // The pages are taken in turn by this thread and, for a document of
    // several pages, a second one with a Poppler document of its own (a
    // Poppler document serves one thread at a time).
    const int count = pdf->numPages();
    std::vector<PageText> pages(size_t(qMax(0, count)));
    std::atomic<int> next{0};
    std::atomic<bool> abandon{false};
    const auto readPages = [&](const Poppler::Document &source, bool polling) {
        for (;;) {
            if (polling)
                checkStop();
            if (abandon)
                return;
            const int i = next++;
            if (i >= count)
                return;
            pages[size_t(i)] = readPage(source, i);
        }
    };
    // Poppler sets up process-wide state (its colour profiles) without a
    // lock the first time it draws a page: the first page is read here
    // alone, and only once it was drawn does the second thread start.
    if (count > 0) {
        checkStop();
        next = 1;
        pages[0] = readPage(*pdf, 0);
    }
    {
        Helper helper(abandon);
        if (count >= kPagesForTwoThreads && pages[0].drawn
            && std::thread::hardware_concurrency() != 1)
            helper.start([&]() {
                const std::unique_ptr<Poppler::Document> other = Poppler::Document::load(path);
                if (other && !other->isLocked())
                    readPages(*other, false);
            });
        readPages(*pdf, true);
        helper.wait([this]() { checkStop(); });
    }

    bool text = false;
    for (const PageText &page : pages)
        text = text || !page.lines.empty();
    if (!text) {
        doc.error = QStringLiteral("ce PDF ne contient pas de texte (document numérisé ?)");
        return doc;
    }
    if (!keepLayout())
        doc.layoutOmitted = leaveOutLayout(pages, *this);
    for (size_t p = 0; p < pages.size(); ++p) {
        if (p % 64 == 0)
            checkStop();
        const PageText &page = pages[p];
        doc.paragraphs +=
            paragraphsFrom(page.lines, [&page](const Span &line) { return page.textOf(line); });
    }
    return doc;
}

} // namespace exchange
