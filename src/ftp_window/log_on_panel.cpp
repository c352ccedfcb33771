// SPDX-License-Identifier: GPL-3.0-or-later
// Log-on passwords may be kept in the desktop's keyring instead of in plain text in the settings file and the fixed
// profile; the choice sits beside the password box, with where the password is kept now.
#include "ftp_window/log_on_panel.h"

#include "ftp_window/session_binding.h"
#include "platform/services.h"
#include "platform/settings_text.h"
#include "widgets/form.h"
#include "widgets/shape.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace lumaport {

using namespace Qt::StringLiterals;

namespace {

const QColor kDarkRed(192, 0, 0);
const QColor kPaleGreen(192, 255, 192);
const QColor kPaleRed(255, 192, 192);

const QString kProfileFilter = u"Settings(*.lbx)|*.lbx"_s;

} // namespace

LogOnPanel::LogOnPanel(QWidget* window, Services& services, PublishingSession& session)
    : QGroupBox(window), m_services(services), m_session(session)
{
    setObjectName(u"fraLoginInfo"_s);
    setTitle(u"Login Options"_s);
    place(this, {240, 240, 4170, 4020});
    Command8 = addButton(this, "Command8", u"Clear"_s, {240, 360, 855, 255});
    Command7 = addButton(this, "Command7", u"Load"_s, {1200, 360, 855, 255});
    cmdsave = addButton(this, "cmdsave", u"Save"_s, {2160, 360, 855, 255});
    cmdopen = addButton(this, "cmdopen", u"Open"_s, {3120, 360, 855, 255});
    lblserver1 = addFittedLabel(this, "lblserver1", u"Permanente URL"_s, {240, 840, 2775, 255});
    // Belongs to the window, not the frame, yet sits in the frame under its label.
    Text3 = addTextBox(window, "Text3", {480, 1320, 3735, 285});
    Text3->setToolTip(kUrlHint);
    setBuddy(lblserver1, Text3);
    Label1 = addFittedLabel(this, "Label1", u"URL Name"_s, {240, 1440, 1095, 255});
    txtname = addTextBox(this, "txtname", {240, 1680, 3735, 195});
    txtname->setToolTip(u"current displayed URL"_s);
    txtname->setFocusPolicy(Qt::ClickFocus);
    // Too low for a frame around the text; on the window colour it reads as the address shown.
    txtname->setFrame(false);
    setForeColor(txtname, kDarkRed);
    QPalette palette = txtname->palette();
    palette.setColor(QPalette::Base, kFormBackColor);
    txtname->setPalette(palette);
    setBuddy(Label1, txtname);

    Shape1 = addControl<Shape>(this, "Shape1", {120, 1920, 3975, 1935});
    lblServer = addFittedLabel(this, "lblServer", u"Server:"_s, {240, 2040, 510, 195});
    txtServer = addTextBox(this, "txtServer", {240, 2280, 3765, 285});
    txtServer->setToolTip(u"FTP Server Name\n"
                          u"host, ftp://, ftpes://, ftps:// or sftp://host[:port]\n"
                          u"s3://host[:port]/bucket/folder/ (s3+http:// without TLS), the access key "
                          u"as user name and the secret key as password; another region than the "
                          u"host names: ?region=eu-west-3 at the end\n"
                          u"davs://host[:port]/folder/ (dav:// without TLS)"_s);
    setBuddy(lblServer, txtServer);
    lblUserName = addFittedLabel(this, "lblUserName", u"User Name:"_s, {240, 2640, 840, 195});
    txtUserName = addTextBox(this, "txtUserName", {240, 2880, 2205, 285});
    txtUserName->setToolTip(u"User Name"_s);
    setBuddy(lblUserName, txtUserName);
    cmdLogOn = addTipButton(this, "cmdLogOn", u"Log On"_s, {2640, 2880, 1320, 420}, u"Log On"_s);
    makeBold(cmdLogOn);
    setBackColor(cmdLogOn, kPaleGreen);
    lblPassword = addFittedLabel(this, "lblPassword", u"Password:"_s, {240, 3240, 735, 195});
    txtPassword = addTextBox(this, "txtPassword", {240, 3480, 2205, 285});
    txtPassword->setToolTip(u"Password"_s);
    txtPassword->setEchoMode(QLineEdit::Password);
    txtPassword->setStyleSheet(u"lineedit-password-character: 42"_s);
    setBuddy(lblPassword, txtPassword);
    cmdLogOff = addTipButton(this, "cmdLogOff", u"Log Off"_s, {2640, 3360, 1320, 420}, u"Log Off"_s);
    makeBold(cmdLogOff);
    setBackColor(cmdLogOff, kPaleRed);
    cmdLogOff->setEnabled(false);
    buildKeyringChoice();

    bindSessionTexts(session, {{txtServer, SessionText::Server},
                               {txtUserName, SessionText::UserName},
                               {txtPassword, SessionText::Password},
                               {txtname, SessionText::UrlName},
                               {Text3, SessionText::WebServer}});
    connect(cmdLogOn, &QPushButton::clicked, this, &LogOnPanel::logOnClicked);
    connect(cmdLogOff, &QPushButton::clicked, this, &LogOnPanel::logOffClicked);
    connect(cmdopen, &QPushButton::clicked, this, &LogOnPanel::cmdopen_Click);
    connect(cmdsave, &QPushButton::clicked, this, &LogOnPanel::cmdsave_Click);
    connect(Command7, &QPushButton::clicked, this, &LogOnPanel::Command7_Click);
    connect(Command8, &QPushButton::clicked, this, &LogOnPanel::Command8_Click);
    connect(&session, &PublishingSession::passwordStoreChanged, this, &LogOnPanel::showPasswordStore);
}

