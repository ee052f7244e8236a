#include "exchange/paragraphs.h"

#include "analysis/textfile.h"

#include <QFile>
#include <QStringDecoder>

namespace exchange {

namespace {

// The Latin ligatures U+FB00 to U+FB06 as their letters, so that a search
// for "fichier" finds the "ﬁchier" a PDF gives.
const char16_t *const kLigatures[] = {u"ff", u"fi", u"fl", u"ffi", u"ffl", u"st", u"st"};

// White space a paragraph does not show at its ends: every Unicode space
// (no-break ones included), zero-width spaces and joiners.
bool isBlank(char16_t u)
{
    return QChar::isSpace(u) || u == 0x200B || u == 0x200C || u == 0x200D || u == 0x2060
           || u == 0x180E;
}

} // namespace

void addParagraph(QStringList &out, const QString &text)
{
    qsizetype extra = 0; // letters the ligatures add
    for (const QChar c : text)
        if (c.unicode() >= 0xFB00 && c.unicode() <= 0xFB06)
            extra += c.unicode() == 0xFB03 || c.unicode() == 0xFB04 ? 2 : 1;
    QString p(text.size() + extra, Qt::Uninitialized);
    char16_t *dst = reinterpret_cast<char16_t *>(p.data());
    qsizetype n = 0;
    for (const QChar c : text) {
        char16_t u = c.unicode();
        if (u >= 0xFB00 && u <= 0xFB06) {
            for (const char16_t *l = kLigatures[u - 0xFB00]; *l; ++l)
                dst[n++] = *l;
            continue;
        }
        // Bullets of the Symbol and Wingdings fonts, which documents give in
        // the private-use area.
        if (u == 0xF0B7 || u == 0xF0A7)
            u = 0x2022;
        if (u == 0xFFFC || u == 0xFEFF || u == 0x00AD)
            continue; // pictures, stray byte-order marks, soft hyphens
        if (u < 0x20 || u == 0x7F || u == 0x2028 || u == 0x2029 || u == 0x0085)
            dst[n++] = u' ';
        else
            dst[n++] = u;
    }
    qsizetype begin = 0, end = n;
    while (begin < end && isBlank(dst[begin]))
        ++begin;
    while (end > begin && isBlank(dst[end - 1]))
        --end;
    if (end == begin)
        return;
    if (begin == 0) {
        p.truncate(end);
        out << p;
    } else {
        out << p.mid(begin, end - begin);
    }
}

QString ceilingCause(qint64 ceiling)
{
    const QString amount = ceiling >= (qint64(1) << 20) && ceiling % (qint64(1) << 20) == 0
                               ? QStringLiteral("%1 Mo").arg(ceiling >> 20)
                               : QStringLiteral("%1 octets").arg(ceiling);
    return QStringLiteral("le document donne plus de %1 de texte : découpez-le en plusieurs "
                          "documents")
        .arg(amount);
}

qint64 utf8Size(QStringView text)
{
    qint64 size = 0;
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        size += u < 0x80 ? 1 : u < 0x800 || QChar::isSurrogate(u) ? 2 : 3;
    }
    return size;
}

QString entitiesCause()
{
    return QStringLiteral("le document déclare des entités XML, refusé par sécurité");
}

QString decodeText(const QByteArray &bytes)
{
    if (bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF")) {
        QStringDecoder decoder(bytes.startsWith("\xFF\xFE") ? QStringDecoder::Utf16LE
                                                            : QStringDecoder::Utf16BE);
        QString text = decoder.decode(QByteArrayView(bytes).sliced(2));
        return text;
    }
    textfile::Utf8Validator validator;
    if (validator.feed(bytes.constData(), bytes.size()) && validator.finish()) {
        QByteArrayView view(bytes);
        if (view.startsWith("\xEF\xBB\xBF"))
            view = view.sliced(3);
        return QString::fromUtf8(view);
    }
    QByteArray utf8;
    textfile::appendWindows1252(utf8, bytes.constData(), bytes.size());
    return QString::fromUtf8(utf8);
}

QString frenchNumber(qint64 n)
{
    QString digits = QString::number(n);
    for (qsizetype at = digits.size() - (n < 0 ? 4 : 3); at > 0; at -= 3)
        digits.insert(at + (n < 0 ? 1 : 0), QChar(0x202F));
    return digits;
}

QByteArray readWholeFile(const QString &path, qint64 limit)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw ReadFailure(file.error() == QFileDevice::PermissionsError
                              ? QStringLiteral("le fichier ne peut pas être ouvert : droits "
                                               "insuffisants")
                              : QStringLiteral("le fichier ne peut pas être ouvert"));
    if (file.size() > limit)
        throw ReadFailure(QStringLiteral("le fichier est trop grand (%1 Mo ; %2 Mo au plus)")
                              .arg(file.size() >> 20)
                              .arg(limit >> 20));
    const qint64 size = file.size();
    QByteArray data(size, Qt::Uninitialized);
    qint64 done = 0;
    while (done < size) {
        const qint64 got = file.read(data.data() + done, size - done);
        if (got < 0)
            throw ReadFailure(QStringLiteral("la lecture du fichier a échoué"));
        if (got == 0)
            throw ReadFailure(QStringLiteral("le fichier a raccourci pendant sa lecture"));
        done += got;
    }
    return data;
}

} // namespace exchange
