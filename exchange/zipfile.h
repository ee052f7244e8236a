#pragma once
// Reading the members of a ZIP archive (a .docx, an .odt, a REFI-QDA
// project) through libzip, with safety limits: a member whose name would
// leave the archive's folder (absolute, "..", backslashes, drive letters) is
// neither listed nor read, and a member declaring an absurd size, or
// inflating past what it declares, is refused before it fills the memory.
// Failures throw ZipError with a French cause (no file name in it), ready to
// follow "Le document « x » est endommagé : ".
#include <QByteArray>
#include <QIODevice>
#include <QString>
#include <QStringList>
#include <memory>
#include <stdexcept>

struct zip;

namespace exchange {

class ZipError : public std::runtime_error
{
public:
    explicit ZipError(const QString &cause)
        : std::runtime_error(cause.toStdString()), m_cause(cause)
    {
    }
    const QString &cause() const { return m_cause; }

private:
    QString m_cause;
};

class ZipFile
{
public:
    // Largest member read whole into memory by read() unless told otherwise.
    static constexpr qint64 kMaxMemberSize = qint64(512) << 20;
    // Largest member streamed by open(); beyond it the archive is refused.
    static constexpr qint64 kMaxStreamSize = qint64(4) << 30;
    // Largest ratio of inflated to compressed size for members over 1 MiB
    // (text XML deflates 5 to 30 times; a "zip bomb" a thousand times).
    static constexpr qint64 kMaxRatio = 1000;

    // Opens the archive (its central directory is checked). Throws ZipError.
    explicit ZipFile(const QString &path);
    ~ZipFile();
    ZipFile(const ZipFile &) = delete;
    ZipFile &operator=(const ZipFile &) = delete;

    // Whether a name stays inside the archive's folder once extracted.
    static bool isSafeName(const QString &name);

    // The names of the members (safe names only), in archive order.
    QStringList names() const;
    bool contains(const QString &name) const;
    // The member's declared size; -1 when there is no such member.
    qint64 size(const QString &name) const;
    // The whole member; throws ZipError when it is missing, unsafe, larger
    // than `limit` or damaged.
    QByteArray read(const QString &name, qint64 limit = kMaxMemberSize) const;
    // The member as a sequential device, for reading it in pieces (an XML
    // stream); read errors end the device with errorString() in French.
    std::unique_ptr<QIODevice> open(const QString &name) const;

private:
    qint64 locate(const QString &name) const; // -1 when missing or unsafe
    qint64 checkedSize(qint64 index, const QString &name, qint64 limit) const;

    zip *m_zip = nullptr;
};

// The French cause of a libzip error code.
QString zipCause(int code);

} // namespace exchange
