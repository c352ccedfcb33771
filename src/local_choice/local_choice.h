// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/directory_settings.h"

#include <QObject>
#include <QStringList>

#include <array>

namespace lumaport {

/// What the user has chosen on the local disks, for every window that goes on with it: the main window's drive,
/// folder and file kinds, the files chosen there and the one shown, and the folder pictures are saved into.
/// The main and save-picture windows keep it up to date; the settings file is read into it and written from it.
class LocalChoice : public QObject
{
    Q_OBJECT
public:
    struct Lists
    {
        QString drive;
        QString folder;
        std::array<bool, 6> kinds = {};
    };
    struct Chosen
    {
        QString drive;
        QString folder; ///< the file list's own, which differs from the folder list's while no kind is ticked
        QStringList names;
        QString current; ///< of several, the one clicked last; empty when none is selected
        QString path;    ///< the file shown, empty when none
        QString note;    ///< what the last choice left out, empty when nothing
    };

    const Lists& lists() const { return m_lists; }
    void setLists(const Lists& lists) { m_lists = lists; }
    const Chosen& chosen() const { return m_chosen; }
    void setChosen(const Chosen& chosen) { m_chosen = chosen; }

    /// The name the save-picture window offers for the copy.
    QString pictureName() const { return m_pictureName; }
    void setPictureName(const QString& name);

    QString savePictureDrive() const { return m_saveDrive; }
    QString savePictureFolder() const { return m_saveFolder; }
    void setSavePictureFolder(const QString& drive, const QString& folder);

    /// A settings line of the lists, as read: the window that shows those lists applies it.
    void restore(DirectoryLine line, const QString& value);
    /// Whether the settings line belongs to the lists rather than to the publishing session.
    static bool holds(DirectoryLine line);

Q_SIGNALS:
    void pictureNameChanged(const QString& name);
    void mainLineRestored(DirectoryLine line, const QString& value);
    void savePictureLineRestored(DirectoryLine line, const QString& value);

private:
    Lists m_lists;
    Chosen m_chosen;
    QString m_pictureName;
    QString m_saveDrive;
    QString m_saveFolder;
};

} // namespace lumaport
