// SPDX-License-Identifier: GPL-3.0-or-later
#include "command_line/watch_command.h"

#include "command_line/console_services.h"
#include "command_line/publish_command.h"
#include "local_choice/local_choice.h"
#include "platform/lasting_clipboard.h"
#include "session/publishing_session.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QSocketNotifier>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <utility>

#include <sys/socket.h>
#include <unistd.h>

namespace lumaport {

using namespace Qt::StringLiterals;

namespace {

// Long enough for a screenshot tool or a camera import between two writes, short enough to feel at once.
constexpr qint64 kSteadyMs = 1000;
constexpr int kLookMs = 250;

int g_stopWrite = -1; // the signal handler's end of the pipe to the event loop

void askToStop(int)
{
    const char byte = 0;
    [[maybe_unused]] const ssize_t written = ::write(g_stopWrite, &byte, 1);
}

} // namespace

PublishRequest readWatchOptions(QStringList arguments, WatchOptions* options, QString* error)
{
    if (arguments.contains(u"-h"_s) || arguments.contains(u"--help"_s))
        return PublishRequest::Help;
    if (arguments.isEmpty() || arguments.first().startsWith(u'-')) {
        *error = u"Give the folder to watch first: lumaport watch DIR [options]"_s;
        return PublishRequest::Refused;
    }
    WatchOptions read;
    read.existing = arguments.removeAll(u"--existing"_s) > 0;
    // The folder stands where publish takes its files.
    if (readPublishOptions(arguments, &read.publish, error) == PublishRequest::Refused)
        return PublishRequest::Refused;
    if (read.publish.files.size() > 1) {
        *error = u"Give one folder to watch; the files that appear in it are published."_s;
        return PublishRequest::Refused;
    }
    read.folder = read.publish.files.takeFirst();
    // Told per file as it is published, not once at the end as publish does.
    read.copy = std::exchange(read.publish.copy, false);
    read.notify = std::exchange(read.publish.notify, false);
    *options = std::move(read);
    return PublishRequest::Publish;
}

QString watchHelp()
{
    return uR"(Usage: lumaport watch DIR [options]
Publishes each file that appears in DIR once it is written whole (its size steady for a second), as
"lumaport publish" does, and prints its link; runs until stopped (Ctrl+C, or SIGTERM). Names other
programs give a file while they write it (.name, name~, *.part, *.crdownload, *.tmp, #name#, *.kate-swp)
are left alone; a file renamed from one into place is published. A file published before, whose link
works, is not sent again: its link is printed.

  --existing           publishes the files already in DIR too; without it they are left alone
  --copy               puts the links of the files just published on the clipboard, where a display is
  --notify             says "Published: " and the link, or what failed, in a desktop notification whose
                       "Open history" button opens the history window

It logs on once and keeps the log-on; after the server drops it, it logs on again, and a file whose send
failed is sent once more. Every option of "lumaport publish" is taken: see "lumaport publish --help".
)"_s;
}

bool isTemporaryName(const QString& name)
{
    static const QStringList kEndings = {u"~"_s, u".part"_s, u".crdownload"_s, u".tmp"_s, u".kate-swp"_s};
    return name.startsWith(u'.') || (name.startsWith(u'#') && name.endsWith(u'#')) ||
           std::any_of(kEndings.cbegin(), kEndings.cend(),
                       [&name](const QString& ending) { return name.endsWith(ending, Qt::CaseInsensitive); });
}

FolderWatch::FolderWatch(WatchOptions options, PublishCommand& command, QObject* parent)
    : QObject(parent), m_options(std::move(options)), m_command(command)
{
    m_timer.setInterval(kLookMs);
    connect(&m_timer, &QTimer::timeout, this, &FolderWatch::tick);
    // A name that appears, or one renamed into place, changes the folder; a file growing does not, so a file not
    // steady yet is looked at again by the timer.
    connect(&m_watcher, &QFileSystemWatcher::directoryChanged, this, &FolderWatch::tick);
    connect(&m_command, &PublishCommand::finished, this, &FolderWatch::Command_Finished, Qt::QueuedConnection);
    connect(&m_notification, &DesktopNotification::actionInvoked, this,
            [] { QProcess::startDetached(QCoreApplication::applicationFilePath(), {u"--history"_s}); });
}

bool FolderWatch::start(QString* why)
{
    const QFileInfo folder(m_options.folder);
    if (!folder.isDir() || !folder.isReadable() || !m_watcher.addPath(m_options.folder)) {
        *why = u"Cannot watch \"%1\": it is not a folder that can be read."_s.arg(m_options.folder);
        return false;
    }
    m_clock.start();
    if (m_options.existing)
        m_growing = look();
    else
        m_handled = look();
    tellUser(u"Watching %1"_s.arg(QDir::toNativeSeparators(folder.absoluteFilePath())));
    tick();
    return true;
}

QHash<QString, FolderWatch::Seen> FolderWatch::look() const
{
    QHash<QString, Seen> files;
    const qint64 now = m_clock.elapsed();
    for (const QFileInfo& file : QDir(m_options.folder).entryInfoList(QDir::Files | QDir::Hidden)) {
        if (!isTemporaryName(file.fileName()))
            files.insert(file.fileName(), {file.size(), file.lastModified().toMSecsSinceEpoch(), now});
    }
    return files;
}

void FolderWatch::tick()
{
    const QHash<QString, Seen> now = look();
    QHash<QString, Seen> growing;
    for (auto file = now.cbegin(); file != now.cend(); ++file) {
        const QString& name = file.key();
        if (m_handled.value(name) == *file)
            continue;
        const Seen before = m_growing.value(name);
        if (!(before == *file)) {
            growing.insert(name, *file);
            continue;
        }
        if (file->since - before.since < kSteadyMs) {
            growing.insert(name, before);
            continue;
        }
        m_handled.insert(name, *file);
        m_waiting.append(QDir(m_options.folder).filePath(name));
    }
    // A file gone before it was steady is forgotten.
    m_growing = growing;
    if (m_growing.isEmpty())
        m_timer.stop();
    else if (!m_timer.isActive())
        m_timer.start();
    publishNext();
}

void FolderWatch::publishNext()
{
    if (m_busy || m_waiting.isEmpty())
        return;
    m_busy = true;
    std::sort(m_waiting.begin(), m_waiting.end());
    m_command.publish(std::exchange(m_waiting, {}));
}

void FolderWatch::Command_Finished(int status)
{
    m_busy = false;
    QStringList links;
    const qsizetype batch = m_command.published().size();
    for (const std::optional<PublishedFile>& published : m_command.published()) {
        if (published)
            links.append(publishedLink(*published, m_options.publish.form, m_options.publish.alt));
    }
    bool copied = false;
    if (m_options.copy && !links.isEmpty()) {
        const ClipboardCopy copy = copyLasting(links.join(u'\n'));
        copied = copy.copied;
        if (!copy.why.isEmpty())
            tellUser(copy.why);
    }
    const QStringList& troubles = m_command.troubles();
    if (m_options.notify && (!links.isEmpty() || !troubles.isEmpty()))
        m_notification.notify(troubles.isEmpty() ? u"Published: "_s + links.join(u' ')
                                                 : u"Published %1 of %2"_s.arg(links.size()).arg(batch),
                              troubles.isEmpty() ? (copied ? u"Copied"_s : QString()) : troubles.join(u'\n'));
    if (status == kUsage) {
        Q_EMIT stopped(status);
        return;
    }
    publishNext();
}

int runWatch(int& argc, char** argv)
{
    const QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(u"Lumaport"_s);
    WatchOptions options;
    QString error;
    const PublishRequest read = readWatchOptions(QCoreApplication::arguments().mid(2), &options, &error);
    if (const std::optional<int> answered = answerOptions(read, watchHelp(), error, u"watch"_s))
        return *answered;
    ConsoleServices services;
    LocalChoice local;
    PublishingSession session(services, local);
    PublishCommand command(options.publish, services, session);
    command.trySendsTwice();
    if (const std::optional<int> refused = command.readLogOn())
        return *refused;
    FolderWatch watch(std::move(options), command);
    if (!watch.start(&error)) {
        tellUser(error);
        return kUsage;
    }
    QObject::connect(&watch, &FolderWatch::stopped, &app, &QCoreApplication::exit);

    // Stopped by a signal, the loop ends as it would on its own, and the history's last rows are written.
    int stop[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, stop) != 0) {
        tellUser(u"Cannot set up the stop signal."_s);
        return 1;
    }
    g_stopWrite = stop[0];
    QSocketNotifier stopNotifier(stop[1], QSocketNotifier::Read);
    QObject::connect(&stopNotifier, &QSocketNotifier::activated, &app, [] { QCoreApplication::exit(0); });
    std::signal(SIGINT, askToStop);
    std::signal(SIGTERM, askToStop);
    const int status = QCoreApplication::exec();
    std::signal(SIGINT, SIG_DFL);
    std::signal(SIGTERM, SIG_DFL);
    ::close(stop[0]);
    ::close(stop[1]);
    return status;
}

} // namespace lumaport
