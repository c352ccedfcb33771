// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/form.h"

namespace lumaport {

class Forms;

/// "About": credits and the two web pages. Closing only hides it.
class frmAbout : public Form
{
    Q_OBJECT
public:
    explicit frmAbout(Forms& forms);

private:
    Forms& m_forms;
};

} // namespace lumaport
