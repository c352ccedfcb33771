// SPDX-License-Identifier: GPL-3.0-or-later
#include "transfer/storage_request.h"

#include <QLocale>
#include <QMimeDatabase>
#include <QUrl>

#include <algorithm>

namespace lumaport {

QString encodedPath(const QString& path)
{
    QStringList names = path.split(u'/');
    for (QString& name : names)
        name = QString::fromLatin1(QUrl::toPercentEncoding(name));
    return names.join(u'/');
}

QString canonicalQuery(QList<std::pair<QString, QString>> parameters)
{
    QStringList pairs;
    for (const auto& [name, value] : parameters)
        pairs << QString::fromLatin1(QUrl::toPercentEncoding(name) + '=' + QUrl::toPercentEncoding(value));
    // Encoded names sort as their bytes, which is the order S3 signs in.
    std::sort(pairs.begin(), pairs.end());
    return pairs.join(u'&');
}

QByteArray storageUrl(const FtpServerAddress& server, const QString& path, const QString& query)
{
    return (server.url() + encodedPath(path) + (query.isEmpty() ? QString() : u'?' + query)).toUtf8();
}

QString storagePath(const FtpServerAddress& server, const QString& folder, const QString& name)
{
    return (server.isS3() ? server.bucket + u'/' : QString()) + server.folder + folder + name;
}

QByteArray contentTypeOf(const QString& name)
{
    const QMimeType type = QMimeDatabase().mimeTypeForFile(name, QMimeDatabase::MatchExtension);
    return type.isDefault() ? QByteArrayLiteral("application/octet-stream") : type.name().toLatin1();
}

QString storagePublicBase(const QString& serverText)
{
    FtpServerAddress server;
    QString error;
    if (!parseFtpServerAddress(serverText, &server, &error) || (!server.isS3() && !server.isWebDav()))
        return {};
    QUrl url(server.url());
    // The web side of a bucket is plain https or http, on the port given only when it is not the usual one.
    if (url.port() == (server.usesTls() ? 443 : 80))
        url.setPort(-1);
    return url.toString(QUrl::FullyEncoded) + encodedPath(storagePath(server, {}));
}

QDateTime httpDate(const QString& text)
{
    // Qt's RFC 2822 reading refuses the zone's name.
    QDateTime time = QLocale::c().toDateTime(text, QStringLiteral("ddd, dd MMM yyyy HH:mm:ss 'GMT'"));
    time.setTimeSpec(Qt::UTC);
    return time;
}

} // namespace lumaport
