// SPDX-License-Identifier: GPL-3.0-or-later
// What the user asked to be done to a picture before it is sent, and the file that remembers it.
#pragma once

#include <QString>

namespace lumaport {

struct PictureChoices
{
    bool removeMetadata = false;
    bool fit = false;
    int maxSide = 1024;     ///< longest side in pixels; 0: no limit
    int maxKilobytes = 500; ///< 0: no limit
    bool thumbnail = false;
    int thumbnailSide = 350;
    bool sendAsWebp = false; ///< with fit: JPEG and PNG pictures go as WebP

    bool operator==(const PictureChoices&) const = default;
};

/// The choices kept in the options file; the defaults (all off) for what is missing or not a sensible value.
PictureChoices readPictureChoices(const QString& path);

/// Keeps the choices in the options file, its other groups untouched. Fails with a text naming the file.
bool writePictureChoices(const QString& path, const PictureChoices& choices, QString* error);

} // namespace lumaport
