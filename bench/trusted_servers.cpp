// SPDX-License-Identifier: GPL-3.0-or-later
// Looks up the last server of a 100 MB trust file, against `grep -F -m1` on the same file, both as whole
// processes: this program started again with --lookup prints the fingerprint found. Target: under 100 ms,
// however long the file.
#include "transfer/trusted_servers.h"
#include "bench_support.h"

#include <QCoreApplication>
#include <QProcess>
#include <QTemporaryDir>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

// The child: the fingerprint trusted for the server, as a log on reads it; exits 1 when there is none.
int lookUp(const char* path, const char* server)
{
    lumaport::TrustedServers trusted;
    trusted.setPath(QFile::decodeName(path));
    const QString found = trusted.fingerprint(QString::fromUtf8(server));
    std::puts(found.toUtf8().constData());
    return found.isEmpty() ? 1 : 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 4 && std::strcmp(argv[1], "--lookup") == 0)
        return lookUp(argv[2], argv[3]);
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

    const QString self = QCoreApplication::applicationFilePath();
    const QString server = QStringLiteral("sftp://last.example.com:22");
    const QStringList ourArguments{QStringLiteral("--lookup"), path, server};
    QProcess check;
    check.start(self, ourArguments);
    check.waitForFinished(-1);
    if (check.readAllStandardOutput().trimmed() != "SHA256:last") {
        std::fprintf(stderr, "the lookup did not find the last server\n");
        return 2;
    }

    std::vector<double> ours;
    std::vector<double> peer;
    for (int run = 0; run < 5; ++run) {
        ours.push_back(lumaport::bench::processSeconds(self, ourArguments) * 1e3);
        peer.push_back(lumaport::bench::processSeconds(QStringLiteral("grep"),
                                                       {QStringLiteral("-F"), QStringLiteral("-m1"),
                                                        QStringLiteral("-q"), server + QLatin1Char(' '), path}) *
                       1e3);
        if (ours.back() < 0 || peer.back() < 0) {
            std::fprintf(stderr, "a lookup failed\n");
            return 2;
        }
    }
    const double oursMedian = lumaport::bench::median(ours);
    const double peerMedian = lumaport::bench::median(peer);
    std::printf("lookup of the last server in 100 MB: %.1f ms (whole process, median of 5)\n", oursMedian);
    std::printf("grep -F -m1:                         %.1f ms (whole process, median of 5)\n", peerMedian);
    const bool met = oursMedian < 100;
    std::printf("ratio grep's time / ours (above 1: ours is faster): %.2f; target under 100 ms: %s\n",
                peerMedian / oursMedian, met ? "met" : "MISSED");
    return met ? 0 : 1;
}
