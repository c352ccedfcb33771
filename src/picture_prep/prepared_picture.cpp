// SPDX-License-Identifier: GPL-3.0-or-later
#include "picture_prep/prepared_picture.h"

#include "picture_prep/gif_file.h"
#include "platform/heif_picture.h"
#include "platform/picture_file.h"
#include "publish/link_check.h"

#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QImageReader>
#include <QImageWriter>

#include <algorithm>
#include <cmath>
#include <span>

namespace lumaport {

using namespace Qt::StringLiterals;

namespace {

// Below 50 JPEG blocks show, and WebP smears; a picture that still does not fit is made smaller instead.
constexpr int kLossyQualities[] = {90, 80, 70, 60, 50};
constexpr int kNoQuality[] = {-1};
constexpr int kThumbnailQuality = 85;
constexpr int kSmallestSide = 16;

int longestSide(QSize size)
{
    return std::max(size.width(), size.height());
}

QSize fitted(QSize size, int side)
{
    if (side <= 0 || longestSide(size) <= side)
        return size;
    return size.scaled(side, side, Qt::KeepAspectRatio).expandedTo({1, 1});
}

QImage readHeif(const QString& path, int side, QString* error)
{
    QFile file(path);
    QString why = file.errorString();
    std::optional<QImage> image;
    if (file.open(QIODevice::ReadOnly))
        image = readHeifPicture(file, &why);
    if (!image) {
        *error = QStringLiteral("Cannot read the picture \"%1\": %2").arg(path, why);
        return {};
    }
    const QSize size = fitted(image->size(), side);
    return size == image->size() ? *image : image->scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

// Reads the picture turned upright, since what is written carries no orientation; scaled down (with the
// smooth filter, and for a JPEG from a reduced decode) so its longest side is at most `side`.
QImage readUpright(const QString& path, PictureKind kind, int side, QString* error)
{
    if (kind == PictureKind::Heif)
        return readHeif(path, side, error);
    QImageReader reader(path);
    reader.setAutoTransform(true);
    reader.setQuality(100);
    reader.setScaledSize(fitted(reader.size(), side));
    QImage image = reader.read();
    if (image.isNull())
        *error = QStringLiteral("Cannot read the picture \"%1\": %2").arg(path, reader.errorString());
    return image;
}

bool writePicture(const QImage& image, PictureKind kind, int quality, const QString& path, QString* error)
{
    if (kind == PictureKind::Gif)
        return writeStillGif(image, path, error);
    QImageWriter writer(path, kind == PictureKind::Jpeg   ? "jpeg"
                              : kind == PictureKind::Png  ? "png"
                              : kind == PictureKind::Webp ? "webp"
                                                          : "bmp");
    writer.setQuality(quality);
    writer.setOptimizedWrite(true);
    if (writer.write(image))
        return true;
    *error = QStringLiteral("Cannot write \"%1\": %2").arg(path, writer.errorString());
    return false;
}

bool isAnimated(const QString& path, PictureKind kind)
{
    return (kind == PictureKind::Gif || kind == PictureKind::Webp) && QImageReader(path).imageCount() > 1;
}

PictureKind sentKind(PictureKind kind, const PictureChoices& choices)
{
    if (kind == PictureKind::Heif)
        return PictureKind::Jpeg;
    if (choices.fit && choices.sendAsWebp && (kind == PictureKind::Jpeg || kind == PictureKind::Png))
        return PictureKind::Webp;
    return kind;
}

// Scaled to the longest side (0: any), then, while over the size limit (0: none), written at each lower quality
// and scaled down again.
bool writeToFit(const QString& source, PictureKind kind, PictureKind written, int side, int kilobytes,
                const QString& target, QString* error)
{
    QImage image = readUpright(source, kind, side, error);
    if (image.isNull())
        return false;
    const qint64 limit = qint64(kilobytes) * 1024;
    const std::span<const int> qualities = written == PictureKind::Jpeg || written == PictureKind::Webp
                                               ? std::span<const int>(kLossyQualities)
                                               : std::span<const int>(kNoQuality);
    for (;;) {
        qint64 bytes = 0;
        for (const int quality : qualities) {
            if (!writePicture(image, written, quality, target, error))
                return false;
            bytes = QFileInfo(target).size();
            if (limit <= 0 || bytes <= limit)
                return true;
        }
        if (longestSide(image.size()) <= kSmallestSide) {
            *error = QStringLiteral("The picture cannot be made to fit within %1 KB.").arg(kilobytes);
            return false;
        }
        // About the share of the pixels that the size must lose, and at least a twentieth of them.
        const double factor = std::clamp(std::sqrt(double(limit) / double(bytes)), 0.5, 0.95);
        image = image.scaled(image.size() * factor, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    }
}

// Empty for a picture that can be read whole.
QString whyUnreadable(QFile& file, PictureKind kind)
{
    const QString name = QFileInfo(file.fileName()).fileName();
    if (file.size() == 0)
        return QStringLiteral("\"%1\" is empty: it holds no picture.").arg(name);
    if (kind == PictureKind::Other)
        return QStringLiteral("\"%1\" holds no JPEG, PNG, GIF, BMP, WebP, HEIC or AVIF picture.").arg(name);
    if (!pictureEndsWhole(file))
        return QStringLiteral("\"%1\" is cut short: the end of the picture is missing.").arg(name);
    return {};
}

} // namespace

bool PreparedPicture::prepare(const QString& source, const PictureChoices& choices, QString* error)
{
    m_picture = source;
    m_thumbnail.clear();
    m_note.clear();
    m_unreadable = false;
    m_kindChanged = false;
    // Telling the kind reads the file; with no choice made it would not change what is sent.
    if (!(choices.removeMetadata || choices.fit || choices.thumbnail))
        return true;
    const PictureKind kind = pictureKind(source);
    // An archive or a text: the choices are for pictures.
    if (kind == PictureKind::Other && !isPictureName(source))
        return true;
    QFile file(source);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("Cannot read \"%1\": %2").arg(source, file.errorString());
        return false;
    }
    const QString unreadable = whyUnreadable(file, kind);
    m_folder = std::make_unique<QTemporaryDir>();
    if (!m_folder->isValid()) {
        *error = QStringLiteral("Cannot make a temporary folder: %1").arg(m_folder->errorString());
        return false;
    }
    if (!unreadable.isEmpty()) {
        // Its location data needs no decoding to go; a failure there leaves the file as it is.
        QString ignored;
        const QString cleaned = m_folder->filePath(QStringLiteral("picture"));
        if (choices.removeMetadata && kind == PictureKind::Jpeg && copyWithoutMetadata(source, kind, cleaned, &ignored))
            m_picture = cleaned;
        m_unreadable = true;
        *error = unreadable;
        if (choices.removeMetadata && kind != PictureKind::Other && m_picture == source)
            *error += QStringLiteral(" Its location data can't be taken out of it either.");
        return false;
    }

    m_sentKind = sentKind(kind, choices);
    m_kindChanged = m_sentKind != kind;
    // A picture made anew holds no data of the old one.
    if (choices.removeMetadata && !m_kindChanged) {
        const QString cleaned = m_folder->filePath(QStringLiteral("picture"));
        if (!copyWithoutMetadata(source, kind, cleaned, error))
            return false;
        m_picture = cleaned;
    }

    const qint64 limit = qint64(choices.maxKilobytes) * 1024;
    const QSize size = QImageReader(m_picture).size();
    const bool fits = !m_kindChanged && (choices.maxSide <= 0 || longestSide(size) <= choices.maxSide) &&
                      (limit <= 0 || QFileInfo(m_picture).size() <= limit);
    if (choices.fit && !fits && isAnimated(m_picture, kind)) {
        m_note = QStringLiteral("%1 is an animated %2: it is sent at its own size, since fitting it within the "
                                "limit would flatten it to one frame.")
                     .arg(QFileInfo(source).fileName(), kind == PictureKind::Gif ? u"GIF"_s : u"WebP"_s);
    } else if (m_kindChanged || (choices.fit && !fits)) {
        const QString fitted = m_folder->filePath(QStringLiteral("fitted"));
        if (!writeToFit(m_picture, kind, m_sentKind, choices.fit ? choices.maxSide : 0,
                        choices.fit ? choices.maxKilobytes : 0, fitted, error))
            return false;
        m_picture = fitted;
    }

    if (choices.thumbnail) {
        const QImage image = readUpright(m_picture, m_sentKind, choices.thumbnailSide, error);
        const QString thumbnail = m_folder->filePath(QStringLiteral("thumbnail"));
        if (image.isNull() || !writePicture(image, m_sentKind, kThumbnailQuality, thumbnail, error))
            return false;
        m_thumbnail = thumbnail;
    }
    return true;
}

namespace {

QString withExtensionOf(const QString& name, PictureKind kind)
{
    const QString extension = kind == PictureKind::Webp ? u".webp"_s : u".jpg"_s;
    const qsizetype dot = name.lastIndexOf(u'.');
    return (dot > 0 ? name.left(dot) : name) + extension;
}

} // namespace

QString PreparedPicture::sentName(const QString& name) const
{
    return m_kindChanged ? withExtensionOf(name, m_sentKind) : name;
}

QString sentNameFor(const QString& source, const QString& name, const PictureChoices& choices)
{
    if (!(choices.removeMetadata || choices.fit || choices.thumbnail))
        return name;
    const PictureKind kind = pictureKind(source);
    const PictureKind sent = sentKind(kind, choices);
    return sent != kind ? withExtensionOf(name, sent) : name;
}

} // namespace lumaport
