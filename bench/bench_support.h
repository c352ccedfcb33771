// SPDX-License-Identifier: GPL-3.0-or-later
// Measuring helpers the benchmarks share.
#pragma once

#include <QByteArray>
#include <QFile>
#include <algorithm>
#include <ctime>
#include <vector>

namespace lumaport::bench {

/// A field of /proc/self/status in KiB, such as "VmHWM:" (peak resident) or "VmRSS:"; -1 when unreadable.
inline qint64 statusKiB(const QByteArray& field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (QByteArray line = status.readLine(); !line.isEmpty(); line = status.readLine())
        if (line.startsWith(field))
            return line.mid(field.size()).trimmed().split(' ').first().toLongLong();
    return -1;
}

// Processor time of the calling thread, in seconds.
inline double threadCpuSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) / 1e9;
}

inline double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace lumaport::bench
