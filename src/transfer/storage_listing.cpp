// SPDX-License-Identifier: GPL-3.0-or-later
#include "transfer/storage_listing.h"

#include "transfer/storage_request.h"
#include "transfer/upload_temporary.h"

#include <QDateTime>
#include <QUrl>
#include <QXmlStreamReader>

#include <functional>

namespace lumaport {

namespace {

// No real listing nests deeper; a hostile one may nest without end.
constexpr int kMaxDepth = 32;

// Walks the elements of a reply, handing each element's path (local names from the root) and its text to visit,
// and ending elements to leave. False with a text on a reply that is not plain, well-formed XML.
bool walk(const QByteArray& xml, const std::function<void(const QStringList& path, const QString& text)>& visit,
          const std::function<void(const QStringList& path)>& leave, QString* error)
{
    QXmlStreamReader reader(xml);
    QStringList path;
    QString text;
    while (!reader.atEnd()) {
        switch (reader.readNext()) {
        case QXmlStreamReader::DTD:
        case QXmlStreamReader::EntityReference:
            *error = QStringLiteral("The server's listing declares a document type or entities of its own, which no "
                                    "listing needs; it was not read.");
            return false;
        case QXmlStreamReader::StartElement:
            path << reader.name().toString();
            text.clear();
            if (path.size() > kMaxDepth) {
                *error = QStringLiteral("The server's listing nests deeper than any listing does; it was not read.");
                return false;
            }
            break;
        case QXmlStreamReader::Characters:
            text += reader.text();
            break;
        case QXmlStreamReader::EndElement:
            visit(path, text);
            leave(path);
            path.removeLast();
            text.clear();
            break;
        default:
            break;
        }
    }
    if (reader.hasError()) {
        *error = QStringLiteral("The server's listing is not well-formed XML: %1.").arg(reader.errorString());
        return false;
    }
    return true;
}

// A name as the list may show it: one that names something inside the folder, never our temporaries.
void addEntry(QList<RemoteEntry>& entries, const QString& name, bool isFolder)
{
    if (isSafeEntryName(name) && !isUploadTemporary(name))
        entries.append({name, isFolder});
}

} // namespace

bool readS3ListPage(const QByteArray& xml, const QString& prefix, S3ListPage* page, QString* error)
{
    S3ListPage read;
    bool isListing = false;
    bool truncated = false;
    const auto visit = [&](const QStringList& path, const QString& text) {
        if (path.size() == 1) {
            isListing = path[0] == u"ListBucketResult";
            return;
        }
        if (path.size() == 2 && path[1] == u"IsTruncated")
            truncated = text == u"true";
        else if (path.size() == 2 && path[1] == u"NextContinuationToken")
            read.nextToken = text;
        else if (path.size() == 3 && path[2] == u"Key" && path[1] == u"Contents" && text.startsWith(prefix) &&
                 text.size() > prefix.size())
            addEntry(read.entries, text.mid(prefix.size()), false);
        else if (path.size() == 3 && path[2] == u"Prefix" && path[1] == u"CommonPrefixes" && text.startsWith(prefix) &&
                 text.endsWith(u'/'))
            addEntry(read.entries, text.mid(prefix.size()).chopped(1), true);
    };
    if (!walk(
            xml, visit, [](const QStringList&) {}, error))
        return false;
    if (!isListing) {
        *error = QStringLiteral("The server's answer is not a bucket listing.");
        return false;
    }
    if (!truncated)
        read.nextToken.clear();
    else if (read.nextToken.isEmpty()) {
        *error = QStringLiteral("The server's listing says it goes on but gives no token to go on with.");
        return false;
    }
    *page = std::move(read);
    return true;
}

bool readDavListing(const QByteArray& xml, const QString& folderPath, QList<RemoteEntry>* entries, QString* error,
                    QStringList* staleTemporaries)
{
    const QDateTime now = QDateTime::currentDateTimeUtc();
    QList<RemoteEntry> read;
    bool isListing = false;
    QString href;
    QString modified;
    bool collection = false;
    const auto visit = [&](const QStringList& path, const QString& text) {
        if (path.size() == 1)
            isListing = path[0] == u"multistatus";
        else if (path.size() == 3 && path[1] == u"response" && path[2] == u"href")
            href = text.trimmed();
        else if (path.size() >= 2 && path.last() == u"collection" && path[path.size() - 2] == u"resourcetype")
            collection = true;
        else if (path.size() >= 2 && path.last() == u"getlastmodified")
            modified = text.trimmed();
    };
    const auto leave = [&](const QStringList& path) {
        if (path.size() != 2 || path[1] != u"response")
            return;
        // An href is a path from the server's root, or a whole address.
        QString memberPath = QUrl::fromPercentEncoding(QUrl(href).path(QUrl::FullyEncoded).toUtf8());
        const bool endsInSlash = memberPath.endsWith(u'/');
        if (endsInSlash)
            memberPath.chop(1);
        if (memberPath.startsWith(folderPath) && memberPath.size() > folderPath.size()) {
            const QString name = memberPath.mid(folderPath.size());
            addEntry(read, name, collection || endsInSlash);
            if (staleTemporaries && isUploadTemporary(name) && isStaleTemporaryTime(httpDate(modified), now))
                staleTemporaries->append(name);
        }
        href.clear();
        modified.clear();
        collection = false;
    };
    if (!walk(xml, visit, leave, error))
        return false;
    if (!isListing) {
        *error = QStringLiteral("The server's answer is not a WebDAV folder listing.");
        return false;
    }
    *entries = std::move(read);
    return true;
}

qint64 readDavLength(const QByteArray& xml)
{
    qint64 length = -1;
    QString ignored;
    const bool read = walk(
        xml,
        [&](const QStringList& path, const QString& text) {
            bool number = false;
            // A property the server lacks comes empty, under a status of 404.
            if (path.size() >= 2 && path.last() == u"getcontentlength" && path[0] == u"multistatus")
                if (const qint64 told = text.trimmed().toLongLong(&number); number && told >= 0)
                    length = told;
        },
        [](const QStringList&) {}, &ignored);
    return read ? length : -1;
}

QString s3ErrorCode(const QByteArray& xml, QString* message)
{
    QString code;
    QString said;
    QString ignored;
    const bool read = walk(
        xml,
        [&](const QStringList& path, const QString& text) {
            if (path.size() == 2 && path[0] == u"Error" && path[1] == u"Code")
                code = text;
            else if (path.size() == 2 && path[0] == u"Error" && path[1] == u"Message")
                said = text;
        },
        [](const QStringList&) {}, &ignored);
    if (message)
        *message = read ? said : QString();
    return read ? code : QString();
}

bool ListingEntries::add(const QList<RemoteEntry>& page)
{
    for (const RemoteEntry& entry : page) {
        // A file and a folder of one name are two lines, as a bucket may hold both.
        const QString line = entry.isFolder ? entry.name + u'/' : entry.name;
        if (m_lines.contains(line))
            continue;
        if (m_entries.size() >= kMaxListingEntries)
            return false;
        m_lines.insert(line);
        m_entries.append(entry);
    }
    return true;
}

QString storageDirReply(const QList<RemoteEntry>& entries)
{
    QString folders;
    QString files;
    for (const RemoteEntry& entry : entries)
        (entry.isFolder ? folders : files) +=
            entry.name + (entry.isFolder ? QStringLiteral("/\r\n") : QStringLiteral("\r\n"));
    return folders + files;
}

} // namespace lumaport
