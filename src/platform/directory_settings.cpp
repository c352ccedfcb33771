// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/directory_settings.h"

#include "platform/settings_text.h"

#include <cmath>

namespace lumaport {

namespace {

QString booleanText(bool value)
{
    return value ? QStringLiteral("True") : QStringLiteral("False");
}

} // namespace

bool readDirectorySettings(const QString& path, QStringList* lines, QString* error)
{
    return readSettingsLines(path, kDirectorySettingsLines, lines, error);
}

bool writeDirectorySettings(const QString& path, const DirectorySettings& s, QString* error)
{
    const auto& k = s.kinds;
    return writeSettingsLines(path,
                              {s.mainFolder, s.mainDrive, s.savePictureFolder, s.savePictureDrive, s.server, s.userName,
                               s.password, s.openingTag, s.closingTag, s.urlName, booleanText(k[0]), booleanText(k[1]),
                               booleanText(k[2]), booleanText(k[3]), s.linkText, s.permanentUrl, s.webServer,
                               booleanText(k[4]), booleanText(k[5])},
                              error);
}

std::optional<int> kindOfLine(DirectoryLine line)
{
    switch (line) {
    case DirectoryLine::GifKind:
        return 0;
    case DirectoryLine::JpgKind:
        return 1;
    case DirectoryLine::BmpKind:
        return 2;
    case DirectoryLine::ZipKind:
        return 3;
    case DirectoryLine::ExeKind:
        return 4;
    case DirectoryLine::AllKind:
        return 5;
    default:
        return std::nullopt;
    }
}

std::optional<bool> settingsBoolean(const QString& text)
{
    const QString word = text.trimmed();
    if (word.compare(u"True", Qt::CaseInsensitive) == 0)
        return true;
    if (word.compare(u"False", Qt::CaseInsensitive) == 0)
        return false;
    bool isNumber = false;
    const double number = word.toDouble(&isNumber);
    if (!isNumber || !std::isfinite(number))
        return std::nullopt;
    return number != 0;
}

} // namespace lumaport
