// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "widgets/form.h"

class QLabel;
class QPushButton;

namespace lumaport {

class Forms;

/// "About": credits and the two web pages. Closing only hides it.
class frmAbout : public Form
{
    Q_OBJECT
public:
    explicit frmAbout(Forms& forms);

    void Form_Unload(bool& cancel) override;

    /// Opens the address in the user's browser without waiting; a failure is not reported.
    void Navigate(const QString& address);

    QLabel* Label1;
    QLabel* Label2;
    QLabel* Label3;
    QPushButton* Command1;
    QPushButton* Command3;
    QPushButton* Command2;

private:
    void Command1_Click();
    void Command2_Click();
    void Command3_Click();

    Forms& m_forms;
};

} // namespace lumaport
