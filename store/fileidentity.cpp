#include "store/fileidentity.h"

#include <QFile>

#include <sys/stat.h>

FileIdentity identityOf(const QString &path)
{
    FileIdentity identity;
    if (path.isEmpty())
        return identity;
    struct stat info {};
    if (::stat(QFile::encodeName(path).constData(), &info) != 0)
        return identity;
    identity.exists = true;
    identity.regular = S_ISREG(info.st_mode);
    identity.device = quint64(info.st_dev);
    identity.inode = quint64(info.st_ino);
    return identity;
}
