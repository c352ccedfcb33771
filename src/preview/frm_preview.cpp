// SPDX-License-Identifier: GPL-3.0-or-later
#include "preview/frm_preview.h"

#include "startup/forms.h"

namespace lumaport {

frmPreview::frmPreview(Forms& forms)
    : Form(QStringLiteral("frmPreview"), QStringLiteral("Preview"), 7455, 6480), m_forms(forms)
{
}

} // namespace lumaport
