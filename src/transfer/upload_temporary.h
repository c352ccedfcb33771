// SPDX-License-Identifier: GPL-3.0-or-later
// The name a file is sent under before it is renamed over its target, so a send that breaks never leaves a cut
// file at the published address.
#pragma once

#include <QDateTime>
#include <QString>
#include <QStringView>

namespace lumaport {

/// ".lumaport-upload-" + 16 random hexadecimal digits + ".part": hidden, saying what it is, new at every call.
QString uploadTemporaryName();

/// Whether a listed name is such a temporary, which the remote list never shows.
bool isUploadTemporary(QStringView name);

/// Whether a temporary last written then is one a send stopped long ago, which may go: not one another copy of the
/// program may still be writing. An unknown time is never stale.
bool isStaleTemporaryTime(const QDateTime& written, const QDateTime& now);

} // namespace lumaport
