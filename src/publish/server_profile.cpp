// SPDX-License-Identifier: GPL-3.0-or-later
#include "publish/server_profile.h"

#include "platform/settings_text.h"

namespace lumaport {

bool readServerProfile(const QString& path, QStringList* lines, QString* error)
{
    return readSettingsLines(path, kServerProfileLines, lines, error);
}

bool writeServerProfile(const QString& path, const ServerProfile& profile, QString* error)
{
    return writeSettingsLines(
        path,
        {profile.server, profile.userName, profile.password, profile.urlName, profile.permanentUrl, profile.webServer},
        error);
}

} // namespace lumaport
