// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/form.h"

class QLabel;
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

    DriveList* Drive1;
    FolderList* Dir1;
    QPushButton* Command2;
    QLineEdit* txtpic;
    PictureBox* Image1;
    QLabel* lblnotice;

private:
    Forms& m_forms;
};

} // namespace lumaport
