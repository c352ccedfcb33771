// SPDX-License-Identifier: GPL-3.0-or-later
// A keyring of the tests' own: a private session bus (dbus-daemon) with gnome-keyring-daemon on it, its login
// keyring opened with an empty password, all in a temporary folder. The test process talks to that bus from start().
#pragma once

#include <QProcess>
#include <QString>
#include <QTemporaryDir>

namespace lumaport::test {

class KeyringSession
{
public:
    KeyringSession() = default;
    /// Ends both daemons by process id.
    ~KeyringSession();
    KeyringSession(const KeyringSession&) = delete;
    KeyringSession& operator=(const KeyringSession&) = delete;

    /// Starts the bus and the keyring, points DBUS_SESSION_BUS_ADDRESS at the bus and waits until the keyring
    /// answers. On failure errorString() says why.
    bool start();
    QString errorString() const { return m_error; }
    /// Ends the keyring, leaving the bus: from now on nothing answers for it.
    void stopKeyring();

private:
    bool fail(const QString& what, QProcess& process);

    QTemporaryDir m_folder;
    QProcess m_bus;
    QProcess m_keyring;
    QString m_error;
};

} // namespace lumaport::test
