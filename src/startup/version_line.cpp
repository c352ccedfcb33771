// SPDX-License-Identifier: GPL-3.0-or-later
#include "startup/version_line.h"

namespace lumaport {

QString versionLine(int major, int minor, int revision)
{
    return QStringLiteral("Version %1.%2.%3").arg(major).arg(minor).arg(revision);
}

} // namespace lumaport
