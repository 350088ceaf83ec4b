#pragma once

#include <QByteArray>
#include <QFile>

namespace kestar::bench {

// A figure of this process from /proc/self/status in MB: "VmHWM:" the peak resident set,
// "VmRSS:" the present one; -1 when it cannot be read.
inline double statusMb(const char* key)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith(key))
            return line.mid(qstrlen(key)).trimmed().split(' ').value(0).toDouble() / 1024.0;
    }
    return -1;
}

// Starts a new peak ("VmHWM:") from the present resident set.
inline void resetPeak()
{
    QFile refs(QStringLiteral("/proc/self/clear_refs"));
    if (refs.open(QIODevice::WriteOnly))
        refs.write("5");
}

} // namespace kestar::bench
