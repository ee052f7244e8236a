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

inline bool isLetter(char32_t c)
{
    if (c < 0x80)
        return isAsciiLetter(c);
    return QChar::isLetter(c);
}

// A letter or a digit (any number): what may begin a word.
inline bool isWordChar(char32_t c)
{
    if (c < 0x80)
        return isAsciiLetter(c) || (c >= '0' && c <= '9');
    return QChar::isLetterOrNumber(c);
}

inline bool isMark(char32_t c)
{
    return c >= 0x300 && QChar::isMark(c);
}

inline bool isApostrophe(char32_t c)
{
    return c == '\'' || c == 0x2019;
}

inline bool isHyphen(char32_t c)
{
    return c == '-' || c == 0x2010 || c == 0x2011;
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
    const qsizetype n = text.size();
    qsizetype i = 0;
    int units = 1;
    while (i < n) {
        char32_t c = codePoint(text, i, units);
        if (!isWordChar(c)) {
            i += units;
            continue;
        }
        // The span of the word: letters, digits, marks, and hyphens or
        // apostrophes between two letters (a mark goes with its letter).
        const qsizetype start = i;
        bool afterLetter = isLetter(c);
        i += units;
        while (i < n) {
            c = codePoint(text, i, units);
            if (isWordChar(c)) {
                afterLetter = isLetter(c);
            } else if (isMark(c)) {
                // keeps afterLetter
            } else if ((isHyphen(c) || isApostrophe(c)) && afterLetter && i + 1 < n) {
                int nextUnits = 1;
                if (!isLetter(codePoint(text, i + 1, nextUnits)))
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
            if (u < 0x80) {
                out[w++] = QChar(u >= 'A' && u <= 'Z' ? char16_t(u | 0x20) : u);
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
