#pragma once

#include <QByteArray>
#include <QFile>

// The process's resident memory now, in megabytes (0 where /proc is missing).
inline double residentMegabytes()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (status.open(QIODevice::ReadOnly)) {
        for (const QByteArray& line : status.readAll().split('\n'))
            if (line.startsWith("VmRSS:"))
                return line.mid(6).trimmed().split(' ').front().toDouble() / 1024.0;
    }
    return 0;
}
