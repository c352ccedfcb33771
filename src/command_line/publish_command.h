// SPDX-License-Identifier: GPL-3.0-or-later
// "lumaport publish": the publishing road of the FTP window without a window. The files go through the same
// publisher, with the same history and link checks; what a window would show goes to the terminal.
#pragma once

#include "command_line/publish_options.h"
#include "command_line/published_line.h"
#include "session/publisher.h"

#include <QList>
#include <QObject>

#include <memory>
#include <optional>

namespace lumaport {

class DesktopNotification;
class LinkSetCheck;
class PublishingSession;
class Services;
struct LinkCheckResult;

class PublishCommand : public QObject
{
    Q_OBJECT
public:
    PublishCommand(PublishOptions options, Services& services, PublishingSession& session, QObject* parent = nullptr);
    ~PublishCommand() override;

    /// The exit status when the command ends before anything is asked of a server: a file that can't be read, no
    /// server or web address. Otherwise nullopt, and finished comes once it has ended.
    std::optional<int> start();
    /// Reads where to log on, as start does; a watched folder then publishes one batch of files after another.
    std::optional<int> readLogOn();
    /// Publishes the files over the publisher kept from the batch before, which logs on again when the server has
    /// dropped it; finished comes once they have ended.
    void publish(const QStringList& files);
    /// Files not sent are sent once more after a new log-on, as a connection lost would want.
    void trySendsTwice() { m_trySendsTwice = true; }
    /// By place in the batch: each file's addresses, or none when it was not published.
    const QList<std::optional<PublishedFile>>& published() const { return m_published; }
    /// What went wrong in the batch, in the program's own sentences.
    const QStringList& troubles() const { return m_troubles; }

Q_SIGNALS:
    void finished(int status);

private:
    // Files the history holds with a link that works are not sent again.
    void takePublished();
    void logOn();
    void Publisher_TrustAsked(const ServerIdentity& identity);
    void Publisher_PassphraseAsked(const QString& keyFile, bool again);
    void send(const QStringList& entries);
    void Publisher_Sending(qsizetype index);
    void Publisher_Progress(qint64 bytesDone, qint64 bytesTotal);
    void Publisher_FileSent(qsizetype index, const SentFile& file);
    void Publisher_SendsEnded(const SendOutcome& outcome);
    void Publisher_RequestFailed(const RequestFailure& failure);
    void checkSent();
    void end(std::optional<int> status = std::nullopt);
    // The notification of how it went: false when the desktop shows none.
    bool notify(const QStringList& block, bool copied);
    // Standard error's lines and the bar on a terminal share one place.
    void tell(const QString& line);
    // A failure, told there and kept for the notification.
    void trouble(const QString& line);
    void showBar(const QString& text);

    const PublishOptions m_options;
    Services& m_services;
    PublishingSession& m_session;
    QString m_folder;                                // from the log-on folder, as asked
    std::optional<QString> m_entered;                // where the server says that led
    QStringList m_files;                             // of the batch
    QList<std::optional<PublishedFile>> m_published; // by place on the command line
    QList<qsizetype> m_toSend;                       // places on the command line, in the order sent
    QList<SentFile> m_sent;
    QList<qsizetype> m_sentPlaces;
    std::unique_ptr<Publisher> m_publisher;
    std::unique_ptr<LinkSetCheck> m_check;
    QList<LinkCheckResult> m_results;
    bool m_trustRefused = false;
    bool m_failed = false;         // a file was not sent
    QList<qsizetype> m_unprepared; // places whose picture could not be made: sending again won't help
    bool m_trySendsTwice = false;
    bool m_triedAgain = false;
    qsizetype m_started = 0;
    QString m_sendingLine;
    const bool m_barOnTerminal;
    bool m_barShown = false;
    QStringList m_troubles; // what was told on standard error, for the notification
    std::unique_ptr<DesktopNotification> m_notification;
};

/// The exit status of a wrong command line, a file that can't be read, no server, or a server not trusted yet.
inline constexpr int kUsage = 2;

/// After a command's options were read: nullopt to go on, else its exit status once --help was printed or the
/// refusal told.
std::optional<int> answerOptions(PublishRequest read, const QString& help, const QString& error,
                                 const QString& command);

/// Runs "lumaport publish" on a QCoreApplication of its own: argv[1] is "publish". Returns the exit status.
int runPublish(int& argc, char** argv);

} // namespace lumaport
