#pragma once
// Peak resident memory of the running process, for the benchmarks.
#include <QByteArray>
#include <QFile>
#include <QString>

namespace bench {

// VmHWM of this process so far, in MiB; -1 where /proc cannot tell.
inline double peakMiB()
{
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : f.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').first().toDouble() / 1024.0;
    return -1;
}

} // namespace bench
