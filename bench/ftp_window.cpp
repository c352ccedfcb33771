// SPDX-License-Identifier: GPL-3.0-or-later
// Drives the FTP window as a user would (log on, double-click folders, "Send", receive, list) with the real
// transfer component and prints what one action cost as one line of JSON. bench/ftp_window.py runs it
// against curl and a bare socket client.
//
//   bench_ftp_window --server 127.0.0.1:PORT --user NAME --password WORD [--enter pub/ ...]
//                    (--send PATH... [--web HOST:PORT [--tags]] | --receive NAME --into FOLDER | --list ENTRIES)
//                    [--show [--stay]] [--started FILE] [--connections N]
// With --web (the web server showing the FTP server's starting folder) a send also waits for the link check's
// outcome under the address, the road from "Send" to "Link works"; with --tags, "URL with Tags" is pressed after
// it and its check waited for too. Several --send files of one folder are handed over and sent as a set, over
// --connections at once when given (kept in the options file beside the program, as a user would set it).
#include "ftp_window/frm_ftp.h"
#include "main_window/frm_load.h"
#include "platform/options_file.h"
#include "platform/settings_text.h"
#include "session/publishing_session.h"
#include "startup/app.h"
#include "startup/forms.h"
#include "transfer/ftp_transfer.h"
#include "widgets/picture_box.h"
#include "widgets/qt_services.h"

#include "bench_support.h"

#include <QAbstractItemModel>
#include <QApplication>
#include <QCommandLineParser>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QStorageInfo>
#include <QTimer>

#include <cstdio>
#include <cstdlib>

using namespace lumaport;
using namespace Qt::StringLiterals;

namespace {

/// The desktop services, except that a box ends the run: none is expected but the overwrite question.
class BenchServices : public QtServices
{
public:
    MsgAnswer messageBox(const QString& text, const QString& title, MsgIcon, MsgButtons) override
    {
        if (title == u"Overwrite")
            return MsgAnswer::Yes;
        std::fprintf(stderr, "box \"%s\": %s\n", qPrintable(title), qPrintable(text));
        std::exit(1);
    }
    // Every completed reply beeps once: the count tells when a listing the window did not wait for is in.
    void beep() override { ++beeps; }
    int beeps = 0;
};

template <class T> T* find(QWidget& window, const char* name)
{
    T* found = window.findChild<T*>(QString::fromLatin1(name));
    if (!found) {
        std::fprintf(stderr, "no control %s\n", name);
        std::exit(1);
    }
    return found;
}

void waitUntil(const std::function<bool()>& done)
{
    while (!done())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    setUpApplication(app);
    QCommandLineParser options;
    options.addOptions({{u"server"_s, u"server text"_s, u"text"_s},
                        {u"user"_s, u"user name"_s, u"name"_s},
                        {u"password"_s, u"password"_s, u"word"_s},
                        {u"enter"_s, u"folder entry to double-click after log on (repeat)"_s, u"entry"_s},
                        {u"send"_s, u"local file to send"_s, u"path"_s},
                        {u"receive"_s, u"remote file to receive"_s, u"name"_s},
                        {u"into"_s, u"local folder to receive into"_s, u"folder"_s},
                        {u"list"_s, u"entries the last folder entered holds"_s, u"count"_s},
                        {u"web"_s, u"web server of the starting folder, as typed for the URL"_s, u"host"_s},
                        {u"tags"_s, u"press \"URL with Tags\" after the send"_s},
                        {u"show"_s, u"show the window"_s},
                        {u"stay"_s, u"keep the shown window after the action, until the program is ended"_s},
                        {u"started"_s, u"file written when the action starts"_s, u"path"_s},
                        {u"connections"_s, u"connections a set goes over at once"_s, u"count"_s},
                        {u"trust-file"_s, u"trust file naming the server's identity (FTPS, SFTP)"_s, u"path"_s}});
    options.process(app);

    BenchServices services;
    if (options.isSet(u"connections"_s)) {
        QString error;
        if (!writeOptions(programOptionsPath(services.programFolder()),
                          {{u"sending/connections"_s, options.value(u"connections"_s).toInt()}}, &error)) {
            std::fprintf(stderr, "%s\n", qPrintable(error));
            return 1;
        }
    }
    Forms forms(services, programTransfers(services, options.value(u"trust-file"_s)));
    // Loaded first, as the program does: its settings file ("URL with Tags" writes one) fills the FTP window's
    // fields, which the options below then set.
    forms.frmload();
    frmftp& ftp = forms.frmftp();
    if (options.isSet(u"show"_s))
        ftp.Show();
    auto* list = find<QListWidget>(ftp, "lstRemoteFile");
    auto* bar = find<QProgressBar>(ftp, "prgTransfer");

    find<QLineEdit>(ftp, "Text3")->setText(options.value(u"web"_s));
    find<QLineEdit>(ftp, "txtServer")->setText(options.value(u"server"_s));
    find<QLineEdit>(ftp, "txtUserName")->setText(options.value(u"user"_s));
    find<QLineEdit>(ftp, "txtPassword")->setText(options.value(u"password"_s));
    QElapsedTimer logOnClock;
    logOnClock.start();
    find<QPushButton>(ftp, "cmdLogOn")->click();
    // A click returns at once; Log On comes back after a failure, and Send once logged on (Log Off is on
    // throughout, to cancel the log-on).
    auto* logOn = find<QPushButton>(ftp, "cmdLogOn");
    auto* send = find<QPushButton>(ftp, "cmdsend");
    waitUntil([&] { return logOn->isEnabled() || send->isEnabled(); });
    const QStringList entries = options.values(u"enter"_s);
    QElapsedTimer dirSent;
    int relists = 0; // a send ends by emptying the list for its re-list
    QObject::connect(list->model(), &QAbstractItemModel::modelReset, list, [&] {
        dirSent.start();
        ++relists;
    });
    const auto enter = [&](const QString& entry) {
        const QList<QListWidgetItem*> found = list->findItems(entry, Qt::MatchExactly);
        if (found.isEmpty()) {
            std::fprintf(stderr, "no entry %s\n", qPrintable(entry));
            std::exit(1);
        }
        list->setCurrentItem(found.first());
        Q_EMIT list->itemDoubleClicked(found.first());
    };
    // The CD's reply, then the listing's, which the window does not wait for.
    const auto enterAndList = [&](const QString& entry) {
        const int before = services.beeps;
        enter(entry);
        waitUntil([&] { return services.beeps >= before + 2; });
    };
    for (qsizetype i = 0; i + 1 < entries.size(); ++i)
        enterAndList(entries[i]);

    // The event loop's longest silence during the action: how long a click would have waited.
    QElapsedTimer sinceTick;
    qint64 longestStallMs = 0;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, &ticker,
                     [&] { longestStallMs = std::max(longestStallMs, sinceTick.restart()); });
    int barUpdates = 0;
    QString lastBarText;
    QObject::connect(bar, &QProgressBar::valueChanged, bar, [&] {
        ++barUpdates;
        lastBarText = bar->text();
    });

