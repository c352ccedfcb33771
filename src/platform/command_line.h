// SPDX-License-Identifier: GPL-3.0-or-later
// The program's command line: optional files to start with, the history to open, --help and --version.
#pragma once

#include <QStringList>

class QCoreApplication;

namespace lumaport {

/// Whether the command line asks for help or the version: those are answered by a QCoreApplication, before
/// the window system is reached, so they work without a display too.
bool asksForHelpOrVersion(int argc, char** argv);

struct StartRequest
{
    QStringList files;    ///< to start with, none for none
    bool history = false; ///< the history of published files opens over the main window
};

/// What the program starts with. Answers --help and --version on the terminal and ends the program; so does a
/// command line it doesn't take, with a message there.
StartRequest readCommandLine(const QCoreApplication& app);

/// The option that installs the file managers' "Publish with Lumaport" for this user.
inline constexpr char kInstallActionsOption[] = "--install-file-manager-actions";
/// Installs them, saying on the terminal what was written or why not; the exit status.
int runInstallActions(int& argc, char** argv);

} // namespace lumaport
