// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/matching_files.h"

#include <QCollator>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <vector>

#include <dirent.h>
#include <fnmatch.h>
#include <sys/stat.h>

namespace lumaport {

namespace {

// Everything but folders, as a folder list would leave them out: links are followed, and a link that leads
// nowhere is still a name in the folder.
bool isFolder(int folderFd, const dirent& entry)
{
    if (entry.d_type != DT_LNK && entry.d_type != DT_UNKNOWN)
        return entry.d_type == DT_DIR;
    struct stat target;
    return ::fstatat(folderFd, entry.d_name, &target, 0) == 0 && S_ISDIR(target.st_mode);
}

} // namespace

// readdir and fnmatch on the raw names, and one sort key per name: a folder of a hundred thousand pictures is
// listed as fast as `find | sort` would.
bool listMatchingFiles(const QString& folder, const QString& pattern, QStringList* names, QString* error)
{
    const QFileInfo info(folder);
    DIR* dir = info.isDir() ? ::opendir(QFile::encodeName(folder).constData()) : nullptr;
    if (!dir) {
        if (error)
            *error = QStringLiteral("Path not found: ") + folder;
        return false;
    }
    // "*.*" is the all-files pattern even for names without a dot.
    const QByteArray filter = QFile::encodeName(pattern == QLatin1String("*.*") ? QStringLiteral("*") : pattern);
    QStringList found;
    while (const dirent* entry = ::readdir(dir)) {
        if (::fnmatch(filter.constData(), entry->d_name, FNM_CASEFOLD | FNM_NOESCAPE) == 0 &&
            !isFolder(::dirfd(dir), *entry))
            found.append(QFile::decodeName(entry->d_name));
    }
    ::closedir(dir);

    QCollator collator;
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    collator.setNumericMode(true);
    std::vector<std::pair<QCollatorSortKey, qsizetype>> keys;
    keys.reserve(size_t(found.size()));
    for (qsizetype i = 0; i < found.size(); ++i)
        keys.emplace_back(collator.sortKey(found[i]), i);
    std::sort(keys.begin(), keys.end(), [](const auto& a, const auto& b) { return a.first.compare(b.first) < 0; });
    names->clear();
    names->reserve(found.size());
    for (const auto& key : keys)
        names->append(found[key.second]);
    return true;
}

} // namespace lumaport
