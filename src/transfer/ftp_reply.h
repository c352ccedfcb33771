// SPDX-License-Identifier: GPL-3.0-or-later
// How the session reads the FTP control connection's lines: the commands it sent and the replies it got.
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <optional>

namespace lumaport {

/// The last line of a reply: three digits and a blank ("226 Done"); "226-" lines go on.
bool isReplyLine(QByteArrayView line);

/// The command word of a command line, in capitals: "RNFR" of "rnfr old.jpg".
QByteArray verbOf(QByteArrayView command);

/// Whether a command with this verb changes something on the server (a file, a folder, a name).
bool changesTheServer(const QByteArray& verb);

/// The size a reply line to SIZE ("213 1234") tells; none unless it is a plain decimal number that fits.
std::optional<qint64> sizeFromReply(QByteArrayView line);

/// The folder a 257 reply to PWD names: 257 "/a ""b"" c" is /a "b" c. Empty when it names none.
QString pathFromFolderReply(QByteArrayView line);

} // namespace lumaport
