#include "analysis/segmenter.h"

namespace segmentation {

namespace {
constexpr char16_t kCr = u'\r';
constexpr char16_t kLf = u'\n';
} // namespace

QStringView leftTrimmed(QStringView text)
{
    qsizetype i = 0;
    while (i < text.size() && isBlank(text[i].unicode()))
        ++i;
    return text.mid(i);
}

Segmenter::Segmenter(Sink sink, LineHook onLine)
    : m_sink(std::move(sink)), m_onLine(std::move(onLine))
{
}

void Segmenter::beginLine()
{
    m_inLine = true;
    m_skippingBlanks = true;
    ++m_lines;
    if (m_onLine)
        m_onLine(m_lines);
    if (!m_pending.isEmpty())
        m_pending.append(QLatin1StringView("\r\n"));
}

void Segmenter::cut()
{
    qsizetype blanks = 0;
    while (blanks < m_pending.size() && isBlank(m_pending.at(blanks).unicode()))
        ++blanks;
    if (blanks > 0)
        m_pending.remove(0, blanks);
    ++m_segments;
    m_sink(m_pending);
    m_pending.resize(0);
}

void Segmenter::feed(QStringView piece)
{
    if (m_finished)
        return;
    const char16_t *p = piece.utf16();
    const qsizetype n = piece.size();
    // Characters that go to the pending segment are appended by runs.
    qsizetype runStart = -1;
    auto flush = [&](qsizetype end) {
        if (runStart >= 0 && end > runStart)
            m_pending.append(QStringView(p + runStart, end - runStart));
        runStart = -1;
    };

    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = p[i];
        if (m_afterCr) {
            m_afterCr = false;
            if (c == kLf)
                continue; // CR LF: one line end
        }
        if (!m_inLine)
            beginLine();
        if (c == kCr) {
            flush(i);
            m_inLine = false;
            m_afterCr = true;
            continue;
        }
        if (m_skippingBlanks) {
            if (isBlank(c))
                continue;
            m_skippingBlanks = false;
        }
        if (m_sentenceEnd && !isCloser(c)) {
            flush(i);
            m_sentenceEnd = false;
            cut();
        }
        if (runStart < 0)
            runStart = i;
        if (isTerminator(c))
            m_sentenceEnd = true;
    }
    flush(n);
}

void Segmenter::finish()
{
    if (m_finished)
        return;
    m_finished = true;
    if (!leftTrimmed(m_pending).isEmpty()) {
        ++m_segments;
        m_sink(m_pending);
    }
    m_pending = QString();
}

} // namespace segmentation
