// SPDX-License-Identifier: GPL-3.0-or-later
// Lists a folder of 100,000 files under "*.jpg" with the file lists' pattern match and sort, against
// `find -iname | sort` on the same folder, both as whole processes: this program started again with --list
// prints the names as find and sort do. Targets: under one second, and at least find's speed.
#include "bench_support.h"
#include "platform/matching_files.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>
#include <vector>

namespace {

// The child: what a file list shows of the folder, one name a line.
int listFolder(const char* folder)
{
    QStringList names;
    if (!lumaport::listMatchingFiles(QFile::decodeName(folder), QStringLiteral("*.jpg"), &names, nullptr))
        return 2;
    for (const QString& name : names) {
        std::fputs(QFile::encodeName(name).constData(), stdout);
        std::fputc('\n', stdout);
    }
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 3 && std::strcmp(argv[1], "--list") == 0)
        return listFolder(argv[2]);
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

    const QString self = QCoreApplication::applicationFilePath();
    const QStringList ourArguments{QStringLiteral("--list"), dir.path()};
    QProcess check;
    check.start(self, ourArguments);
    check.waitForFinished(-1);
    const int listed = int(check.readAllStandardOutput().count('\n'));

    std::vector<double> ours;
    std::vector<double> peer;
    for (int run = 0; run < 5; ++run) {
        ours.push_back(lumaport::bench::processSeconds(self, ourArguments));
        peer.push_back(lumaport::bench::processSeconds(
            QStringLiteral("sh"),
            {QStringLiteral("-c"), QStringLiteral("find \"$0\" -maxdepth 1 -type f -iname '*.jpg' | sort"),
             dir.path()}));
        if (ours.back() < 0 || peer.back() < 0) {
            std::fprintf(stderr, "a listing failed\n");
            return 2;
        }
    }
    const double oursMedian = lumaport::bench::median(ours);
    const double peerMedian = lumaport::bench::median(peer);
    std::printf("files in folder: %d, listed under *.jpg: %d\n", kFiles, listed);
    std::printf("file list:       %.3f s (whole process, median of 5)\n", oursMedian);
    std::printf("find | sort:     %.3f s (whole processes, median of 5)\n", peerMedian);
    const bool met = oursMedian < 1.0 && peerMedian / oursMedian >= 1.0;
    std::printf("ratio find's time / ours (above 1: ours is faster): %.2f; targets under 1 s and >= 1.00: %s\n",
                peerMedian / oursMedian, met ? "met" : "MISSED");
    return listed == kFiles / 2 && met ? 0 : 1;
}
