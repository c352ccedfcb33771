// SPDX-License-Identifier: GPL-3.0-or-later
// Log-on passwords kept in the desktop's keyring instead of in plain text in the settings file and the fixed
// profile, when the user chooses so beside the password box. The files then keep an empty password line; a file
// read with one gets its password from the keyring. Where no keyring answers, the files keep the passwords as
// before, so none is ever lost on the way.
#include "ftp_window/frm_ftp.h"

#include "main_window/frm_load.h"
#include "platform/directory_settings.h"
#include "platform/options_file.h"
#include "platform/password_keyring.h"
#include "platform/services.h"
#include "platform/settings_text.h"
#include "publish/server_profile.h"
#include "startup/forms.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>

namespace lumaport {

using namespace Qt::StringLiterals;

namespace {

const QString kKeyringKey = u"Passwords/InKeyring"_s;
const QString kKeyringCaption = u"Keep passwords in the keyring"_s;

// A file that keeps a password, and where: the user name follows the server, the password the user name.
struct PasswordFile
{
    QString path;
    int lines = 0;
    int serverLine = 0;
};

} // namespace

void frmftp::buildKeyringChoice()
{
    // In the log-on box, on the label rows over the password box, in the labels' font.
    lblPasswordStore = addLabel(fraLoginInfo, "lblPasswordStore", QString(), {1020, 3240, 1425, 195});
    lblPasswordStore->setFont(lblPassword->font());
    lblPasswordStore->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    lblPasswordStore->setAccessibleName(u"Password kept"_s);
    chkKeyring = addControl<QCheckBox>(fraLoginInfo, "chkKeyring", {1140, 2640, 2865, 240});
    chkKeyring->setFont(lblPassword->font());
    chkKeyring->setText(kKeyringCaption);
    chkKeyring->setAccessibleName(kKeyringCaption);
    chkKeyring->setToolTip(u"Keep log-on passwords in the desktop's keyring, not in the settings files"_s);
    // Reached by tabbing right after the password, not after every other control.
    setTabOrder(txtPassword, chkKeyring);
    const QVariantMap options = readOptions(programOptionsPath(m_forms.services().programFolder()));
    chkKeyring->setChecked(options.value(kKeyringKey, false).toBool());
    showPasswordStore();
    connect(chkKeyring, &QCheckBox::toggled, this, &frmftp::chkKeyring_Toggled);
}

void frmftp::showPasswordStore()
{
    const bool inKeyring = chkKeyring->isChecked() && m_keyringError.isEmpty();
    lblPasswordStore->setText(inKeyring ? u"in the keyring"_s : u"in the file"_s);
    if (!m_keyringError.isEmpty())
        lblPasswordStore->setToolTip(m_keyringError);
    else
        lblPasswordStore->setToolTip(inKeyring ? u"Saving keeps the password in the desktop's keyring"_s
                                               : u"Saving keeps the password in the file, in plain text"_s);
}

void frmftp::keyringAnswered(bool answered, const QString& error)
{
    m_keyringError = answered ? QString() : error;
    showPasswordStore();
    if (answered || m_keyringWarned)
        return;
    m_keyringWarned = true;
    m_forms.services().messageBox(error + u"\nUntil it answers, the passwords are kept in the files."_s,
                                  kKeyringCaption, MsgIcon::Exclamation);
}

QString frmftp::passwordLine()
{
    const QString password = txtPassword->text();
    if (!chkKeyring->isChecked() || password.isEmpty())
        return password;
    QString error;
    const bool stored = storeKeyringPassword(txtServer->text(), txtUserName->text(), password, &error);
    keyringAnswered(stored, error);
    return stored ? QString() : password;
}

void frmftp::fillPasswordFromKeyring()
{
    if (!chkKeyring->isChecked())
        return;
    std::optional<QString> password;
    QString error;
    const bool answered = lookupKeyringPassword(txtServer->text(), txtUserName->text(), &password, &error);
    keyringAnswered(answered, error);
    if (password)
        txtPassword->setText(*password);
}

void frmftp::chkKeyring_Toggled(bool on)
{
    // Asked for now: a failure is told even when one was told before.
    m_keyringWarned = false;
    if (!movePasswords(on)) {
        const QSignalBlocker quiet(chkKeyring);
        chkKeyring->setChecked(!on);
        showPasswordStore();
        return;
    }
    QString error;
    if (!writeOptions(programOptionsPath(m_forms.services().programFolder()), {{kKeyringKey, on}}, &error))
        m_forms.services().messageBox(error, QString(), MsgIcon::Exclamation);
    showPasswordStore();
}

bool frmftp::movePasswords(bool intoKeyring)
{
    const QString profile = defaultProfilePath(m_forms.services().programFolder());
    const PasswordFile files[] = {
        {m_forms.frmload().Text78->text(), kDirectorySettingsLines, int(DirectoryLine::Server)},
        {profile, kServerProfileLines, 0}};
    // Each file whose password line is to move: filled ones into the keyring, empty ones back out of it.
    std::vector<std::pair<PasswordFile, QStringList>> moving;
    for (const PasswordFile& file : files) {
        QStringList lines;
        QString error;
        if (readSettingsLines(file.path, file.lines, &lines, &error) && lines.size() > file.serverLine + 2 &&
            lines[file.serverLine + 2].isEmpty() != intoKeyring)
            moving.emplace_back(file, lines);
    }
    if (moving.empty())
        return true;
    if (intoKeyring &&
        m_forms.services().messageBox(u"Move the passwords kept in ooo.lbr and oof.lbr into the "
                                      u"keyring? The files then keep an empty password line."_s,
                                      kKeyringCaption, MsgIcon::Question, MsgButtons::YesNo) != MsgAnswer::Yes)
        return false;
    for (auto& [file, lines] : moving) {
        const QString server = lines[file.serverLine];
        const QString user = lines[file.serverLine + 1];
        QString& password = lines[file.serverLine + 2];
        QString error;
        std::optional<QString> kept;
        const bool answered = intoKeyring ? storeKeyringPassword(server, user, password, &error)
                                          : lookupKeyringPassword(server, user, &kept, &error);
        keyringAnswered(answered, error);
        if (!answered)
            return false;
        if (!intoKeyring && !kept)
            continue;
        // The keyring holds the password by now, so a file left as it was loses nothing.
        password = intoKeyring ? QString() : *kept;
        if (!writeSettingsLines(file.path, lines, &error)) {
            m_forms.services().messageBox(error, QString(), MsgIcon::Exclamation);
            return false;
        }
    }
    return true;
}

} // namespace lumaport
