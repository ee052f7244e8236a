#pragma once
// Reading a text file to segment, as UTF-8. A file that begins with a UTF-16
// byte-order mark (LE or BE) is read as UTF-16; a file whose bytes are all
// valid UTF-8 is read as UTF-8 (a leading byte-order mark dropped); any other
// file is read as Windows-1252, the code page of legacy corpora. Whatever the
// encoding, the text comes out as UTF-8 pieces, converted block by block, so
// memory does not grow with the file.
//
// Only a regular file is read, never the analysis database or the template
// (same file, links included). A first pass reads the file once to decide its
// encoding, check it and take its fingerprint; the second reads exactly the
// size seen at opening, and fails if the file has changed meanwhile (its size
// or its bytes).
#include <QByteArray>
#include <QString>
#include <stdexcept>
#include <vector>

namespace textfile {

// A failure to open or read a text file; the message is French, names the
// file and its cause, ready to be shown.
class ReadError : public std::runtime_error
{
public:
    explicit ReadError(const QString &message)
        : std::runtime_error(message.toStdString()), m_message(message)
    {
    }
    const QString &message() const { return m_message; }

private:
    QString m_message;
};

enum class Encoding { Utf8, Windows1252, Utf16LE, Utf16BE };

// The character of a Windows-1252 byte (the five unassigned bytes 0x81, 0x8D,
// 0x8F, 0x90, 0x9D give the control characters of the same number).
char16_t windows1252(unsigned char byte);
// Appends the UTF-8 of Windows-1252 bytes to `out`.
void appendWindows1252(QByteArray &out, const char *bytes, qsizetype size);
// The number of UTF-8 bytes those Windows-1252 bytes give.
qint64 windows1252Utf8Size(const char *bytes, qsizetype size);

// Strict UTF-8 check fed in blocks (no overlong forms, no surrogates, nothing
// above U+10FFFF); a sequence may be split across blocks.
class Utf8Validator
{
public:
    // False once an invalid byte has been seen.
    bool feed(const char *bytes, qsizetype size);
    // True when everything fed was valid and no sequence is left unfinished.
    bool finish() const { return m_valid && m_need == 0; }

private:
    bool m_valid = true;
    int m_need = 0;
    unsigned char m_lo = 0x80, m_hi = 0xBF;
};

// UTF-16 to UTF-8, fed in blocks; a code unit or a surrogate pair may be split
// across blocks. A lone surrogate or an odd number of bytes is invalid.
class Utf16Converter
{
public:
    explicit Utf16Converter(bool bigEndian) : m_bigEndian(bigEndian) {}
    // Appends the UTF-8 of the bytes to `out` (when not null) and counts it.
    // False once something invalid has been seen.
    bool feed(const char *bytes, qsizetype size, QByteArray *out);
    // True when everything fed was valid and nothing is left unfinished.
    bool finish() const { return m_valid && !m_haveByte && m_high == 0; }
    qint64 utf8Size() const { return m_utf8Size; }

private:
    bool m_bigEndian;
    bool m_valid = true;
    bool m_haveByte = false;
    unsigned char m_byte = 0;
    char16_t m_high = 0; // a high surrogate waiting for its low half
    qint64 m_utf8Size = 0;
};

// A file that must never be taken as a text, and what it is, as the message
// names it ("la base d'analyse elle-même").
struct Refused
{
    QString path;
    QString what;
};

class TextReader
{
public:
    static constexpr qint64 kBlockSize = 1 << 20;

    // Opens the file, checks that it is a regular file and none of `refused`,
    // then reads it once to decide and check its encoding. Nothing is read
    // from a file that is refused. Throws ReadError.
    explicit TextReader(const QString &path, const std::vector<Refused> &refused = {},
                        qint64 blockSize = kBlockSize);
    ~TextReader();
    TextReader(const TextReader &) = delete;
    TextReader &operator=(const TextReader &) = delete;

    Encoding encoding() const { return m_encoding; }
    // The file's size in bytes, as seen at opening.
    qint64 size() const { return m_size; }
    // The number of UTF-8 bytes the whole text gives (byte-order mark left out).
    qint64 utf8Size() const { return m_utf8Size; }
    const QString &path() const { return m_path; }

    // The next piece of the text as UTF-8 (never empty); false at the end,
    // once the whole file has been read and found unchanged. Throws ReadError.
    bool next(QByteArray &piece);

private:
    [[noreturn]] void fail(const QString &cause) const;
    [[noreturn]] void failChanged() const;
    [[noreturn]] void failRead(int error) const;
    void open(const std::vector<Refused> &refused);
    // Reads the next block of the pass (exactly min(block, left) bytes) into
    // m_block; false at the expected end. A file cut short fails.
    bool readBlock(qint64 &left);
    void rewind();
    void checkEnd();
    void skipMark(const char *&p, qsizetype &n);
    qint64 windows1252Size(qint64 bytes);

    QString m_path;
    int m_fd = -1;
    qint64 m_blockSize;
    Encoding m_encoding = Encoding::Utf8;
    qint64 m_size = 0;
    qint64 m_utf8Size = 0;
    bool m_bom = false;
    quint64 m_fingerprint = 0;
    qint64 m_modified[4] = {}; // modification and change times at opening

    // The second pass.
    qint64 m_left = 0;
    qsizetype m_mark = 0; // bytes of the byte-order mark still to skip
    bool m_done = false;
    quint64 m_running = 0;
    QByteArray m_block;
    Utf16Converter m_utf16{false};
};

} // namespace textfile
