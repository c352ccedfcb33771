// SPDX-License-Identifier: GPL-3.0-or-later
#include "history/published_place.h"

#include "history/published_model.h"
#include "history/published_store.h"
#include "transfer/ftp_server_address.h"

#include <QStringList>

namespace lumaport {

using namespace Qt::StringLiterals;

std::optional<PublishedPlace> publishedPlace(const PublishedRecord& record, QString* why)
{
    const QString name = publishedName(record.remotePath);
    FtpServerAddress address;
    QString error;
    if (!parseFtpServerAddress(record.server, &address, &error)) {
        *why = u"%1 can't be deleted from here: its server \"%2\" is not one Lumaport reads (%3)"_s.arg(
            name, record.server, error);
        return std::nullopt;
    }
    PublishedPlace place{record.server, address.isS3() || address.isWebDav(),
                         record.remotePath.left(record.remotePath.size() - name.size()), name};
    // Such a row kept "dav://host:port" alone, the share's folder or the bucket lost with what followed.
    const qsizetype host = record.server.indexOf(u"://"_s) + 3;
    if (place.byFolder && record.server.indexOf(u'/', host) < 0) {
        *why = u"%1 can't be deleted from here: the history kept it without the bucket or folder of %2, and a file "
               u"of the same name elsewhere could go instead. Delete it in the FTP window; its row stays."_s.arg(
                   name, record.server);
        return std::nullopt;
    }
    return place;
}

QString folderRoute(const QString& from, const QString& to)
{
    if (to.startsWith(u'/'))
        return to;
    const QStringList here = from.split(u'/', Qt::SkipEmptyParts);
    const QStringList there = to.split(u'/', Qt::SkipEmptyParts);
    qsizetype shared = 0;
    while (shared < here.size() && shared < there.size() && here[shared] == there[shared])
        ++shared;
    QString route = u"../"_s.repeated(here.size() - shared);
    for (const QString& part : there.mid(shared))
        route += part + u'/';
    return route;
}

} // namespace lumaport
