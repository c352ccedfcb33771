// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/test_files.h"

#include <QFile>
#include <QImage>

namespace lumaport::test {

QString writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
    return path;
}

QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

QString writePicture(const QString& path, Qt::GlobalColor color, const char* format)
{
    QImage image(64, 48, QImage::Format_RGB32);
    image.fill(color);
    if (!image.save(path, format))
        qFatal("cannot write %s", qPrintable(path));
    return path;
}

} // namespace lumaport::test
