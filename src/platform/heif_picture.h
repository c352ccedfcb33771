// SPDX-License-Identifier: GPL-3.0-or-later
// HEIC and AVIF pictures, the kinds phones take, through libheif: Debian's Qt has no plugin that reads them.
#pragma once

#include <QImage>
#include <QString>

#include <optional>

class QIODevice;

namespace lumaport {

/// Whether the content is a HEIF picture (HEIC, AVIF) that the library can decode; the device is read from its
/// start and left at an unspecified position.
bool isHeifPicture(QIODevice& file);

/// The primary picture of the device's whole content, turned as its container says (rotation and mirror boxes), in
/// 8-bit RGBA; nullopt with the library's reason when it can't be decoded.
std::optional<QImage> readHeifPicture(QIODevice& file, QString* error);

} // namespace lumaport
