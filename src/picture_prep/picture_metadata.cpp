// SPDX-License-Identifier: GPL-3.0-or-later
#include "picture_prep/picture_metadata.h"

#include "picture_prep/gif_file.h"
#include "platform/file_copy.h"
#include "platform/heif_picture.h"

#include <QByteArrayView>
#include <QFile>
#include <QImageReader>
#include <QtEndian>

#include <algorithm>
#include <iterator>

#include <exiv2/exiv2.hpp>

namespace lumaport {

namespace {

QString readError(const QString& path)
{
    return QStringLiteral("Cannot read the picture \"%1\".").arg(path);
}

// What libexiv2 leaves: a multi-picture segment (APP2 "MPF") and anything after the image's end, where phones
// put a second picture (a preview, a depth map) with an EXIF block of its own. Both go; the image data stays.
QByteArray withoutTrailingPictures(const QByteArray& jpeg)
{
    const auto at = [&](qsizetype i) { return i < jpeg.size() ? static_cast<unsigned char>(jpeg[i]) : 0; };
    QByteArray kept = jpeg.left(2);
    qsizetype i = 2;
    while (i + 1 < jpeg.size() && at(i) == 0xFF) {
        const unsigned char marker = at(i + 1);
        if (marker == 0xD9)
            return kept + jpeg.mid(i, 2);
        if (marker == 0xFF || (marker >= 0xD0 && marker <= 0xD7) || marker == 0x01) {
            kept += jpeg.mid(i, marker == 0xFF ? 1 : 2);
            i += marker == 0xFF ? 1 : 2;
            continue;
        }
        const qsizetype length = (at(i + 2) << 8) | at(i + 3);
        qsizetype end = i + 2 + length;
        if (length < 2 || end > jpeg.size())
            return jpeg; // not a layout this knows: leave it as libexiv2 wrote it
        if (marker == 0xDA) {
            // Entropy-coded data ends at the first marker that is neither a stuffed byte nor a restart.
            while (end + 1 < jpeg.size() &&
                   !(at(end) == 0xFF && at(end + 1) != 0x00 && (at(end + 1) < 0xD0 || at(end + 1) > 0xD7)))
                ++end;
        }
        if (!(marker == 0xE2 && jpeg.mid(i + 4, 4) == QByteArrayView("MPF\0", 4)))
            kept += jpeg.mid(i, end - i);
        i = end;
    }
    return jpeg;
}

bool stripJpeg(const QString& path, QString* error)
{
    try {
        // Library warnings would go to the terminal; failures come back as exceptions.
        Exiv2::LogMsg::setLevel(Exiv2::LogMsg::mute);
        auto image = Exiv2::ImageFactory::open(QFile::encodeName(path).toStdString());
        image->readMetadata();
        Exiv2::ExifData& exif = image->exifData();
        const auto orientation = exif.findKey(Exiv2::ExifKey("Exif.Image.Orientation"));
        const long turn = orientation != exif.end() ? orientation->toLong() : 1;
        image->clearExifData();
        image->clearIptcData();
        image->clearXmpPacket();
        image->clearXmpData();
        image->clearComment();
        if (turn != 1)
            image->exifData()["Exif.Image.Orientation"] = static_cast<uint16_t>(turn);
        image->writeMetadata();
    } catch (const Exiv2::AnyError& failure) {
        *error =
            QStringLiteral("Cannot remove the data of \"%1\": %2").arg(path, QString::fromStdString(failure.what()));
        return false;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadWrite)) {
        *error = readError(path);
        return false;
    }
    const QByteArray written = file.readAll();
    const QByteArray kept = withoutTrailingPictures(written);
    if (kept.size() == written.size())
        return true;
    // The file is this program's own temporary copy: it is rewritten in place.
    if (!file.seek(0) || file.write(kept) != kept.size() || !file.resize(kept.size())) {
        *error = QStringLiteral("Cannot write \"%1\": %2").arg(path, file.errorString());
        return false;
    }
    return true;
}

// libexiv2 rewrites only the text chunks it knows (its own EXIF, XMP and IPTC keys), so one with any other
// key, such as "Location", and an eXIf chunk would stay: the chunks are sorted here. Only chunks that shape
// the picture are kept, so nothing unknown slips through.
bool stripPng(const QString& source, const QString& target, QString* error)
{
    static const QByteArrayView kept[] = {"IHDR", "PLTE", "IDAT", "IEND", "tRNS", "gAMA", "cHRM", "sRGB",
                                          "iCCP", "sBIT", "bKGD", "pHYs", "hIST", "acTL", "fcTL", "fdAT"};
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly)) {
        *error = readError(source);
        return false;
    }
    const QByteArray data = in.readAll();
    QByteArray out = data.left(8);
    if (out != QByteArrayView("\x89PNG\r\n\x1a\n")) {
        *error = readError(source);
        return false;
    }
    qsizetype at = 8;
    bool ended = false;
    while (!ended && at + 12 <= data.size()) {
        const auto length = qsizetype(qFromBigEndian<quint32>(data.constData() + at));
        if (length > data.size() - at - 12)
            break;
        const QByteArrayView type(data.constData() + at + 4, 4);
        ended = type == QByteArrayView("IEND");
        if (std::find(std::begin(kept), std::end(kept), type) != std::end(kept))
            out += QByteArrayView(data.constData() + at, length + 12);
        at += length + 12;
    }
    if (!ended) {
        *error = readError(source);
        return false;
    }
    QFile file(target);
    if (!file.open(QIODevice::WriteOnly) || file.write(out) != out.size() || !file.flush()) {
        *error = QStringLiteral("Cannot write \"%1\": %2").arg(target, file.errorString());
        return false;
    }
    return true;
}

