// SPDX-License-Identifier: GPL-3.0-or-later
// The directory settings file ooo.lbr: 19 lines holding the folders and drives of the main and save-picture
// windows, the FTP window's log-on, tag and address boxes, and the chosen file kind.
#pragma once

#include <QString>
#include <QStringList>

#include <array>
#include <optional>

namespace lumaport {

/// What each line holds, in file order. The kind lines are not grouped: EXE and ALL come last.
enum class DirectoryLine {
    MainFolder,
    MainDrive,
    SavePictureFolder,
    SavePictureDrive,
    Server,
    UserName,
    Password,
    OpeningTag,
    ClosingTag,
    UrlName,
    GifKind,
    JpgKind,
    BmpKind,
    ZipKind,
    LinkText,
    PermanentUrl,
    WebServer,
    ExeKind,
    AllKind,
};

inline constexpr int kDirectorySettingsLines = 19;

struct DirectorySettings
{
    QString mainFolder;             ///< frmload Dir1
    QString mainDrive;              ///< frmload Drive1
    QString savePictureFolder;      ///< frmsavpic Dir1
    QString savePictureDrive;       ///< frmsavpic Drive1
    QString server;                 ///< txtServer
    QString userName;               ///< txtUserName
    QString password;               ///< txtPassword
    QString openingTag;             ///< txturl1
    QString closingTag;             ///< txturl2
    QString urlName;                ///< txtname
    QString linkText;               ///< Text2
    QString permanentUrl;           ///< txtpermurl
    QString webServer;              ///< Text3
    std::array<bool, 6> kinds = {}; ///< Option1 to Option6, in the order of kFileKinds
};

/// The lines present, at most 19, for the window to apply one at a time in file order (see DirectoryLine).
/// Fails when the file cannot be read.
bool readDirectorySettings(const QString& path, QStringList* lines, QString* error);

bool writeDirectorySettings(const QString& path, const DirectorySettings& settings, QString* error);

/// Which option a kind line sets, as an index into kFileKinds; nullopt for the other lines.
std::optional<int> kindOfLine(DirectoryLine line);

/// "True" and "False" in any letter case, or a number (True when not zero), blanks around either ignored.
/// Any other text is no Boolean.
std::optional<bool> settingsBoolean(const QString& text);

} // namespace lumaport
