// SPDX-License-Identifier: GPL-3.0-or-later
// File copy: copyFileReplacing() against cp on a 1 GiB file, both on the same disk, in turns.
//
//   build/bench/bench_safe_file_copy [folder on the disk to test, default the current one] [rounds]
#include "save_picture/safe_file_copy.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

#include <unistd.h>

using namespace lumaport;

namespace {

constexpr qint64 kFileSize = qint64{1} << 30;
constexpr double kSpeedTarget = 0.9;

qint64 peakKiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (QByteArray line = status.readLine(); !line.isEmpty(); line = status.readLine())
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').first().toLongLong();
    return -1;
}

// Incompressible, non-zero content, so no file system or copy can take a short cut through holes.
bool makeSource(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    std::vector<quint64> block((1 << 20) / sizeof(quint64));
    quint64 state = 0x9E3779B97F4A7C15ull;
    for (qint64 written = 0; written < kFileSize; written += qint64(block.size() * sizeof(quint64))) {
        for (quint64& word : block) {
            state ^= state << 13;
            state ^= state >> 7;
            state ^= state << 17;
            word = state;
        }
        if (file.write(reinterpret_cast<const char*>(block.data()), qint64(block.size() * sizeof(quint64))) < 0)
            return false;
    }
    return file.flush();
}

// Seconds for one copy. Dirty pages of the run before are written out first, so no run pays for another's.
double timed(const auto& copy)
{
    ::sync();
    QElapsedTimer timer;
    timer.start();
    const bool copied = copy();
    const double seconds = static_cast<double>(timer.nsecsElapsed()) / 1e9;
    return copied ? seconds : -1;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const QString folder = args.size() > 1 ? args[1] : QDir::currentPath();
    const int rounds = args.size() > 2 ? std::max(1, args[2].toInt()) : 5;

    QTemporaryDir dir(QDir(folder).filePath(QStringLiteral("lumaport-copy-bench-XXXXXX")));
    const QString source = dir.filePath(QStringLiteral("source.bin"));
    if (!dir.isValid() || !makeSource(source)) {
        std::fprintf(stderr, "cannot write a 1 GiB file in %s\n", qPrintable(folder));
        return 2;
    }
    std::printf("Copying a 1 GiB file in %s, %d rounds, cp and copyFileReplacing in turns\n", qPrintable(dir.path()),
                rounds);

    const QString byCp = dir.filePath(QStringLiteral("by-cp.bin"));
    const QString byUs = dir.filePath(QStringLiteral("by-us.bin"));
    const auto cp = [&] { return QProcess::execute(QStringLiteral("cp"), {source, byCp}) == 0; };
    const auto cpAndSync = [&] {
        const bool copied = cp();
        ::sync();
        return copied;
    };
    const auto us = [&] {
        QString error;
        if (copyFileReplacing(source, byUs, &error))
            return true;
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return false;
    };

    std::vector<double> cpNew, usNew, cpReplacing, cpSyncReplacing, usReplacing;
    const qint64 baseline = peakKiB();
    for (int round = 0; round < rounds; ++round) {
        cpNew.push_back(timed(cp));
        usNew.push_back(timed(us));
        cpReplacing.push_back(timed(cp));
        cpSyncReplacing.push_back(timed(cpAndSync));
        usReplacing.push_back(timed(us));
        QFile::remove(byCp);
        QFile::remove(byUs);
        for (const auto* times : {&cpNew, &usNew, &cpReplacing, &cpSyncReplacing, &usReplacing})
            if (times->back() < 0) {
                std::fprintf(stderr, "a copy failed\n");
                return 2;
            }
        std::printf("round %d: new file: cp %.2f s, ours %.2f s; replacing: cp %.2f s, cp + sync %.2f s, ours %.2f s\n",
                    round + 1, cpNew.back(), usNew.back(), cpReplacing.back(), cpSyncReplacing.back(),
                    usReplacing.back());
    }
    const double addedMiB = static_cast<double>(peakKiB() - baseline) / 1024.0;

    const double ratio = median(cpNew) / median(usNew);
    std::printf("new file : cp %.2f s (%.0f MiB/s), copyFileReplacing %.2f s (%.0f MiB/s)\n", median(cpNew),
                1024.0 / median(cpNew), median(usNew), 1024.0 / median(usNew));
    std::printf("replacing: cp %.2f s, cp + sync %.2f s, copyFileReplacing %.2f s (waits for the disk before it "
                "gives up the old file): %.2f of cp + sync, %.2f of cp\n",
                median(cpReplacing), median(cpSyncReplacing), median(usReplacing),
                median(cpSyncReplacing) / median(usReplacing), median(cpReplacing) / median(usReplacing));
    std::printf("peak memory of copyFileReplacing: +%.1f MiB\n", addedMiB);
    std::printf("speed ratio against cp (new file): %.2f (target >= %.1f) %s\n", ratio, kSpeedTarget,
                ratio >= kSpeedTarget ? "met" : "MISSED");
    return ratio >= kSpeedTarget ? 0 : 1;
}
