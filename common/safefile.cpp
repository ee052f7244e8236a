#include "common/safefile.h"

#include "common/filecause.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>
#include <climits>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr qsizetype kBufferSize = 256 * 1024;

SafeFile::FaultHook &faultHook()
{
    static SafeFile::FaultHook hook;
    return hook;
}

QByteArray native(const QString &path)
{
    return QFile::encodeName(path);
}

} // namespace

SafeFile::SafeFile(const QString &target, QObject *parent) : QIODevice(parent), m_target(target)
{
}

SafeFile::~SafeFile()
{
    cleanUp();
}

void SafeFile::setFaultHook(FaultHook hook)
{
    faultHook() = std::move(hook);
}

bool SafeFile::injected(Step step)
{
    if (!faultHook())
        return false;
    const int error = faultHook()(step);
    return error != 0 && !fail(error);
}

bool SafeFile::fail(int error)
{
    m_error = error != 0 ? error : EIO;
    setErrorString(filecause::fromErrno(m_error));
    cleanUp();
    if (isOpen())
        QIODevice::close();
    return false;
}

void SafeFile::cleanUp()
{
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
    if (!m_temporary.isEmpty()) {
        ::unlink(native(m_temporary).constData());
        m_temporary.clear();
    }
    m_buffer.clear();
}

bool SafeFile::open(OpenMode mode)
{
    if (isOpen() || !(mode & WriteOnly) || (mode & ReadOnly)) {
        m_error = EINVAL;
        setErrorString(filecause::fromErrno(EINVAL));
        return false;
    }
    m_error = 0;
    if (injected(Step::Open))
        return false;

    // What the name leads to, links followed (/dev/stdout included).
    struct stat st {};
    const bool exists = ::stat(native(m_target).constData(), &st) == 0;
    if (!exists && errno != ENOENT)
        return fail(errno);
    const QFileInfo info(m_target);
    m_real = info.absoluteFilePath();
    if (exists && S_ISREG(st.st_mode) && info.isSymLink())
        m_real = info.canonicalFilePath();
    const QByteArray real = native(m_real);
    if (native(QFileInfo(m_real).fileName()).size() > NAME_MAX)
        return fail(ENAMETOOLONG);
    if (exists && S_ISDIR(st.st_mode))
        return fail(EISDIR);
    if (exists && ::access(real.constData(), W_OK) != 0)
        return fail(errno);

    if (exists && (S_ISCHR(st.st_mode) || S_ISFIFO(st.st_mode))) {
        // Nothing to replace: written directly. A pipe nobody reads is
        // refused rather than waited on.
        m_fd = ::open(real.constData(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
        if (m_fd < 0)
            return fail(errno);
        const int flags = ::fcntl(m_fd, F_GETFL);
        if (flags == -1 || ::fcntl(m_fd, F_SETFL, flags & ~O_NONBLOCK) == -1)
            return fail(errno);
    } else {
        // A short name of its own beside the target, so that a long target
        // name still leaves room for it.
        const QDir folder = QFileInfo(m_real).absoluteDir();
        for (int attempt = 0; attempt < 100 && m_fd < 0; ++attempt) {
            const QString name =
                QStringLiteral(".telmira-%1.tmp")
                    .arg(QRandomGenerator::global()->generate64(), 16, 16, QLatin1Char('0'));
            const QString path = folder.filePath(name);
            m_fd = ::open(native(path).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
            if (m_fd >= 0)
                m_temporary = path;
            else if (errno != EEXIST)
                return fail(errno);
        }
        if (m_fd < 0)
            return fail(EEXIST);
        // A file replaced keeps its permissions.
        if (exists)
            ::fchmod(m_fd, st.st_mode & 07777);
    }
    m_buffer.reserve(kBufferSize);
    return QIODevice::open(mode | Unbuffered);
}

bool SafeFile::writeOut(Step step)
{
    if (injected(step))
        return false;
    const char *data = m_buffer.constData();
    qsizetype left = m_buffer.size();
    while (left > 0) {
        const ssize_t n = ::write(m_fd, data, size_t(left));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return fail(errno);
        }
        if (n == 0)
            return fail(ENOSPC);
        data += n;
        left -= n;
    }
    m_buffer.clear();
    return true;
}

qint64 SafeFile::readData(char *, qint64)
{
    return -1;
}

qint64 SafeFile::writeData(const char *data, qint64 size)
{
    if (m_fd < 0)
        return -1;
    m_buffer.append(data, qsizetype(size));
    if (m_buffer.size() >= kBufferSize && !writeOut(Step::Write))
        return -1;
    return size;
}

bool SafeFile::commit()
{
    if (!isOpen() || m_fd < 0) {
        if (m_error == 0)
            fail(EINVAL);
        return false;
    }
    if (!writeOut(Step::Flush))
        return false;
    if (!m_temporary.isEmpty()) {
        if (injected(Step::Sync))
            return false;
        if (::fsync(m_fd) != 0)
            return fail(errno);
    }
    if (injected(Step::Close))
        return false;
    const int fd = m_fd;
    m_fd = -1;
    if (::close(fd) != 0 && errno != EINTR)
        return fail(errno);
    if (!m_temporary.isEmpty()) {
        if (injected(Step::Replace))
            return false;
        if (::rename(native(m_temporary).constData(), native(m_real).constData()) != 0)
            return fail(errno);
        m_temporary.clear();
        // The rename itself reaches the disk with its folder.
        const int dir = ::open(native(QFileInfo(m_real).absolutePath()).constData(),
                               O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (dir >= 0) {
            ::fsync(dir);
            ::close(dir);
        }
    }
    QIODevice::close();
    return true;
}

void SafeFile::discard()
{
    cleanUp();
    if (isOpen())
        QIODevice::close();
}
