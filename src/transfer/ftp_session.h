// SPDX-License-Identifier: GPL-3.0-or-later
// One logged-on FTP session on libcurl. It runs a request at a time to its end and is driven from the
// transfer component's worker thread; nothing in it touches the user-interface thread.
#pragma once

#include "transfer/ftp_command.h"
#include "transfer/ftp_error.h"
#include "transfer/ftp_server_address.h"
#include "transfer/internet_transfer.h"
#include "transfer/remote_folder.h"

#include <QString>
#include <functional>
#include <memory>
#include <optional>

namespace lumaport {

class CurlMulti;
class DirReplyBuilder;
struct FtpRequest;

struct FtpLogOn
{
    FtpServerAddress server;
    QString userName;
    QString password;
    int timeoutSeconds = 60; ///< 0 or less: no limit
    /// The fingerprint of the certificate or host key the user trusted for this server; empty when none.
    QString trustedFingerprint;
    QByteArray keyFile;       ///< SFTP: the SSH key offered before the password; empty for none
    QString keyPassphrase;    ///< the key's passphrase, when it has one
    bool publicSends = false; ///< S3: files sent, and CHMOD, are made readable by everyone (the public-read ACL)

    bool operator==(const FtpLogOn&) const = default;
};

struct FtpOutcome
{
    FtpError error = FtpError::None;
    QString info;  ///< what went wrong, for the user; never holds the password
    QString reply; ///< the reply text of a completed DIR or SIZE
};

/// A session with a server, of whichever protocol, as the transfer component's worker thread drives it.
class RemoteSession
{
public:
    using StateSink = std::function<void(int state)>;
    using ProgressSink = std::function<void(qint64 bytesDone, qint64 bytesTotal)>;
    using CancelCheck = std::function<bool()>;

    virtual ~RemoteSession() = default;
    virtual FtpOutcome run(const FtpCommand& command, const FtpLogOn& logOn, const StateSink& sink,
                           const ProgressSink& progress, const CancelCheck& cancelled) = 0;
    virtual void drop() = 0;
    /// The folder the next request works in, where another session of the same server already is: the log-on
    /// reaches it without a change of folder of its own.
    virtual void startIn(const RemoteFolder& folder) = 0;
    virtual QString folder() const = 0;
    virtual std::optional<ServerIdentity> refusedIdentity() const = 0;
};

class FtpSession final : public RemoteSession
{
public:
    FtpSession();
    ~FtpSession() override;
    FtpSession(const FtpSession&) = delete;
    FtpSession& operator=(const FtpSession&) = delete;

    /// Runs one request, reporting the progress states 1 to 10 through sink and the bytes of PUT and GET through
    /// progress (at most about ten a second, and once more when the data connection ends). Connects and logs on
    /// first when there is no connection or the log-on data differ from the connection's; logs on again once
    /// when the server turns out to have ended an idle session. Returns soon after cancelled() turns true, with
    /// the connection dropped and an outcome nobody should read.
    ///
    /// PUT sends to a temporary name in the same folder (see uploadTemporaryName) and renames it over the target
    /// once every byte has arrived; where the rename over an existing file is refused, the target is deleted
    /// first. A send that fails removes its temporary while the connection allows; one left by a lost connection
    /// or a cancel is removed at the next log on, or by CLOSE, which logs on again for it for three seconds at most
    /// before it says goodbye; a DIR removes those its listing dates more than a day back. Where the server
    /// refuses renames or the temporary, the file is sent in place, and the first such send of a log on says so in the
    /// outcome's info.
    FtpOutcome run(const FtpCommand& command, const FtpLogOn& logOn, const StateSink& sink,
                   const ProgressSink& progress, const CancelCheck& cancelled) override;

    /// Closes the connection without a word to the server; the next request logs on in the log-on folder.
    void drop() override;
    void startIn(const RemoteFolder& folder) override { m_folder = m_startFolder = folder; }

    /// The session's folder, from the log-on folder: "2026/12/", empty for the log-on folder, "../" or "/srv/"
    /// above or beside it. Over FTP the server's own word (PWD) after a change of folder, where it answers.
    QString folder() const override { return m_folder.path(); }

