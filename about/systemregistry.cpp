#include "about/systemregistry.h"

#include "about/sysinfo.h"

#include <QFile>
#include <QStandardPaths>

#ifdef Q_OS_WIN
#include "about/win32registry.h"
#else
#include "about/memoryregistry.h"
#endif

namespace about {

QStringList systemInformationPrograms()
{
    return {QStringLiteral("hardinfo2"), QStringLiteral("hardinfo"), QStringLiteral("kinfocenter"),
            QStringLiteral("cpu-x"), QStringLiteral("lshw-gtk")};
}

QString findSystemInformationProgram()
{
    for (const QString &name : systemInformationPrograms()) {
        const QString path = QStandardPaths::findExecutable(name);
        if (!path.isEmpty())
            return path;
    }
    return QString();
}

std::unique_ptr<RegistryApi> makeSystemRegistry()
{
#ifdef Q_OS_WIN
    return std::make_unique<Win32Registry>();
#else
    auto registry = std::make_unique<MemoryRegistry>();
    registry->addKey(kHKeyLocalMachine, QString::fromLatin1(kSysInfoKey));
    const QString program = findSystemInformationProgram();
    if (!program.isEmpty()) {
        // Stored as Windows stores a string: 8-bit text with its final NUL.
        registry->setValue(kHKeyLocalMachine, QString::fromLatin1(kSysInfoKey),
                           QString::fromLatin1(kSysInfoValue), kRegSz,
                           QFile::encodeName(program) + '\0');
    }
    return registry;
#endif
}

} // namespace about
