// SPDX-License-Identifier: GPL-3.0-or-later
// Lists a folder of 100,000 files under "*.jpg" with the file lists' pattern match and sort, against
// `find -iname | sort` on the same folder. Targets: under one second, and at least find's speed.
#include "bench_support.h"
#include "platform/matching_files.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>
#include <vector>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    constexpr int kFiles = 100000;
    QTemporaryDir dir;
    const QByteArray root = QFile::encodeName(dir.path());
    for (int i = 0; i < kFiles; ++i) {
        // Half pictures, half other files, so the pattern has work to do.
        const QByteArray name = root + "/file " + QByteArray::number(i) + (i % 2 ? ".JPG" : ".txt");
        const int fd = ::open(name.constData(), O_CREAT | O_WRONLY, 0644);
        if (fd < 0) {
            std::perror("open");
            return 2;
        }
        ::close(fd);
    }

    std::vector<double> ours;
    std::vector<double> peer;
    int listed = 0;
    for (int run = 0; run < 5; ++run) {
        QStringList names;
        QElapsedTimer timer;
        timer.start();
        lumaport::listMatchingFiles(dir.path(), QStringLiteral("*.jpg"), &names, nullptr);
        ours.push_back(timer.nsecsElapsed() / 1e9);
        listed = int(names.size());

        timer.restart();
        QProcess find;
        find.start(QStringLiteral("sh"),
                   {QStringLiteral("-c"),
                    QStringLiteral("find \"$0\" -maxdepth 1 -type f -iname '*.jpg' | sort >/dev/null"), dir.path()});
        find.waitForFinished(-1);
        peer.push_back(timer.nsecsElapsed() / 1e9);
    }
    const double oursMedian = lumaport::bench::median(ours);
    const double peerMedian = lumaport::bench::median(peer);
    std::printf("files in folder: %d, listed under *.jpg: %d\n", kFiles, listed);
    std::printf("file list:       %.3f s (median of 5)\n", oursMedian);
    std::printf("find | sort:     %.3f s (median of 5)\n", peerMedian);
    const bool met = oursMedian < 1.0 && peerMedian / oursMedian >= 1.0;
    std::printf("ratio find's time / ours (above 1: ours is faster): %.2f; targets under 1 s and >= 1.00: %s\n",
                peerMedian / oursMedian, met ? "met" : "MISSED");
    return listed == kFiles / 2 && met ? 0 : 1;
}
