// SPDX-License-Identifier: GPL-3.0-or-later
// Reading picture files for the stretched preview boxes.
#pragma once

#include <QImage>
#include <QSize>
#include <QString>

#include <optional>

class QIODevice;

namespace lumaport {

/// False for a JPEG, PNG, GIF, BMP, WebP, HEIC or AVIF whose data stops before its own structure says the picture ends
/// (still arriving, or cut short): decoders fill the missing part with grey or black and report success. Content of any
/// other kind is not judged here and gives true. Reads headers and block lengths (a JPEG's tail), never the whole file;
/// the device is left at an unspecified position.
bool pictureEndsWhole(QIODevice& file);

/// Decodes the picture file at `path` straight to `boxSize`, proportions ignored, since the boxes stretch
/// it anyway; a JPEG is decoded at reduced size, so no full-size image is ever held. EXIF orientation is
/// applied, so a camera picture shows upright. An empty `boxSize` keeps the picture's own size.
///
/// Returns nullopt, without blocking and without reading the whole file, for anything that is not a
/// complete picture: an empty path, a missing file, a folder, FIFO or device, an empty file, a file no
/// picture reader recognises, and a picture that does not end whole (see pictureEndsWhole).
/// Callers treat an empty path themselves (it blanks a preview, where a failed load shows the placeholder).
std::optional<QImage> loadPictureFile(const QString& path, QSize boxSize);

/// The placeholder picture of the program's pictures folder, shown where there is no picture to show, at
/// `boxSize`; a null image when it is missing or unreadable.
QImage loadPlaceholder(const QString& programFolder, QSize boxSize);

} // namespace lumaport
