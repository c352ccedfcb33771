// SPDX-License-Identifier: GPL-3.0-or-later
#include "startup/frm_splash.h"

#include "main_window/frm_load.h"
#include "platform/services.h"
#include "platform/timer.h"
#include "platform/version_line.h"
#include "published_window/frm_published.h"
#include "startup/forms.h"
#include "version.h"
#include "widgets/picture_box.h"
#include "widgets/shape.h"

#include <QLabel>

namespace lumaport {

frmSplash::frmSplash(Forms& forms)
    : Form(QStringLiteral("frmSplash"), QStringLiteral("Form1"), 6240, 2685), m_forms(forms)
{
    setWindowFlags(Qt::SplashScreen | Qt::FramelessWindowHint);
    setBackColor(this, QColor(0, 0, 0));
    setStartCentered();

    Image1 = addControl<PictureBox>(this, "Image1", {240, 600, 5745, 1460});
    Image1->setPicture(QPixmap(QStringLiteral(":/lumaport/splash_banner.jpg")));
    Shape1 = new Shape(this, QColor(255, 0, 0), 3);
    Shape1->setObjectName(QStringLiteral("Shape1"));
    place(Shape1, {240, 600, 5775, 1455});
    Shape2 = new Shape(this, QColor(255, 0, 0), 5);
    Shape2->setObjectName(QStringLiteral("Shape2"));
    place(Shape2, {0, 0, 6220, 2655});
    lblversion = addLabel(this, "lblversion", QString(), {240, 2280, 5775, 255});
    lblversion->setAlignment(Qt::AlignCenter);
    setForeColor(lblversion, QColor(255, 255, 255));

    Timer1 = new Timer(this, 2000, true, forms.services().timerClock());
    Timer1->setObjectName(QStringLiteral("Timer1"));
    connect(Timer1, &Timer::timer, this, &frmSplash::Timer1_Timer);
}

void frmSplash::Form_Load()
{
    lblversion->setText(versionLine(version::kMajor, version::kMinor, version::kRevision));
}

void frmSplash::Timer1_Timer()
{
    frmload& load = m_forms.frmload();
    load.Show();
    Timer1->setEnabled(false);
    const QStringList files = m_startFiles;
    const bool history = m_startHistory;
    unload();
    if (history)
        m_forms.frmPublished().Show();
    // After the splash is gone: a box about a file runs an event loop, which must not tick the timer again.
    if (!files.isEmpty())
        load.chooseFiles(files);
}

} // namespace lumaport
