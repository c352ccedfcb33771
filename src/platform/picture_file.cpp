// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/picture_file.h"

#include <QByteArrayView>
#include <QFile>
#include <QImageReader>

#include <algorithm>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace lumaport {

namespace {

// Cameras and editors may pad the file or append a small trailer after the end-of-image marker.
constexpr qint64 kJpegTailWindow = 64 * 1024;
// Real headers have a handful of segments; a file of fill bytes must not be walked byte by byte.
constexpr int kMaxJpegHeaderSteps = 4096;

// Offset of the first start-of-scan marker, found by hopping over the header segments; -1 if the header is
// broken. The end marker of an embedded thumbnail lies before it and must not count as the picture's end.
qint64 jpegScanStart(QFile& file)
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

// A JPEG still being written or cut short decodes "successfully" with a grey lower part, so it is refused
// unless its end-of-image marker is there. Only the header and the tail are read.
bool jpegHasEnd(QFile& file, qint64 size)
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

} // namespace

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

    if (file.read(3) == QByteArrayView("\xFF\xD8\xFF", 3) && !jpegHasEnd(file, info.st_size))
        return std::nullopt;
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

} // namespace lumaport
