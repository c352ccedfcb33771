// SPDX-License-Identifier: GPL-3.0-or-later
// A notification of the desktop (the org.freedesktop.Notifications service on the session bus), for what the
// program did while none of its windows was shown.
#pragma once

#include <QObject>
#include <QString>

namespace lumaport {

class DesktopNotification : public QObject
{
    Q_OBJECT
public:
    explicit DesktopNotification(QObject* parent = nullptr);

    /// Shows the title and body with a button of `action` ("Open history"; none when empty). False, saying
    /// nothing, when there is no session bus or nothing on it shows notifications. Another call replaces the one
    /// shown.
    bool notify(const QString& title, const QString& body, const QString& action = QStringLiteral("Open history"));

Q_SIGNALS:
    /// The user pressed the notification's button.
    void actionInvoked();
    /// The notification is gone (the button pressed, dismissed or timed out): nothing more will come of it.
    void closed();

private Q_SLOTS:
    void onActionInvoked(uint id, const QString& key);
    void onClosed(uint id, uint reason);

private:
    uint m_id = 0;
    bool m_listening = false;
};

} // namespace lumaport
