// SPDX-License-Identifier: GPL-3.0-or-later
// GIF files through giflib: Qt reads GIF but cannot write it.
#pragma once

#include <QString>

class QImage;

namespace lumaport {

/// Copies a GIF, every frame and its timing kept, without its comments and without application blocks other
/// than the looping ones (XMP travels in such a block).
bool copyGifWithoutMetadata(const QString& source, const QString& target, QString* error);

/// Writes one frame, reduced to at most 256 colours; pixels less than half opaque become transparent.
bool writeStillGif(const QImage& image, const QString& path, QString* error);

} // namespace lumaport
