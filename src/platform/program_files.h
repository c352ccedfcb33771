// SPDX-License-Identifier: GPL-3.0-or-later
// Where the program's own files are found: beside the program, or in an installed layout.
#pragma once

#include <QString>

namespace lumaport {

/// The picture shown when there is nothing to preview.
inline const QString kPlaceholderName = QStringLiteral("noPreview.jpg");

/// Folder holding the program's pictures: the program folder when the placeholder lies there (a build, or a
/// copy kept in a folder of its own), else share/lumaport beside the program's bin folder when that holds it
/// (an installed copy). With neither, the program folder.
QString picturesFolder(const QString& programFolder);

/// Whether the program runs from an installed layout, its pictures under share/ rather than beside it.
bool isInstalledCopy(const QString& programFolder);

} // namespace lumaport
