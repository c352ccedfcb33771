// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/directory_settings.h"
#include "widgets/form.h"

#include <QPixmap>
#include <array>

class QAction;
class QDragEnterEvent;
class QDropEvent;
class QImage;
class QLabel;
class QLineEdit;
class QPushButton;

namespace lumaport {

class DriveList;
class FileList;
class FolderList;
class Forms;
class PictureBox;
struct FileKind;

/// "Load Picture": the hub. The user picks a file kind, walks drives and folders to a file, sees it
/// previewed, and goes on to the save-picture or FTP window.
class frmload : public Form
{
    Q_OBJECT
public:
    explicit frmload(Forms& forms);

    void Form_Load() override;
    void Form_Unload(bool& cancel) override;

    /// Chooses a file as the user would: its kind (the first whose list shows it), its drive and folder, and the
    /// file itself in the file list. False after a box told the user why not.
    bool chooseFile(const QString& path);
    /// Chooses files as the user would: those of the first file's folder, under the first kind whose list shows
    /// them all, the last as the one clicked last; the status line says when files of other folders were left
    /// out. False after a box told the user why not.
    bool chooseFiles(const QStringList& paths);
    /// The names chosen in File1, in the list's order.
    QStringList chosenNames() const;

    DriveList* Drive1;
    FolderList* Dir1;
    FileList* File1;
    QPushButton* Command3;
    OptionButton* Option1;
    OptionButton* Option2;
    OptionButton* Option3;
    OptionButton* Option4;
    OptionButton* Option5;
    OptionButton* Option6;
    OptionButton* Option7;
    QLabel* Label2;
    PictureBox* Image1;
    QLabel* Label3;
    QLabel* Label1;
    QLineEdit* txtimg;
    QPushButton* cmdftp;
    QPushButton* cmdload;
    QLineEdit* Text78;
    QPushButton* cmdsave;
    QPushButton* Command2;

    QAction* mnuftp;
    QAction* mnuload;
    QAction* mnusave;
    QAction* mnuPublished;
    QAction* mnuexit;
    QAction* mnuabout;
    QAction* mnuPaste;
    QLabel* lblStatus;

private:
    void buildMenu();
    std::array<OptionButton*, 6> kindOptions() const;
    // The placeholder picture from the program folder; a null picture when it is missing or unreadable.
    QPixmap placeholder() const;
    // A settings line of the lists, applied so that its control's own change handling runs.
    void applyDirectoryLine(DirectoryLine line, const QString& value);
    // The drive, folder, kinds and files chosen, for the windows that go on with them.
    void keepChoice();

    void selectPictureKind(const FileKind& kind);
    void selectOtherKind(const FileKind& kind);
    void pointFileList(const FileKind& kind);

    void Command3_Click();
    void Drive1_Change();
    void Dir1_Change();
    void File1_Click();
    void txtimg_Change();
    void cmdload_Click();
    void cmdftp_Click();
    void mnuftp_Click();
    void mnusave_Click();
    void mnuPublished_Click();
    void mnuexit_Click();
    void mnuabout_Click();
    // Several files, dropped or pasted (frm_load_files.cpp).
    void mnuPaste_Click();
    // The picture on the clipboard as a PNG in the folder shown; false after the status line said why not.
    bool pastePicture(const QImage& picture);
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void cmdsave_Click();
    void Command2_Click();

    Forms& m_forms;
    // Why the chosen file shows the placeholder, when its name promises a picture.
    QString m_previewNote;
};

} // namespace lumaport
