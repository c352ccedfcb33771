// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/program_files.h"

#include "platform/paths.h"

#include <QDir>
#include <QFileInfo>

namespace lumaport {

QString picturesFolder(const QString& programFolder)
{
    if (QFileInfo(joinPath(programFolder, kPlaceholderName)).isFile())
        return programFolder;
    const QString installed = QDir::cleanPath(programFolder + QStringLiteral("/../share/lumaport"));
    if (QFileInfo(joinPath(installed, kPlaceholderName)).isFile())
        return installed;
    return programFolder;
}

bool isInstalledCopy(const QString& programFolder)
{
    return picturesFolder(programFolder) != programFolder;
}

} // namespace lumaport
