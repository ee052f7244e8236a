#include "words/wordsplit.h"

#include "words/wordscan.h"

namespace words {
namespace scan {

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
            t.word[c] = (k & WordChar) ? t.lower[c] : 0;
        }
        return t;
    }();
    return table;
}

quint8 kindAbove(char32_t c)
{
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

QString composed(QStringView form)
{
    return form.toString().normalized(QString::NormalizationForm_C);
}

} // namespace scan

QStringList countingWords(QStringView text)
{
    QStringList list;
    WordSplitter splitter;
    splitter.split(text, [&list](QStringView form, qsizetype, qsizetype) { list.append(form.toString()); });
    return list;
}

void WordSplitter::split(QStringView text, const Sink &sink)
{
    scan::splitWords(text, m_buffer, sink);
}

} // namespace words
