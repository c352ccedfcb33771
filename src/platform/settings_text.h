// SPDX-License-Identifier: GPL-3.0-or-later
// The small line-per-value text files that keep settings and server profiles, and the folder they live in.
#pragma once

#include <QByteArrayView>
#include <QString>
#include <QStringList>

namespace lumaport {

/// Reads the first lines of a settings file, at most maxLines, each without its line break. Lines may end in
/// CR LF, a lone LF or a lone CR. The file is read as UTF-8, or as Windows-1252 when it is not valid UTF-8.
/// Reading is bounded: the lines stop before a line longer than a setting can sensibly be (such as a binary
/// file's), so the caller applies only what comes before it. Fails with a text naming the file when it is
/// missing, unreadable or not a regular file; an empty file gives no lines.
bool readSettingsLines(const QString& path, int maxLines, QStringList* lines, QString* error);

/// The lines of a settings file's bytes as readSettingsLines gives them, NUL bytes left out; whole tells that
/// the bytes are all of the file, so the last line is complete even without a line break.
QStringList settingsLines(QByteArrayView data, bool whole, int maxLines);

/// Writes one value per line, each ended by CR LF, in Windows-1252, or in UTF-8 when a value holds a character
/// beyond it (or the Windows-1252 bytes would read back as other UTF-8 text). A line break inside a value becomes a
/// blank, so no later value moves to another line. The file is replaced only once complete (a failed write keeps the
/// old one whole) and a new file is readable by its owner only, as settings may hold a password. Fails with a text
/// naming the file and the reason.
bool writeSettingsLines(const QString& path, const QStringList& values, QString* error);

/// Puts the bytes in the file's place the way writeSettingsLines does.
bool writeSettingsFile(const QString& path, const QByteArray& data, QString* error);

/// Where the settings file and the server profiles live: the program folder when it can be written (a copy
/// kept in the user's own folder), else, and always for an installed copy, $XDG_CONFIG_HOME/lumaport or
/// ~/.config/lumaport, created when missing. Falls back to the program folder when that folder cannot be made either.
QString settingsFolder(const QString& programFolder);

/// The files kept in the settings folder: the directory settings "ooo.lbr", the server profile "oof.lbr" that the
/// FTP window's "Load" opens, the trusted servers "trusted.lbr", and the program's own options "lumaport.ini".
QString directorySettingsPath(const QString& programFolder);
QString defaultProfilePath(const QString& programFolder);
QString trustFilePath(const QString& programFolder);
QString programOptionsPath(const QString& programFolder);

} // namespace lumaport
