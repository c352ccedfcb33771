// SPDX-License-Identifier: GPL-3.0-or-later
#include "save_picture/frm_savpic.h"

#include "platform/drive_list.h"
#include "platform/folder_list.h"
#include "platform/picture_box.h"
#include "startup/forms.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace lumaport {

frmsavpic::frmsavpic(Forms& forms)
    : Form(QStringLiteral("frmsavpic"), QStringLiteral("Save Picture"), 8400, 7110), m_forms(forms)
{
    setStartCentered();
    setBackColor(this, QColor(185, 199, 204));
    Drive1 = addControl<DriveList>(this, "Drive1", {360, 600, 2415, 315});
    Dir1 = addControl<FolderList>(this, "Dir1", {360, 1080, 2415, 2790});
    Command2 = addButton(this, "Command2", QStringLiteral("Save Directory"), {360, 4080, 2415, 375});
    txtpic = addTextBox(this, "txtpic", {360, 5040, 2415, 285});
    Image1 = addControl<PictureBox>(this, "Image1", {3000, 600, 5175, 5175});
    lblnotice = addLabel(this, "lblnotice", QString(), {3000, 6720, 2175, 255});
    lblnotice->setAlignment(Qt::AlignCenter);
}

} // namespace lumaport
