// SPDX-License-Identifier: GPL-3.0-or-later
// The program's one file copy.
#pragma once

#include <QString>

namespace lumaport {

/// Copies `source` byte for byte to `destination`, replacing a file that is there.
///
/// The bytes go to a temporary file beside the destination, which is then renamed over it: until the copy is
/// complete, and on the disk, the old destination stays as it was, and a failed copy leaves no temporary file
/// behind. A replaced file keeps its permission bits; a new one gets the default ones (the umask). A
/// destination that is a symbolic link is followed: the link stays and the file it names is replaced. A
/// destination that is the source itself (another spelling of its path, a hard or symbolic link to it) is left
/// alone and counts as copied. Only a regular file is copied: a folder, FIFO or device as the source fails
/// without being opened, and so does anything but a regular file as the destination.
///
/// Returns false on failure and then sets `error`, if given, to a sentence naming the cause.
bool copyFileReplacing(const QString& source, const QString& destination, QString* error = nullptr);

} // namespace lumaport
