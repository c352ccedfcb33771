// SPDX-License-Identifier: GPL-3.0-or-later
// The FTP window's own controls and where they sit; its four panels place their own. The progress bar and
// "Published..." are built with their handlers, in the files named after them.
#include "ftp_window/frm_ftp.h"
#include "ftp_window/link_panel.h"
#include "ftp_window/local_file_panel.h"
#include "ftp_window/log_on_panel.h"
#include "ftp_window/remote_files_panel.h"
#include "startup/forms.h"
#include "transfer/ftp_server_address.h"

#include "widgets/picture_box.h"
#include "widgets/shape.h"
#include "widgets/wrapping_button.h"

#include <QAction>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

namespace lumaport {

void frmftp::buildLoginOptions()
{
    fraLoginInfo = new LogOnPanel(this, m_forms.services(), m_session);
}

void frmftp::buildRemoteFiles()
{
    fraRemoteFiles = new RemoteFilesPanel(this, m_forms.services());
    buildRemoteCommands();
}

void frmftp::buildLocalFiles()
{
    fraLocalFiles = new LocalFilePanel(this, m_forms.services(), m_session);
    connect(fraLocalFiles, &LocalFilePanel::choicesNotKept, this, &frmftp::setSystemStatus);
    fraControls = addFrame(this, "fraControls", QString(), {8280, 4320, 1335, 735});
    cmdsend = addButton(fraControls, "cmdsend", QStringLiteral("Send"), {120, 240, 1095, 375});
    imgSendFile = addControl<PictureBox>(fraControls, "imgSendFile", {3240, 270, 390, 345});
    imgSendFile->setPicture(QPixmap(QStringLiteral(":/lumaport/send_file.png")));
    imgSendFile->setToolTip(QStringLiteral("Send Selected File"));
    imgSendFile->setEnabled(false);
    lblSendFile = addFittedLabel(fraControls, "lblSendFile", QStringLiteral("Send File"), {3720, 360, 810, 195});
    imgReceiveFile = addControl<PictureBox>(fraControls, "imgReceiveFile", {4680, 270, 390, 345});
    imgReceiveFile->setPicture(QPixmap(QStringLiteral(":/lumaport/receive_file.png")));
    imgReceiveFile->setToolTip(QStringLiteral("Recieve Selected File"));
    imgReceiveFile->setEnabled(false);
    lblReceiveFile =
        addFittedLabel(fraControls, "lblReceiveFile", QStringLiteral("Receive File"), {5280, 360, 1080, 195});
}

void frmftp::buildPublicSendsBox()
{
    // Over "Send", in the frame's empty top edge: the menu entry is not found by one who never right-clicks.
    chkPublicSends = addCheckBox(fraControls, "chkPublicSends", QStringLiteral("Public"), {120, 15, 1095, 225},
                                 mnuPublicSends->text());
    QFont small = chkPublicSends->font();
    small.setPointSizeF(small.pointSizeF() * 0.85);
    chkPublicSends->setFont(small);
    chkPublicSends->setToolTip(mnuPublicSends->toolTip());
    chkPublicSends->setChecked(mnuPublicSends->isChecked());
    connect(chkPublicSends, &QCheckBox::toggled, mnuPublicSends, &QAction::setChecked);
    connect(mnuPublicSends, &QAction::toggled, chkPublicSends, &QCheckBox::setChecked);
    // Only a bucket has files that are not public of themselves.
    const auto showForBucket = [this] {
        FtpServerAddress address;
        QString ignored;
        chkPublicSends->setVisible(parseFtpServerAddress(m_session.text(SessionText::Server), &address, &ignored) &&
                                   address.isS3());
    };
    showForBucket();
    connect(&m_session, &PublishingSession::textChanged, this, [showForBucket](SessionText which) {
        if (which == SessionText::Server)
            showForBucket();
    });
}

void frmftp::buildLinkBuilder()
{
    m_links = new LinkPanel(this, m_forms.services(), m_session);
    connect(m_links, &LinkPanel::said, this, &frmftp::setSystemStatus);
    Command2 = addButton(this, "Command2", QStringLiteral("EXIT"), {1200, 6600, 735, 375});
    Command1 = addButton(this, "Command1", QStringLiteral("Back"), {2040, 6600, 855, 375});
    fraStatus = addFrame(this, "fraStatus", QStringLiteral("Status"), {3240, 6480, 3570, 540});
    lblStatus = addLabel(fraStatus, "lblStatus", kNotConnected, {120, 240, 3255, 240});
    lblStatus->setToolTip(QStringLiteral("Connection Status"));
    lblStatus->setAlignment(Qt::AlignCenter);
    makeBold(lblStatus);
    Command6 = addButton(this, "Command6", QStringLiteral("Select Another Picture"), {7200, 6600, 2415, 375});

    // Below the bottom edge: state the window keeps, never seen.
    Text4 = addNamedTextBox(this, "Text4", {2880, 7680, 255, 285}, QStringLiteral("Address ending"));
    txtpermurl = addNamedTextBox(this, "txtpermurl", {4080, 7560, 3735, 285}, QStringLiteral("Permanent address"));
    txtpermurl->setToolTip(kUrlHint + QStringLiteral("Include \"/\" at the end."));
    txtserverurl = addNamedTextBox(this, "txtserverurl", {1920, 8160, 1935, 285}, QStringLiteral("Folder address"));
    txtfolder = addNamedTextBox(this, "txtfolder", {3960, 8160, 2055, 285}, QStringLiteral("Remote folder"));
    txtfile = addNamedTextBox(this, "txtfile", {6120, 8160, 1455, 285}, QStringLiteral("Remote file"));
    Text78 = addNamedTextBox(this, "Text78", {1680, 8640, 5415, 285}, QStringLiteral("Server profile"));
    Text78->hide();
}

} // namespace lumaport
