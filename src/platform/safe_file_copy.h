// SPDX-License-Identifier: GPL-3.0-or-later
// The save-picture window's copy: tried again while the user mends the cause.
#pragma once

#include <QString>

namespace lumaport {

class Services;

/// Copies as copyFileReplacing() does. After each failed attempt the "Error copying File" box is shown and,
/// since the user may have mended the cause meanwhile, the copy is tried again, three attempts in all.
/// Returns whether the file was copied.
bool SafeFileCopy(const QString& source, const QString& destination, Services& services);

} // namespace lumaport
