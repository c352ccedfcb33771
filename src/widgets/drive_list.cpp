// SPDX-License-Identifier: GPL-3.0-or-later
#include "widgets/drive_list.h"

#include "platform/volumes.h"
#include "widgets/folder_list.h"

#include <QDir>
#include <QSignalBlocker>

namespace lumaport {

DriveList::DriveList(QWidget* parent) : QComboBox(parent)
{
    refreshDrives();
    const Volume start{volumeRootOf(QDir::currentPath()), {}};
    if (const auto volume = findVolume(start.root))
        setCurrentIndex(findText(volume->displayName()));
    connect(this, &QComboBox::currentIndexChanged, this, [this] {
        if (!m_settingFromCode)
            Q_EMIT changed();
    });
}

void DriveList::refreshDrives()
{
    const QSignalBlocker blocker(this);
    const QString selected = currentText();
    clear();
    for (const Volume& v : mountedVolumes())
        addItem(v.displayName(), v.root);
    const int index = findText(selected);
    setCurrentIndex(index >= 0 ? index : 0);
}

bool DriveList::setDrive(const QString& drive, QString* error)
{
    refreshDrives();
    const auto volume = findVolume(drive);
    if (!volume) {
        if (error)
            *error = QStringLiteral("Device unavailable: ") + drive;
        return false;
    }
    const int index = findText(volume->displayName());
    if (index == currentIndex())
        return true;
    m_settingFromCode = true;
    setCurrentIndex(index);
    m_settingFromCode = false;
    Q_EMIT changed();
    return true;
}

void restoreDrive(DriveList* drive, FolderList* folder, const QString& value)
{
    const QString restored = folder->path();
    if (!drive->setDrive(value))
        return;
    const auto volume = findVolume(drive->drive());
    if (volume && volumeRootOf(restored) == volume->root)
        folder->setPath(restored);
}

} // namespace lumaport
