// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/volumes.h"

#include <QDir>
#include <QFileInfo>
#include <QStorageInfo>
#include <algorithm>

namespace lumaport {

namespace {

bool holdsLocalFiles(const QStorageInfo& info)
{
    static const QStringList skipped = {
        QStringLiteral("proc"),       QStringLiteral("sysfs"),   QStringLiteral("devpts"),
        QStringLiteral("cgroup"),     QStringLiteral("cgroup2"), QStringLiteral("securityfs"),
        QStringLiteral("debugfs"),    QStringLiteral("tracefs"), QStringLiteral("pstore"),
        QStringLiteral("bpf"),        QStringLiteral("mqueue"),  QStringLiteral("hugetlbfs"),
        QStringLiteral("configfs"),   QStringLiteral("fusectl"), QStringLiteral("binfmt_misc"),
        QStringLiteral("autofs"),     QStringLiteral("nfs"),     QStringLiteral("nfs4"),
        QStringLiteral("cifs"),       QStringLiteral("smb3"),    QStringLiteral("sshfs"),
        QStringLiteral("fuse.sshfs"), QStringLiteral("nsfs"),    QStringLiteral("efivarfs"),
    };
    if (!info.isValid() || !info.isReady())
        return false;
    const QString type = QString::fromLatin1(info.fileSystemType());
    if (skipped.contains(type))
        return false;
    // Bind mounts of single files (container resolv.conf and the like) are not volumes.
    const QString root = info.rootPath();
    if (root.startsWith(QLatin1String("/proc")) || root.startsWith(QLatin1String("/sys")) ||
        root.startsWith(QLatin1String("/dev")) || root.startsWith(QLatin1String("/run")))
        return false;
    return QFileInfo(root).isDir();
}

} // namespace

QString Volume::displayName() const
{
    return label.isEmpty() ? root : root + QStringLiteral(" [") + label + QLatin1Char(']');
}

std::vector<Volume> mountedVolumes()
{
    std::vector<Volume> volumes;
    for (const QStorageInfo& info : QStorageInfo::mountedVolumes()) {
        if (!holdsLocalFiles(info))
            continue;
        const QString root = info.rootPath();
        if (std::any_of(volumes.begin(), volumes.end(), [&](const Volume& v) { return v.root == root; }))
            continue;
        QString label = info.name();
        if (label == root)
            label.clear();
        volumes.push_back({root, label});
    }
    std::sort(volumes.begin(), volumes.end(), [](const Volume& a, const Volume& b) { return a.root < b.root; });
    return volumes;
}

std::optional<Volume> findVolume(const QString& nameOrRoot)
{
    for (const Volume& v : mountedVolumes()) {
        if (v.displayName() == nameOrRoot || v.root == nameOrRoot)
            return v;
    }
    return std::nullopt;
}

QString volumeRootOf(const QString& path)
{
    const QString clean = QDir::cleanPath(QDir(path).absolutePath());
    QString best = QStringLiteral("/");
    for (const Volume& v : mountedVolumes()) {
        const bool inside =
            clean == v.root || v.root == QLatin1String("/") || clean.startsWith(v.root + QLatin1Char('/'));
        if (inside && v.root.size() > best.size())
            best = v.root;
    }
    return best;
}

QString currentFolderOf(const Volume& volume)
{
    const QString cwd = QDir::currentPath();
    if (volumeRootOf(cwd) == volume.root)
        return folderListForm(cwd);
    return folderListForm(volume.root);
}

QString folderListForm(const QString& path)
{
    QString clean = QDir::cleanPath(QDir(path).absolutePath());
    if (clean != QLatin1String("/") && volumeRootOf(clean) == clean)
        clean += QLatin1Char('/');
    return clean;
}

} // namespace lumaport
