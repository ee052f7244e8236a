#pragma once
// Iramuteq corpora: a text file whose first line that is not empty begins
// with "****" holds several texts, each under a starred line that gives its
// attributes:
//
//   **** *journal_lemonde *annee_2003
//   Le texte, sur autant de lignes qu'il faut.
//   **** *journal_liberation *une
//   ...
//
// Lines end at LF, CR LF or a lone CR, whichever the file uses; a line that
// holds only spaces and tabs is empty. A starred line begins with "****" at
// its very first byte. A text runs from the line after its starred line up
// to the next starred line (or the end of the file); its bytes are handed on
// as the file holds them, line ends included, so that the segmenter cuts
// them exactly as it cuts a text file holding only those lines. The starred
// line itself is never a segment; the empty lines before the first one are
// dropped.
//
// The words after "****" (separated by spaces or tabs) are the attributes:
// "*nom_valeur" is attribute "nom" with value "valeur" (split at the first
// "_"), a lone "*nom" is "nom" with value "oui". A word without its "*", an
// empty name or value, one attributes::nameFault or valueFault refuses, or a
// name given twice on the line (case ignored) makes the line bad.
//
// The file is read in pieces: memory holds one piece and the starred line in
// progress (refused past kMaxStarredLine bytes), whatever the corpus's size.
#include "analysis/takein.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <stdexcept>
#include <vector>

namespace starred {

inline constexpr qsizetype kMaxStarredLine = 64 * 1024;

struct Attribute
{
    QString name;
    QString value;
};

// A bad starred line: its number in the file (from 1) and the cause, French.
class Fault : public std::runtime_error
{
public:
    Fault(qint64 line, const QString &cause)
        : std::runtime_error(cause.toStdString()), m_line(line), m_cause(cause)
    {
    }
    qint64 line() const { return m_line; }
    const QString &cause() const { return m_cause; }
    // "ligne 7 : Un attribut doit avoir un nom."
    QString message() const;

private:
    qint64 m_line;
    QString m_cause;
};

// The attributes of a starred line (its UTF-8 bytes, line end left out):
// the French cause of its fault, empty when it is good (then `attributes`
// holds them in the line's order).
QString parse(QByteArrayView line, std::vector<Attribute> &attributes);

// A text handed on whole, whose start is looked at first: the pieces read to
// decide are handed on before the rest, untouched.
class PeekedSource : public takein::Utf8Source
{
public:
    explicit PeekedSource(std::unique_ptr<takein::Utf8Source> inner);
    // Whether the first line that is not empty begins with "****". Reads
    // only the pieces it needs. Throws textfile::ReadError.
    bool starred();
    bool next(QByteArray &piece) override;
    qint64 size() const override { return m_inner->size(); }
    bool paragraphs() const override { return m_inner->paragraphs(); }

private:
    std::unique_ptr<takein::Utf8Source> m_inner;
    QList<QByteArray> m_peeked; // handed on first
    bool m_ended = false;       // the inner source has no more pieces
};

// The texts of a starred corpus, one after the other.
class Corpus
{
public:
    explicit Corpus(takein::Utf8Source &source);
    Corpus(const Corpus &) = delete;
    Corpus &operator=(const Corpus &) = delete;

    // Moves to the next text (what is left of the current one, and before
    // the first text the empty lines, is passed over) and reads its starred
    // line; false when there is no text left.
    // Throws Fault on a bad starred line, textfile::ReadError.
    bool next();
    // The current text's starred line: its number and its attributes.
    qint64 line() const { return m_starredLine; }
    const std::vector<Attribute> &attributes() const { return m_attributes; }
    // The current text's bytes, up to the next starred line.
    takein::Utf8Source &text() { return m_text; }
    // Bytes of the file read so far (for progress).
    qint64 bytesRead() const { return m_read; }

private:
    class Text : public takein::Utf8Source
    {
    public:
        explicit Text(Corpus &corpus) : m_corpus(corpus) {}
        bool next(QByteArray &piece) override { return m_corpus.textPiece(piece); }
        qint64 size() const override { return -1; }

    private:
        Corpus &m_corpus;
    };

    // The next piece of the current text; false at its end.
    bool textPiece(QByteArray &piece);
    // Reads the next piece of the file after the bytes kept from `keep` on;
    // false at the file's end.
    bool more(qsizetype keep);
    // Whether a byte is at m_pos, reading on when needed (nothing kept).
    bool ahead();
    void readStarredLine();

    takein::Utf8Source &m_source;
    Text m_text{*this};
    QByteArray m_buffer;
    qsizetype m_pos = 0;
    char m_previous = '\n'; // the byte before m_pos ('\n' at the start of the file)
    qint64 m_lines = 0;     // lines begun so far
    qint64 m_read = 0;
    bool m_ended = false;   // the file has no more pieces
    bool m_atMark = false;  // m_pos is at the start of a starred line
    qint64 m_starredLine = 0;
    std::vector<Attribute> m_attributes;
};

} // namespace starred
