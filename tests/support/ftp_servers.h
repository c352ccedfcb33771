// SPDX-License-Identifier: GPL-3.0-or-later
// Real FTP servers for the tests: pyftpdlib (MLSD, one user with a password; also over TLS), vsftpd (LIST
// only, anonymous), OpenSSH's SFTP (the user running the tests, by key) and a small SFTP server on paramiko
// (one user with a password), each on a free loopback port serving a temporary folder of its own. Python's web
// server (also over https) serves a folder the same way, as the web side of a published folder.
#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTcpServer>
#include <QTemporaryDir>

namespace lumaport::test {

struct FtpServerOptions
{
    /// Slows the data of pyftpdlib (plain FTP), vsftpd and paramiko, so a test can act mid-transfer.
    int throttleBytesPerSecond = 0;
    int idleTimeoutSeconds = 0; ///< pyftpdlib ends idle sessions after this long, with a 421
    bool silentQuit = false;    ///< pyftpdlib never answers QUIT
    bool privateFiles = false;  ///< pyftpdlib makes new files readable by their owner only
    bool noRenames = false;     ///< pyftpdlib refuses renames
    bool noAppends = false;     ///< pyftpdlib refuses APPE
    QString pipelining = {};    ///< pyftpdlib's answer to commands sent together: "refuse" or "drop" them
    QString servedFolder = {};  ///< the web server shows this folder (an FTP server's) instead of its own
    /// pyftpdlib answers 421 to more connections than this from one address; 0: no limit
    int connectionsPerAddress = 0;
};

class FtpServer
{
public:
    enum class Kind { Pyftpdlib, Vsftpd, PyftpdlibFtpes, PyftpdlibFtps, Sshd, Paramiko, Web, WebTls };
    using Options = FtpServerOptions;

    explicit FtpServer(Kind kind, Options options = {});
    /// Stops the server.
    ~FtpServer();
    FtpServer(const FtpServer&) = delete;
    FtpServer& operator=(const FtpServer&) = delete;

    /// Starts the server and waits for its greeting. On failure errorString() says why, with the server's
    /// own output: use QVERIFY2(server.start(), qPrintable(server.errorString())).
    bool start();
    QString errorString() const { return m_error; }
    /// Ends the server (and, for vsftpd, its sessions) by process id, politely, then firmly.
    void stop();
    /// Kills the server and its sessions at once, like a crash.
    void kill();
    /// sshd: kills the processes of its sessions at once, as a crash on the server's side would; the server
    /// itself goes on taking connections. Returns how many it killed.
    int killSessions();
    bool isRunning() const;
    /// paramiko: closes every session, as an idle time-out would, and returns once they are closed.
    bool dropSessions();

    Kind kind() const { return m_kind; }
    quint16 port() const { return m_port; }
    /// The server text as a user would type it: "127.0.0.1:<port>", "ftpes://127.0.0.1:<port>", ...; the web
    /// servers' address: "http://127.0.0.1:<port>", "https://...".
    QString serverText() const;
    QString userName() const;
    QString password() const;

    /// sshd: the private key it takes, to be put where the user's keys are. Empty for the others.
    QString clientKey() const;
    /// The SHA-256 fingerprint of the TLS certificate ("AB:CD:...", as openssl shows it) or of the SSH host key
    /// ("SHA256:...", as ssh-keygen shows it); empty for plain FTP.
    QString fingerprint() const;

    /// The local folder the server shows as its starting folder.
    QString rootFolder() const;
    /// The remote entry to CD into before writing ("pub/" for vsftpd), empty when the starting folder is
    /// writable (pyftpdlib).
    QString writableEntry() const;
    /// The local folder behind writableEntry().
    QString writableFolder() const;

    /// Every command pyftpdlib received so far, in order, the password masked, and "(idle timeout)" where it
    /// ended a session; empty for the others.
    QStringList receivedCommands() const;
    /// pyftpdlib answers SIZE with this line from now on; an empty line restores the true answer.
    void answerSizeWith(const QString& line);

private:
    bool launch();
    bool isPyftpdlib() const;
    bool waitForGreeting();

    Kind m_kind;
    Options m_options;
    QTemporaryDir m_dir;
    QProcess m_process;
    quint16 m_port = 0;
    QString m_error;
};

/// A loopback port that takes connections and never says a word: the kernel completes the handshake, nobody
/// accepts, nothing is sent. For time-outs.
class SilentServer
{
public:
    SilentServer();
    quint16 port() const { return m_server.serverPort(); }
    QString serverText() const { return QStringLiteral("127.0.0.1:%1").arg(port()); }

private:
    QTcpServer m_server;
};

/// A loopback port nothing listens on right now.
quint16 unusedLoopbackPort();

} // namespace lumaport::test
