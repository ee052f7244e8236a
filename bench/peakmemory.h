#pragma once
// Memory of the running process, for the benchmarks.
#include <QByteArray>
#include <QFile>
#include <QString>

namespace bench {

// A line of /proc/self/status ("VmHWM:", "VmRSS:"), in MiB; -1 where /proc
// cannot tell.
inline double statusMiB(const char *field)
{
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray name(field);
    for (const QByteArray &line : f.readAll().split('\n'))
        if (line.startsWith(name))
            return line.mid(name.size()).trimmed().split(' ').first().toDouble() / 1024.0;
    return -1;
}

// The peak resident memory of this process so far.
inline double peakMiB()
{
    return statusMiB("VmHWM:");
}

// The resident memory of this process now.
inline double residentMiB()
{
    return statusMiB("VmRSS:");
}

} // namespace bench
