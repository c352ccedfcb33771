// SPDX-License-Identifier: GPL-3.0-or-later
// "lumaport watch": publishes each file that appears in a folder, once it is written whole, over one log-on kept
// for as long as the command runs.
#pragma once

#include "command_line/publish_options.h"
#include "platform/desktop_notification.h"

#include <QElapsedTimer>
#include <QFileSystemWatcher>
#include <QHash>
#include <QObject>
#include <QTimer>

namespace lumaport {

class PublishCommand;

struct WatchOptions
{
    QString folder;
    PublishOptions publish; ///< its files are those that appear; the copy and the notification are the watch's
    bool existing = false;  ///< the files already in the folder are published too
    bool copy = false;
    bool notify = false;
};

/// Reads the arguments that follow "watch": the folder, then the options of "publish" and --existing.
PublishRequest readWatchOptions(QStringList arguments, WatchOptions* options, QString* error);

/// What --help prints.
QString watchHelp();

/// Whether the name is one other programs give a file while they still write it, or never mean to keep.
bool isTemporaryName(const QString& name);

class FolderWatch : public QObject
{
    Q_OBJECT
public:
    FolderWatch(WatchOptions options, PublishCommand& command, QObject* parent = nullptr);

    /// Starts watching; false, with why, when the folder can't be read.
    bool start(QString* why);

Q_SIGNALS:
    /// Publishing can't go on (a server identity not trusted): the exit status.
    void stopped(int status);

private:
    struct Seen
    {
        qint64 size = -1;
        qint64 modified = 0;
        qint64 since = 0; // when it was first seen so, on m_clock
        bool operator==(const Seen& other) const { return size == other.size && modified == other.modified; }
    };

    // Every file in the folder as it is now, by name; temporary names left out.
    QHash<QString, Seen> look() const;
    void tick();
    void publishNext();
    void Command_Finished(int status);

    const WatchOptions m_options;
    PublishCommand& m_command;
    QFileSystemWatcher m_watcher;
    QTimer m_timer;
    QElapsedTimer m_clock;
    QHash<QString, Seen> m_growing; // appeared, not steady yet
    QHash<QString, Seen> m_handled; // published, or left alone, as they were then
    QStringList m_waiting;          // steady, for the next batch
    bool m_busy = false;
    DesktopNotification m_notification;
};

/// Runs "lumaport watch" on a QCoreApplication of its own: argv[1] is "watch". Returns the exit status.
int runWatch(int& argc, char** argv);

} // namespace lumaport
