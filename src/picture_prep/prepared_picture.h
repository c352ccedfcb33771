// SPDX-License-Identifier: GPL-3.0-or-later
// The files sent for one picture: made in a temporary folder from the local file, which is never changed,
// and removed with this object.
#pragma once

#include "picture_prep/picture_choices.h"

#include <QString>
#include <QTemporaryDir>

#include <memory>

namespace lumaport {

class PreparedPicture
{
public:
    /// Applies the choices to the local file `source`: its location and camera data removed; fitted within the
    /// limits (a picture within both is left as it is, byte for byte; a larger one is scaled and a JPEG's
    /// quality lowered step by step, never below a floor, until it fits); a thumbnail made. A file that is
    /// no JPEG, PNG, GIF or BMP picture is left as it is. An animated GIF is never flattened: it keeps its
    /// size and note() says so. Fails with a text when the picture can't be read or made to fit.
    ///
    /// A file whose name says picture but whose content is none, and a picture that does not end whole (cut
    /// short, still being copied), are never decoded, since that would send grey where the picture is missing:
    /// prepare fails with a sentence that says why and unreadable() is true. picture() is then what may be sent
    /// on the user's word: the file as it is, or, when its location data was to go, a JPEG without it (only
    /// segments before its image data are rewritten, so what it shows stays byte for byte).
    bool prepare(const QString& source, const PictureChoices& choices, QString* error);

    /// What to send in the source's place: the source itself when nothing had to change.
    QString picture() const { return m_picture; }
    /// The thumbnail to send beside it; empty when none was asked for or the file is no picture.
    QString thumbnail() const { return m_thumbnail; }
    /// What the user should know about the result; empty when all went as asked.
    QString note() const { return m_note; }
    /// Whether the last prepare failed because the file is no picture that can be read whole.
    bool unreadable() const { return m_unreadable; }

private:
    std::unique_ptr<QTemporaryDir> m_folder;
    QString m_picture;
    QString m_thumbnail;
    QString m_note;
    bool m_unreadable = false;
};

} // namespace lumaport
