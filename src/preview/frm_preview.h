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

    PictureBox* Image1;
    QPushButton* cmdsave;
    /// Full local path of the picture to show; callers set it, then enable Timer1.
    QLineEdit* txtimg;
    /// Enabling it loads txtimg's picture once, 500 ms later; enabling it again meanwhile doesn't postpone that.
    Timer* Timer1;

private:
    void Timer1_Timer();
    void cmdsave_Click();
};

} // namespace lumaport
