#include "about/sysinfo.h"

#include "common/desktop.h"
#include "common/messages.h"

#include <QFileInfo>

namespace about {

QString sysInfoUnavailableMessage()
{
    return QStringLiteral("Les informations système ne sont pas disponibles actuellement");
}

QString sysInfoProgramIn(const QString &folder)
{
#ifdef Q_OS_WIN
    const QLatin1Char separator('\\');
#else
    const QLatin1Char separator('/');
#endif
    return folder + separator + QString::fromLatin1(kSysInfoProgram);
}

namespace {

// Looks the program up; true with `program` set when there is one to start.
bool findProgram(RegistryApi &registry, QString &program)
{
    QString SysInfoPath;
    if (GetKeyValue(registry, kHKeyLocalMachine, QString::fromLatin1(kSysInfoKey),
                    QString::fromLatin1(kSysInfoValue), SysInfoPath)) {
        program = SysInfoPath;
        return true;
    }
    if (!GetKeyValue(registry, kHKeyLocalMachine, QString::fromLatin1(kSysInfoLocKey),
                     QString::fromLatin1(kSysInfoLocValue), SysInfoPath))
        return false;
    // A plain file of that exact name, not a folder nor a name pattern.
    const QString candidate = sysInfoProgramIn(SysInfoPath);
    const QFileInfo info(candidate);
    if (!info.exists() || !info.isFile())
        return false;
    program = candidate;
    return true;
}

} // namespace

void StartSysInfo(RegistryApi &registry, QWidget *parent)
{
    try {
        QString program;
        // An empty path (a "PATH" of a type that gives no text) cannot be started.
        if (findProgram(registry, program) && !program.isEmpty()
            && desktop::startDetached(program))
            return;
    } catch (...) {
        // Any failure of the look-up or of the start ends in the message.
    }
    messages::plain(parent, sysInfoUnavailableMessage());
}

} // namespace about
