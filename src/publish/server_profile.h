// SPDX-License-Identifier: GPL-3.0-or-later
// A server profile file ("*.lbx", oof.lbr): six lines, one box of the FTP window each.
#pragma once

#include <QString>
#include <QStringList>

namespace lumaport {

struct ServerProfile
{
    QString server;       ///< txtServer
    QString userName;     ///< txtUserName
    QString password;     ///< txtPassword
    QString urlName;      ///< txtname
    QString permanentUrl; ///< txtpermurl
    QString webServer;    ///< Text3
};

inline constexpr int kServerProfileLines = 6;

/// The lines present, at most six, in the order of ServerProfile's fields: the window applies them one at a
/// time and stops where they end. Fails when the file cannot be read.
bool readServerProfile(const QString& path, QStringList* lines, QString* error);

bool writeServerProfile(const QString& path, const ServerProfile& profile, QString* error);

} // namespace lumaport
