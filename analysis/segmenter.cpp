#include "analysis/segmenter.h"

namespace segmentation {

namespace {
constexpr char kCr = '\r';
constexpr char kLf = '\n';

qsizetype blanksAtStart(QByteArrayView text, qsizetype from = 0)
{
    qsizetype i = from;
    while (i < text.size() && isBlank(text[i]))
        ++i;
    return i;
}
} // namespace

QByteArrayView leftTrimmed(QByteArrayView text)
{
    return text.sliced(blanksAtStart(text));
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
        m_pending.append("\r\n", 2);
}

// Refuses the pending segment once even its trimmed form (the shortest that
// may be stored) exceeds the limit.
void Segmenter::checkLimit()
{
    if (m_limit < 0 || m_pending.size() <= m_limit)
        return;
    m_leadingBlanks = blanksAtStart(m_pending, m_leadingBlanks);
    if (m_pending.size() - m_leadingBlanks > m_limit)
        throw SegmentTooLong(m_limit);
}

void Segmenter::cut()
{
    const qsizetype blanks = blanksAtStart(m_pending, m_leadingBlanks);
    const QByteArrayView segment = QByteArrayView(m_pending).sliced(blanks);
    if (m_limit >= 0 && segment.size() > m_limit)
        throw SegmentTooLong(m_limit);
    ++m_segments;
    m_sink(segment);
    m_pending.resize(0); // keeps its capacity for the next segment
    m_leadingBlanks = 0;
}

void Segmenter::feed(QByteArrayView piece)
{
    if (m_finished)
        return;
    const char *p = piece.data();
    const qsizetype n = piece.size();
    // Bytes that go to the pending segment are appended by runs.
    qsizetype runStart = -1;
    auto flush = [&](qsizetype end) {
        if (runStart >= 0 && end > runStart) {
            m_pending.append(p + runStart, end - runStart);
            checkLimit();
        }
        runStart = -1;
    };

    for (qsizetype i = 0; i < n; ++i) {
        const char c = p[i];
        if (m_afterCr) {
            m_afterCr = false;
            if (c == kLf)
                continue; // CR LF: one line end
        }
        if (!m_inLine) {
            beginLine();
            checkLimit();
        }
        if (c == kCr) {
            flush(i);
            m_inLine = false;
            m_afterCr = true;
            if (m_lineEndsSentence) {
                // Spaces ending a paragraph are not kept for the next one.
                if (leftTrimmed(m_pending).isEmpty()) {
                    m_pending.resize(0);
                    m_leadingBlanks = 0;
                } else {
                    m_lineEnded = true;
                }
            }
            continue;
        }
        if (m_skippingBlanks) {
            if (isBlank(c))
                continue;
            m_skippingBlanks = false;
        }
        if (m_lineEnded || (m_sentenceEnd && !isCloser(c))) {
            flush(i);
            m_sentenceEnd = false;
            m_lineEnded = false;
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
        if (m_limit >= 0 && m_pending.size() > m_limit)
            throw SegmentTooLong(m_limit);
        ++m_segments;
        // A document's last segment loses its leading spaces as every other
        // one does.
        m_sink(m_lineEndsSentence ? leftTrimmed(m_pending) : QByteArrayView(m_pending));
    }
    m_pending = QByteArray();
}

} // namespace segmentation
