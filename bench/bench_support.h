// SPDX-License-Identifier: GPL-3.0-or-later
// Measuring helpers the benchmarks share.
#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
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

/// Wall-clock seconds of a whole process from its start to its end, its output thrown away; -1 when it does not
/// end with exit code 0.
inline double processSeconds(const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.setStandardOutputFile(QProcess::nullDevice());
    QElapsedTimer clock;
    clock.start();
    process.start(program, arguments);
    const bool done =
        process.waitForFinished(-1) && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
    return done ? double(clock.nsecsElapsed()) / 1e9 : -1;
}

inline double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace lumaport::bench
