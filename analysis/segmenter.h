#pragma once
// Sentence segmentation of a text by character rules (determiner_phrases).
//
// The text is fed as UTF-8, in pieces of any size (a piece may end inside a
// character); each finished segment is handed to the sink at once, as UTF-8.
// Every rule looks only at ASCII bytes, which never occur inside a multi-byte
// UTF-8 sequence, so the text is cut as bytes and never decoded. The text is
// walked once and only the pending segment is kept, so memory is bounded by
// the longest segment, not by the text.
//
// Rules:
//  - a line ends at CR LF or at a lone CR; a lone LF is an ordinary character;
//    a line end at the very end of the text opens no new line;
//  - the leading blanks (spaces only) of every line are dropped;
//  - when a line is read and the pending segment is not empty, CR LF is
//    appended to it;
//  - terminators . ! ? set the sentence-end flag; closers . " ' keep it; the
//    first other character cuts: the pending segment is stored without its
//    leading spaces and that character begins the next one;
//  - at the end the pending segment is stored as it stands (leading spaces
//    kept) unless it holds nothing but spaces.
//
// A document's text (Word, OpenDocument, PDF, HTML, Markdown) is its
// paragraphs one per line: there every line end also ends a sentence, so that
// a heading, a list item or a table cell never runs into the text after it.
// The first character of the next line other than a space cuts, whatever it
// is (a quotation mark too); the line end stays with the segment it ends, as
// after a terminator; the last segment too is stored without its leading
// spaces. Plain text files keep the rules above alone.
#include <QByteArray>
#include <QByteArrayView>
#include <functional>
#include <stdexcept>

namespace segmentation {

inline bool isTerminator(char c) { return c == '.' || c == '!' || c == '?'; }
inline bool isCloser(char c) { return c == '.' || c == '"' || c == '\''; }
inline bool isBlank(char c) { return c == ' '; }

// The progress value shown after k lines have been read (k >= 1): it runs
// 1..998 and starts again at 1; 999 is only shown once the text is done.
inline int progressAfterLines(qint64 k) { return k < 1 ? 0 : int((k - 1) % 998) + 1; }
inline constexpr int kProgressMaximum = 1000;
inline constexpr int kProgressDone = 999;

// `text` without its leading spaces.
QByteArrayView leftTrimmed(QByteArrayView text);

// Thrown by feed() or finish() when a segment to store would exceed the limit
// set by setLimit(): nothing of it has been handed to the sink.
class SegmentTooLong : public std::length_error
{
public:
    explicit SegmentTooLong(qsizetype limit)
        : std::length_error("segment too long"), m_limit(limit)
    {
    }
    qsizetype limit() const { return m_limit; }

private:
    qsizetype m_limit;
};

class Segmenter
{
public:
    // The segment's UTF-8 bytes, valid only during the call.
    using Sink = std::function<void(QByteArrayView segment)>;
    // Called when a line has been read, with the number of lines read so far.
    using LineHook = std::function<void(qint64 lines)>;

    explicit Segmenter(Sink sink, LineHook onLine = {});

    // Segments longer than `bytes` are refused with SegmentTooLong as soon as
    // the pending segment is certain to exceed it, so that a text without any
    // terminator is not gathered whole in memory. No limit by default.
    void setLimit(qsizetype bytes) { m_limit = bytes; }

    // Every line end ends a sentence (a document's paragraphs). Off by
    // default.
    void setLineEndsSentence(bool on) { m_lineEndsSentence = on; }

    // Feeds the next piece of the text. The sink and the hook run from here.
    void feed(QByteArrayView piece);
    // Ends the text: stores the last segment if there is one. Feeding after
    // finish() starts nothing new.
    void finish();

    qint64 lines() const { return m_lines; }
    qint64 segments() const { return m_segments; }

private:
    void beginLine();
    void cut();
    void checkLimit();

    Sink m_sink;
    LineHook m_onLine;
    QByteArray m_pending;
    qsizetype m_limit = -1;
    qsizetype m_leadingBlanks = 0; // leading spaces of m_pending counted so far
    qint64 m_lines = 0;
    qint64 m_segments = 0;
    bool m_sentenceEnd = false;
    bool m_lineEndsSentence = false;
    bool m_lineEnded = false; // a line end ended the sentence (documents)
    bool m_inLine = false;       // inside a line (its first character was seen)
    bool m_skippingBlanks = false; // at the start of a line, dropping spaces
    bool m_afterCr = false;      // the last character was a CR ending a line
    bool m_finished = false;
};

} // namespace segmentation
