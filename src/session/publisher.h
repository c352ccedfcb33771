// SPDX-License-Identifier: GPL-3.0-or-later
// What a user does to one server, as typed operations over one log-on, whatever shows it: no command strings or
// replies reach the caller, only what came of each file.
#pragma once

#include "history/published_place.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

namespace lumaport {

class InternetTransfer;
class RemoteRequests;
struct ServerIdentity;

/// A file to delete, with its thumbnail ("<name>_thumb.<ext>" beside it) when one went with it.
struct FileToDelete
{
    PublishedPlace place;
    bool withThumbnail = false;
};

/// What came of a delete: the files gone (a file no longer there counts), by their place in the list asked for,
/// and a line for each file or thumbnail the server kept, with its reason.
struct DeleteOutcome
{
    QList<qsizetype> deleted;
    QStringList refused;
};

class Publisher : public QObject
{
    Q_OBJECT
public:
    struct LogOn
    {
        QString server; ///< the server text, a bucket's or share's folder included
        QString user;
        QString password;
        int timeoutSeconds = 40;
    };

    /// The first request logs on with these.
    Publisher(std::unique_ptr<InternetTransfer> transfer, const LogOn& logOn, QObject* parent = nullptr);
    ~Publisher() override;

    /// Deletes the files one request after another, each from its own folder; deletesEnded tells what came of it.
    void deleteFiles(const QList<FileToDelete>& files);
    /// The answer to trustAsked: true trusts the identity for its server from now on.
    void answerTrust(bool trusted);
    /// Ends what runs; an operation cut short still ends with its signal.
    void cancel();

Q_SIGNALS:
    /// The server showed an identity nothing vouches for: the log-on waits for answerTrust.
    void trustAsked(const lumaport::ServerIdentity& identity);
    /// The file of that place in the list is being deleted.
    void deleting(qsizetype index);
    void deletesEnded(const lumaport::DeleteOutcome& outcome);

private:
    void deleteNext();
    void enterFolder(const PublishedPlace& place, std::function<void(bool entered, const QString& why)> done);
    // Deletes a name of the folder entered, or a path from the log-on folder; then done, with the server's reason
    // when it was kept.
    void deleteRemoteFile(const QString& path, std::function<void(bool deleted, const QString& why)> done);

    std::unique_ptr<RemoteRequests> m_requests;
    QList<FileToDelete> m_files;
    qsizetype m_next = 0;
    QString m_folder; // of a bucket or share, entered last
    DeleteOutcome m_outcome;
};

} // namespace lumaport
