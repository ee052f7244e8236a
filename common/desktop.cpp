#include "common/desktop.h"

#include <QDesktopServices>
#include <QProcess>
#include <QUrl>

namespace desktop {
namespace {
OpenHook &openHook()
{
    static OpenHook h;
    return h;
}
StartHook &startHook()
{
    static StartHook h;
    return h;
}
} // namespace

bool openFile(const QString &path)
{
    if (openHook())
        return openHook()(path);
    return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

bool startDetached(const QString &program, const QStringList &arguments)
{
    if (startHook())
        return startHook()(program, arguments);
    if (program.isEmpty())
        return false;
    return QProcess::startDetached(program, arguments);
}

void setOpenHook(OpenHook hook) { openHook() = std::move(hook); }
void setStartHook(StartHook hook) { startHook() = std::move(hook); }

} // namespace desktop
