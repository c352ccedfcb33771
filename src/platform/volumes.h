// SPDX-License-Identifier: GPL-3.0-or-later
// "Drives" on this platform: the mounted local volumes, named by their root path.
#pragma once

#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

namespace lumaport {

struct Volume
{
    QString root;  ///< mount point, e.g. "/" or "/media/usb"
    QString label; ///< volume label, may be empty
    /// Name shown in drive lists and stored in settings: the root, with the label appended where there is one.
    QString displayName() const;
};

/// Mounted local volumes that hold files (pseudo and network file systems left out), root first.
std::vector<Volume> mountedVolumes();

/// The volume whose display name or root equals the text, if any.
std::optional<Volume> findVolume(const QString& nameOrRoot);

/// Root of the volume that holds the path (longest matching mount point).
QString volumeRootOf(const QString& path);

/// A volume's current folder: the process's working folder when it lies on the volume, else the root.
QString currentFolderOf(const Volume& volume);

/// A folder path in the form the folder lists hold: absolute, cleaned, ending in the separator only at a
/// volume root.
QString folderListForm(const QString& path);

} // namespace lumaport
