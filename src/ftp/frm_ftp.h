// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/form.h"

#include <memory>

class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace lumaport {

class DriveList;
class FileList;
class FolderList;
class Forms;
class InternetTransfer;
class PictureBox;
class Shape;
class Timer;

/// "FTP": logs on to the user's server, walks its folders, sends and receives files, and builds the
/// published file's web address.
class frmftp : public Form
{
    Q_OBJECT
public:
    explicit frmftp(Forms& forms);
    ~frmftp() override;

    void Form_Load() override;
    void Form_Unload(bool& cancel) override;

    // Written by the main window and the save-picture window.
    QLineEdit* Text3;
    QLineEdit* txtname;
    QLineEdit* txtServer;
    QLineEdit* txtUserName;
    QLineEdit* txtPassword;
    QLineEdit* txtsaveftp;
    DriveList* drvLocalDrive;
    FolderList* dirLocalDir;
    FileList* filLocalFile;
    QPushButton* cmdsend;
    QLineEdit* txturl1;
    QLineEdit* txturl2;
    QLabel* Label2;
    QLineEdit* Text1;
    QLabel* Label3;
    QLineEdit* Text2;
    QPushButton* Command6;
    QLineEdit* txtpermurl;

private:
    void buildLoginOptions();
    void buildRemoteFiles();
    void buildLocalFiles();
    void buildLinkBuilder();

    void setStatus(const QString& status);
    /// The controls that work only while logged on, all but the four that each reset path treats apart.
    void enableConnectionControls(bool enabled);
    void showLoggedOn();
    void showLogOnFailed();
    /// The remote list's selected entry; empty when none is selected.
    QString selectedEntry() const;

    // Reachable through the meta-object so tests can drive the guard and the re-list step the way the
    // remote commands do.
    Q_INVOKABLE bool FtpReady(bool ShowMessage);
    Q_INVOKABLE void WaitAndRelist();

    void cmdLogOn_Click();
    void cmdLogOff_Click();
    void ITC_StateChanged(int State);
    void readReply();
    void Timer1_Timer();
    void Timer2_Timer();

    void drvLocalDrive_Change();
    void dirLocalDir_Change();

    Forms& m_forms;
    QGroupBox* fraLoginInfo;
    QPushButton* Command8;
    QPushButton* Command7;
    QPushButton* cmdsave;
    QPushButton* cmdopen;
    QLabel* lblserver1;
    QLabel* Label1;
    Shape* Shape1;
    QLabel* lblServer;
    QLabel* lblUserName;
    QPushButton* cmdLogOn;
    QLabel* lblPassword;
    QPushButton* cmdLogOff;

    QGroupBox* fraRemoteFiles;
    QListWidget* lstRemoteFile;
    QLabel* Label4;
    QPushButton* Command11;
    QPushButton* Command10;
    QPushButton* Command9;
    QPushButton* cmdUpFolder;
    QPushButton* cmdDelete;
    QPushButton* cmdSize;
    QPushButton* cmdRename;
    QPushButton* cmdNewFolder;

    QGroupBox* fraLocalFiles;

    QGroupBox* fraControls;
    PictureBox* imgSendFile;
    QLabel* lblSendFile;
    PictureBox* imgReceiveFile;
    QLabel* lblReceiveFile;

    QPushButton* cmdURL;
    QPushButton* Command3;
    QPushButton* Command4;
    QLineEdit* txtURL;
    QPushButton* Command5;
    QPushButton* Command2;
    QPushButton* Command1;
    QGroupBox* fraStatus;
    QLabel* lblStatus;
    QLineEdit* Text4;
    QLineEdit* txtserverurl;
    QLineEdit* txtfolder;
    QLineEdit* txtfile;
    QLineEdit* Text78;
    Timer* Timer1;
    Timer* Timer2;
    /// Null only in tests of the other windows, which never go online but may open and close this one.
    std::unique_ptr<InternetTransfer> ITC;
    bool SizeRequest = false;
    /// Set when a request's reply arrived in full: log on tells success from failure by it.
    bool m_replyCompleted = false;
};

} // namespace lumaport
