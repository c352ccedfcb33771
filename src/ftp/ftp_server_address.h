// SPDX-License-Identifier: GPL-3.0-or-later
// The server text as the user typed it ("ftp.example.com", "ftp://example.com:2121", "[::1]:21").
#pragma once

#include <QString>

namespace lumaport {

struct FtpServerAddress
{
    QString host; ///< ASCII form; an IPv6 address without brackets
    int port = 21;

    /// "ftp://host:port/", the root of every request URL.
    QString url() const;
    bool operator==(const FtpServerAddress&) const = default;
};

/// Accepts a host name or address with an optional "ftp://" in front, ":port" behind and a "/" at the end;
/// blanks around it are ignored. Fails with a text for the user on anything else.
bool parseFtpServerAddress(const QString& text, FtpServerAddress* address, QString* error);

} // namespace lumaport
