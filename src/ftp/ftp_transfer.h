// SPDX-License-Identifier: GPL-3.0-or-later
// The transfer component on libcurl.
#pragma once

#include "ftp/internet_transfer.h"

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

namespace lumaport {

class FtpSession;
struct FtpOutcome;
enum class FtpError;

/// The FTP transfer component: one logged-on session whose requests run on a worker thread of its own.
/// States reach StateChanged as posted events on the thread that made the object, so they are handled
/// only while that thread's event loop runs. Make it on the user-interface thread: `new FtpTransfer(window)`.
///
/// A kept connection that the server has closed meanwhile (an idle session ended, often with "421 Timeout.")
/// is replaced by a new log-on in the same folder before the request runs; only when that fails too does the
/// request end in icError.
///
/// Error numbers (ResponseCode) and what ResponseInfo then holds:
/// - 12030 the server or the network dropped the connection (with the server's 421 line when it sent one);
///   12002 no answer within RequestTimeout seconds;
/// - 12007 the host name is unknown; 12029 nothing accepts connections at the server's address and port;
/// - 12014 the log-on was refused; 12003 the server refused the request (the text is its reply line,
///   such as "550 No such file or directory.") or answered SIZE with something that is not a size;
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

    /// Ignored, with a warning, while a request is still executing.
    void Execute(const QString& operation) override;
    bool StillExecuting() const override { return m_executing; }
    void Cancel() override;
    QString GetChunk(int size, int dataType = icString) override;
    int ResponseCode() const override { return m_code; }
    QString ResponseInfo() const override { return m_info; }

private:
    struct Job;

    void refuse(FtpError error, const QString& info);
    void post(quint64 serial, int state, const FtpOutcome& outcome);
    void deliver(quint64 serial, int state, const FtpOutcome& outcome);
    void work();
    void run(FtpSession& session, const Job& job);

    // Owned by the user-interface thread.
    int m_protocol = icFTP;
    QString m_server;
    QString m_userName;
    QString m_password;
    int m_timeoutSeconds = 60;
    quint64 m_serial = 0; // of the newest request; events of older ones are dropped on arrival
    bool m_executing = false;
    QString m_reply;
    qsizetype m_replyPosition = 0;
    int m_code = 0;
    QString m_info;

    // Shared with the worker thread.
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::unique_ptr<Job> m_job;
    bool m_dropConnection = false;
    bool m_stop = false;
    std::atomic<quint64> m_liveSerial{0}; // the request the worker may go on with
    std::thread m_worker;
};

} // namespace lumaport
