// SPDX-License-Identifier: GPL-3.0-or-later
// A notification on a private session bus, shown by a notification server of the test's own on it.
#include "platform/desktop_notification.h"
#include "support/keyring_session.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QSignalSpy>
#include <QTest>

using namespace lumaport;
using namespace lumaport::test;
using namespace Qt::StringLiterals;

class NotificationServer : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
public:
    QStringList shown;
    QStringList actions;

    void send(const QString& signal, const QVariantList& arguments)
    {
        QDBusMessage message =
            QDBusMessage::createSignal(u"/org/freedesktop/Notifications"_s, u"org.freedesktop.Notifications"_s, signal);
        message.setArguments(arguments);
        QDBusConnection::sessionBus().send(message);
    }

public Q_SLOTS:
    uint Notify(const QString&, uint, const QString&, const QString& summary, const QString& body,
                const QStringList& actionList, const QVariantMap&, int)
    {
        shown.append(summary + u": "_s + body);
        actions = actionList;
        return 7;
    }
};

class TestDesktopNotification : public QObject
{
    Q_OBJECT
    KeyringSession m_session;

private Q_SLOTS:
    void shownWhereAServerIsAndItsButtonReported()
    {
        QVERIFY2(m_session.start(), qPrintable(m_session.errorString()));
        DesktopNotification notification;
        QVERIFY(!notification.notify(u"Published: 3 links copied"_s, {}));

        NotificationServer server;
        QDBusConnection bus = QDBusConnection::sessionBus();
        QVERIFY(bus.registerObject(u"/org/freedesktop/Notifications"_s, &server, QDBusConnection::ExportAllSlots));
        QVERIFY(bus.registerService(u"org.freedesktop.Notifications"_s));
        QVERIFY(notification.notify(u"Published: 3 links copied"_s, u"a.png"_s));
        QCOMPARE(server.shown, QStringList{u"Published: 3 links copied: a.png"_s});
        QVERIFY(server.actions.contains(u"Open history"_s));

        QSignalSpy invoked(&notification, &DesktopNotification::actionInvoked);
        QSignalSpy closed(&notification, &DesktopNotification::closed);
        server.send(u"ActionInvoked"_s, {6u, u"history"_s});
        server.send(u"ActionInvoked"_s, {7u, u"history"_s});
        server.send(u"NotificationClosed"_s, {7u, 2u});
        QTRY_COMPARE(closed.size(), 1);
        QCOMPARE(invoked.size(), 1);
    }
};

QTEST_MAIN(TestDesktopNotification)
#include "tst_desktop_notification.moc"
