// SPDX-License-Identifier: GPL-3.0-or-later
// The FTP window talks to its transfer component only through this interface, so tests can put a fake in
// its place for states a real server can't produce on demand.
#pragma once

#include <QObject>
#include <QString>

#include <memory>
#include <optional>

namespace lumaport {

/// What a server showed to prove who it is (a TLS certificate or an SSH host key) when nothing vouches for it.
struct ServerIdentity
{
    enum class Kind { Certificate, HostKey };

    Kind kind = Kind::Certificate;
    QString server;      ///< "ftps://example.com:990"
    QString fingerprint; ///< SHA-256: "AB:CD:..." for a certificate, "SHA256:..." (base64) for a host key
    QString subject;     ///< the certificate's subject, or the key's type ("ssh-ed25519")
    QString reason;      ///< why it is not trusted on its own ("self-signed certificate")
};

/// One logged-on FTP session that runs one request at a time in the background and reports progress
/// through StateChanged on the user-interface thread.
class InternetTransfer : public QObject
{
    Q_OBJECT
public:
    enum Protocol { icFTP = 2 };
    enum DataType { icString = 0 };
    enum State {
        icHostResolvingHost = 1,
        icHostResolved = 2,
        icConnecting = 3,
        icConnected = 4,
        icRequesting = 5,
        icRequestSent = 6,
        icReceivingResponse = 7,
        icResponseReceived = 8,
        icDisconnecting = 9,
        icDisconnected = 10,
        icError = 11,
        icResponseCompleted = 12,
    };

    using QObject::QObject;

    /// Only icFTP is supported.
    virtual void setProtocol(int protocol) = 0;
    /// The server as typed: a host name or address, optionally "ftp://", "ftpes://" (TLS after AUTH TLS),
    /// "ftps://" (TLS from the start) or "sftp://" in front and ":port" behind; or an S3 bucket
    /// ("s3://host/bucket/folder/", "s3+http://...") or a WebDAV share ("davs://host/folder/", "dav://...").
    virtual void setRemoteHost(const QString& server) = 0;
    virtual void setUserName(const QString& userName) = 0;
    virtual void setPassword(const QString& password) = 0;
    /// Seconds without any answer from the server after which a request ends with icError.
    virtual void setRequestTimeout(int seconds) = 0;

    /// Starts an FTP command string ("DIR", "CD \"name\"", "PUT \"local\" \"remote\"", "CHMOD \"name\"", ...)
    /// and returns at once.
    virtual void Execute(const QString& operation) = 0;
    /// True from Execute until the handler of the request's final state (icResponseCompleted or icError)
    /// has returned, or until Cancel.
    virtual bool StillExecuting() const = 0;
    /// Ends the running request and drops the connection; no further event of that request arrives.
    virtual void Cancel() = 0;
    /// Next part of the completed reply, at most size characters; empty once the reply is used up.
    virtual QString GetChunk(int size, int dataType = icString) = 0;
    /// Error number of the last icError; 12030 means the connection was aborted.
    virtual int ResponseCode() const = 0;
    /// Text of the last icError; after icResponseCompleted, a word on how the request was carried out when there
    /// is one to say (a send made in place), else empty.
    virtual QString ResponseInfo() const = 0;
    /// The folder the last completed request left the session in, from the log-on folder: "2026/12/", empty for
    /// the log-on folder, "../" or "/srv/" above or beside it. Nothing when the component can't tell.
    virtual std::optional<QString> CurrentFolder() const { return std::nullopt; }
    /// The answer to the running request's TrustAsked: true trusts the identity for its server from now on.
    /// A component that never asks ignores it.
    virtual void AnswerTrust(bool trusted) { Q_UNUSED(trusted); }
    /// The answer to the running request's PassphraseAsked: the key's passphrase, or empty to log on without
    /// the key. A component that never asks ignores it.
    virtual void AnswerPassphrase(const QString& passphrase) { Q_UNUSED(passphrase); }
    /// Another session of the same server with the same log-on, the answers already given (a passphrase) and the
    /// current folder, for requests at the same time as this one's; idle until its first request logs it on.
    /// Nothing when the component opens no second session.
    virtual std::unique_ptr<InternetTransfer> makeSibling() const { return nullptr; }

Q_SIGNALS:
    void StateChanged(int state);
    /// Bytes moved so far by the running PUT or GET, and its whole size (-1 when the server did not tell);
    /// at most about ten a second, the last one when the data connection ends.
    void TransferProgress(qint64 bytesDone, qint64 bytesTotal);
    /// The running request waits for AnswerTrust (or Cancel) because the server showed an identity that nothing
    /// vouches for and that was never trusted for it. Without a receiver the answer is no.
    void TrustAsked(const lumaport::ServerIdentity& identity);
    /// The running request waits for AnswerPassphrase (or Cancel) because the user's SSH key, the file named,
    /// is protected by a passphrase; again: the passphrase given just before did not open it. Without a
    /// receiver the key is left out.
    void PassphraseAsked(const QString& keyFile, bool again);
};

} // namespace lumaport
