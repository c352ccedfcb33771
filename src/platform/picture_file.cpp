// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/picture_file.h"

#include "platform/heif_picture.h"
#include "platform/paths.h"
#include "platform/program_files.h"

#include <QByteArrayView>
#include <QFile>
#include <QImageReader>
#include <QtEndian>

#include <algorithm>
#include <cstdlib>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace lumaport {

namespace {

// Cameras and editors may pad the file or append a small trailer after the end-of-image marker.
constexpr qint64 kJpegTailWindow = 64 * 1024;
// Real headers have a handful of segments; a file of fill bytes must not be walked byte by byte.
constexpr int kMaxJpegHeaderSteps = 4096;

quint32 bigEndian32(const QByteArray& bytes, qsizetype at)
{
    return qFromBigEndian<quint32>(bytes.constData() + at);
}

// Offset of the first start-of-scan marker, found by hopping over the header segments; -1 if the header is
// broken. The end marker of an embedded thumbnail lies before it and must not count as the picture's end.
qint64 jpegScanStart(QIODevice& file)
{
    qint64 pos = 2;
    for (int step = 0; step < kMaxJpegHeaderSteps; ++step) {
        if (!file.seek(pos))
            return -1;
        const QByteArray head = file.read(4);
        if (head.size() < 4 || static_cast<uchar>(head[0]) != 0xFF)
            return -1;
        const uchar marker = static_cast<uchar>(head[1]);
        if (marker == 0xFF) { // fill byte
            ++pos;
            continue;
        }
        if (marker == 0xDA)
            return pos;
        if (marker == 0xD9)
            return -1;
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) { // markers without a length
            pos += 2;
            continue;
        }
        const int length = (static_cast<uchar>(head[2]) << 8) | static_cast<uchar>(head[3]);
        if (length < 2)
            return -1;
        pos += 2 + length;
    }
    return -1;
}

// Only the header and the tail are read.
bool jpegEnds(QIODevice& file, qint64 size)
{
    const qint64 scanStart = jpegScanStart(file);
    if (scanStart < 0)
        return false;
    const qint64 from = std::max(scanStart, size - kJpegTailWindow);
    if (!file.seek(from))
        return false;
    const QByteArray tail = file.read(size - from);
    return tail.contains(QByteArrayView("\xFF\xD9", 2));
}

// Chunk by chunk, by their lengths, up to IEND.
bool pngEnds(QIODevice& file, qint64 size)
{
    for (qint64 pos = 8; pos + 12 <= size;) {
        if (!file.seek(pos))
            return false;
        const QByteArray head = file.read(8);
        if (head.size() < 8)
            return false;
        pos += 12 + qint64(bigEndian32(head, 0));
        if (pos > size)
            return false;
        if (head.mid(4, 4) == "IEND")
            return true;
    }
    return false;
}

// Returns the offset after the data sub-blocks that start at `pos`, or -1 where they run past the end.
qint64 afterGifSubBlocks(QIODevice& file, qint64 pos, qint64 size)
{
    for (;;) {
        char length = 0;
        if (pos >= size || !file.seek(pos) || !file.getChar(&length))
            return -1;
        pos += 1 + static_cast<uchar>(length);
        if (length == 0)
            return pos;
    }
}

qint64 gifColourTableBytes(uchar flags)
{
    return (flags & 0x80) != 0 ? 3 * (qint64{2} << (flags & 0x07)) : 0;
}

// Block by block to the trailer. A file that stops right after a whole frame, with no trailer, has all its
// frames, and browsers show it so.
bool gifEnds(QIODevice& file, qint64 size)
{
    if (!file.seek(10))
        return false;
    char flags = 0;
    if (!file.getChar(&flags))
        return false;
    qint64 pos = 13 + gifColourTableBytes(static_cast<uchar>(flags));
    bool framed = false;
    while (pos >= 0) {
        char block = 0;
        if (pos == size)
            return framed;
        if (!file.seek(pos) || !file.getChar(&block))
            return false;
        switch (static_cast<uchar>(block)) {
        case 0x3B: // trailer
            return true;
        case 0x21: // extension: its label, then its data
            pos = afterGifSubBlocks(file, pos + 2, size);
            break;
        case 0x2C: { // frame: its descriptor, colour table, code size, then its data
            const QByteArray descriptor = file.read(9);
            if (descriptor.size() < 9)
                return false;
            pos = afterGifSubBlocks(file, pos + 11 + gifColourTableBytes(static_cast<uchar>(descriptor[8])), size);
            framed = pos >= 0;
            break;
        }
        default:
            return false;
        }
    }
    return false;
}

