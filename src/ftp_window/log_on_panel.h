// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QGroupBox>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace lumaport {

class PublishingSession;

inline const QString kUrlHint = QStringLiteral("Enter the Name of the server (Used in the URL) ");
class Services;
class Shape;

/// "Login Options", the FTP window's log-on panel: the web address, the server, user name and password (the
/// session's), where the password is kept, the server profiles, and "Log On" and "Log Off", which the window
/// handles.
class LogOnPanel : public QGroupBox
{
    Q_OBJECT
public:
    LogOnPanel(QWidget* window, Services& services, PublishingSession& session);

    /// Log Off is on exactly while the window shows the connection logged on.
    bool loggedOn() const;
    void enableLogOn(bool enabled);
    void enableLogOff(bool enabled);

Q_SIGNALS:
    void logOnClicked();
    void logOffClicked();
    /// A line for the status line; system: it speaks of the program, not the server.
    void said(const QString& text, bool system);

private:
    void buildKeyringChoice();
    void showPasswordStore();
    void chkKeyring_Toggled(bool on);
    void LoadServerInfo(const QString& Path);
    void cmdopen_Click();
    void cmdsave_Click();
    void Command7_Click();
    void Command8_Click();

    Services& m_services;
    PublishingSession& m_session;
    QPushButton* Command8;
    QPushButton* Command7;
    QPushButton* cmdsave;
    QPushButton* cmdopen;
    QLabel* lblserver1;
    QLineEdit* Text3;
    QLabel* Label1;
    QLineEdit* txtname;
    Shape* Shape1;
    QLabel* lblServer;
    QLineEdit* txtServer;
    QLabel* lblUserName;
    QLineEdit* txtUserName;
    QPushButton* cmdLogOn;
    QLabel* lblPassword;
    QLineEdit* txtPassword;
    QPushButton* cmdLogOff;
    QCheckBox* chkKeyring;
    QLabel* lblPasswordStore;
};

} // namespace lumaport
