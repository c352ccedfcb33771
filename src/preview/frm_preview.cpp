// SPDX-License-Identifier: GPL-3.0-or-later
#include "preview/frm_preview.h"

#include "platform/picture_file.h"
#include "platform/services.h"
#include "platform/timer.h"
#include "startup/forms.h"
#include "widgets/picture_box.h"

#include <QLineEdit>
#include <QPushButton>

namespace lumaport {

frmPreview::frmPreview(Forms& forms)
    : Form(QStringLiteral("frmPreview"), QStringLiteral("Preview"), 7455, 6480),
      m_programFolder(forms.services().programFolder())
{
    Image1 = addControl<PictureBox>(this, "Image1", {360, 360, 6735, 5415});
    cmdsave = addButton(this, "cmdsave", QStringLiteral("Close"), {5880, 6000, 1215, 375});
    txtimg = addTextBox(this, "txtimg", {360, 7560, 6735, 285});
    txtimg->setAccessibleName(QStringLiteral("Picture path"));
    txtimg->hide();
    Timer1 = new Timer(this, 500, true, forms.services().timerClock());
    Timer1->setObjectName(QStringLiteral("Timer1"));

    connect(Timer1, &Timer::timer, this, &frmPreview::Timer1_Timer);
    connect(cmdsave, &QPushButton::clicked, this, &frmPreview::cmdsave_Click);
}

void frmPreview::Form_Load()
{
    Timer1->setEnabled(true);
}

void frmPreview::loadSoon()
{
    Timer1->setEnabled(true);
}

void frmPreview::showPicture(const QString& path)
{
    txtimg->setText(path);
    loadSoon();
}

void frmPreview::showEntry(const QString& entry)
{
    loadSoon();
    Show();
    setWindowTitle(QStringLiteral("Preview - ") + entry);
}

void frmPreview::Timer1_Timer()
{
    const QString path = txtimg->text();
    if (path.isEmpty()) {
        Image1->setPicture(QPixmap());
    } else if (const auto image = loadPictureFile(path, Image1->size())) {
        Image1->setPicture(QPixmap::fromImage(*image));
    } else {
        // Missing, no picture, cut short: never the picture shown before, which the title would now misname.
        const QImage placeholder = loadPlaceholder(m_programFolder, Image1->size());
        Image1->setPicture(placeholder.isNull() ? QPixmap() : QPixmap::fromImage(placeholder));
    }
    Timer1->setEnabled(false);
}

void frmPreview::cmdsave_Click()
{
    unload();
}

} // namespace lumaport
