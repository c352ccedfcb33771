// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QComboBox>

namespace lumaport {

/// Drop-down of the mounted volumes. changed() runs at once, also when code sets the drive.
class DriveList : public QComboBox
{
    Q_OBJECT
public:
    explicit DriveList(QWidget* parent = nullptr);

    /// The selected drive's name as the list shows it.
    QString drive() const { return currentText(); }
    /// Selects a drive by name or root path; fails, keeping the selection, when no such volume is mounted.
    bool setDrive(const QString& drive, QString* error = nullptr);
    /// Re-reads the mounted volumes, keeping the selection where it still exists.
    void refreshDrives();

Q_SIGNALS:
    void changed();

private:
    bool m_settingFromCode = false;
};

class FolderList;

/// A drive line of the settings file: moves the folder list to that drive's current folder; a folder restored on that
/// same drive just before is kept.
void restoreDrive(DriveList* drive, FolderList* folder, const QString& value);

} // namespace lumaport
