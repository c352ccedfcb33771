// SPDX-License-Identifier: GPL-3.0-or-later
#include "ftp/frm_ftp.h"

#include "platform/drive_list.h"
#include "platform/file_list.h"
#include "platform/folder_list.h"
#include "platform/services.h"
#include "startup/forms.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace lumaport {

frmftp::frmftp(Forms& forms) : Form(QStringLiteral("frmftp"), QStringLiteral("FTP"), 9750, 7170), m_forms(forms)
{
    setStartCentered();
    setBackColor(this, QColor(185, 199, 204));

    QGroupBox* fraLoginInfo = addFrame(this, "fraLoginInfo", QStringLiteral("Login Options"), {240, 240, 4170, 4020});
    txtname = addTextBox(fraLoginInfo, "txtname", {240, 1680, 3735, 195});

    QGroupBox* fraLocalFiles = addFrame(this, "fraLocalFiles", QStringLiteral("Local File"), {240, 4320, 8040, 735});
    txtsaveftp = addTextBox(fraLocalFiles, "txtsaveftp", {120, 360, 7815, 285});
    drvLocalDrive = addControl<DriveList>(fraLocalFiles, "drvLocalDrive", {360, 4800, 1800, 315});
    drvLocalDrive->setToolTip(QStringLiteral("Local Drive List"));
    dirLocalDir = addControl<FolderList>(fraLocalFiles, "dirLocalDir", {360, 5160, 1815, 540});
    dirLocalDir->setToolTip(QStringLiteral("Local Directory"));
    filLocalFile = addControl<FileList>(fraLocalFiles, "filLocalFile", {2160, 4800, 2895, 870});
    filLocalFile->setToolTip(QStringLiteral("Local Files"));

    QGroupBox* fraControls = addFrame(this, "fraControls", QString(), {8280, 4320, 1335, 735});
    cmdsend = addButton(fraControls, "cmdsend", QStringLiteral("Send"), {120, 240, 1095, 375});

    Label2 = addLabel(this, "Label2", QStringLiteral("UBB Tags"), {6120, 5160, 975, 255});
    Text1 = addTextBox(this, "Text1", {6120, 5400, 975, 285});
    Text1->setToolTip(QStringLiteral("Enter your tag here"));
    setBuddy(Label2, Text1);
    Label3 = addLabel(this, "Label3", QStringLiteral("URL Text"), {7200, 5160, 2415, 255});
    Text2 = addTextBox(this, "Text2", {7200, 5400, 2415, 285});
    setBuddy(Label3, Text2);
    Command6 = addButton(this, "Command6", QStringLiteral("Select Another Picture"), {7200, 6600, 2415, 375});

    connect(drvLocalDrive, &DriveList::changed, this, &frmftp::drvLocalDrive_Change);
    connect(dirLocalDir, &FolderList::changed, this, &frmftp::dirLocalDir_Change);
}

void frmftp::drvLocalDrive_Change()
{
    if (!dirLocalDir->setPath(drvLocalDrive->drive()))
        m_forms.services().messageBox(QStringLiteral("Error accessing selected drive."), QStringLiteral("Error"),
                                      MsgIcon::Critical);
}

void frmftp::dirLocalDir_Change()
{
    filLocalFile->setPath(dirLocalDir->path());
}

} // namespace lumaport
