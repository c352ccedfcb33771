// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "widgets/form.h"

class QLabel;
class QPixmap;
class QLineEdit;
class QPushButton;

namespace lumaport {

class DriveList;
class FolderList;
class Forms;
class PictureBox;

/// "Save Picture": copies the chosen file to a folder and name of the user's choice.
class frmsavpic : public Form
{
    Q_OBJECT
public:
    explicit frmsavpic(Forms& forms);

    void Form_Unload(bool& cancel) override;
    /// The main window hands a picture over: a save path made for the last picture handed over follows its name,
    /// and a line says when more files are chosen with it.
    void showChosen(const QString& name, qsizetype chosen, const QPixmap& picture);
    void showPicture(const QPixmap& picture);
    void showNotice(const QString& notice);

    QLabel* Label3;
    DriveList* Drive1;
    FolderList* Dir1;
    QPushButton* Command2;
    QLabel* Label1;
    QLineEdit* txtpic;
    QLabel* Label2;
    QLineEdit* txtsave;
    PictureBox* Image1;
    QLabel* Label4;
    QLabel* lblnotice;
    QLabel* lblChosen;
    QPushButton* Command3;
    QPushButton* Command5;
    QPushButton* Command4;
    QPushButton* cmdsavepic;

private:
    // The picture's name and the folder follow the local choice both ways.
    void bindLocalChoice();
    void cmdsavepic_Click();
    void Command2_Click();
    void Command3_Click();
    void Command4_Click();
    void Command5_Click();
    void Dir1_Change();
    void Drive1_Change();
    void Image1_Click();
    void txtsave_Change();

    Forms& m_forms;
    // The path "FTP" left in txtsave: the published file itself, which a save of another file would replace.
    QString m_publishedPath;
    // The last copy this window saved, and the file it was made from: "FTP" hands the copy over while that
    // file is still the one chosen.
    QString m_copySource;
    QString m_copy;
    QString m_handedName;
};

} // namespace lumaport
