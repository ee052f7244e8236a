#include "exchange/zipfile.h"

#include <QFile>
#include <zip.h>

namespace exchange {

namespace {

// A member read in pieces, checked against its declared size.
class MemberDevice : public QIODevice
{
public:
    MemberDevice(zip_file_t *file, qint64 declared) : m_file(file), m_declared(declared)
    {
        QIODevice::open(QIODevice::ReadOnly);
    }
    ~MemberDevice() override { zip_fclose(m_file); }
    bool isSequential() const override { return true; }

protected:
    qint64 readData(char *data, qint64 max) override
    {
        if (m_failed)
            return -1;
        // One byte more than declared is enough to see a lying header.
        const qint64 room = m_declared + 1 - m_done;
        const zip_int64_t got = zip_fread(m_file, data, zip_uint64_t(qMin(max, room)));
        if (got < 0) {
            m_failed = true;
            setErrorString(zipCause(zip_error_code_zip(zip_file_get_error(m_file))));
            return -1;
        }
        m_done += got;
        if (m_done > m_declared) {
            m_failed = true;
            setErrorString(QStringLiteral("un élément de l'archive ZIP est plus long que ce "
                                          "qu'elle annonce"));
            return -1;
        }
        return got;
    }
    qint64 writeData(const char *, qint64) override { return -1; }

private:
    zip_file_t *m_file;
    qint64 m_declared;
    qint64 m_done = 0;
    bool m_failed = false;
};

} // namespace

QString zipCause(int code)
{
    switch (code) {
    case ZIP_ER_NOZIP:
        return QStringLiteral("ce n'est pas une archive ZIP");
    case ZIP_ER_INCONS:
    case ZIP_ER_EOF:
    case ZIP_ER_COMPRESSED_DATA:
    case ZIP_ER_ZLIB:
        return QStringLiteral("l'archive ZIP est incomplète ou incohérente");
    case ZIP_ER_CRC:
        return QStringLiteral("un élément de l'archive ZIP est altéré (somme de contrôle "
                              "incorrecte)");
    case ZIP_ER_MULTIDISK:
        return QStringLiteral("les archives ZIP en plusieurs volumes ne sont pas prises en charge");
    case ZIP_ER_COMPNOTSUPP:
        return QStringLiteral("l'archive ZIP utilise une méthode de compression non prise en "
                              "charge");
    case ZIP_ER_ENCRNOTSUPP:
    case ZIP_ER_NOPASSWD:
    case ZIP_ER_WRONGPASSWD:
        return QStringLiteral("l'archive ZIP est chiffrée (protégée par un mot de passe)");
    case ZIP_ER_MEMORY:
        return QStringLiteral("la mémoire manque pour lire l'archive ZIP");
    case ZIP_ER_OPEN:
    case ZIP_ER_READ:
    case ZIP_ER_SEEK:
    case ZIP_ER_TELL:
        return QStringLiteral("le fichier ne peut pas être lu");
    default:
        return QStringLiteral("l'archive ZIP est illisible (erreur %1)").arg(code);
    }
}

ZipFile::ZipFile(const QString &path)
{
    int error = 0;
    const QByteArray name = QFile::encodeName(path);
    m_zip = zip_open(name.constData(), ZIP_RDONLY | ZIP_CHECKCONS, &error);
    if (!m_zip)
        throw ZipError(zipCause(error));
}

ZipFile::~ZipFile()
{
    if (m_zip)
        zip_discard(m_zip);
}

bool ZipFile::isSafeName(const QString &name)
{
    if (name.isEmpty() || name.startsWith(QLatin1Char('/')) || name.contains(QLatin1Char('\\'))
        || name.contains(QChar(0)) || (name.size() >= 2 && name.at(1) == QLatin1Char(':')))
        return false;
    const QStringList parts = name.split(QLatin1Char('/'));
    for (const QString &part : parts)
        if (part == QLatin1String(".."))
            return false;
    return true;
}

QStringList ZipFile::names() const
{
    QStringList result;
    const zip_int64_t count = zip_get_num_entries(m_zip, 0);
    for (zip_int64_t i = 0; i < count; ++i) {
        const char *n = zip_get_name(m_zip, zip_uint64_t(i), ZIP_FL_ENC_GUESS);
        if (!n)
            continue;
        const QString name = QString::fromUtf8(n);
        if (isSafeName(name))
            result << name;
    }
    return result;
}

qint64 ZipFile::locate(const QString &name) const
{
    if (!isSafeName(name))
        return -1;
    const QByteArray n = name.toUtf8();
    return zip_name_locate(m_zip, n.constData(), ZIP_FL_ENC_GUESS);
}

bool ZipFile::contains(const QString &name) const
{
    return locate(name) >= 0;
}

qint64 ZipFile::size(const QString &name) const
{
    const qint64 index = locate(name);
    if (index < 0)
        return -1;
    zip_stat_t st;
    zip_stat_init(&st);
    if (zip_stat_index(m_zip, zip_uint64_t(index), 0, &st) != 0 || !(st.valid & ZIP_STAT_SIZE))
        return -1;
    return qint64(st.size);
}

qint64 ZipFile::checkedSize(qint64 index, const QString &name, qint64 limit) const
{
    zip_stat_t st;
    zip_stat_init(&st);
    if (zip_stat_index(m_zip, zip_uint64_t(index), 0, &st) != 0 || !(st.valid & ZIP_STAT_SIZE))
        throw ZipError(QStringLiteral("l'élément « %1 » de l'archive ZIP est illisible").arg(name));
    const qint64 size = qint64(qMin<zip_uint64_t>(st.size, zip_uint64_t(kMaxStreamSize) + 1));
    if (size > limit)
        throw ZipError(QStringLiteral("l'élément « %1 » de l'archive ZIP annonce une taille "
                                      "démesurée (%2 octets)")
                           .arg(name)
                           .arg(qulonglong(st.size)));
    if ((st.valid & ZIP_STAT_COMP_SIZE) && size > (qint64(1) << 20)
        && size / qMax<qint64>(1, qint64(st.comp_size)) > kMaxRatio)
        throw ZipError(QStringLiteral("l'élément « %1 » de l'archive ZIP est anormalement "
                                      "compressé (archive piégée ?)")
                           .arg(name));
    return size;
}

QByteArray ZipFile::read(const QString &name, qint64 limit) const
{
    const qint64 index = locate(name);
    if (index < 0)
        throw ZipError(QStringLiteral("l'élément « %1 » manque dans l'archive ZIP").arg(name));
    const qint64 size = checkedSize(index, name, limit);
    zip_file_t *file = zip_fopen_index(m_zip, zip_uint64_t(index), 0);
    if (!file)
        throw ZipError(zipCause(zip_error_code_zip(zip_get_error(m_zip))));
    MemberDevice member(file, size);
    QByteArray data(size, Qt::Uninitialized);
    qint64 done = 0;
    while (done < size) {
        const qint64 got = member.read(data.data() + done, size - done);
        if (got < 0)
            throw ZipError(member.errorString());
        if (got == 0)
            break;
        done += got;
    }
    char extra;
    if (done != size || member.read(&extra, 1) != 0)
        throw ZipError(QStringLiteral("l'élément « %1 » de l'archive ZIP n'a pas la taille "
                                      "qu'elle annonce")
                           .arg(name));
    return data;
}

std::unique_ptr<QIODevice> ZipFile::open(const QString &name) const
{
    const qint64 index = locate(name);
    if (index < 0)
        throw ZipError(QStringLiteral("l'élément « %1 » manque dans l'archive ZIP").arg(name));
    const qint64 size = checkedSize(index, name, kMaxStreamSize);
    zip_file_t *file = zip_fopen_index(m_zip, zip_uint64_t(index), 0);
    if (!file)
        throw ZipError(zipCause(zip_error_code_zip(zip_get_error(m_zip))));
    return std::make_unique<MemberDevice>(file, size);
}

} // namespace exchange