    if (!options.isSet(u"list"_s) && !entries.isEmpty())
        enterAndList(entries.last());
    if (options.isSet(u"send"_s)) {
        const QFileInfo file(options.value(u"send"_s));
        QStringList names;
        for (const QString& path : options.values(u"send"_s))
            names.append(QFileInfo(path).fileName());
        forms.session().handOverSet(QStorageInfo(file.absolutePath()).rootPath(), file.absolutePath(), names);
        if (names.size() == 1)
            find<QLineEdit>(ftp, "txtsaveftp")->setText(names.first());
    } else if (options.isSet(u"receive"_s)) {
        const QString into = options.value(u"into"_s);
        forms.session().handOverFile(QStorageInfo(into).rootPath(), into, QString());
        const QList<QListWidgetItem*> found = list->findItems(options.value(u"receive"_s), Qt::MatchExactly);
        if (found.isEmpty())
            return 1;
        list->setCurrentItem(found.first());
    }

    if (options.isSet(u"started"_s)) {
        QFile started(options.value(u"started"_s));
        if (!started.open(QIODevice::WriteOnly))
            return 1;
    }
    const qint64 baselineKiB = bench::statusKiB("VmRSS:");
    const double cpuBefore = bench::threadCpuSeconds();
    QElapsedTimer clock;
    clock.start();
    sinceTick.start();
    ticker.start(5);
    double seconds = 0;
    double linkSeconds = 0;
    double logOnToLastSent = 0;
    auto* linkCheck = find<QLabel>(ftp, "lblLinkCheck");
    if (options.isSet(u"send"_s)) {
        const int before = relists;
        find<QPushButton>(ftp, "cmdsend")->click();
        waitUntil([&] { return relists > before; });
        seconds = double(clock.nsecsElapsed()) / 1e9;
        logOnToLastSent = double(logOnClock.nsecsElapsed()) / 1e9;
        if (options.isSet(u"web"_s)) {
            waitUntil([&] { return linkCheck->accessibleDescription().startsWith(u"Link"_s); });
            linkSeconds = double(clock.nsecsElapsed()) / 1e9;
        }
        if (options.isSet(u"tags"_s)) {
            find<QPushButton>(ftp, "Command3")->click();
            waitUntil([&] { return linkCheck->accessibleDescription().startsWith(u"Link"_s); });
        }
    } else if (options.isSet(u"receive"_s)) {
        Q_EMIT find<PictureBox>(ftp, "imgReceiveFile")->clicked();
        // The bar goes once the file is in.
        waitUntil([&] { return bar->isHidden(); });
        seconds = double(clock.nsecsElapsed()) / 1e9;
    } else {
        const int count = options.value(u"list"_s).toInt();
        enter(entries.last());
        waitUntil([&] { return list->count() >= count; });
        seconds = double(dirSent.nsecsElapsed()) / 1e9;
    }
    const double uiCpuSeconds = bench::threadCpuSeconds() - cpuBefore;
    ticker.stop();
    longestStallMs = std::max(longestStallMs, sinceTick.elapsed());

    const QJsonObject result{{u"seconds"_s, seconds},
                             {u"link_seconds"_s, linkSeconds},
                             {u"log_on_to_last_sent_seconds"_s, logOnToLastSent},
                             {u"link_check"_s, linkCheck->accessibleDescription()},
                             {u"ui_cpu_seconds"_s, uiCpuSeconds},
                             {u"peak_growth_kib"_s, bench::statusKiB("VmHWM:") - baselineKiB},
                             {u"longest_stall_ms"_s, longestStallMs},
                             {u"bar_updates"_s, barUpdates},
                             {u"last_bar_text"_s, lastBarText},
                             {u"entries"_s, list->count()},
                             {u"status"_s, find<QLabel>(ftp, "lblStatus")->text()}};
    std::printf("%s\n", QJsonDocument(result).toJson(QJsonDocument::Compact).constData());
    if (options.isSet(u"stay"_s)) {
        std::fflush(nullptr);
        return QApplication::exec();
    }
    // The window's own way out: no close handling, no waiting for the listing after a send.
    std::fflush(nullptr);
    std::_Exit(0);
}
