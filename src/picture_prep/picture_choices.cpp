// SPDX-License-Identifier: GPL-3.0-or-later
#include "picture_prep/picture_choices.h"

#include <QSettings>

namespace lumaport {

namespace {

constexpr int kLargestSide = 65535;

int readSide(const QSettings& file, const char* key, int fallback, int smallest)
{
    bool ok = false;
    const int value = file.value(QLatin1String(key)).toInt(&ok);
    return ok && value >= smallest && value <= kLargestSide ? value : fallback;
}

} // namespace

PictureChoices readPictureChoices(const QString& path)
{
    const PictureChoices defaults;
    const QSettings file(path, QSettings::IniFormat);
    PictureChoices choices;
    choices.removeMetadata = file.value(QStringLiteral("pictures/removeMetadata")).toBool();
    choices.fit = file.value(QStringLiteral("pictures/fit")).toBool();
    choices.maxSide = readSide(file, "pictures/maxSide", defaults.maxSide, 0);
    choices.maxKilobytes = readSide(file, "pictures/maxKilobytes", defaults.maxKilobytes, 0);
    choices.thumbnail = file.value(QStringLiteral("pictures/thumbnail")).toBool();
    choices.thumbnailSide = readSide(file, "pictures/thumbnailSide", defaults.thumbnailSide, 1);
    return choices;
}

bool writePictureChoices(const QString& path, const PictureChoices& choices, QString* error)
{
    QSettings file(path, QSettings::IniFormat);
    file.beginGroup(QStringLiteral("pictures"));
    file.setValue(QStringLiteral("removeMetadata"), choices.removeMetadata);
    file.setValue(QStringLiteral("fit"), choices.fit);
    file.setValue(QStringLiteral("maxSide"), choices.maxSide);
    file.setValue(QStringLiteral("maxKilobytes"), choices.maxKilobytes);
    file.setValue(QStringLiteral("thumbnail"), choices.thumbnail);
    file.setValue(QStringLiteral("thumbnailSide"), choices.thumbnailSide);
    file.endGroup();
    file.sync();
    if (file.status() == QSettings::NoError)
        return true;
    *error = QStringLiteral("Cannot write \"%1\".").arg(path);
    return false;
}

} // namespace lumaport
