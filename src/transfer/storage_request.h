// SPDX-License-Identifier: GPL-3.0-or-later
// The parts of an S3 or WebDAV request that are rules of their own: names in URLs, the query libcurl signs as it
// stands, the type a file is served with, and where a bucket or share shows its files to the web.
#pragma once

#include "transfer/ftp_server_address.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringView>

#include <utility>

namespace lumaport {

/// The options file's choice that makes files sent to an S3 bucket readable by everyone.
inline constexpr QStringView kPublicSendsOption = u"storage/publicSends";

/// A path of names ("pics/a b.jpg") with each name percent-encoded as S3 signs it (everything but letters, digits
/// and "-._~"), the "/" between them kept.
QString encodedPath(const QString& path);

/// The query string of a request, its parameters sorted by name and percent-encoded: libcurl signs the query as
/// it is given, and S3 refuses a signature over any other form.
QString canonicalQuery(QList<std::pair<QString, QString>> parameters);

/// The request URL of a path from the server's root: "https://host:port/bucket/pics/a%20b.jpg".
QByteArray storageUrl(const FtpServerAddress& server, const QString& path, const QString& query = {});

/// The path from the server's root of a folder and a name in it, for the address's protocol: S3's
/// "bucket/folder/name", WebDAV's "folder/name". The folder is the one inside the server text's folder.
QString storagePath(const FtpServerAddress& server, const QString& folder, const QString& name = {});

/// The type a web server should tell for a file of this name ("image/jpeg"); "application/octet-stream" when the
/// name says nothing.
QByteArray contentTypeOf(const QString& name);

/// The public address of the folder an S3 or WebDAV server text names, for links when no web address is typed:
/// the bucket's path-style address ("https://host/bucket/pics/") or the share's own; never a signed one. Empty
/// for FTP and for a text that does not read.
QString storagePublicBase(const QString& serverText);

/// An HTTP date ("Tue, 08 Dec 2026 06:00:00 GMT") in UTC; invalid when the text is not one.
QDateTime httpDate(const QString& text);

} // namespace lumaport
