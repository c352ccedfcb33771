// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

namespace lumaport {

/// major.minor.revision, plain decimals; the third field of the version record is not shown.
QString versionNumber(int major, int minor, int revision);

/// "Version " and the version number.
QString versionLine(int major, int minor, int revision);

} // namespace lumaport
