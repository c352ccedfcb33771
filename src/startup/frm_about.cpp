// SPDX-License-Identifier: GPL-3.0-or-later
#include "startup/frm_about.h"

#include "startup/forms.h"

namespace lumaport {

frmAbout::frmAbout(Forms& forms) : Form(QStringLiteral("frmAbout"), QStringLiteral("About"), 4680, 2535), m_forms(forms)
{
    setBackColor(this, QColor(224, 224, 224));
}

} // namespace lumaport
