// SPDX-License-Identifier: GPL-3.0-or-later
// Reading picture files for the stretched preview boxes.
#pragma once

#include <QImage>
#include <QSize>
#include <QString>

#include <optional>

namespace lumaport {

/// Decodes the picture file at `path` straight to `boxSize`, proportions ignored, since the boxes stretch
/// it anyway; a JPEG is decoded at reduced size, so no full-size image is ever held. EXIF orientation is
/// applied, so a camera picture shows upright. An empty `boxSize` keeps the picture's own size.
///
/// Returns nullopt, without blocking and without reading the whole file, for anything that is not a
/// complete picture: an empty path, a missing file, a folder, FIFO or device, an empty file, a file no
/// picture reader recognises, and a JPEG without its end-of-image marker (still arriving, or cut short).
/// Callers treat an empty path themselves (it blanks a preview, where a failed load keeps the old one).
std::optional<QImage> loadPictureFile(const QString& path, QSize boxSize);

} // namespace lumaport
