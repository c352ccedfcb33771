// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "widgets/form.h"

class QLabel;

namespace lumaport {

class Forms;
class PictureBox;
class Shape;
class Timer;

/// The black banner window shown for two seconds at start; its one timer tick opens the main window.
class frmSplash : public Form
{
    Q_OBJECT
public:
    explicit frmSplash(Forms& forms);

    void Form_Load() override;
    /// A file the main window chooses once the tick has opened it; empty for none.
    /// What the main window starts with once the splash is gone; history opens the history over it.
    void setStartFiles(const QStringList& paths, bool history = false)
    {
        m_startFiles = paths;
        m_startHistory = history;
    }

    PictureBox* Image1;
    Shape* Shape1;
    Shape* Shape2;
    QLabel* lblversion;
    Timer* Timer1;

private:
    void Timer1_Timer();

    Forms& m_forms;
    QStringList m_startFiles;
    bool m_startHistory = false;
};

} // namespace lumaport
