// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "startup/forms.h"

class QApplication;

namespace lumaport {

/// Application-wide look: style, the common window icon, and names for automation tools.
void setUpApplication(QApplication& app);

/// Program start: the splash window is created (its load runs) and shown; nothing else.
void startProgram(Forms& forms);

} // namespace lumaport
