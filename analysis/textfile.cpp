#include "analysis/textfile.h"

#include <QFile>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace textfile {

namespace {

const char16_t kHigh[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, // 80-87
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F, // 88-8F
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, // 90-97
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178, // 98-9F
};

constexpr quint64 kHighBits = 0x8080808080808080ULL;

QString quoted(const QString &path)
{
    return QStringLiteral("« %1 »").arg(path);
}

// Writes the UTF-8 of one character (never a surrogate); returns its length.
inline int putUtf8(char *out, char32_t c)
{
    if (c < 0x80) {
        out[0] = char(c);
        return 1;
    }
    if (c < 0x800) {
        out[0] = char(0xC0 | (c >> 6));
        out[1] = char(0x80 | (c & 0x3F));
        return 2;
    }
    if (c < 0x10000) {
        out[0] = char(0xE0 | (c >> 12));
        out[1] = char(0x80 | ((c >> 6) & 0x3F));
        out[2] = char(0x80 | (c & 0x3F));
        return 3;
    }
    out[0] = char(0xF0 | (c >> 18));
    out[1] = char(0x80 | ((c >> 12) & 0x3F));
    out[2] = char(0x80 | ((c >> 6) & 0x3F));
    out[3] = char(0x80 | (c & 0x3F));
    return 4;
}

// The UTF-8 of every Windows-1252 byte from 0x80 up.
struct Windows1252Table
{
    char bytes[128][3];
    unsigned char length[128];
    Windows1252Table()
    {
        for (int b = 0x80; b < 0x100; ++b)
            length[b - 0x80] = uchar(putUtf8(bytes[b - 0x80], windows1252(uchar(b))));
    }
};

const Windows1252Table &table1252()
{
    static const Windows1252Table table;
    return table;
}

// A 64-bit fingerprint of the bytes read, to tell whether the file changed
// between the two passes; both passes read the same blocks. Four lanes of
// eight bytes, so that the multiplications overlap.
quint64 fingerprint(quint64 h, const char *p, qsizetype n)
{
    constexpr quint64 k = 0x9E3779B97F4A7C15ULL;
    quint64 lane[4] = {h, h ^ 1, h ^ 2, h ^ 3};
    qsizetype i = 0;
    for (; i + 32 <= n; i += 32) {
        quint64 w[4];
        std::memcpy(w, p + i, 32);
        for (int j = 0; j < 4; ++j) {
            lane[j] = (lane[j] ^ w[j]) * k;
            lane[j] ^= lane[j] >> 29;
        }
    }
    h = lane[0] ^ (lane[1] * 3) ^ (lane[2] * 5) ^ (lane[3] * 7);
    for (; i < n; ++i) {
        h = (h ^ uchar(p[i])) * k;
        h ^= h >> 29;
    }
    return h;
}

// The French cause of a failed open or read.
QString systemCause(int error)
{
    switch (error) {
    case ENOENT:
    case ENOTDIR:
        return QStringLiteral("le fichier est introuvable");
    case EACCES:
    case EPERM:
        return QStringLiteral("vous n'avez pas le droit de le lire");
    case EIO:
        return QStringLiteral("erreur d'entrée-sortie du disque");
    case ENAMETOOLONG:
        return QStringLiteral("son nom est trop long");
    case ELOOP:
        return QStringLiteral("trop de liens symboliques s'enchaînent sur son chemin");
    case EMFILE:
    case ENFILE:
        return QStringLiteral("trop de fichiers sont ouverts");
    case ENOMEM:
        return QStringLiteral("mémoire insuffisante");
    case ENXIO:
    case ENODEV:
        return QStringLiteral("ce n'est pas un fichier ordinaire");
    default:
        return QStringLiteral("erreur système n° %1").arg(error);
    }
}

} // namespace

char16_t windows1252(unsigned char byte)
{
    if (byte >= 0x80 && byte < 0xA0)
        return kHigh[byte - 0x80];
    return byte;
}

