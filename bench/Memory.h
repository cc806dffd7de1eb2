#pragma once

#include <QByteArray>
#include <QFile>

// A line of /proc/self/status ("VmRSS:", "VmHWM:") in megabytes; 0 where
// /proc is missing.
inline double statusMegabytes(const QByteArray& key)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (status.open(QIODevice::ReadOnly)) {
        for (const QByteArray& line : status.readAll().split('\n'))
            if (line.startsWith(key))
                return line.mid(key.size()).trimmed().split(' ').front().toDouble() / 1024.0;
    }
    return 0;
}

// The process's resident memory now, in megabytes.
inline double residentMegabytes()
{
    return statusMegabytes("VmRSS:");
}

// The process's peak resident memory since the last resetPeakMemory().
inline double peakMegabytes()
{
    return statusMegabytes("VmHWM:");
}

// Starts a new peak-memory measurement; false where only the lifetime peak
// is available.
inline bool resetPeakMemory()
{
    QFile clear(QStringLiteral("/proc/self/clear_refs"));
    return clear.open(QIODevice::WriteOnly) && clear.write("5") == 1;
}
