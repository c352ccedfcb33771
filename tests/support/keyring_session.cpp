// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/keyring_session.h"

#include "platform/password_keyring.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>

namespace lumaport::test {

namespace {

constexpr int kStartMs = 10000;

// A session bus that starts nothing on demand: a keyring it started would not be ours to end.
const char* const kBusConfig = R"(<busconfig>
  <type>session</type>
  <listen>unix:dir=%1</listen>
  <policy context="default">
    <allow send_destination="*" eavesdrop="true"/>
    <allow eavesdrop="true"/>
    <allow own="*"/>
  </policy>
</busconfig>
)";

void end(QProcess& process)
{
    if (process.state() == QProcess::NotRunning)
        return;
    process.terminate();
    if (!process.waitForFinished(5000)) {
        process.kill();
        process.waitForFinished(5000);
    }
}

} // namespace

KeyringSession::~KeyringSession()
{
    end(m_keyring);
    end(m_bus);
    qunsetenv("DBUS_SESSION_BUS_ADDRESS");
}

void KeyringSession::stopKeyring()
{
    end(m_keyring);
}

bool KeyringSession::fail(const QString& what, QProcess& process)
{
    m_error = what + QLatin1Char(' ') + QString::fromLocal8Bit(process.readAllStandardError());
    return false;
}

bool KeyringSession::start()
{
    const QString folder = m_folder.path();
    QFile config(folder + QStringLiteral("/bus.conf"));
    if (!config.open(QIODevice::WriteOnly) || config.write(QString::fromLatin1(kBusConfig).arg(folder).toUtf8()) < 0)
        return fail(QStringLiteral("cannot write the bus configuration"), m_bus);
    config.close();

    m_bus.start(QStringLiteral("dbus-daemon"), {QStringLiteral("--config-file=") + config.fileName(),
                                                QStringLiteral("--nofork"), QStringLiteral("--print-address=1")});
    if (!m_bus.waitForStarted(kStartMs))
        return fail(QStringLiteral("dbus-daemon did not start:"), m_bus);
    const QDeadlineTimer deadline(kStartMs);
    while (!m_bus.canReadLine() && m_bus.waitForReadyRead(int(deadline.remainingTime()))) {
    }
    const QByteArray address = m_bus.readLine().trimmed();
    if (address.isEmpty())
        return fail(QStringLiteral("dbus-daemon gave no address:"), m_bus);

    // The keyring keeps its files and sockets in the temporary folder, never in the user's own.
    QDir(folder).mkdir(QStringLiteral("run"));
    QFile::setPermissions(folder + QStringLiteral("/run"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), QString::fromLatin1(address));
    environment.insert(QStringLiteral("HOME"), folder);
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), folder + QStringLiteral("/run"));
    environment.insert(QStringLiteral("XDG_DATA_HOME"), folder + QStringLiteral("/data"));
    m_keyring.setProcessEnvironment(environment);
    m_keyring.start(QStringLiteral("gnome-keyring-daemon"), {QStringLiteral("--foreground"), QStringLiteral("--unlock"),
                                                             QStringLiteral("--components=secrets")});
    if (!m_keyring.waitForStarted(kStartMs))
        return fail(QStringLiteral("gnome-keyring-daemon did not start:"), m_keyring);
    // The login keyring's password, an empty line.
    m_keyring.write("\n");
    m_keyring.closeWriteChannel();

    qputenv("DBUS_SESSION_BUS_ADDRESS", address);
    QString error;
    std::optional<QString> password;
    while (!lookupKeyringPassword(QString(), QString(), &password, &error)) {
        // A pause that also notices the keyring ending.
        if (deadline.hasExpired() || m_keyring.waitForFinished(50))
            return fail(QStringLiteral("the keyring does not answer: ") + error, m_keyring);
    }
    return true;
}

} // namespace lumaport::test
