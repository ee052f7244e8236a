#include "analysis/textfile.h"

#include <QFileInfo>
#include <cstring>

namespace textfile {

namespace {

const char16_t kHigh[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, // 80-87
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F, // 88-8F
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, // 90-97
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178, // 98-9F
};

QString quoted(const QString &path)
{
    return QStringLiteral("« %1 »").arg(path);
}

} // namespace

char16_t windows1252(unsigned char byte)
{
    if (byte >= 0x80 && byte < 0xA0)
        return kHigh[byte - 0x80];
    return byte;
}

void appendWindows1252(QString &out, const char *bytes, qsizetype size)
{
    const qsizetype start = out.size();
    out.resize(start + size);
    char16_t *dst = reinterpret_cast<char16_t *>(out.data()) + start;
    const auto *src = reinterpret_cast<const unsigned char *>(bytes);
    for (qsizetype i = 0; i < size; ++i)
        dst[i] = windows1252(src[i]);
}

bool Utf8Validator::feed(const char *bytes, qsizetype size)
{
    if (!m_valid)
        return false;
    const auto *b = reinterpret_cast<const unsigned char *>(bytes);
    qsizetype i = 0;
    while (i < size) {
        if (m_need == 0) {
            // Runs of ASCII, eight bytes at a time.
            while (i + 8 <= size) {
                quint64 word;
                std::memcpy(&word, b + i, 8);
                if (word & 0x8080808080808080ULL)
                    break;
                i += 8;
            }
            if (i >= size)
                break;
            const unsigned char c = b[i++];
            if (c < 0x80)
                continue;
            m_lo = 0x80;
            m_hi = 0xBF;
            if (c >= 0xC2 && c <= 0xDF) {
                m_need = 1;
            } else if (c == 0xE0) {
                m_need = 2;
                m_lo = 0xA0;
            } else if ((c >= 0xE1 && c <= 0xEC) || c == 0xEE || c == 0xEF) {
                m_need = 2;
            } else if (c == 0xED) {
                m_need = 2;
                m_hi = 0x9F;
            } else if (c == 0xF0) {
                m_need = 3;
                m_lo = 0x90;
            } else if (c >= 0xF1 && c <= 0xF3) {
                m_need = 3;
            } else if (c == 0xF4) {
                m_need = 3;
                m_hi = 0x8F;
            } else {
                m_valid = false;
                return false;
            }
        } else {
            const unsigned char c = b[i++];
            if (c < m_lo || c > m_hi) {
                m_valid = false;
                return false;
            }
            --m_need;
            m_lo = 0x80;
            m_hi = 0xBF;
        }
    }
    return true;
}

TextReader::TextReader(const QString &path) : m_path(path), m_file(path)
{
    const QFileInfo info(path);
    if (path.isEmpty() || !info.exists())
        throw ReadError(QStringLiteral("Le fichier texte %1 est introuvable.").arg(quoted(path)));
    if (info.isDir())
        throw ReadError(QStringLiteral("%1 est un dossier, pas un fichier texte.").arg(quoted(path)));
    if (!m_file.open(QIODevice::ReadOnly))
        throw ReadError(QStringLiteral("Le fichier texte %1 ne peut pas être ouvert : %2.")
                            .arg(quoted(path), m_file.errorString()));
    m_size = m_file.size();

    Utf8Validator validator;
    m_block.resize(kBlockSize);
    for (;;) {
        const qint64 got = m_file.read(m_block.data(), kBlockSize);
        if (got < 0)
            failRead();
        if (got == 0)
            break;
        if (!validator.feed(m_block.constData(), got))
            break;
    }
    m_encoding = validator.finish() ? Encoding::Utf8 : Encoding::Windows1252;
    if (!m_file.seek(0))
        failRead();
}

void TextReader::failRead()
{
    throw ReadError(QStringLiteral("La lecture du fichier texte %1 a échoué : %2.")
                        .arg(quoted(m_path), m_file.errorString()));
}

bool TextReader::next(QString &piece)
{
    piece.resize(0);
    for (;;) {
        const qint64 got = m_file.read(m_block.data(), kBlockSize);
        if (got < 0)
            failRead();
        if (got == 0)
            return false;
        if (m_encoding == Encoding::Windows1252)
            appendWindows1252(piece, m_block.constData(), got);
        else
            piece = m_utf8.decode(QByteArrayView(m_block.constData(), got));
        if (!piece.isEmpty())
            return true; // a block may hold only the start of one sequence
    }
}

} // namespace textfile
