// SPDX-License-Identifier: GPL-3.0-or-later
// The FTP window's own controls and where they sit. The picture choices, the keyring choice, the progress bar,
// the link check's line and "Published..." are built with their handlers, in the files named after them.
#include "ftp_window/frm_ftp.h"
#include "ftp_window/local_file_panel.h"
#include "startup/forms.h"

#include "widgets/address_box.h"
#include "widgets/picture_box.h"
#include "widgets/shape.h"
#include "widgets/wrapping_button.h"

#include <algorithm>

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>

#include <algorithm>

namespace lumaport {

namespace {

const QColor kDarkRed(192, 0, 0);
const QColor kPaleGreen(192, 255, 192);
const QColor kPaleRed(255, 192, 192);

const QString kUrlHint = QStringLiteral("Enter the Name of the server (Used in the URL) ");

} // namespace

void frmftp::buildLoginOptions()
{
    fraLoginInfo = addFrame(this, "fraLoginInfo", QStringLiteral("Login Options"), {240, 240, 4170, 4020});
    Command8 = addButton(fraLoginInfo, "Command8", QStringLiteral("Clear"), {240, 360, 855, 255});
    Command7 = addButton(fraLoginInfo, "Command7", QStringLiteral("Load"), {1200, 360, 855, 255});
    cmdsave = addButton(fraLoginInfo, "cmdsave", QStringLiteral("Save"), {2160, 360, 855, 255});
    cmdopen = addButton(fraLoginInfo, "cmdopen", QStringLiteral("Open"), {3120, 360, 855, 255});
    lblserver1 = addFittedLabel(fraLoginInfo, "lblserver1", QStringLiteral("Permanente URL"), {240, 840, 2775, 255});
    // Belongs to the window, not the frame, yet sits in the frame under its label.
    Text3 = addTextBox(this, "Text3", {480, 1320, 3735, 285});
    Text3->setToolTip(kUrlHint);
    setBuddy(lblserver1, Text3);
    Label1 = addFittedLabel(fraLoginInfo, "Label1", QStringLiteral("URL Name"), {240, 1440, 1095, 255});
    txtname = addTextBox(fraLoginInfo, "txtname", {240, 1680, 3735, 195});
    txtname->setToolTip(QStringLiteral("current displayed URL"));
    txtname->setFocusPolicy(Qt::ClickFocus);
    // Too low for a frame around the text; on the window colour it reads as the address shown.
    txtname->setFrame(false);
    setForeColor(txtname, kDarkRed);
    QPalette palette = txtname->palette();
    palette.setColor(QPalette::Base, kFormBackColor);
    txtname->setPalette(palette);
    setBuddy(Label1, txtname);

    Shape1 = addControl<Shape>(fraLoginInfo, "Shape1", {120, 1920, 3975, 1935});
    lblServer = addFittedLabel(fraLoginInfo, "lblServer", QStringLiteral("Server:"), {240, 2040, 510, 195});
    txtServer = addTextBox(fraLoginInfo, "txtServer", {240, 2280, 3765, 285});
    txtServer->setToolTip(QStringLiteral("FTP Server Name\n"
                                         "host, ftp://, ftpes://, ftps:// or sftp://host[:port]\n"
                                         "s3://host[:port]/bucket/folder/ (s3+http:// without TLS), the access key "
                                         "as user name and the secret key as password; another region than the "
                                         "host names: ?region=eu-west-3 at the end\n"
                                         "davs://host[:port]/folder/ (dav:// without TLS)"));
    setBuddy(lblServer, txtServer);
    lblUserName = addFittedLabel(fraLoginInfo, "lblUserName", QStringLiteral("User Name:"), {240, 2640, 840, 195});
    txtUserName = addTextBox(fraLoginInfo, "txtUserName", {240, 2880, 2205, 285});
    txtUserName->setToolTip(QStringLiteral("User Name"));
    setBuddy(lblUserName, txtUserName);
    cmdLogOn = addTipButton(fraLoginInfo, "cmdLogOn", QStringLiteral("Log On"), {2640, 2880, 1320, 420},
                            QStringLiteral("Log On"));
    makeBold(cmdLogOn);
    setBackColor(cmdLogOn, kPaleGreen);
    lblPassword = addFittedLabel(fraLoginInfo, "lblPassword", QStringLiteral("Password:"), {240, 3240, 735, 195});
    txtPassword = addTextBox(fraLoginInfo, "txtPassword", {240, 3480, 2205, 285});
    txtPassword->setToolTip(QStringLiteral("Password"));
    txtPassword->setEchoMode(QLineEdit::Password);
    txtPassword->setStyleSheet(QStringLiteral("lineedit-password-character: 42"));
    setBuddy(lblPassword, txtPassword);
    cmdLogOff = addTipButton(fraLoginInfo, "cmdLogOff", QStringLiteral("Log Off"), {2640, 3360, 1320, 420},
                             QStringLiteral("Log Off"));
    makeBold(cmdLogOff);
    setBackColor(cmdLogOff, kPaleRed);
    cmdLogOff->setEnabled(false);
}

void frmftp::buildRemoteFiles()
{
    fraRemoteFiles = addFrame(this, "fraRemoteFiles", QStringLiteral("Remote Files"), {4440, 240, 5175, 4020});
    lstRemoteFile = addControl<QListWidget>(fraRemoteFiles, "lstRemoteFile", {90, 360, 4995, 2985});
    // Several entries at once build a block of their addresses.
    lstRemoteFile->setSelectionMode(QAbstractItemView::ExtendedSelection);
    lstRemoteFile->setAccessibleName(QStringLiteral("Remote Files"));
    // Folders of many thousands of entries: rows of one height are laid out without measuring each.
    lstRemoteFile->setUniformItemSizes(true);
    lstRemoteFile->setEnabled(false);
    Label4 = addLabel(fraRemoteFiles, "Label4", QString(), {120, 3380, 975, 200});
    Label4->setAlignment(Qt::AlignCenter);
    Command11 = addButton(fraRemoteFiles, "Command11", QStringLiteral("Preview"), {120, 3630, 1005, 300});
    Command10 =
        addWrappingButton(fraRemoteFiles, "Command10", QStringLiteral("Selected No Tags"), {1200, 3480, 975, 450});
    Command9 = addWrappingButton(fraRemoteFiles, "Command9", QStringLiteral("Use Selected with Tags"),
                                 {2160, 3480, 1215, 450});
    cmdUpFolder = addTipButton(fraRemoteFiles, "cmdUpFolder", QString(), {3480, 3600, 420, 330},
                               QStringLiteral("Move Up One Folder"));
    cmdDelete = addTipButton(fraRemoteFiles, "cmdDelete", QStringLiteral("Delete File"), {3960, 3600, 1140, 330},
                             QStringLiteral("Delete"));
    // These three lie beyond the frame's right edge: clipped away, reachable only by tabbing.
    cmdSize = addTipButton(fraRemoteFiles, "cmdSize", QStringLiteral("S"), {7200, 1200, 420, 320},
                           QStringLiteral("Get File Size"));
    cmdRename = addTipButton(fraRemoteFiles, "cmdRename", QStringLiteral("R"), {7200, 1560, 420, 320},
                             QStringLiteral("Rename File"));
    cmdNewFolder =
        addTipButton(fraRemoteFiles, "cmdNewFolder", QString(), {7200, 2400, 420, 330}, QStringLiteral("New Folder"));
    for (QPushButton* button : {cmdUpFolder, cmdDelete, cmdSize, cmdRename, cmdNewFolder})
        button->setEnabled(false);
    setPicture(cmdUpFolder, QStringLiteral(":/lumaport/up_folder.png"));
    setPicture(cmdDelete, QStringLiteral(":/lumaport/delete.png"));
    setPicture(cmdNewFolder, QStringLiteral(":/lumaport/new_folder.png"));
    cmdUpFolder->setAccessibleName(cmdUpFolder->toolTip());
    cmdNewFolder->setAccessibleName(cmdNewFolder->toolTip());
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

void frmftp::buildLinkBuilder()
{
    cmdURL = addButton(this, "cmdURL", QStringLiteral("Request URL"), {360, 5280, 1215, 375});
    txturl1 = addNamedTextBox(this, "txturl1", {1680, 5280, 855, 285}, QStringLiteral("Opening tag"));
    txturl1->setFocusPolicy(Qt::ClickFocus);
    Command3 = addButton(this, "Command3", QStringLiteral("URL with Tags"), {2640, 5280, 1335, 375});
    txturl2 = addNamedTextBox(this, "txturl2", {4080, 5280, 855, 255}, QStringLiteral("Closing tag"));
    txturl2->setFocusPolicy(Qt::ClickFocus);
    Command4 = addButton(this, "Command4", QStringLiteral("Save Tags"), {5040, 5280, 975, 375});
    Label2 = addFittedLabel(this, "Label2", QStringLiteral("UBB Tags"), {6120, 5160, 975, 255});
    Text1 = addTextBox(this, "Text1", {6120, 5400, 975, 285});
    Text1->setToolTip(QStringLiteral("Enter your tag here"));
    setBuddy(Label2, Text1);
    Label3 = addFittedLabel(this, "Label3", QStringLiteral("URL Text"), {7200, 5160, 2415, 255});
    Text2 = addTextBox(this, "Text2", {7200, 5400, 2415, 285});
    setBuddy(Label3, Text2);
    txtURL = addControl<AddressBox>(this, "txtURL", {240, 5880, 9375, 435});
    txtURL->setAccessibleName(QStringLiteral("Address"));
    m_addressBoxHeight = txtURL->height();
    connect(txtURL, &QPlainTextEdit::textChanged, this, &frmftp::fitAddressBox);
    Command5 = addButton(this, "Command5", QStringLiteral("Copy"), {240, 6600, 855, 375});
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

void frmftp::fitAddressBox()
{
    constexpr int kMostLines = 12;
    const int wanted = std::max(m_addressBoxHeight, txtURL->heightForText(kMostLines));
    const int grown = wanted - txtURL->height();
    if (grown == 0)
        return;
    const int below = txtURL->geometry().bottom();
    for (QWidget* control : findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (control->y() > below)
            control->move(control->x(), control->y() + grown);
    }
    txtURL->resize(txtURL->width(), wanted);
    setFixedSize(width(), height() + grown);
}

} // namespace lumaport
