// SPDX-License-Identifier: GPL-3.0-or-later
// The transfer component on libcurl.
#pragma once

#include "transfer/ftp_session.h"
#include "transfer/internet_transfer.h"
#include "transfer/trusted_servers.h"

#include <QMetaMethod>

#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

namespace lumaport {

/// The FTP transfer component: one logged-on session whose requests run on a worker thread of its own.
/// States reach StateChanged as posted events on the thread that made the object, so they are handled
/// only while that thread's event loop runs. Make it on the user-interface thread: `new FtpTransfer(window)`.
///
/// A kept connection that the server has closed meanwhile (an idle session ended, often with "421 Timeout.")
/// is replaced by a new log-on in the same folder before the request runs; only when that fails too does the
/// request end in icError.
///
/// A PUT never leaves a cut file at the target: it sends to a hidden temporary in the same folder and renames it
/// over the target when complete (see FtpSession::run); the listings never show such temporaries. Over SFTP a
/// new file is readable by everyone (0644) unless the server forces otherwise.
///
/// The scheme of the server text chooses the protocol: FTP, FTPS and SFTP, an S3-compatible bucket or a WebDAV share
/// (see StorageSession), behind the same commands and error numbers. Over TLS the certificate must pass the system's
/// certificates and name the host; over SSH the host key is checked. One that fails (or an unknown host key)
/// is put to the user through TrustAsked once; a yes is remembered in the trust file (see setTrustFile) and
/// the request runs again. A server that shows another certificate or key than the one trusted for it is
/// refused without a question. Over SSH the user's ~/.ssh/id_ed25519 or id_rsa is offered before the
/// password; for a key protected by a passphrase PassphraseAsked asks once for each log-on, up to three times
/// while the passphrase given does not open the key (the passphrase is kept in memory until the connection is
/// cancelled or closed, never written anywhere), and without an answer that opens it only the password is
/// offered. The password never crosses the network in clear on "ftpes", "ftps" and "sftp".
///
/// Error numbers (ResponseCode) and what ResponseInfo then holds:
/// - 12030 the server or the network dropped the connection (with the server's 421 line when it sent one, or
///   what the SSH layer said);
///   12002 no answer within RequestTimeout seconds;
/// - 12007 the host name is unknown; 12029 nothing accepts connections at the server's address and port;
/// - 12014 the log-on was refused; 12003 the server refused the request (the text is its reply line,
///   such as "550 No such file or directory.") or answered SIZE with something that is not a size;
/// - 12045 the certificate or host key was not trusted, or is not the one trusted for the server;
///   12157 TLS could not be set up, or an "ftpes" server does not offer it;
/// - 12005 the server text is not a host with an optional port; 12016 the command string is unknown,
///   malformed or holds a control character, and was not sent;
/// - 110 the local file of PUT or GET cannot be read or written, or the target of GET already exists (a GET
///   never replaces a file, and a failed one leaves none); 12004 anything else.
/// The password never appears in ResponseInfo.
class FtpTransfer final : public InternetTransfer
{
    Q_OBJECT
public:
    explicit FtpTransfer(QObject* parent = nullptr);
    /// Stops a running request and waits (about a second at most) for the worker thread to end.
    ~FtpTransfer() override;

    void setProtocol(int protocol) override;
    void setRemoteHost(const QString& server) override;
    void setUserName(const QString& userName) override;
    void setPassword(const QString& password) override;
    void setRequestTimeout(int seconds) override;
    /// The file that remembers trusted certificates and host keys; without one they are remembered for the
    /// object's life only.
    void setTrustFile(const QString& path);
    /// The options file whose kPublicSendsOption makes files sent to an S3 bucket readable by everyone;
    /// read at each request.
    void setOptionsFile(const QString& path);
    /// Makes files sent to an S3 bucket readable by everyone, whatever the options file says.
    void setPublicSends(bool on) { m_publicSends = on; }

    /// Ignored, with a warning, while a request is still executing.
    void Execute(const QString& operation) override;
    bool StillExecuting() const override { return m_executing; }
    void Cancel() override;
    QString GetChunk(int size, int dataType = icString) override;
    int ResponseCode() const override { return m_code; }
    QString ResponseInfo() const override { return m_info; }
    std::optional<QString> CurrentFolder() const override { return m_folder; }
    void AnswerTrust(bool trusted) override;
    void AnswerPassphrase(const QString& passphrase) override;
    std::unique_ptr<InternetTransfer> makeSibling() const override;

private:
    struct Job;

    void refuse(FtpError error, const QString& info);
    void post(quint64 serial, int state, const FtpOutcome& outcome);
    void deliver(quint64 serial, int state, const FtpOutcome& outcome);
    void work();
    void run(RemoteSession& session, const Job& job);
    FtpOutcome runTrusting(RemoteSession& session, const Job& job, const FtpSession::StateSink& sink,
                           const FtpSession::ProgressSink& progress, const FtpSession::CancelCheck& cancelled);
    void putQuestion(quint64 serial, const QMetaMethod& signal, const std::function<void()>& emitIt,
                     const std::function<void()>& answerWithoutReceiver);
    bool ask(quint64 serial, const ServerIdentity& identity);
    void offerKey(quint64 serial, FtpLogOn& logOn);
    template <typename Answer>
    std::optional<Answer> waitForAnswer(quint64 serial, std::optional<std::pair<quint64, Answer>>& answer);

    // Owned by the user-interface thread.
    int m_protocol = icFTP;
    QString m_server;
    QString m_userName;
    QString m_password;
    int m_timeoutSeconds = 60;
    QString m_trustFile;
    QString m_optionsFile;
    bool m_publicSends = false;
    quint64 m_serial = 0; // of the newest request; events of older ones are dropped on arrival
    bool m_executing = false;
    QString m_reply;
    qsizetype m_replyPosition = 0;
    int m_code = 0;
    QString m_info;
    std::optional<QString> m_folder;
    std::optional<QString> m_startFolder; // a sibling's first request starts there

    // Shared with the worker thread.
    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    std::unique_ptr<Job> m_job;
    bool m_dropConnection = false;
    bool m_stop = false;
    std::atomic<quint64> m_liveSerial{0};                  // the request the worker may go on with
    std::optional<std::pair<quint64, bool>> m_trustAnswer; // for the request of that serial
    std::optional<std::pair<quint64, QString>> m_passphraseAnswer;
    std::optional<std::pair<QStringList, QString>> m_passphrase; // the answer given for that server, user and key

    // Owned by the worker thread.
    TrustedServers m_trusted;
    std::thread m_worker;
};

} // namespace lumaport
