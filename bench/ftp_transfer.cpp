// SPDX-License-Identifier: GPL-3.0-or-later
// Runs FTP command strings through the transfer component the way the FTP window does (Execute, sleep in
// the event loop until the request has ended, read the reply with GetChunk(4096) in the handler of state 12)
// and prints what it cost as one line of JSON. bench/ftp_transfer.py times the whole process against its peers.
//
//   bench_ftp_transfer --server 127.0.0.1:PORT --user NAME --password WORD [--trust-file FILE]
//                      --command 'CD "pub/"' --command DIR
#include "transfer/ftp_transfer.h"

#include "bench_support.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cstdio>

using namespace lumaport;
using namespace Qt::StringLiterals;

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCommandLineParser options;
    options.addOptions({{u"server"_s, u"server text"_s, u"text"_s},
                        {u"user"_s, u"user name"_s, u"name"_s},
                        {u"password"_s, u"password"_s, u"word"_s},
                        {u"trust-file"_s, u"trusted certificates and host keys"_s, u"file"_s},
                        {u"command"_s, u"command string, in order (repeat)"_s, u"command"_s}});
    options.process(app);

    FtpTransfer transfer;
    transfer.setProtocol(InternetTransfer::icFTP);
    transfer.setRemoteHost(options.value(u"server"_s));
    transfer.setUserName(options.value(u"user"_s));
    transfer.setPassword(options.value(u"password"_s));
    transfer.setRequestTimeout(40);
    transfer.setTrustFile(options.value(u"trust-file"_s));

    QString reply;
    QObject::connect(&transfer, &InternetTransfer::StateChanged, &transfer, [&](int state) {
        if (state != InternetTransfer::icResponseCompleted)
            return;
        reply.clear();
        for (QString chunk = transfer.GetChunk(4096); !chunk.isEmpty(); chunk = transfer.GetChunk(4096)) {
            QCoreApplication::processEvents(); // the window yields once a chunk
            reply += chunk;
        }
    });

    const qint64 baselineKiB = bench::statusKiB("VmRSS:");
    const double cpuBefore = bench::threadCpuSeconds();
    QElapsedTimer total;
    total.start();
    QJsonArray commandSeconds;
    for (const QString& command : options.values(u"command"_s)) {
        QElapsedTimer one;
        one.start();
        transfer.Execute(command);
        while (transfer.StillExecuting())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        commandSeconds.append(double(one.nsecsElapsed()) / 1e9);
        if (transfer.ResponseCode() != 0) {
            std::fprintf(stderr, "%s: %d %s\n", qPrintable(command), transfer.ResponseCode(),
                         qPrintable(transfer.ResponseInfo()));
            return 1;
        }
    }
    const double seconds = double(total.nsecsElapsed()) / 1e9;
    const double uiCpuSeconds = bench::threadCpuSeconds() - cpuBefore;

    const QJsonObject result{{u"seconds"_s, seconds},
                             {u"command_seconds"_s, commandSeconds},
                             {u"ui_cpu_seconds"_s, uiCpuSeconds},
                             {u"peak_growth_kib"_s, bench::statusKiB("VmHWM:") - baselineKiB},
                             {u"reply_lines"_s, reply.count(u'\n')}};
    std::printf("%s\n", QJsonDocument(result).toJson(QJsonDocument::Compact).constData());
    return 0;
}
