#pragma once
// The scanning behind words::WordSplitter (words/wordsplit.h, where the
// words are defined), as a template: the vocabulary's counter hands it a
// sink that is called inline, word after word, with no call through a
// std::function. WordSplitter::split is this same scan; there is no other.
//
// Characters below U+0100 (most French text) are looked up in one table of
// kinds and lower cases; the others are asked of Unicode's tables. A word is
// lower-cased into `buffer` (grown to twice the longest word met, never
// shrunk) and put in normal form C only when it holds a character that may
// combine (none below U+0300 can).
#include <QString>
#include <QStringView>

#include <algorithm>

namespace words::scan {

// What a character is to the splitting.
enum : quint8 { WordChar = 1, Letter = 2, Joiner = 4, Mark = 8 };

// The kinds and lower cases of U+0000 to U+00FF.
struct Latin1 {
    quint8 kind[256];
    char16_t lower[256];
    char16_t word[256]; // the lower case of a letter or a digit, 0 for the others
};
const Latin1 &latin1();

// The kind of a character from U+0100 on.
quint8 kindAbove(char32_t c);

// `form` (lower case, below normal form C) composed.
QString composed(QStringView form);

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

inline quint8 kindOf(char32_t c, const Latin1 &table)
{
    return c < 256 ? table.kind[c] : kindAbove(c);
}

inline bool isApostrophe(char16_t u)
{
    return u == '\'' || u == 0x2019;
}

// The length (apostrophe included) of the elided form `text` begins with at
// `from`, 0 when it begins with none. The forms are l' d' j' m' n' s' t' c'
// and qu' jusqu' lorsqu' puisqu' quoiqu', in ASCII letters of any case.
inline qsizetype elidedLength(QStringView text, qsizetype from, qsizetype end)
{
    const char16_t first = text[from].unicode() | 0x20;
    if (first < 'a' || first > 'z' || from + 1 >= end)
        return 0;
    if (isApostrophe(text[from + 1].unicode()))
        return first == 'l' || first == 'd' || first == 'j' || first == 'm' || first == 'n'
                       || first == 's' || first == 't' || first == 'c'
                   ? 2
                   : 0;
    if (first != 'q' && first != 'j' && first != 'l' && first != 'p')
        return 0;
    static const char *const forms[] = {"qu", "jusqu", "lorsqu", "puisqu", "quoiqu"};
    char letters[8];
    qsizetype n = 0;
    while (from + n < end && n < 7) {
        const char16_t u = text[from + n].unicode();
        const char16_t lower = u | 0x20;
        if (u >= 0x80 || lower < 'a' || lower > 'z')
            break;
        letters[n++] = char(lower);
    }
    if (n < 2 || n > 6 || from + n >= end || !isApostrophe(text[from + n].unicode()))
        return 0;
    letters[n] = '\0';
    for (const char *form : forms) {
        if (qstrcmp(form, letters) == 0)
            return n + 1;
    }
    return 0;
}

// Calls sink(form, start, length) with each word of `text` in reading order,
// as WordSplitter::split does.
//
// A word whose characters are all below U+0100 is scanned and lower-cased in
// one pass; one that holds any other character is scanned again from its
// start by the general loop (marks, surrogates, Unicode's lower case, normal
// form C).
template <typename Sink>
void splitWords(QStringView text, QString &buffer, Sink &&sink)
{
    const Latin1 &table = latin1();
    const char16_t *chars = text.utf16();
    const qsizetype n = text.size();
    if (buffer.size() < 32)
        buffer.resize(32);
    char16_t *out = reinterpret_cast<char16_t *>(buffer.data());
    qsizetype room = buffer.size();
    qsizetype i = 0;
    while (i < n) {
        const char16_t first = chars[i];
        int units = 1;
        quint8 kind = first < 256 ? table.kind[first] : kindAbove(codePoint(text, i, units));
        if (!(kind & WordChar)) {
            i += units;
            continue;
        }
        // The span of the word: letters, digits, marks, and hyphens or
        // apostrophes between two letters (a mark goes with its letter).
        const qsizetype start = i;
        bool afterLetter = kind & Letter;
        bool plain = first < 256; // every character below U+0100, lower-cased in `out`
        bool apostrophe = false;  // one inside: it may begin with elided forms
        i += units;
        if (plain) {
            // Letters and digits below U+0100 in a tight loop, lower-cased
            // as they come (a plain word is one unit a character: its
            // character at i goes to out[i - start]); whatever stops it is
            // looked at once.
            out[0] = table.word[first];
            for (;;) {
                const qsizetype limit = std::min(n, start + room);
                while (i < limit) {
                    const char16_t u = chars[i];
                    const char16_t lower = u < 256 ? table.word[u] : 0;
                    if (!lower)
                        break;
                    out[i - start] = lower;
                    ++i;
                }
                if (i == n)
                    break;
                if (i == limit) {
                    buffer.resize(2 * room);
                    out = reinterpret_cast<char16_t *>(buffer.data());
                    room = buffer.size();
                    continue;
                }
                const char16_t u = chars[i];
                units = 1;
                kind = u < 256 ? table.kind[u] : kindAbove(codePoint(text, i, units));
                if (kind & (WordChar | Mark)) { // above U+00FF: the general loop goes on
                    plain = false;
                    break;
                }
                // A hyphen or an apostrophe stays between two letters (the
                // character before it is below U+0100 or a joiner, no
                // letter).
                const char16_t before = chars[i - 1];
                int nextUnits = 1;
                if (!(kind & Joiner) || before >= 256 || !(table.kind[before] & Letter) || i + 1 >= n
                    || !(kindOf(codePoint(text, i + 1, nextUnits), table) & Letter))
                    break;
                apostrophe = apostrophe || isApostrophe(u);
                out[i - start] = isApostrophe(u) ? u'\'' : u'-';
                ++i;
            }
            afterLetter = i > start && chars[i - 1] < 256 && (table.kind[chars[i - 1]] & Letter);
        }
        if (!plain) {
            while (i < n) {
                const char16_t u = chars[i];
                if (u < 256) {
                    kind = table.kind[u];
                    units = 1;
                } else {
                    kind = kindAbove(codePoint(text, i, units));
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
                    apostrophe = apostrophe || isApostrophe(u);
                } else {
                    break;
                }
                i += units;
            }
        }
        const qsizetype end = i;
        if (!plain && room < 2 * (end - start)) {
            buffer.resize(2 * (end - start));
            out = reinterpret_cast<char16_t *>(buffer.data());
            room = buffer.size();
        }

        // The elided forms it begins with, each a word (a plain word's
        // are already in `out`, in lower case).
        qsizetype from = start;
        while (apostrophe) {
            const qsizetype elided = elidedLength(text, from, end);
            if (!elided)
                break;
            char16_t *form = out + (from - start);
            if (!plain) {
                for (qsizetype k = 0; k + 1 < elided; ++k)
                    form[k] = chars[from + k] | 0x20;
            }
            form[elided - 1] = u'\'';
            sink(QStringView(form, elided), from, elided);
            from += elided;
        }
        if (from == end)
            continue;
        const qsizetype length = end - from;
        if (plain) {
            sink(QStringView(out + (from - start), length), from, length);
            continue;
        }

        // The rest in lower case, apostrophes and hyphens in one spelling;
        // normal form C only when a character that may combine is there.
        qsizetype w = 0;
        bool mayCombine = false;
        for (qsizetype k = from; k < end; ++k) {
            const char16_t u = chars[k];
            if (u < 256) {
                out[w++] = table.lower[u];
            } else if (u == 0x2019) {
                out[w++] = u'\'';
            } else if (u == 0x2010 || u == 0x2011) {
                out[w++] = u'-';
            } else {
                int cu = 1;
                const char32_t lower = QChar::toLower(codePoint(text, k, cu));
                k += cu - 1;
                mayCombine = mayCombine || lower >= 0x300;
                if (QChar::requiresSurrogates(lower)) {
                    out[w++] = QChar::highSurrogate(lower);
                    out[w++] = QChar::lowSurrogate(lower);
                } else {
                    out[w++] = char16_t(lower);
                }
            }
        }
        if (mayCombine)
            sink(QStringView(composed(QStringView(out, w))), from, length);
        else
            sink(QStringView(out, w), from, length);
    }
}

} // namespace words::scan
