// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/form.h"

namespace lumaport {

class Forms;

/// "Preview": shows the picture named in its hidden path box, loaded by a one-shot timer.
class frmPreview : public Form
{
    Q_OBJECT
public:
    explicit frmPreview(Forms& forms);

private:
    Forms& m_forms;
};

} // namespace lumaport
