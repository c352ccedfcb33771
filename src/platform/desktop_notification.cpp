// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/desktop_notification.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QVariantMap>

namespace lumaport {

using namespace Qt::StringLiterals;

namespace {

const QString kService = u"org.freedesktop.Notifications"_s;
const QString kPath = u"/org/freedesktop/Notifications"_s;
// One button: some servers show "default" as a button of its own beside it, others take it from a click on the
// notification, which then does what the button does.
const QStringList kActionKeys{u"history"_s, u"default"_s};
// A notification server answers at once; a bus that hangs must not hold up the command that notifies.
constexpr int kAnswerMs = 3000;

} // namespace

DesktopNotification::DesktopNotification(QObject* parent) : QObject(parent) {}

bool DesktopNotification::notify(const QString& title, const QString& body, const QString& action)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return false;
    if (!m_listening) {
        bus.connect(kService, kPath, kService, u"ActionInvoked"_s, this, SLOT(onActionInvoked(uint, QString)));
        bus.connect(kService, kPath, kService, u"NotificationClosed"_s, this, SLOT(onClosed(uint, uint)));
        m_listening = true;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, kService, u"Notify"_s);
    const QStringList actions = action.isEmpty() ? QStringList() : QStringList{kActionKeys[0], action};
    const QVariantMap hints{{u"desktop-entry"_s, u"org.lumaport.Lumaport"_s}};
    call << u"Lumaport"_s << m_id << u"org.lumaport.Lumaport"_s << title << body << actions << hints << -1;
    const QDBusMessage answer = bus.call(call, QDBus::Block, kAnswerMs);
    if (answer.type() != QDBusMessage::ReplyMessage || answer.arguments().isEmpty())
        return false;
    m_id = answer.arguments().constFirst().toUInt();
    return true;
}

void DesktopNotification::onActionInvoked(uint id, const QString& key)
{
    if (id == m_id && kActionKeys.contains(key))
        Q_EMIT actionInvoked();
}

void DesktopNotification::onClosed(uint id, uint /*reason*/)
{
    if (id == m_id)
        Q_EMIT closed();
}

} // namespace lumaport