// Like the PNG's: the chunks that make the picture are kept, and the extended header no longer announces the EXIF
// and XMP chunks that went.
bool stripWebp(const QString& source, const QString& target, QString* error)
{
    static const QByteArrayView kept[] = {"VP8 ", "VP8L", "VP8X", "ALPH", "ANIM", "ANMF", "ICCP"};
    constexpr char kExifAndXmpFlags = 0x0C;
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly)) {
        *error = readError(source);
        return false;
    }
    const QByteArray data = in.readAll();
    if (data.size() < 12 || !data.startsWith("RIFF") || data.mid(8, 4) != "WEBP") {
        *error = readError(source);
        return false;
    }
    QByteArray out = data.left(12);
    const qsizetype end = std::min(data.size(), qsizetype(qFromLittleEndian<quint32>(data.constData() + 4)) + 8);
    for (qsizetype at = 12; at + 8 <= end;) {
        const auto length = qsizetype(qFromLittleEndian<quint32>(data.constData() + at + 4));
        // Chunks are padded to an even length.
        const qsizetype whole = 8 + length + (length & 1);
        if (length > end - at - 8) {
            *error = readError(source);
            return false;
        }
        const QByteArrayView type(data.constData() + at, 4);
        if (std::find(std::begin(kept), std::end(kept), type) != std::end(kept)) {
            qsizetype start = out.size();
            out += QByteArrayView(data.constData() + at, std::min(whole, end - at));
            if (type == QByteArrayView("VP8X") && length > 0)
                out[start + 8] = char(out[start + 8] & ~kExifAndXmpFlags);
        }
        at += whole;
    }
    qToLittleEndian<quint32>(quint32(out.size() - 8), out.data() + 4);
    QFile file(target);
    if (!file.open(QIODevice::WriteOnly) || file.write(out) != out.size() || !file.flush()) {
        *error = QStringLiteral("Cannot write \"%1\": %2").arg(target, file.errorString());
        return false;
    }
    return true;
}

} // namespace

PictureKind pictureKind(const QString& path)
{
    const QByteArray format = QImageReader::imageFormat(path);
    if (format == "jpeg")
        return PictureKind::Jpeg;
    if (format == "png")
        return PictureKind::Png;
    if (format == "gif")
        return PictureKind::Gif;
    if (format == "bmp")
        return PictureKind::Bmp;
    if (format == "webp")
        return PictureKind::Webp;
    QFile file(path);
    if (file.open(QIODevice::ReadOnly) && isHeifPicture(file))
        return PictureKind::Heif;
    return PictureKind::Other;
}

bool copyWithoutMetadata(const QString& source, PictureKind kind, const QString& target, QString* error)
{
    switch (kind) {
    case PictureKind::Jpeg:
        return copyFileReplacing(source, target, error) && stripJpeg(target, error);
    case PictureKind::Png:
        return stripPng(source, target, error);
    case PictureKind::Gif:
        return copyGifWithoutMetadata(source, target, error);
    case PictureKind::Webp:
        return stripWebp(source, target, error);
    case PictureKind::Heif:
        *error = QStringLiteral("Cannot remove the data of \"%1\" without making it a JPEG.").arg(source);
        return false;
    case PictureKind::Bmp:
    case PictureKind::Other:
        break;
    }
    return copyFileReplacing(source, target, error);
}

} // namespace lumaport
