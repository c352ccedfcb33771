// SPDX-License-Identifier: GPL-3.0-or-later
// The command strings the FTP window hands to the transfer component, parsed before anything reaches the
// server: a name that could end the command line early never leaves the program.
#pragma once

#include <QString>
#include <QStringList>

namespace lumaport {

struct FtpCommand
{
    /// Chmod makes a file readable by everyone (mode 644), for the web server.
    enum class Kind { Dir, Cd, CdUp, MkDir, Rename, Delete, RmDir, Size, Put, Get, Chmod, Close };

    Kind kind = Kind::Dir;
    /// The names without their quotes, exactly as given: PUT's are the local path and the remote name, GET's
    /// the remote name and the local path, RENAME's the old and the new name.
    QStringList arguments;
};

/// Parses "DIR", "CD \"images/\"", "RENAME \"old\" \"new\"", "CHMOD \"a.jpg\"", ... Keywords are not case-sensitive; a
/// name is wrapped in double quotes (it may then hold blanks and quotes) or is one bare word. Fails with a text for the
/// user on an unknown command, a wrong number of names, an empty name, unbalanced quotes, or any control
/// character (carriage return, line feed, NUL, ...) anywhere in the operation.
bool parseFtpCommand(const QString& operation, FtpCommand* command, QString* error);

/// The command string of a command value: its keyword, then each name quoted.
QString commandLine(const FtpCommand& command);

/// A name as a command string carries it: in double quotes, unchanged ("CD " + quotedName("my pics/")).
QString quotedName(const QString& name);

/// Whether the text holds a character below blank other than TAB, or DEL: such text never goes into an FTP
/// command line. A TAB is part of some names servers list, and ends no line.
bool holdsControlCharacter(const QString& text);

} // namespace lumaport
