// SPDX-License-Identifier: GPL-3.0-or-later
// The server text as the user typed it ("ftp.example.com", "ftp://example.com:2121", "[::1]:21",
// "sftp://example.com"): the scheme chooses the protocol.
#pragma once

#include <QString>

namespace lumaport {

struct FtpServerAddress
{
    enum class Scheme {
        Ftp,   ///< plain FTP, port 21
        Ftpes, ///< FTP with AUTH TLS on port 21, control and data encrypted
        Ftps,  ///< FTP inside TLS from the first byte, port 990
        Sftp,  ///< SSH file transfer, port 22
    };

    Scheme scheme = Scheme::Ftp;
    QString host; ///< ASCII form; an IPv6 address without brackets
    int port = 21;

    /// "ftp://host:port/" ("ftps://", "sftp://"), the root of every request URL; "ftpes" asks for TLS apart.
    QString url() const;
    /// "ftpes://host:port": the server as the trust file and the trust question name it.
    QString name() const;
    bool usesTls() const { return scheme == Scheme::Ftpes || scheme == Scheme::Ftps; }
    bool operator==(const FtpServerAddress&) const = default;
};

/// Accepts a host name or address with an optional "ftp://", "ftpes://", "ftps://" or "sftp://" in front,
/// ":port" behind and a "/" at the end; blanks around it are ignored. Fails with a text for the user on
/// anything else.
bool parseFtpServerAddress(const QString& text, FtpServerAddress* address, QString* error);

} // namespace lumaport
