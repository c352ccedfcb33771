// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/version_line.h"

namespace lumaport {

QString versionNumber(int major, int minor, int revision)
{
    return QStringLiteral("%1.%2.%3").arg(major).arg(minor).arg(revision);
}

QString versionLine(int major, int minor, int revision)
{
    return QStringLiteral("Version ") + versionNumber(major, minor, revision);
}

} // namespace lumaport
