// SPDX-License-Identifier: GPL-3.0-or-later
#include "local_choice/local_choice.h"

namespace lumaport {

void LocalChoice::setPictureName(const QString& name)
{
    if (name == m_pictureName)
        return;
    m_pictureName = name;
    Q_EMIT pictureNameChanged(name);
}

void LocalChoice::setSavePictureFolder(const QString& drive, const QString& folder)
{
    m_saveDrive = drive;
    m_saveFolder = folder;
}

bool LocalChoice::holds(DirectoryLine line)
{
    return kindOfLine(line) || line == DirectoryLine::MainFolder || line == DirectoryLine::MainDrive ||
           line == DirectoryLine::SavePictureFolder || line == DirectoryLine::SavePictureDrive;
}

void LocalChoice::restore(DirectoryLine line, const QString& value)
{
    if (line == DirectoryLine::SavePictureFolder || line == DirectoryLine::SavePictureDrive) {
        // Kept for a save-picture window made later, which starts where the file said.
        (line == DirectoryLine::SavePictureFolder ? m_saveFolder : m_saveDrive) = value;
        Q_EMIT savePictureLineRestored(line, value);
        return;
    }
    // Kept as read until the main window says what its lists show.
    if (const auto kind = kindOfLine(line)) {
        if (const auto selected = settingsBoolean(value))
            m_lists.kinds[std::size_t(*kind)] = *selected;
    } else {
        (line == DirectoryLine::MainFolder ? m_lists.folder : m_lists.drive) = value;
    }
    Q_EMIT mainLineRestored(line, value);
}

} // namespace lumaport
