// SPDX-License-Identifier: GPL-3.0-or-later
#include "storage_servers.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>

#include <signal.h>

namespace lumaport::test {

namespace {

constexpr int kStartSeconds = 180; // a cluster starting while other suites load the machine

QString sha256Fingerprint(const QString& certificateFile)
{
    QProcess openssl;
    openssl.start(QStringLiteral("openssl"),
                  {QStringLiteral("x509"), QStringLiteral("-noout"), QStringLiteral("-fingerprint"),
                   QStringLiteral("-sha256"), QStringLiteral("-in"), certificateFile});
    openssl.waitForFinished(10000);
    return QString::fromLatin1(openssl.readAllStandardOutput()).section(u'=', 1).trimmed();
}

} // namespace

StorageServer::StorageServer(Kind kind) : m_kind(kind) {}

StorageServer::~StorageServer()
{
    stop();
}

bool StorageServer::start()
{
    if (m_process.state() != QProcess::NotRunning)
        return true;
    const QString state = m_dir.filePath(QStringLiteral("state"));
    if (!m_dir.isValid() || !QDir().mkpath(rootFolder().isEmpty() ? state : rootFolder()) || !QDir().mkpath(state)) {
        m_error = QStringLiteral("Cannot make a temporary folder for the server.");
        return false;
    }
    // Apache started by root serves as another user, who must reach the share.
    QFile::setPermissions(m_dir.path(), QFile::permissions(m_dir.path()) | QFile::ReadOther | QFile::ExeOther);
    const bool ceph = m_kind == Kind::Ceph;
    const bool apache = m_kind == Kind::Apache || m_kind == Kind::ApacheTls;
    QStringList arguments{QStringLiteral(LUMAPORT_OBJECT_SERVERS_SCRIPT),
                          ceph     ? QStringLiteral("ceph")
                          : apache ? QStringLiteral("apache")
                                   : QStringLiteral("rclone"),
                          QStringLiteral("--state"),
                          state,
                          QStringLiteral("--user"),
                          userName(),
                          QStringLiteral("--password"),
                          password()};
    if (ceph)
        arguments << QStringLiteral("--bucket") << QStringLiteral("pics");
    else
        arguments << QStringLiteral("--root") << rootFolder();
    if (tls())
        arguments << QStringLiteral("--tls");
    if (m_kind == Kind::Misbehaving)
        arguments =
            QStringList{QStringLiteral(LUMAPORT_MISBEHAVING_SERVER_SCRIPT), QStringLiteral("--root"), rootFolder()};
    m_process.start(QStringLiteral("/usr/bin/python3"), arguments);
    const QDeadlineTimer deadline(kStartSeconds * 1000);
    while (!m_process.canReadLine() && m_process.state() != QProcess::NotRunning && !deadline.hasExpired())
        m_process.waitForReadyRead(int(std::min<qint64>(deadline.remainingTime(), 1000)));
    bool ok = false;
    const QList<QByteArray> ports = m_process.readLine().trimmed().split(' ');
    m_port = quint16(ports.first().toUInt(&ok));
    m_tlsPort = quint16(ports.value(1).toUInt());
    if (!ok || m_port == 0) {
        stop();
        m_error = QStringLiteral("The server (%1) did not start: %2%3")
                      .arg(arguments.value(1), QString::fromLocal8Bit(m_process.readAllStandardOutput()),
                           QString::fromLocal8Bit(m_process.readAllStandardError()));
        return false;
    }
    return true;
}

void StorageServer::stop()
{
    if (m_process.state() == QProcess::NotRunning)
        return;
    // The script ends its own daemons by their process ids and waits for them, so a next cluster never meets
    // this one's monitor.
    ::kill(pid_t(m_process.processId()), SIGTERM);
    if (!m_process.waitForFinished(60000)) {
        m_process.kill();
        m_process.waitForFinished(5000);
    }
}

QString StorageServer::serverText(const QString& folder, bool tls) const
{
    if (m_kind == Kind::Ceph)
        return QStringLiteral("%1://127.0.0.1:%2/%3")
            .arg(tls ? QStringLiteral("s3") : QStringLiteral("s3+http"))
            .arg(tls ? m_tlsPort : m_port)
            .arg(folder);
    const bool apache = m_kind == Kind::Apache || m_kind == Kind::ApacheTls;
    return QStringLiteral("%1://127.0.0.1:%2/%3%4")
        .arg(this->tls() ? QStringLiteral("davs") : QStringLiteral("dav"))
        .arg(m_port)
        .arg(apache ? QStringLiteral("dav/") : QString(), folder);
}

QString StorageServer::userName() const
{
    return m_kind == Kind::Ceph ? QStringLiteral("LUMAPORTTESTKEY0001") : QStringLiteral("lumaport");
}

QString StorageServer::password() const
{
    return QStringLiteral("s3cr3t+/word=%for-tests");
}

QString StorageServer::rootFolder() const
{
    return m_kind == Kind::Ceph ? QString() : m_dir.filePath(QStringLiteral("root"));
}

QString StorageServer::webAddress() const
{
    return QStringLiteral("%1://127.0.0.1:%2/web/")
        .arg(tls() ? QStringLiteral("https") : QStringLiteral("http"))
        .arg(m_port);
}

QString StorageServer::fingerprint() const
{
    return tls() || m_kind == Kind::Ceph ? sha256Fingerprint(m_dir.filePath(QStringLiteral("state/cert.pem")))
                                         : QString();
}

} // namespace lumaport::test
