// SPDX-License-Identifier: GPL-3.0-or-later
#include "picture_prep/picture_choices.h"

#include "platform/options_file.h"

namespace lumaport {

namespace {

constexpr int kLargestSide = 65535;

int readSide(const QVariantMap& file, const QString& key, int fallback, int smallest)
{
    bool ok = false;
    const int value = file.value(key).toInt(&ok);
    return ok && value >= smallest && value <= kLargestSide ? value : fallback;
}

} // namespace

PictureChoices readPictureChoices(const QString& path)
{
    const PictureChoices defaults;
    const QVariantMap file = readOptions(path);
    PictureChoices choices;
    choices.removeMetadata = file.value(QStringLiteral("pictures/removeMetadata")).toBool();
    choices.fit = file.value(QStringLiteral("pictures/fit")).toBool();
    choices.maxSide = readSide(file, QStringLiteral("pictures/maxSide"), defaults.maxSide, 0);
    choices.maxKilobytes = readSide(file, QStringLiteral("pictures/maxKilobytes"), defaults.maxKilobytes, 0);
    choices.thumbnail = file.value(QStringLiteral("pictures/thumbnail")).toBool();
    choices.thumbnailSide = readSide(file, QStringLiteral("pictures/thumbnailSide"), defaults.thumbnailSide, 1);
    choices.sendAsWebp = file.value(QStringLiteral("pictures/sendAsWebp")).toBool();
    return choices;
}

bool writePictureChoices(const QString& path, const PictureChoices& choices, QString* error)
{
    return writeOptions(path,
                        {{QStringLiteral("pictures/removeMetadata"), choices.removeMetadata},
                         {QStringLiteral("pictures/fit"), choices.fit},
                         {QStringLiteral("pictures/maxSide"), choices.maxSide},
                         {QStringLiteral("pictures/maxKilobytes"), choices.maxKilobytes},
                         {QStringLiteral("pictures/thumbnail"), choices.thumbnail},
                         {QStringLiteral("pictures/thumbnailSide"), choices.thumbnailSide},
                         {QStringLiteral("pictures/sendAsWebp"), choices.sendAsWebp}},
                        error);
}

} // namespace lumaport