void appendWindows1252(QByteArray &out, const char *bytes, qsizetype size)
{
    const Windows1252Table &t = table1252();
    const qsizetype start = out.size();
    out.resize(start + 3 * size);
    char *dst = out.data() + start;
    const auto *src = reinterpret_cast<const unsigned char *>(bytes);
    qsizetype i = 0;
    while (i < size) {
        if (i + 8 <= size) {
            quint64 word;
            std::memcpy(&word, src + i, 8);
            if (!(word & kHighBits)) {
                std::memcpy(dst, src + i, 8);
                dst += 8;
                i += 8;
                continue;
            }
        }
        const unsigned char c = src[i++];
        if (c < 0x80) {
            *dst++ = char(c);
        } else {
            const int n = t.length[c - 0x80];
            std::memcpy(dst, t.bytes[c - 0x80], size_t(n));
            dst += n;
        }
    }
    out.resize(dst - out.constData());
}

qint64 windows1252Utf8Size(const char *bytes, qsizetype size)
{
    const Windows1252Table &t = table1252();
    const auto *src = reinterpret_cast<const unsigned char *>(bytes);
    qint64 total = size;
    qsizetype i = 0;
    while (i < size) {
        if (i + 8 <= size) {
            quint64 word;
            std::memcpy(&word, src + i, 8);
            if (!(word & kHighBits)) {
                i += 8;
                continue;
            }
        }
        const unsigned char c = src[i++];
        if (c >= 0x80)
            total += t.length[c - 0x80] - 1;
    }
    return total;
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
                if (word & kHighBits)
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

bool Utf16Converter::feed(const char *bytes, qsizetype size, QByteArray *out)
{
    if (!m_valid)
        return false;
    const auto *b = reinterpret_cast<const unsigned char *>(bytes);
    char *dst = nullptr;
    qsizetype start = 0;
    if (out) {
        start = out->size();
        out->resize(start + (size / 2 + 1) * 3 + 4);
        dst = out->data() + start;
    }
    char scratch[4];
    qint64 written = 0;
    qsizetype i = 0;
    while (i < size) {
        unsigned char first, second;
        if (m_haveByte) {
            first = m_byte;
            second = b[i++];
            m_haveByte = false;
        } else if (i + 1 < size) {
            first = b[i];
            second = b[i + 1];
            i += 2;
        } else {
            m_byte = b[i++];
            m_haveByte = true;
            break;
        }
        const char16_t u = m_bigEndian ? char16_t(first << 8 | second) : char16_t(second << 8 | first);
        char32_t c;
        if (m_high) {
            if (u < 0xDC00 || u > 0xDFFF) {
                m_valid = false;
                break;
            }
            c = 0x10000 + ((char32_t(m_high) - 0xD800) << 10) + (u - 0xDC00);
            m_high = 0;
        } else if (u >= 0xD800 && u <= 0xDBFF) {
            m_high = u;
            continue;
        } else if (u >= 0xDC00 && u <= 0xDFFF) {
            m_valid = false;
            break;
        } else {
            c = u;
        }
        const int n = putUtf8(dst ? dst + written : scratch, c);
        written += n;
    }
    m_utf8Size += written;
    if (out)
        out->resize(start + written);
    return m_valid;
}

// ----- TextReader -----

TextReader::TextReader(const QString &path, const std::vector<Refused> &refused,
                       qint64 blockSize)
    : m_path(path), m_blockSize(blockSize > 0 ? blockSize : kBlockSize)
{
    open(refused);
    try {
        // The byte-order mark, read without moving through the file.
        unsigned char head[3] = {0, 0, 0};
        ssize_t got;
        do
            got = ::pread(m_fd, head, sizeof head, 0);
        while (got < 0 && errno == EINTR);
        if (got < 0)
            failRead(errno);
        const bool le = got >= 2 && m_size >= 2 && head[0] == 0xFF && head[1] == 0xFE;
        const bool be = got >= 2 && m_size >= 2 && head[0] == 0xFE && head[1] == 0xFF;
        m_bom = got == 3 && head[0] == 0xEF && head[1] == 0xBB && head[2] == 0xBF;

        // First pass: every check at once, while it can still succeed.
        Utf8Validator utf8;
        bool utf8Valid = true;
        Utf16Converter utf16(be);
        bool utf16Valid = le || be;
        qint64 size1252 = 0;  // counted from the first block that is not UTF-8
        qint64 validBytes = 0; // bytes before that block
        qint64 left = m_size;
        qint64 mark = 2; // bytes of the UTF-16 mark still to skip
        while (readBlock(left)) {
            const char *p = m_block.constData();
            const qsizetype n = m_block.size();
            m_fingerprint = fingerprint(m_fingerprint, p, n);
            if (utf8Valid) {
                utf8Valid = utf8.feed(p, n);
                if (utf8Valid)
                    validBytes += n;
            }
            if (!utf8Valid)
                size1252 += windows1252Utf8Size(p, n);
            if (utf16Valid) {
                const qsizetype skip = std::min<qint64>(mark, n);
                mark -= skip;
                utf16Valid = utf16.feed(p + skip, n - skip, nullptr);
            }
        }
        checkEnd();
        if (utf16Valid && utf16.finish()) {
            m_encoding = le ? Encoding::Utf16LE : Encoding::Utf16BE;
            m_utf8Size = utf16.utf8Size();
            m_utf16 = Utf16Converter(be);
        } else if (utf8Valid && utf8.finish()) {
            m_encoding = Encoding::Utf8;
            m_utf8Size = m_size - (m_bom ? 3 : 0);
        } else {
            m_encoding = Encoding::Windows1252;
            m_utf8Size = size1252 + windows1252Size(validBytes);
        }
        rewind();
    } catch (...) {
        ::close(m_fd);
        m_fd = -1;
        throw;
    }
}

// The UTF-8 size, read as Windows-1252, of the first `bytes` of the file.
qint64 TextReader::windows1252Size(qint64 bytes)
{
    qint64 total = 0;
    QByteArray block(std::min(bytes, m_blockSize), Qt::Uninitialized);
    for (qint64 at = 0; at < bytes;) {
        const qint64 want = std::min<qint64>(block.size(), bytes - at);
        const ssize_t got = ::pread(m_fd, block.data(), size_t(want), off_t(at));
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            failRead(errno);
        if (got == 0)
            failChanged();
        total += windows1252Utf8Size(block.constData(), got);
        at += got;
    }
    return total;
}

TextReader::~TextReader()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

void TextReader::fail(const QString &cause) const
{
    throw ReadError(QStringLiteral("Le fichier %1 ne peut pas être pris comme texte : %2.")
                        .arg(quoted(m_path), cause));
}

void TextReader::failRead(int error) const
{
    throw ReadError(QStringLiteral("La lecture du fichier texte %1 a échoué : %2.")
                        .arg(quoted(m_path), systemCause(error)));
}

void TextReader::failChanged() const
{
    throw ReadError(QStringLiteral("Le fichier texte %1 a été modifié pendant sa lecture (sa "
                                   "taille ou son contenu a changé). Reprenez-le quand plus rien "
                                   "ne l'écrit.")
                        .arg(quoted(m_path)));
}

void TextReader::open(const std::vector<Refused> &refused)
{
    if (m_path.isEmpty())
        throw ReadError(QStringLiteral("Aucun fichier texte n'est indiqué."));
    const QByteArray native = QFile::encodeName(m_path);
    // Not blocking: opening a named pipe must not wait for a writer.
    do
        m_fd = ::open(native.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    while (m_fd < 0 && errno == EINTR);
    if (m_fd < 0) {
        const int error = errno;
        if (error == ENOENT || error == ENOTDIR)
            throw ReadError(
                QStringLiteral("Le fichier texte %1 est introuvable.").arg(quoted(m_path)));
        fail(systemCause(error));
    }
    try {
        struct stat st;
        if (::fstat(m_fd, &st) != 0)
            failRead(errno);
        if (S_ISDIR(st.st_mode))
            fail(QStringLiteral("c'est un dossier"));
        if (S_ISFIFO(st.st_mode))
            fail(QStringLiteral("c'est un tube nommé (FIFO), qui peut ne jamais finir"));
        if (S_ISCHR(st.st_mode) || S_ISBLK(st.st_mode))
            fail(QStringLiteral("c'est un périphérique, pas un fichier"));
        if (!S_ISREG(st.st_mode))
            fail(QStringLiteral("ce n'est pas un fichier ordinaire"));
        for (const Refused &r : refused) {
            struct stat other;
            if (!r.path.isEmpty() && ::stat(QFile::encodeName(r.path).constData(), &other) == 0
                && other.st_dev == st.st_dev && other.st_ino == st.st_ino)
                fail(r.path == m_path // named otherwise (a link): say which file it is
                         ? QStringLiteral("c'est %1").arg(r.what)
                         : QStringLiteral("c'est %1 (%2)").arg(r.what, quoted(r.path)));
        }
        const int flags = ::fcntl(m_fd, F_GETFL);
        if (flags < 0 || ::fcntl(m_fd, F_SETFL, flags & ~O_NONBLOCK) != 0)
            failRead(errno);
        m_size = qint64(st.st_size);
        m_modified[0] = qint64(st.st_mtim.tv_sec);
        m_modified[1] = qint64(st.st_mtim.tv_nsec);
        m_modified[2] = qint64(st.st_ctim.tv_sec);
        m_modified[3] = qint64(st.st_ctim.tv_nsec);
    } catch (...) {
        ::close(m_fd);
        m_fd = -1;
        throw;
    }
}

bool TextReader::readBlock(qint64 &left)
{
    const qint64 want = std::min(left, m_blockSize);
    if (want <= 0)
        return false;
    m_block.resize(want);
    qint64 got = 0;
    while (got < want) {
        const ssize_t n = ::read(m_fd, m_block.data() + got, size_t(want - got));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            failRead(errno);
        }
        if (n == 0)
            failChanged(); // cut short since it was opened
        got += n;
    }
    left -= want;
    return true;
}

// At the end of a pass: nothing may follow the size seen at opening.
void TextReader::checkEnd()
{
    char extra;
    ssize_t n;
    do
        n = ::read(m_fd, &extra, 1);
    while (n < 0 && errno == EINTR);
    if (n < 0)
        failRead(errno);
    // A write also shows in the times of the file, even where it falls on
    // bytes this pass has read already.
    struct stat st;
    if (n > 0 || ::fstat(m_fd, &st) != 0 || qint64(st.st_size) != m_size
        || st.st_mtim.tv_sec != m_modified[0] || st.st_mtim.tv_nsec != m_modified[1]
        || st.st_ctim.tv_sec != m_modified[2] || st.st_ctim.tv_nsec != m_modified[3])
        failChanged();
}

void TextReader::rewind()
{
    if (::lseek(m_fd, 0, SEEK_SET) != 0)
        failRead(errno);
    m_left = m_size;
    m_mark = m_encoding == Encoding::Utf8 ? (m_bom ? 3 : 0)
             : m_encoding == Encoding::Windows1252 ? 0
                                                   : 2;
    m_done = false;
    m_running = 0;
}

// Skips what is left of the byte-order mark at the start of a block.
void TextReader::skipMark(const char *&p, qsizetype &n)
{
    const qsizetype skip = std::min<qsizetype>(m_mark, n);
    m_mark -= skip;
    p += skip;
    n -= skip;
}

bool TextReader::next(QByteArray &piece)
{
    if (m_done)
        return false;
    for (;;) {
        if (!readBlock(m_left)) {
            checkEnd();
            if (m_running != m_fingerprint
                || (m_encoding >= Encoding::Utf16LE && !m_utf16.finish()))
                failChanged();
            m_done = true;
            piece.resize(0);
            return false;
        }
        const char *p = m_block.constData();
        qsizetype n = m_block.size();
        m_running = fingerprint(m_running, p, n);
        switch (m_encoding) {
        case Encoding::Utf8:
            // The bytes were checked by the first pass; the fingerprint tells
            // at the end that they are still those bytes.
            skipMark(p, n);
            piece = QByteArray(p, n);
            break;
        case Encoding::Windows1252:
            piece.resize(0);
            appendWindows1252(piece, p, n);
            break;
        case Encoding::Utf16LE:
        case Encoding::Utf16BE:
            piece.resize(0);
            skipMark(p, n);
            if (!m_utf16.feed(p, n, &piece))
                failChanged(); // valid at the first pass
            break;
        }
        if (!piece.isEmpty())
            return true;
    }
}

} // namespace textfile
