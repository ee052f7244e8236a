#include "words/wordsplit.h"

namespace words {
namespace {

// One code point of `text` at `i`, and how many UTF-16 units it takes.
inline char32_t codePoint(QStringView text, qsizetype i, int &units)
{
    const char16_t u = text[i].unicode();
    if (QChar::isHighSurrogate(u) && i + 1 < text.size() && QChar::isLowSurrogate(text[i + 1].unicode())) {
        units = 2;
        return QChar::surrogateToUcs4(u, text[i + 1].unicode());
    }
    units = 1;
    return u;
}

inline bool isAsciiLetter(char32_t c)
{
    return (c | 0x20) >= 'a' && (c | 0x20) <= 'z';
}

// What a character is to the splitting.
enum : quint8 { WordChar = 1, Letter = 2, Joiner = 4, Mark = 8 };

// The kinds and lower cases of U+0000 to U+00FF, looked up rather than
// asked of Unicode's tables (most French text is there).
struct Latin1 {
    quint8 kind[256];
    char16_t lower[256];
};

const Latin1 &latin1()
{
    static const Latin1 table = [] {
        Latin1 t{};
        for (char32_t c = 0; c < 256; ++c) {
            quint8 k = 0;
            if (QChar::isLetter(c))
                k = WordChar | Letter;
            else if (QChar::isNumber(c))
                k = WordChar;
            else if (c == '\'' || c == '-')
                k = Joiner;
            t.kind[c] = k;
            t.lower[c] = char16_t(QChar::toLower(c));
        }
        return t;
    }();
    return table;
}

inline quint8 kindOf(char32_t c, const Latin1 &table)
{
    if (c < 256)
        return table.kind[c];
    if (c == 0x2019 || c == 0x2010 || c == 0x2011)
        return Joiner;
    if (QChar::isLetter(c))
        return WordChar | Letter;
    if (QChar::isNumber(c))
        return WordChar;
    if (QChar::isMark(c))
        return Mark;
    return 0;
}

inline bool isApostrophe(char32_t c)
{
    return c == '\'' || c == 0x2019;
}

// The length (apostrophe included) of the elided form `text` begins with at
// `from`, 0 when it begins with none.
qsizetype elidedLength(QStringView text, qsizetype from, qsizetype end)
{
    static const char *const forms[] = {"l", "d", "j", "m", "n", "s", "t", "c",
                                        "qu", "jusqu", "lorsqu", "puisqu", "quoiqu"};
    char letters[8];
    qsizetype n = 0;
    while (from + n < end && n < 7) {
        const char16_t u = text[from + n].unicode();
        if (u >= 0x80 || !isAsciiLetter(u))
            break;
        letters[n++] = char(u | 0x20);
    }
    if (n == 0 || n > 6 || from + n >= end || !isApostrophe(text[from + n].unicode()))
        return 0;
    letters[n] = '\0';
    for (const char *form : forms) {
        if (qstrcmp(form, letters) == 0)
            return n + 1;
    }
    return 0;
}

} // namespace

QStringList countingWords(QStringView text)
{
    QStringList list;
    WordSplitter splitter;
    splitter.split(text, [&list](QStringView form, qsizetype, qsizetype) { list.append(form.toString()); });
    return list;
}

void WordSplitter::split(QStringView text, const Sink &sink)
{
    const Latin1 &table = latin1();
    const qsizetype n = text.size();
    qsizetype i = 0;
    int units = 1;
    while (i < n) {
        const char16_t first = text[i].unicode();
        quint8 kind = first < 256 ? table.kind[first] : kindOf(codePoint(text, i, units), table);
        if (first < 256)
            units = 1;
        if (!(kind & WordChar)) {
            i += units;
            continue;
        }
        // The span of the word: letters, digits, marks, and hyphens or
        // apostrophes between two letters (a mark goes with its letter).
        const qsizetype start = i;
        bool afterLetter = kind & Letter;
        i += units;
        while (i < n) {
            const char16_t u = text[i].unicode();
            if (u < 256) {
                kind = table.kind[u];
                units = 1;
            } else {
                kind = kindOf(codePoint(text, i, units), table);
            }
            if (kind & WordChar) {
                afterLetter = kind & Letter;
            } else if (kind & Mark) {
                // keeps afterLetter
            } else if ((kind & Joiner) && afterLetter && i + 1 < n) {
                int nextUnits = 1;
                if (!(kindOf(codePoint(text, i + 1, nextUnits), table) & Letter))
                    break;
                afterLetter = false;
            } else {
                break;
            }
            i += units;
        }
        const qsizetype end = i;

        // The elided forms it begins with, each a word.
        qsizetype from = start;
        while (const qsizetype elided = elidedLength(text, from, end)) {
            if (m_buffer.size() < elided)
                m_buffer.resize(std::max<qsizetype>(elided, 32));
            QChar *out = m_buffer.data();
            for (qsizetype k = 0; k + 1 < elided; ++k)
                out[k] = QChar(text[from + k].unicode() | 0x20);
            out[elided - 1] = QLatin1Char('\'');
            sink(QStringView(out, elided), from, elided);
            from += elided;
        }
        if (from == end)
            continue;

        // The rest in lower case, apostrophes and hyphens in one spelling;
        // normal form C only when a character that may combine is there
        // (none below U+0300 can).
        const qsizetype length = end - from;
        if (m_buffer.size() < 2 * length)
            m_buffer.resize(std::max<qsizetype>(2 * length, 32));
        QChar *out = m_buffer.data();
        qsizetype w = 0;
        bool mayCombine = false;
        for (qsizetype k = from; k < end; ++k) {
            const char16_t u = text[k].unicode();
            if (u < 256) {
                out[w++] = QChar(table.lower[u]);
            } else if (u == 0x2019) {
                out[w++] = QLatin1Char('\'');
            } else if (u == 0x2010 || u == 0x2011) {
                out[w++] = QLatin1Char('-');
            } else {
                int cu = 1;
                const char32_t lower = QChar::toLower(codePoint(text, k, cu));
                k += cu - 1;
                mayCombine = mayCombine || lower >= 0x300;
                if (QChar::requiresSurrogates(lower)) {
                    out[w++] = QChar(QChar::highSurrogate(lower));
                    out[w++] = QChar(QChar::lowSurrogate(lower));
                } else {
                    out[w++] = QChar(char16_t(lower));
                }
            }
        }
        if (mayCombine) {
            const QString composed =
                QStringView(out, w).toString().normalized(QString::NormalizationForm_C);
            sink(composed, from, length);
        } else {
            sink(QStringView(out, w), from, length);
        }
    }
}

} // namespace words
