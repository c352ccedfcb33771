// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

namespace lumaport {

/// Joins a file name to a folder by always inserting one separator, whatever the folder ends with;
/// a root folder therefore gives two in a row. Stored settings and command strings rely on this form.
inline QString joinPath(const QString& folder, const QString& name)
{
    return folder + QLatin1Char('/') + name;
}

} // namespace lumaport
