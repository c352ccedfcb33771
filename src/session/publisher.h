// SPDX-License-Identifier: GPL-3.0-or-later
// What a user does to one server, as typed operations over one log-on, whatever shows it: no command strings or
// replies reach the caller, only what came of each file.
#pragma once

#include "history/published_place.h"
#include "picture_prep/picture_choices.h"
#include "publish/link_address.h"
#include "session/publishing_session.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>

namespace lumaport {

class InternetTransfer;
struct FtpCommand;
class PreparedPicture;
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

/// The most connections a set is sent over: more only queue at the server's limit, and many servers allow two to
/// five.
inline constexpr int kMostConnections = 10;

/// The connections a set is sent over as the program's options file says: 3 where it says nothing.
int connectionsOption(const QString& optionsPath);

/// A local file to send, and the name it gets in the folder entered.
struct FileToSend
{
    QString localPath;
    QString name;
};

/// Files to send in one go, and how.
struct SendOrder
{
    QList<FileToSend> files;
    PictureChoices choices;
    /// More than one sends a set of files over as many connections at once (the server may take fewer); one sends
    /// them in turn and stops at the first that fails. A lone file always goes in turn.
    int connections = 1;
    /// A lone picture that can't be prepared, or read whole, is asked about through pictureDoubted; otherwise it is
    /// not sent and its line says why.
    bool askDoubts = false;
    QString remoteFolder; ///< the folder entered, from the log-on folder ("2026/12/"), as the history keeps it
    /// What each file's link is built with: urlName the entered folder's web address, typedBase the log-on folder's
    /// web address as typed; the file's name and thumbnail are filled in per file. An address not on typedBase's
    /// host leaves the files without addresses.
    TagFields link;
};

/// What came of a send: the files sent, in the order given, and a line for each file or thumbnail not sent with
/// its reason ("b.jpg was not sent: ...").
struct SendOutcome
{
    QList<SentFile> sent;
    QList<qsizetype> sentIndices; ///< each sent file's place in the order
    QStringList notSent;
};

/// Why a request ended without its reply: the transfer component's error code (FtpError) and words.
struct RequestFailure
{
    int code = 0;
    QString text;
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
    /// Works on requests someone else owns and has logged on.
    explicit Publisher(RemoteRequests& requests, QObject* parent = nullptr);
    ~Publisher() override;

    /// Every file sent is kept in the session's history as it reaches the server.
    void recordIn(PublishingSession& session) { m_session = &session; }
    /// The next request logs on afresh with these.
    void setLogOn(const LogOn& logOn);

    /// What is to be done once a request has ended and nothing runs: replied is true when it ended with the
    /// server's yes. Nothing is called once context is gone.
    using Then = std::function<void(bool replied)>;
    /// The requests of a window that shows the server's folder; a reply (a listing, a size) is read from the
    /// component as its state says it came.
    void list(QObject* context, Then then);
    void openFolder(const QString& entry, QObject* context, Then then);
    void leaveFolder(QObject* context, Then then);
    void makeFolder(const QString& name, QObject* context, Then then);
    void rename(const QString& entry, const QString& name, QObject* context, Then then);
    /// A folder entry ("old/") is removed as a folder.
    void remove(const QString& entry, QObject* context, Then then);
    void askSize(const QString& entry, QObject* context, Then then);
    void receive(const QString& entry, const QString& localPath, QObject* context, Then then);
    /// Makes the files readable by everyone, for the web server, one after another until one is refused.
    void makeReadable(const QStringList& names, QObject* context, Then then);
    /// Closes the connection, not waited for.
    void logOff();

    /// Lists the folder entered, connecting and logging on first where no connection is open: loggedOn with its
    /// entries, or requestFailed.
    void logOn();
    /// Enters a folder, a path from the folder entered last: folderEntered with where the server says it led
    /// (the path asked for when it can't say), or requestFailed.
    void enterFolder(const QString& path);
    /// Sends the files in the folder entered, each prepared as the choices say, its thumbnail beside it:
    /// sending and fileSent as they go, sendsEnded once all have ended.
    void sendFiles(const SendOrder& order);
    /// The answer to pictureDoubted: true sends the file as it is.
    void answerPicture(bool sendAsIs);
    /// The answer to passphraseAsked: the key's passphrase, or empty to log on with the password.
    void answerPassphrase(const QString& passphrase);

