#pragma once
// What the readers share: a paragraph made fit for segmentation, the decoding
// of text bytes, and the failure a reader throws inside itself.
#include <QByteArray>
#include <QString>
#include <QStringView>
#include <QStringList>
#include <stdexcept>

namespace exchange {

// A reader's failure, caught by its read() and returned as the cause.
class ReadFailure : public std::runtime_error
{
public:
    explicit ReadFailure(const QString &cause)
        : std::runtime_error(cause.toStdString()), m_cause(cause)
    {
    }
    const QString &cause() const { return m_cause; }

private:
    QString m_cause;
};

// Thrown through a reader when its caller asked for the reading to stop;
// never caught as a ReadFailure.
class ReadStopped : public std::exception
{
public:
    const char *what() const noexcept override { return "reading stopped"; }
};

// Line and paragraph separators, tabs and other control characters become
// spaces, object replacement characters (pictures) go; the ends are trimmed
// of every white space (no-break and other Unicode spaces, zero-width
// spaces and joiners), the inside kept as it is. Appended to `out` unless
// nothing is left.
void addParagraph(QStringList &out, const QString &text);

// Text bytes as the take-in reads them: UTF-8 (byte-order mark dropped) when
// they are all valid UTF-8, UTF-16 when a byte-order mark says so, else
// Windows-1252.
QString decodeText(const QByteArray &bytes);

// A count as French text writes it, thousands apart by a narrow no-break
// space ("10 000").
QString frenchNumber(qint64 n);

// The whole file, at most `limit` bytes; throws ReadFailure.
QByteArray readWholeFile(const QString &path, qint64 limit);

inline constexpr qint64 kMaxTextFile = qint64(512) << 20;

// The most text taken from one document (bytes of UTF-8), whatever its
// markup expands to: past it the document is refused rather than filling
// the memory.
inline constexpr qint64 kMaxDocumentText = qint64(100) << 20;

// The deepest nesting of elements read in a document's markup (real
// documents stay under a hundred levels).
inline constexpr int kMaxNesting = 2000;

// "le document donne plus de 100 Mo de texte : …"
QString ceilingCause(qint64 ceiling);

// The text a reader has taken from one document so far, against a ceiling.
class TextBudget
{
public:
    explicit TextBudget(qint64 ceiling) : m_ceiling(ceiling) {}
    // Counts `bytes` more of text; throws ReadFailure (ceilingCause) past
    // the ceiling.
    void spend(qint64 bytes)
    {
        m_spent += bytes;
        if (m_spent > m_ceiling)
            throw ReadFailure(ceilingCause(m_ceiling));
    }
    qint64 ceiling() const { return m_ceiling; }

private:
    qint64 m_ceiling;
    qint64 m_spent = 0;
};

// The size of a text in UTF-8.
qint64 utf8Size(QStringView text);

// The cause given for a document part declaring XML entities (never
// expanded: a few bytes of declarations can stand for gigabytes of text).
QString entitiesCause();

} // namespace exchange
