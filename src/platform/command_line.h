// SPDX-License-Identifier: GPL-3.0-or-later
// The program's command line: an optional file to start with, --help and --version.
#pragma once

#include <QStringList>

class QCoreApplication;

namespace lumaport {

/// Whether the command line asks for help or the version: those are answered by a QCoreApplication, before
/// the window system is reached, so they work without a display too.
bool asksForHelpOrVersion(int argc, char** argv);

/// The files to start with, none for none. Answers --help and --version on the terminal and ends the program;
/// so does a command line it doesn't take, with a message there.
QStringList readCommandLine(const QCoreApplication& app);

} // namespace lumaport
