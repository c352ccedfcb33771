// SPDX-License-Identifier: GPL-3.0-or-later
// Passwords in a real keyring (gnome-keyring-daemon on a private session bus), and what happens without one.
#include "platform/password_keyring.h"
#include "support/keyring_session.h"

#include <QTemporaryDir>
#include <QTest>

using namespace lumaport;

class TestPasswordKeyring : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // First, while the process has never reached a bus: the library keeps the one it reached.
    void withoutBusEveryCallFails()
    {
        const QTemporaryDir emptyRuntime;
        qunsetenv("DBUS_SESSION_BUS_ADDRESS");
        qunsetenv("DISPLAY");
        qputenv("XDG_RUNTIME_DIR", emptyRuntime.path().toUtf8());
        QString error;
        QVERIFY(!storeKeyringPassword(QStringLiteral("ftp.example.com"), QStringLiteral("ann"), QStringLiteral("pw"),
                                      &error));
        QVERIFY(error.startsWith(QStringLiteral("No keyring answers")));
        std::optional<QString> password = QStringLiteral("stale");
        error.clear();
        QVERIFY(!lookupKeyringPassword(QStringLiteral("ftp.example.com"), QStringLiteral("ann"), &password, &error));
        QVERIFY(error.startsWith(QStringLiteral("No keyring answers")));
    }

    void storesAndFindsPerServerAndUser()
    {
        test::KeyringSession keyring;
        QVERIFY2(keyring.start(), qPrintable(keyring.errorString()));
        const QString server = QStringLiteral("sftp://ftp.example.com:2222");
        QString error;
        QVERIFY2(storeKeyringPassword(server, QStringLiteral("ann"), QStringLiteral("first"), &error),
                 qPrintable(error));
        // A second store replaces the first; a password beyond Latin-1 comes back as it went.
        const QString password = QStringLiteral("p\u00e4ss w\u20acrd \U0001F511");
        QVERIFY2(storeKeyringPassword(server, QStringLiteral("ann"), password, &error), qPrintable(error));

        struct Case
        {
            QString server;
            QString user;
            std::optional<QString> expected;
        };
        const Case cases[] = {{server, QStringLiteral("ann"), password},
                              {server, QStringLiteral("bob"), std::nullopt},
                              {QStringLiteral("ftp.example.com"), QStringLiteral("ann"), std::nullopt},
                              {server, QString(), std::nullopt}};
        for (const Case& c : cases) {
            std::optional<QString> found = QStringLiteral("stale");
            QVERIFY2(lookupKeyringPassword(c.server, c.user, &found, &error), qPrintable(error));
            QCOMPARE(found, c.expected);
        }
    }
};

QTEST_GUILESS_MAIN(TestPasswordKeyring)
#include "tst_password_keyring.moc"
