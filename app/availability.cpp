#include "app/availability.h"

#include <QFileInfo>

namespace availability {

bool denotesFile(const QString &path)
{
    if (path.isEmpty())
        return false;
    const QFileInfo info(path);
    return info.exists() && info.isFile();
}

} // namespace availability
