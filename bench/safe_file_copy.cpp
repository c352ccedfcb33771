// SPDX-License-Identifier: GPL-3.0-or-later
// File copy: copyFileReplacing() against cp on a 1 GiB file, both on the same disk, in turns.
//
//   build/bench/bench_safe_file_copy [folder on the disk to test, default the current one] [rounds]
#include "platform/file_copy.h"

#include "bench_support.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

using namespace lumaport;

namespace {

constexpr qint64 kFileSize = qint64{1} << 30;
constexpr double kSpeedTarget = 0.9;

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

// The file a replacing copy takes the place of is on the disk and out of the page cache, so no case pays for
// writing out or dropping the pages of the cp that made it.
bool flushed(const QString& path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY);
    if (fd < 0)
        return false;
    const bool done = ::fsync(fd) == 0 && ::posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED) == 0;
    ::close(fd);
    return done;
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
    std::printf("Copying a 1 GiB file in %s, %d rounds, cp and copyFileReplacing (ours) in turns\n",
                qPrintable(dir.path()), rounds);

    const QString destination = dir.filePath(QStringLiteral("copy.bin"));
    const auto cp = [&] { return QProcess::execute(QStringLiteral("cp"), {source, destination}) == 0; };
    const auto cpAndSync = [&] {
        const bool copied = cp();
        ::sync();
        return copied;
    };
    const auto ours = [&] {
        QString error;
        if (copyFileReplacing(source, destination, &error))
            return true;
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return false;
    };
    struct Case
    {
        const char* name;
        std::function<bool()> copy;
        bool replacing;
        std::vector<double> seconds;
    };
    std::vector<Case> cases = {{"cp, new file", cp, false, {}},
                               {"ours, new file", ours, false, {}},
                               {"cp, replacing", cp, true, {}},
                               {"cp + sync, replacing", cpAndSync, true, {}},
                               {"ours, replacing", ours, true, {}}};

    const qint64 baseline = bench::statusKiB("VmHWM:");
    for (int round = 0; round < rounds; ++round) {
        // Each copy starts from the same state: only the source, cached, and the old file when replacing, flushed
        // and not cached. The order turns each round, so no case always follows the same one, and each replacing
        // case follows the other one every other round.
        for (size_t i = 0; i < cases.size(); ++i) {
            const size_t turned = round % 2 ? cases.size() - 1 - i : i;
            Case& c = cases[(turned + static_cast<size_t>(round / 2)) % cases.size()];
            QFile::remove(destination);
            if (c.replacing && !(cp() && flushed(destination))) {
                std::fprintf(stderr, "cannot make the file to replace\n");
                return 2;
            }
            c.seconds.push_back(timed(c.copy));
            if (c.seconds.back() < 0) {
                std::fprintf(stderr, "%s failed\n", c.name);
                return 2;
            }
        }
        QFile::remove(destination);
        std::printf("round %d:", round + 1);
        for (const Case& c : cases)
            std::printf("  %s %.2f s", c.name, c.seconds.back());
        std::printf("\n");
    }
    const double addedMiB = static_cast<double>(bench::statusKiB("VmHWM:") - baseline) / 1024.0;

    for (const Case& c : cases)
        std::printf("%-22s %.2f s (%.0f MiB/s)\n", c.name, bench::median(c.seconds), 1024.0 / bench::median(c.seconds));
    const double ratio = bench::median(cases[0].seconds) / bench::median(cases[1].seconds);
    std::printf("replacing waits for the disk before the old file is given up: %.2f of cp + sync, %.2f of cp\n",
                bench::median(cases[3].seconds) / bench::median(cases[4].seconds),
                bench::median(cases[2].seconds) / bench::median(cases[4].seconds));
    std::printf("peak memory of copyFileReplacing: +%.1f MiB\n", addedMiB);
    std::printf("ratios are cp's time / ours (above 1: ours is faster)\n");
    std::printf("speed ratio against cp (new file): %.2f (target >= %.1f) %s\n", ratio, kSpeedTarget,
                ratio >= kSpeedTarget ? "met" : "MISSED");
    return ratio >= kSpeedTarget ? 0 : 1;
}
