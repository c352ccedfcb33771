// SPDX-License-Identifier: GPL-3.0-or-later
#include "ftp_servers.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QHash>
#include <QTcpSocket>

#include <csignal>
#include <pwd.h>
#include <sys/prctl.h>
#include <unistd.h>

namespace lumaport::test {

namespace {

constexpr int kStartSeconds = 15;

} // namespace

FtpServer::FtpServer(Kind kind, Options options) : m_kind(kind), m_options(options)
{
    // Each server runs in a process group of its own, so vsftpd's session processes end with it, and dies
    // with the test process even when that crashes.
    m_process.setChildProcessModifier([] {
        ::setpgid(0, 0);
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    });
}

FtpServer::~FtpServer()
{
    stop();
}

bool FtpServer::isPyftpdlib() const
{
    return m_kind == Kind::Pyftpdlib || m_kind == Kind::PyftpdlibFtpes || m_kind == Kind::PyftpdlibFtps;
}

QString FtpServer::serverText() const
{
    static const QHash<Kind, QString> schemes{
        {Kind::PyftpdlibFtpes, QStringLiteral("ftpes://")},
        {Kind::PyftpdlibFtps, QStringLiteral("ftps://")},
        {Kind::Sshd, QStringLiteral("sftp://")},
        {Kind::Paramiko, QStringLiteral("sftp://")},
        {Kind::Web, QStringLiteral("http://")},
        {Kind::WebTls, QStringLiteral("https://")},
    };
    return schemes.value(m_kind) + QStringLiteral("127.0.0.1:%1").arg(m_port);
}

QString FtpServer::userName() const
{
    if (m_kind == Kind::Sshd)
        return QString::fromLocal8Bit(::getpwuid(::getuid())->pw_name);
    return m_kind == Kind::Vsftpd ? QStringLiteral("anonymous") : QStringLiteral("lumaport");
}

QString FtpServer::password() const
{
    // The windows ask for a password even where the key logs on.
    return m_kind == Kind::Vsftpd ? QStringLiteral("guest@example.com") : QStringLiteral("s3cret-Pass");
}

QString FtpServer::clientKey() const
{
    return m_kind == Kind::Sshd ? m_dir.filePath(QStringLiteral("state/client_key")) : QString();
}

QString FtpServer::fingerprint() const
{
    QProcess tool;
    if (m_kind == Kind::PyftpdlibFtpes || m_kind == Kind::PyftpdlibFtps)
        tool.start(QStringLiteral("openssl"),
                   {QStringLiteral("x509"), QStringLiteral("-noout"), QStringLiteral("-fingerprint"),
                    QStringLiteral("-sha256"), QStringLiteral("-in"),
                    m_dir.filePath(QStringLiteral("state/cert.pem"))});
    else if (m_kind == Kind::Sshd || m_kind == Kind::Paramiko)
        tool.start(QStringLiteral("ssh-keygen"),
                   {QStringLiteral("-l"), QStringLiteral("-E"), QStringLiteral("sha256"), QStringLiteral("-f"),
                    m_dir.filePath(QStringLiteral("state/host_key.pub"))});
    else
        return {};
    tool.waitForFinished(kStartSeconds * 1000);
    // "sha256 Fingerprint=AB:CD:..." or "256 SHA256:... comment (ED25519)"
    const QString out = QString::fromLatin1(tool.readAllStandardOutput()).trimmed();
    return out.contains(u'=') ? out.section(u'=', 1) : out.section(u' ', 1, 1);
}

QString FtpServer::rootFolder() const
{
    return m_dir.filePath(QStringLiteral("root"));
}

QString FtpServer::writableEntry() const
{
    return m_kind == Kind::Vsftpd ? QStringLiteral("pub/") : QString();
}

QString FtpServer::writableFolder() const
{
    return m_kind == Kind::Vsftpd ? rootFolder() + QStringLiteral("/pub") : rootFolder();
}

QStringList FtpServer::receivedCommands() const
{
    QFile log(m_dir.filePath(QStringLiteral("commands.log")));
    if (!log.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(log.readAll()).split(u'\n', Qt::SkipEmptyParts);
}

void FtpServer::answerSizeWith(const QString& line)
{
    QFile reply(m_dir.filePath(QStringLiteral("size-reply")));
    if (line.isEmpty())
        reply.remove();
    else if (reply.open(QIODevice::WriteOnly))
        reply.write(line.toUtf8());
}

bool FtpServer::isRunning() const
{
    return m_process.state() != QProcess::NotRunning;
}

bool FtpServer::start()
{
    if (isRunning())
        return true;
    if (!m_dir.isValid() || !QDir().mkpath(rootFolder()) || !QDir().mkpath(m_dir.filePath(QStringLiteral("state")))) {
        m_error = QStringLiteral("Cannot make a temporary folder for the FTP server.");
        return false;
    }
    // vsftpd's anonymous user must be able to walk into the folder.
    QFile::setPermissions(m_dir.path(), QFile::permissions(m_dir.path()) | QFile::ReadOther | QFile::ExeOther |
                                            QFile::ReadGroup | QFile::ExeGroup);
    // vsftpd picks its port before starting; another program may take it in between, so try again.
    for (int attempt = 0; attempt < 3; ++attempt) {
        if (launch() && waitForGreeting())
            return true;
        stop();
    }
    return false;
}

bool FtpServer::launch()
{
    const QString script = QStringLiteral(LUMAPORT_FTP_SERVER_SCRIPT);
    QStringList arguments{script};
    const QString state = m_dir.filePath(QStringLiteral("state"));
    if (isPyftpdlib()) {
        arguments << QStringLiteral("pyftpdlib") << QStringLiteral("--root") << rootFolder() << QStringLiteral("--user")
                  << userName() << QStringLiteral("--password") << password() << QStringLiteral("--command-log")
                  << m_dir.filePath(QStringLiteral("commands.log")) << QStringLiteral("--throttle")
                  << QString::number(m_options.throttleBytesPerSecond) << QStringLiteral("--idle-timeout")
                  << QString::number(m_options.idleTimeoutSeconds) << QStringLiteral("--size-reply")
                  << m_dir.filePath(QStringLiteral("size-reply"));
        if (m_options.silentQuit)
            arguments << QStringLiteral("--silent-quit");
        if (m_options.privateFiles)
            arguments << QStringLiteral("--private-files");
        if (m_options.noRenames)
            arguments << QStringLiteral("--no-renames");
        if (m_options.noAppends)
            arguments << QStringLiteral("--no-appends");
        if (!m_options.pipelining.isEmpty())
            arguments << QStringLiteral("--pipelining") << m_options.pipelining;
        if (m_options.connectionsPerAddress > 0)
            arguments << QStringLiteral("--max-per-address") << QString::number(m_options.connectionsPerAddress);
        if (m_kind != Kind::Pyftpdlib)
            arguments << QStringLiteral("--tls")
                      << (m_kind == Kind::PyftpdlibFtps ? QStringLiteral("implicit") : QStringLiteral("explicit"))
                      << QStringLiteral("--state") << state;
    } else if (m_kind == Kind::Sshd || m_kind == Kind::Paramiko) {
        arguments << (m_kind == Kind::Sshd ? QStringLiteral("sshd") : QStringLiteral("paramiko"))
                  << QStringLiteral("--root") << rootFolder() << QStringLiteral("--state") << state
                  << QStringLiteral("--user") << userName();
        if (m_kind == Kind::Paramiko)
            arguments << QStringLiteral("--password") << password() << QStringLiteral("--throttle")
                      << QString::number(m_options.throttleBytesPerSecond);
    } else if (m_kind == Kind::Web || m_kind == Kind::WebTls) {
        arguments << QStringLiteral("web") << QStringLiteral("--root")
                  << (m_options.servedFolder.isEmpty() ? rootFolder() : m_options.servedFolder)
                  << QStringLiteral("--state") << state;
        if (m_kind == Kind::WebTls)
            arguments << QStringLiteral("--tls");
    } else {
        arguments << QStringLiteral("vsftpd") << QStringLiteral("--root") << rootFolder() << QStringLiteral("--state")
                  << m_dir.filePath(QStringLiteral("state")) << QStringLiteral("--throttle")
                  << QString::number(m_options.throttleBytesPerSecond);
    }
    m_process.start(QStringLiteral("/usr/bin/python3"), arguments);
    if (!m_process.waitForStarted(kStartSeconds * 1000)) {
        m_error = QStringLiteral("Cannot run /usr/bin/python3 %1: %2").arg(script, m_process.errorString());
        return false;
    }
    const QDeadlineTimer deadline(kStartSeconds * 1000);
    while (!m_process.canReadLine() && isRunning() && !deadline.hasExpired())
        m_process.waitForReadyRead(int(deadline.remainingTime()));
    bool ok = false;
    m_port = quint16(m_process.readLine().trimmed().toUInt(&ok));
    if (!ok || m_port == 0) {
        m_process.waitForFinished(1000);
        m_error = QStringLiteral("The server (%1) did not start: %2%3")
                      .arg(arguments.value(1), QString::fromLocal8Bit(m_process.readAllStandardOutput()),
                           QString::fromLocal8Bit(m_process.readAllStandardError()));
        return false;
    }
    return true;
}

bool FtpServer::waitForGreeting()
{
    // A server behind TLS from the first byte greets only after a handshake, and a web server never: taking
    // connections will do.
    const bool silent = m_kind == Kind::PyftpdlibFtps || m_kind == Kind::Web || m_kind == Kind::WebTls;
    const QByteArray greeting = silent                                             ? QByteArray()
                                : m_kind == Kind::Sshd || m_kind == Kind::Paramiko ? QByteArray("SSH-")
                                                                                   : QByteArray("220");
    const QDeadlineTimer deadline(kStartSeconds * 1000);
    while (!deadline.hasExpired() && isRunning()) {
        QTcpSocket probe;
        probe.connectToHost(QStringLiteral("127.0.0.1"), m_port);
        if (probe.waitForConnected(1000)) {
            if (greeting.isEmpty())
                return true;
            while (!probe.canReadLine() && probe.waitForReadyRead(2000)) {
            }
            if (probe.readLine().startsWith(greeting))
                return true;
        }
        m_process.waitForFinished(50); // a pause that also notices the server ending
    }
    m_error = QStringLiteral("The FTP server on port %1 never greeted: %2%3")
                  .arg(m_port)
                  .arg(QString::fromLocal8Bit(m_process.readAllStandardOutput()),
                       QString::fromLocal8Bit(m_process.readAllStandardError()));
    return false;
}

void FtpServer::stop()
{
    if (!isRunning())
        return;
    ::kill(-pid_t(m_process.processId()), SIGTERM);
    if (!m_process.waitForFinished(5000))
        kill();
}

void FtpServer::kill()
{
    if (!isRunning())
        return;
    ::kill(-pid_t(m_process.processId()), SIGKILL);
    m_process.waitForFinished(5000);
}

int FtpServer::killSessions()
{
    if (!isRunning())
        return 0;
    // sshd's sessions begin sessions of their own (setsid), so they are found by their parents, not their group.
    QMultiHash<pid_t, pid_t> children;
    const QStringList processes = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs);
    for (const QString& process : processes) {
        QFile stat(QStringLiteral("/proc/%1/stat").arg(process));
        if (!stat.open(QIODevice::ReadOnly))
            continue;
        // "pid (name) state ppid ...": the name may hold blanks and parentheses.
        const QByteArray line = stat.readAll();
        const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
        if (fields.size() > 1)
            children.insert(pid_t(fields[1].toInt()), pid_t(process.toInt()));
    }
    QList<pid_t> sessions = children.values(pid_t(m_process.processId()));
    for (qsizetype i = 0; i < sessions.size(); ++i)
        sessions += children.values(sessions[i]);
    for (const pid_t session : sessions)
        ::kill(session, SIGKILL);
    return int(sessions.size());
}

bool FtpServer::dropSessions()
{
    if (m_kind != Kind::Paramiko || !isRunning())
        return false;
    m_process.readAllStandardOutput();
    ::kill(pid_t(m_process.processId()), SIGUSR1);
    const QDeadlineTimer deadline(kStartSeconds * 1000);
    while (!m_process.canReadLine() && !deadline.hasExpired())
        m_process.waitForReadyRead(int(deadline.remainingTime()));
    return m_process.readLine().startsWith("dropped");
}

SilentServer::SilentServer()
{
    m_server.listen(QHostAddress::LocalHost);
}

quint16 unusedLoopbackPort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost);
    return probe.serverPort();
}

} // namespace lumaport::test
