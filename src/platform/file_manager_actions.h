// SPDX-License-Identifier: GPL-3.0-or-later
// "Publish with Lumaport" in the user's file managers: a KDE service menu, a Nautilus script and a Thunar custom
// action, each running the program's publish command on the chosen files.
#pragma once

#include <QString>
#include <QStringList>

namespace lumaport {

/// Installs the three for this user under $XDG_DATA_HOME and $XDG_CONFIG_HOME (~/.local/share, ~/.config), each
/// calling `program` (as found on the PATH when it is only a name). Thunar's uca.xml keeps the user's own actions
/// and gains ours once, however often this runs. Goes on after a failure; false with every reason in `error`
/// when one could not be installed. `installed` lists the files written.
bool installFileManagerActions(const QString& program, QStringList* installed, QString* error);

/// Thunar's list of custom actions with ours in it: added before the end, or put in place of the one of the same
/// id. Empty `actions` makes a new list. False, leaving the text to the caller, when it is no such list.
bool mergeThunarAction(const QString& actions, const QString& ours, QString* merged, QString* error);

} // namespace lumaport
