// SPDX-License-Identifier: GPL-3.0-or-later
// The name a picture pasted from the clipboard is saved under.
#pragma once

#include <QDateTime>
#include <QString>

namespace lumaport {

/// "Pasted 2026-12-07 21-20-36.png" for the local time given; from the second attempt on, " (2)", " (3)"... before
/// the extension, for a name already taken.
QString pastedPictureName(const QDateTime& when, int attempt = 1);

} // namespace lumaport
