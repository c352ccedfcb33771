// SPDX-License-Identifier: GPL-3.0-or-later
// The choice beside the password box to keep log-on passwords in the desktop's keyring, and where the password is
// kept now.
#include "ftp_window/frm_ftp.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>

namespace lumaport {

using namespace Qt::StringLiterals;

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
    chkKeyring->setChecked(m_session.passwordsInKeyring());
    showPasswordStore();
    connect(chkKeyring, &QCheckBox::toggled, this, &frmftp::chkKeyring_Toggled);
}

void frmftp::showPasswordStore()
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

void frmftp::chkKeyring_Toggled(bool on)
{
    if (m_session.choosePasswordsInKeyring(on))
        return;
    const QSignalBlocker quiet(chkKeyring);
    chkKeyring->setChecked(!on);
    showPasswordStore();
}

} // namespace lumaport
