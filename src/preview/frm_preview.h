// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "widgets/form.h"

class QLineEdit;
class QPushButton;

namespace lumaport {

class Forms;
class PictureBox;
class Timer;

/// "Preview": shows the picture named in its hidden path box, loaded by a one-shot timer.
class frmPreview : public Form
{
    Q_OBJECT
public:
    explicit frmPreview(Forms& forms);

    void Form_Load() override;
    /// Loads the picture again, once, 500 ms from the first call; calls meanwhile don't postpone that.
    void loadSoon();
    /// Shows the picture at that local path, loaded 500 ms from now.
    void showPicture(const QString& path);
    /// Shows the window for a remote entry, its name in the title.
    void showEntry(const QString& entry);

    PictureBox* Image1;
    QPushButton* cmdsave;
    /// Full local path of the picture to show; callers set it, then enable Timer1.
    QLineEdit* txtimg;
    /// Enabling it loads txtimg's picture once, 500 ms later; enabling it again meanwhile doesn't postpone that.
    Timer* Timer1;

private:
    void Timer1_Timer();
    void cmdsave_Click();

    QString m_programFolder;
};

} // namespace lumaport