    /// After a run that ended in FtpError::NotTrusted: the certificate or host key the server showed, and why
    /// it was refused.
    std::optional<ServerIdentity> refusedIdentity() const override { return m_refusedIdentity; }

private:
    using Request = FtpRequest;

    // Makes the libcurl handles once; false when the library could not.
    bool handlesReady(Request& request);
    FtpOutcome start(const FtpCommand& command, Request& request);
    FtpOutcome dispatch(const FtpCommand& command, Request& request);
    FtpOutcome list(Request& request);
    FtpOutcome listed(DirReplyBuilder& listing, Request& request);
    FtpOutcome changeFolder(const RemoteFolder& target, Request& request);
    FtpOutcome sendCommands(const RemoteFolder& folder, const QStringList& commands, Request& request);
    // Refused where the server refused one of the commands quoted with quoteOwnCommands.
    static FtpOutcome ownCommandsOutcome(const Request& request);
    FtpOutcome sendSshCommands(const RemoteFolder& folder, const QStringList& commands, Request& request);
    FtpOutcome removeFile(const RemoteFolder& folder, const QString& name, Request& request);
    FtpOutcome renameFile(const QString& from, const QString& to, Request& request);
    static QStringList renameCommands(const QString& from, const QString& to);
    // Plain FTP's rename after a send, both commands in one write on the kept connection.
    FtpOutcome renameTogether(const QString& from, const QString& to, Request& request);
    FtpOutcome size(const QString& name, Request& request);
    FtpOutcome get(const QString& remoteName, Request& request);
    FtpOutcome put(const QString& remoteName, Request& request);
    enum class Store { Replace, Append };
    // With renameTo, the FTP file is renamed to it in the same request once the server has it all.
    FtpOutcome store(const QString& remoteName, const ProgressSink* progress, Request& request,
                     Store how = Store::Replace, const QString& renameTo = {});
    FtpOutcome storeTemporary(const QString& temporary, const QString& renameTo, const ProgressSink* progress,
                              Request& request);
    bool refusedBeforeAByte(const FtpOutcome& sent) const;
    FtpOutcome storeInPlace(const QString& remoteName, const ProgressSink* progress, const QString& why,
                            Request& request);
    // The temporary's removal after a failed send: now when the connection is still there, else at next log on.
    void dropTemporary(const QString& temporary, Request& request);
    // At a new log on, before the request: the failure of the log on itself, if that is how it ended.
    std::optional<FtpOutcome> removeLeftovers(Request& request);
    FtpOutcome close(const StateSink& sink, const CancelCheck& cancelled);
    void removeLeftoversBeforeClosing(const CancelCheck& cancelled);
    void sayGoodbye(const CancelCheck& cancelled);
    void disconnect();

    bool sftp() const { return m_logOn.server.scheme == FtpServerAddress::Scheme::Sftp; }
    // The URL path of a folder, or of a name inside it, for this server's protocol.
    QString urlPath(const RemoteFolder& folder, const QString& name = {}) const;
    void prepare(const QString& urlPath, Request& request);
    int perform(Request& request);
    FtpOutcome failure(int curlCode, const Request& request) const;

    void* m_curl = nullptr;             // CURL*
    std::unique_ptr<CurlMulti> m_multi; // keeps the control connection between requests
    bool m_connected = false;
    int m_socket = -1;         // the control connection's, while m_connected
    bool m_peerHungUp = false; // in the last perform, libcurl closed a connection the server had closed
    FtpLogOn m_logOn;
    RemoteFolder m_folder;
    RemoteFolder m_startFolder; // where a new log-on data's first request works
    enum class Mlsd { Unknown, Supported, Missing } m_mlsd = Mlsd::Unknown;
    std::optional<ServerIdentity> m_refusedIdentity;
    enum class SafeSend { Unknown, Works, InPlace } m_safeSend = SafeSend::Unknown;
    bool m_appendRefused = false; // the server took no APPE: temporaries go by STOR
    struct Leftover
    {
        RemoteFolder folder;
        QString name;
    };
    QList<Leftover> m_leftovers; // temporaries of ours a lost connection left on this server
};

} // namespace lumaport
