// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "startup/forms.h"

#include <QStringList>

class QApplication;

namespace lumaport {

/// Application-wide look: style, the common window icon, and names for automation tools.
void setUpApplication(QApplication& app);

/// The transfer component as the program makes it: its options file beside the program, and its trust file there
/// unless another is given.
Forms::TransferFactory programTransfers(Services& services, const QString& trustFile = {});

/// Program start: the splash window is created (its load runs) and shown; nothing else. Files given are chosen
/// in the main window once the splash has opened it.
void startProgram(Forms& forms, const QStringList& files = {}, bool history = false);

} // namespace lumaport