    /// Deletes the files one request after another, each from its own folder; deletesEnded tells what came of it.
    void deleteFiles(const QList<FileToDelete>& files);
    /// The answer to trustAsked: true trusts the identity for its server from now on.
    void answerTrust(bool trusted);
    /// Ends what runs; an operation cut short still ends with its signal, why naming the cut in a send's lines.
    void cancel(const QString& why = QStringLiteral("the send was cancelled"));

Q_SIGNALS:
    /// The server showed an identity nothing vouches for: the log-on waits for answerTrust.
    void trustAsked(const lumaport::ServerIdentity& identity);
    /// The file of that place in the list is being deleted.
    void deleting(qsizetype index);
    void deletesEnded(const lumaport::DeleteOutcome& outcome);

    /// The user's SSH key wants its passphrase: the log-on waits for answerPassphrase.
    void passphraseAsked(const QString& keyFile, bool again);
    void loggedOn(const QStringList& entries);
    void folderEntered(const QString& folder);
    /// logOn or enterFolder ended without the server's yes.
    void requestFailed(const lumaport::RequestFailure& failure);

    /// The file of that place in the order has started; atOnce files are in flight.
    void sending(qsizetype index, int atOnce);
    /// Bytes sent of the whole order, and its size (the local files' sizes); a lone file's own figures.
    void progress(qint64 bytesDone, qint64 bytesTotal);
    /// What was made of a picture that the user should know (a picture taken as another kind).
    void pictureNote(const QString& note);
    /// A lone picture can't be prepared as asked: why, and the question whether to send it as it is. The send
    /// waits for answerPicture.
    void pictureDoubted(const QString& why, const QString& question);
    /// The file's picture could not be made as the choices ask, and it is not sent.
    void notPrepared(qsizetype index, const QString& why);
    /// The file reached the server whole, with its addresses; its history row is queued.
    void fileSent(qsizetype index, const lumaport::SentFile& file);
    void sendsEnded(const lumaport::SendOutcome& outcome);

private:
    struct Sending;

    void deleteNext();
    void enterPlaceFolder(const PublishedPlace& place, std::function<void(bool entered, const QString& why)> done);
    // Deletes a name of the folder entered, or a path from the log-on folder; then done, with the server's reason
    // when it was kept.
    void deleteRemoteFile(const QString& path, std::function<void(bool deleted, const QString& why)> done);

    // Makes the file's picture ready; done gets it, or null when it is not to be sent (its line is written).
    void prepare(qsizetype index, std::function<void(std::shared_ptr<PreparedPicture>)> done);
    // One file after the other, the first failure stopping the rest.
    void sendInTurn(qsizetype index);
    void sendAtOnce();
    void startMore();
    // The file reached the server, its thumbnail too unless thumbnailWhy says why not.
    void keepSent(qsizetype index, const PreparedPicture& picture, bool withThumbnail);
    void failFile(qsizetype index, const QString& why);
    // Why a file was not sent, when the server's words are all there is.
    QString unsentWhy() const;
    void endSend();

    void run(const FtpCommand& command, QObject* context = nullptr, Then then = {});
    // The component's words when a request fails, for the lines of files not sent.
    void keepErrors();

    std::unique_ptr<RemoteRequests> m_ownRequests;
    RemoteRequests* m_requests;
    PublishingSession* m_session = nullptr;
    QList<FileToDelete> m_files;
    qsizetype m_next = 0;
    QString m_folder; // of a bucket or share, entered last
    DeleteOutcome m_outcome;

    std::unique_ptr<Sending> m_sending;
    std::function<void(bool)> m_pictureAnswer;
    QString m_lastError;          // the component's words when its last request failed
    std::optional<QString> m_cut; // why the running operation was cancelled
};

} // namespace lumaport