// The rows the header promises must all be there; compressed rows take the size the header gives them.
bool bmpEnds(QIODevice& file, qint64 size)
{
    if (!file.seek(0))
        return false;
    const QByteArray head = file.read(54);
    if (head.size() < 26)
        return false;
    const qint64 dataStart = qFromLittleEndian<quint32>(head.constData() + 10);
    const quint32 headerSize = qFromLittleEndian<quint32>(head.constData() + 14);
    qint64 width = 0;
    qint64 height = 0;
    int bits = 0;
    quint32 compression = 0;
    qint64 dataSize = 0;
    if (headerSize == 12) {
        width = qFromLittleEndian<quint16>(head.constData() + 18);
        height = qFromLittleEndian<quint16>(head.constData() + 20);
        bits = qFromLittleEndian<quint16>(head.constData() + 24);
    } else if (headerSize >= 40 && head.size() == 54) {
        width = qFromLittleEndian<qint32>(head.constData() + 18);
        height = std::abs(qint64(qFromLittleEndian<qint32>(head.constData() + 22)));
        bits = qFromLittleEndian<quint16>(head.constData() + 28);
        compression = qFromLittleEndian<quint32>(head.constData() + 30);
        dataSize = qFromLittleEndian<quint32>(head.constData() + 34);
    } else {
        return false;
    }
    if (width < 0 || dataStart > size)
        return false;
    constexpr quint32 kRgb = 0;
    constexpr quint32 kBitFields = 3;
    constexpr quint32 kAlphaBitFields = 6;
    if (compression != kRgb && compression != kBitFields && compression != kAlphaBitFields)
        return dataSize <= size - dataStart;
    // Divided, not multiplied: a made-up header's rows times its height would overflow.
    const qint64 rowBytes = (width * bits + 31) / 32 * 4;
    return height == 0 || rowBytes <= (size - dataStart) / height;
}

// The RIFF header gives the length of all that follows it.
bool webpEnds(qint64 size, const QByteArray& head)
{
    return qint64(qFromLittleEndian<quint32>(head.constData() + 4)) + 8 <= size;
}

// Box by box to the end; the last one (the picture data, as written) must end within the file.
bool heifEnds(QIODevice& file, qint64 size)
{
    for (qint64 pos = 0; pos < size;) {
        if (!file.seek(pos))
            return false;
        const QByteArray head = file.read(16);
        if (head.size() < 8)
            return false;
        qint64 length = bigEndian32(head, 0);
        if (length == 0) // up to the end of the file
            return true;
        if (length == 1) {
            if (head.size() < 16)
                return false;
            length = qint64(qFromBigEndian<quint64>(head.constData() + 8));
        }
        if (length < 8 || length > size - pos)
            return false;
        pos += length;
    }
    return true;
}

} // namespace

bool pictureEndsWhole(QIODevice& file)
{
    const qint64 size = file.size();
    if (!file.seek(0))
        return false;
    const QByteArray head = file.read(8);
    if (head.startsWith("\xFF\xD8\xFF"))
        return jpegEnds(file, size);
    if (head == QByteArrayView("\x89PNG\r\n\x1a\n"))
        return pngEnds(file, size);
    if (head.startsWith("GIF87a") || head.startsWith("GIF89a"))
        return gifEnds(file, size);
    if (head.startsWith("BM"))
        return bmpEnds(file, size);
    if (head.startsWith("RIFF") && file.seek(8) && file.read(4) == "WEBP")
        return webpEnds(size, head);
    if (isHeifPicture(file))
        return heifEnds(file, size);
    return true;
}

std::optional<QImage> loadPictureFile(const QString& path, QSize boxSize)
{
    if (path.isEmpty())
        return std::nullopt;
    const QByteArray nativePath = QFile::encodeName(path);

    // Only regular files are opened: a FIFO would wait for a writer, and a device may never end.
    struct stat info = {};
    if (::stat(nativePath.constData(), &info) != 0 || !S_ISREG(info.st_mode) || info.st_size == 0)
        return std::nullopt;
    const int fd = ::open(nativePath.constData(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0)
        return std::nullopt;
    QFile file;
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return std::nullopt;
    }
    // The name may have been given to something else since the stat.
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode))
        return std::nullopt;

    if (!pictureEndsWhole(file) || !file.seek(0))
        return std::nullopt;
    if (isHeifPicture(file)) {
        QString ignored;
        const std::optional<QImage> image = readHeifPicture(file, &ignored);
        if (!image || boxSize.isEmpty())
            return image;
        return image->scaled(boxSize, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    }
    if (!file.seek(0))
        return std::nullopt;

    // The format comes from the content only: a ZIP renamed to .jpg is no picture.
    QImageReader reader(&file);
    reader.setAutoTransform(true);
    if (!boxSize.isEmpty()) {
        // The reader scales before it turns the picture upright, so a quarter-turned picture is decoded
        // into the box turned the other way.
        QSize decodeSize = boxSize;
        if (reader.transformation() & QImageIOHandler::TransformationRotate90)
            decodeSize.transpose();
        reader.setScaledSize(decodeSize);
    }
    QImage image;
    if (!reader.read(&image))
        return std::nullopt;
    return image;
}

QImage loadPlaceholder(const QString& programFolder, QSize boxSize)
{
    return loadPictureFile(joinPath(picturesFolder(programFolder), kPlaceholderName), boxSize).value_or(QImage());
}

} // namespace lumaport
