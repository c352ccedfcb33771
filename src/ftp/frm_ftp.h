// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/form.h"

class QLabel;
class QLineEdit;
class QPushButton;

namespace lumaport {

class DriveList;
class FileList;
class FolderList;
class Forms;

/// "FTP": logs on to the user's server, walks its folders, sends and receives files, and builds the
/// published file's web address.
class frmftp : public Form
{
    Q_OBJECT
public:
    explicit frmftp(Forms& forms);

    QLineEdit* txtname;
    QLineEdit* txtsaveftp;
    DriveList* drvLocalDrive;
    FolderList* dirLocalDir;
    FileList* filLocalFile;
    QPushButton* cmdsend;
    QLabel* Label2;
    QLineEdit* Text1;
    QLabel* Label3;
    QLineEdit* Text2;
    QPushButton* Command6;

private:
    void drvLocalDrive_Change();
    void dirLocalDir_Change();

    Forms& m_forms;
};

} // namespace lumaport
