#pragma once
// Sentence segmentation of a text by character rules (determiner_phrases).
//
// The text is fed in pieces of any size; each finished segment is handed to
// the sink at once. The text is walked once and only the pending segment is
// kept, so memory is bounded by the longest segment, not by the text.
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
#include <QString>
#include <QStringView>
#include <functional>

namespace segmentation {

inline bool isTerminator(char16_t c) { return c == u'.' || c == u'!' || c == u'?'; }
inline bool isCloser(char16_t c) { return c == u'.' || c == u'"' || c == u'\''; }
inline bool isBlank(char16_t c) { return c == u' '; }

// The progress value shown after k lines have been read (k >= 1): it runs
// 1..998 and starts again at 1; 999 is only shown once the text is done.
inline int progressAfterLines(qint64 k) { return k < 1 ? 0 : int((k - 1) % 998) + 1; }
inline constexpr int kProgressMaximum = 1000;
inline constexpr int kProgressDone = 999;

// `text` without its leading spaces.
QStringView leftTrimmed(QStringView text);

class Segmenter
{
public:
    using Sink = std::function<void(const QString &segment)>;
    // Called when a line has been read, with the number of lines read so far.
    using LineHook = std::function<void(qint64 lines)>;

    explicit Segmenter(Sink sink, LineHook onLine = {});

    // Feeds the next piece of the text. The sink and the hook run from here.
    void feed(QStringView piece);
    // Ends the text: stores the last segment if there is one. Feeding after
    // finish() starts nothing new.
    void finish();

    qint64 lines() const { return m_lines; }
    qint64 segments() const { return m_segments; }

private:
    void beginLine();
    void cut();

    Sink m_sink;
    LineHook m_onLine;
    QString m_pending;
    qint64 m_lines = 0;
    qint64 m_segments = 0;
    bool m_sentenceEnd = false;
    bool m_inLine = false;       // inside a line (its first character was seen)
    bool m_skippingBlanks = false; // at the start of a line, dropping spaces
    bool m_afterCr = false;      // the last character was a CR ending a line
    bool m_finished = false;
};

} // namespace segmentation
