// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>

namespace lumaport {

/// Names of the regular files in a folder matching the pattern, sorted without regard to letter case.
/// Returns false, with an error text, when the folder can't be read.
bool listMatchingFiles(const QString& folder, const QString& pattern, QStringList* names, QString* error);

} // namespace lumaport
