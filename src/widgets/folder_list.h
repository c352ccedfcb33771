// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QListWidget>

namespace lumaport {

/// The open folder with its ancestors above and its subfolders below; a double-click opens an entry.
/// changed() runs at once whenever the path changes, also when code sets it.
class FolderList : public QListWidget
{
    Q_OBJECT
public:
    explicit FolderList(QWidget* parent = nullptr);

    /// Absolute path; ends with the separator only at a volume root.
    QString path() const { return m_path; }
    /// Opens a folder. A folder that does not exist or can't be read fails and leaves the list as it was.
    bool setPath(const QString& path, QString* error = nullptr);
    /// Opens the current folder of the drive a drive list names; fails like setPath.
    bool setDrive(const QString& drive, QString* error = nullptr);
    /// Re-reads the subfolders of the open folder.
    void refresh();

Q_SIGNALS:
    void changed();

private:
    bool show(const QString& path, QString* error);

    QString m_path;
};

} // namespace lumaport
