// SPDX-License-Identifier: GPL-3.0-or-later
// The files sent for one picture: made in a temporary folder from the local file, which is never changed,
// and removed with this object.
#pragma once

#include "picture_prep/picture_choices.h"
#include "picture_prep/picture_metadata.h"

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
    /// no JPEG, PNG, GIF, BMP, WebP, HEIC or AVIF picture is left as it is. An animated GIF is never flattened:
    /// it keeps its size and note() says so. Fails with a text when the picture can't be read or made to fit.
    ///
    /// Some pictures change kind, turned upright first: a HEIC or AVIF goes as a JPEG whenever a choice is made
    /// (browsers show few of them, and their data leaves only with a new picture), and with fit and sendAsWebp a
    /// JPEG or PNG goes as a WebP. sentName() gives the name that then matches what is sent.
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
    /// The name to send the picture under: `name` with the extension of the kind sent, when that changed. The
    /// thumbnail is of the same kind.
    QString sentName(const QString& name) const;
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
    bool m_kindChanged = false;
    PictureKind m_sentKind = PictureKind::Other;
};

/// The name a file goes under once prepared with the choices, before it is: its kind's extension when the choices
/// change its kind.
QString sentNameFor(const QString& source, const QString& name, const PictureChoices& choices);

} // namespace lumaport
