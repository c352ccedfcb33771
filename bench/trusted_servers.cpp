// SPDX-License-Identifier: GPL-3.0-or-later
// Looks up the last server of a 100 MB trust file, against `grep -F -m1` on the same file. Target: under
// 100 ms, however long the file.
#include "transfer/trusted_servers.h"
#include "bench_support.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <cstdio>
#include <vector>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("trusted.lbr"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return 2;
    QByteArray block;
    for (int i = 0; i < 10000; ++i)
        block += "sftp://host" + QByteArray::number(i) + ".example.com:22 SHA256:" + QByteArray(43, 'a') + "\r\n";
    while (file.size() < 100 * 1000 * 1000)
        file.write(block);
    file.write("sftp://last.example.com:22 SHA256:last\r\n");
    file.close();

    lumaport::TrustedServers trusted;
    trusted.setPath(path);
    std::vector<double> ours;
    std::vector<double> oursCpu;
    std::vector<double> peer;
    for (int run = 0; run < 5; ++run) {
        QElapsedTimer clock;
        clock.start();
        const double cpu = lumaport::bench::threadCpuSeconds();
        const QString found = trusted.fingerprint(QStringLiteral("sftp://last.example.com:22"));
        ours.push_back(double(clock.nsecsElapsed()) / 1e6);
        oursCpu.push_back((lumaport::bench::threadCpuSeconds() - cpu) * 1e3);
        if (found != QLatin1String("SHA256:last"))
            return 2;
        clock.restart();
        QProcess::execute(QStringLiteral("grep"), {"-F", "-m1", "-q", "sftp://last.example.com:22 ", path});
        peer.push_back(double(clock.nsecsElapsed()) / 1e6);
    }
    const double ms = lumaport::bench::median(ours);
    std::printf("lookup in 100 MB: %.1f ms, %.1f ms of processor time (grep -F: %.1f ms, ratio %.2f)\n", ms,
                lumaport::bench::median(oursCpu), lumaport::bench::median(peer), ms / lumaport::bench::median(peer));
    return ms < 100 ? 0 : 1;
}
