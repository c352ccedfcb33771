// SPDX-License-Identifier: GPL-3.0-or-later
// Location and camera data taken out of a picture without touching what it shows.
#pragma once

#include <QString>

namespace lumaport {

enum class PictureKind { Other, Jpeg, Png, Gif, Bmp, Webp, Heif };

/// The kind the file's content shows, whatever its name says; Heif for HEIC and AVIF alike; Other for anything but
/// the picture kinds.
PictureKind pictureKind(const QString& path);

/// Writes the picture to target without its EXIF, XMP and IPTC blocks and comments (so without GPS position,
/// camera serial, maker notes and embedded previews). Nothing is decoded again: a JPEG keeps its compressed
/// image data and its colour profile, and its orientation, so it does not turn sideways; a PNG keeps every
/// chunk that shapes the picture and loses its text and EXIF chunks; a GIF keeps its frames and looping; a WebP
/// keeps its image, animation and colour profile chunks and loses its EXIF and XMP ones. A BMP holds no such data
/// and is copied. A HEIF picture can't be rewritten so: it fails, and is made a JPEG instead.
bool copyWithoutMetadata(const QString& source, PictureKind kind, const QString& target, QString* error);

} // namespace lumaport
