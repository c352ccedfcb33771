// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/matching_files.h"

#include <QCollator>
#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <algorithm>

namespace lumaport {

bool listMatchingFiles(const QString& folder, const QString& pattern, QStringList* names, QString* error)
{
    const QFileInfo info(folder);
    if (!info.isDir() || !QDir(folder).isReadable()) {
        if (error)
            *error = QStringLiteral("Path not found: ") + folder;
        return false;
    }
    // "*.*" is the all-files pattern even for names without a dot.
    const QString filter = pattern == QLatin1String("*.*") ? QStringLiteral("*") : pattern;
    QDirIterator it(folder, {filter}, QDir::Files | QDir::Hidden | QDir::System);
    QStringList found;
    while (it.hasNext()) {
        it.next();
        found.append(it.fileName());
    }
    QCollator collator;
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    collator.setNumericMode(true);
    std::sort(found.begin(), found.end(), collator);
    *names = std::move(found);
    return true;
}

} // namespace lumaport