bool LogOnPanel::loggedOn() const
{
    return cmdLogOff->isEnabled();
}

void LogOnPanel::enableLogOn(bool enabled)
{
    cmdLogOn->setEnabled(enabled);
}

void LogOnPanel::enableLogOff(bool enabled)
{
    cmdLogOff->setEnabled(enabled);
}

void LogOnPanel::buildKeyringChoice()
{
    // On the label rows over the password box, in the labels' font.
    lblPasswordStore = addLabel(this, "lblPasswordStore", QString(), {1020, 3240, 1425, 195});
    lblPasswordStore->setFont(lblPassword->font());
    lblPasswordStore->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    lblPasswordStore->setAccessibleName(u"Password kept"_s);
    chkKeyring = addControl<QCheckBox>(this, "chkKeyring", {1140, 2640, 2865, 240});
    chkKeyring->setFont(lblPassword->font());
    chkKeyring->setText(kKeyringCaption);
    chkKeyring->setAccessibleName(kKeyringCaption);
    chkKeyring->setToolTip(u"Keep log-on passwords in the desktop's keyring, not in the settings files"_s);
    // Reached by tabbing right after the password, not after every other control.
    setTabOrder(txtPassword, chkKeyring);
    chkKeyring->setChecked(m_session.passwordsInKeyring());
    showPasswordStore();
    connect(chkKeyring, &QCheckBox::toggled, this, &LogOnPanel::chkKeyring_Toggled);
}

void LogOnPanel::showPasswordStore()
{
    const QString error = m_session.keyringError();
    const bool inKeyring = chkKeyring->isChecked() && error.isEmpty();
    lblPasswordStore->setText(inKeyring ? u"in the keyring"_s : u"in the file"_s);
    if (!error.isEmpty())
        lblPasswordStore->setToolTip(error);
    else
        lblPasswordStore->setToolTip(inKeyring ? u"Saving keeps the password in the desktop's keyring"_s
                                               : u"Saving keeps the password in the file, in plain text"_s);
}

void LogOnPanel::chkKeyring_Toggled(bool on)
{
    if (m_session.choosePasswordsInKeyring(on))
        return;
    const QSignalBlocker quiet(chkKeyring);
    chkKeyring->setChecked(!on);
    showPasswordStore();
}

void LogOnPanel::LoadServerInfo(const QString& Path)
{
    if (m_session.loadProfile(Path))
        Q_EMIT said(u"Server Info Loaded"_s, false);
}

void LogOnPanel::cmdopen_Click()
{
    // A cancelled dialog gives no name, which loads nothing.
    LoadServerInfo(m_services.openFileDialog(kProfileFilter, settingsFolder(m_services.programFolder())));
}

void LogOnPanel::cmdsave_Click()
{
    const QString path = m_services.saveFileDialog(kProfileFilter, settingsFolder(m_services.programFolder()));
    m_session.setText(SessionText::ProfilePath, path);
    if (path.isEmpty()) {
        m_services.messageBox(u"Please select a file first."_s);
        return;
    }
    if (m_session.saveProfile(path))
        Q_EMIT said(u"Server Information Saved"_s, true);
}

void LogOnPanel::Command7_Click()
{
    const QString path = defaultProfilePath(m_services.programFolder());
    m_session.setText(SessionText::ProfilePath, path);
    // The settings file is read again first: it holds the same server fields, and the profile the user asked
    // for is what must show.
    m_session.readProgramSettings();
    LoadServerInfo(path);
}

void LogOnPanel::Command8_Click()
{
    m_session.clearServer();
}

} // namespace lumaport
