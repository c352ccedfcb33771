// SPDX-License-Identifier: GPL-3.0-or-later
// The server text as the user typed it ("ftp.example.com", "ftp://example.com:2121", "[::1]:21",
// "sftp://example.com", "s3://s3.example.com/bucket/pics/", "davs://example.com/dav/"): the scheme chooses the
// protocol.
#pragma once

#include <QString>

namespace lumaport {

struct FtpServerAddress
{
    enum class Scheme {
        Ftp,    ///< plain FTP, port 21
        Ftpes,  ///< FTP with AUTH TLS on port 21, control and data encrypted
        Ftps,   ///< FTP inside TLS from the first byte, port 990
        Sftp,   ///< SSH file transfer, port 22
        S3,     ///< an S3-compatible bucket over HTTPS, port 443
        S3Http, ///< the same over plain HTTP, port 80
        Dav,    ///< WebDAV over plain HTTP, port 80
        Davs,   ///< WebDAV over HTTPS, port 443
    };

    Scheme scheme = Scheme::Ftp;
    QString host; ///< ASCII form; an IPv6 address without brackets
    int port = 21;
    QString bucket; ///< S3: the bucket; empty for the others
    /// S3 and WebDAV: the folder inside the bucket or from the server's root, each name ending in "/" as typed
    /// ("pics/2026/"); empty for the bucket itself or the server's root, and for FTP.
    QString folder;
    QString region; ///< S3: the region requests are signed for

    /// "ftp://host:port/" ("ftps://", "sftp://", "https://", "http://"), the root of every request URL; "ftpes"
    /// asks for TLS apart.
    QString url() const;
    /// "ftpes://host:port": the server as the trust file and the trust question name it.
    QString name() const;
    /// The whole server text in its own form, which reads back as the same address.
    QString text() const;
    bool usesTls() const
    {
        return scheme == Scheme::Ftpes || scheme == Scheme::Ftps || scheme == Scheme::S3 || scheme == Scheme::Davs;
    }
    bool isS3() const { return scheme == Scheme::S3 || scheme == Scheme::S3Http; }
    bool isWebDav() const { return scheme == Scheme::Dav || scheme == Scheme::Davs; }
    bool operator==(const FtpServerAddress&) const = default;
};

/// Accepts a host name or address with an optional "ftp://", "ftpes://", "ftps://" or "sftp://" in front,
/// ":port" behind and a "/" at the end; blanks around it are ignored. "s3://" and "s3+http://" take a bucket and
/// a folder behind the host ("s3://host/bucket/pics/") and a region at the end ("?region=eu-west-3"; otherwise
/// the one the host names, as in "s3.eu-central-1.amazonaws.com", else "us-east-1"); "dav://" and "davs://" take
/// a folder. Fails with a text for the user on anything else.
bool parseFtpServerAddress(const QString& text, FtpServerAddress* address, QString* error);

/// The region a host of a provider names ("s3.eu-central-1.amazonaws.com", "s3.us-west-004.backblazeb2.com"), or
/// "us-east-1".
QString regionOfHost(const QString& host);

} // namespace lumaport
