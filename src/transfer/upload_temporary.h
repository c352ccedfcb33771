// SPDX-License-Identifier: GPL-3.0-or-later
// The name a file is sent under before it is renamed over its target, so a send that breaks never leaves a cut
// file at the published address.
#pragma once

#include <QString>
#include <QStringView>

namespace lumaport {

/// ".lumaport-upload-" + 16 random hexadecimal digits + ".part": hidden, saying what it is, new at every call.
QString uploadTemporaryName();

/// Whether a listed name is such a temporary, which the remote list never shows.
bool isUploadTemporary(QStringView name);

} // namespace lumaport
