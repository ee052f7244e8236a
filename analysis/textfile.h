#pragma once
// Reading a text file to segment. A file whose bytes are all valid UTF-8 is
// read as UTF-8 (a leading byte-order mark dropped); any other file is read as
// Windows-1252, the code page of legacy corpora. The file is streamed in
// blocks: a first pass checks the bytes, a second decodes them, so memory does
// not grow with the file.
#include <QFile>
#include <QString>
#include <QStringDecoder>
#include <stdexcept>

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

enum class Encoding { Utf8, Windows1252 };

// The character of a Windows-1252 byte (the five unassigned bytes 0x81, 0x8D,
// 0x8F, 0x90, 0x9D give the control characters of the same number).
char16_t windows1252(unsigned char byte);
// Appends the characters of Windows-1252 bytes to `out`.
void appendWindows1252(QString &out, const char *bytes, qsizetype size);

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

class TextReader
{
public:
    static constexpr qint64 kBlockSize = 1 << 20;

    // Opens the file and decides its encoding (reads it once). Throws ReadError.
    explicit TextReader(const QString &path);

    Encoding encoding() const { return m_encoding; }
    qint64 size() const { return m_size; }
    const QString &path() const { return m_path; }

    // The next decoded piece of the text; false at the end. Throws ReadError.
    bool next(QString &piece);

private:
    [[noreturn]] void failRead();

    QString m_path;
    QFile m_file;
    Encoding m_encoding = Encoding::Utf8;
    qint64 m_size = 0;
    QByteArray m_block;
    QStringDecoder m_utf8{QStringDecoder::Utf8};
};

} // namespace textfile
