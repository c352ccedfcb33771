// SPDX-License-Identifier: GPL-3.0-or-later
// The folder listings of S3 (ListObjectsV2) and WebDAV (PROPFIND) read into the entries of the transfer
// component's "DIR" reply. A reply that is not plain XML (a document type, entities of its own, nesting beyond
// any real listing's) is refused; a name that could lead outside the folder is left out, as in an FTP listing.
#pragma once

#include "transfer/remote_listing.h"

#include <QByteArray>
#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>

namespace lumaport {

/// One page of a ListObjectsV2 reply for the keys under `prefix` ("pics/" or empty), listed with the delimiter "/".
struct S3ListPage
{
    QList<RemoteEntry> entries; ///< common prefixes as folders, keys as files; the folder's own marker left out
    QString nextToken;          ///< the continuation token of a truncated listing; empty on its last page
};

/// Reads one page. Fails with a text for the user when the reply is not a listing.
bool readS3ListPage(const QByteArray& xml, const QString& prefix, S3ListPage* page, QString* error);

/// Reads a PROPFIND (Depth 1) reply on the folder at `folderPath` (decoded, from the server's root, ending in
/// "/"): its members, folders by their resource type, and in `staleTemporaries` our upload temporaries last
/// modified more than a day ago. Fails with a text for the user when the reply is not one.
bool readDavListing(const QByteArray& xml, const QString& folderPath, QList<RemoteEntry>* entries, QString* error,
                    QStringList* staleTemporaries = nullptr);

/// The size a PROPFIND (Depth 0) reply on a file tells; -1 when it tells none.
qint64 readDavLength(const QByteArray& xml);

/// The code of an S3 error reply ("NoSuchBucket"), and its message where asked; empty when the text is not one.
QString s3ErrorCode(const QByteArray& xml, QString* message = nullptr);

/// The most entries one listing shows: a folder no person scrolls through. A bucket that goes on for ever is
/// cut there, and so are its pages.
inline constexpr qsizetype kMaxListingEntries = 50000;
inline constexpr int kMaxListingPages = 200;

/// A listing's entries as its pages come in: one per line of the "DIR" reply, however often the server names it,
/// and no more than kMaxListingEntries.
class ListingEntries
{
public:
    /// False when the listing is full and an entry of the page was left out.
    bool add(const QList<RemoteEntry>& page);
    const QList<RemoteEntry>& entries() const { return m_entries; }

private:
    QList<RemoteEntry> m_entries;
    QSet<QString> m_lines;
};

/// The "DIR" reply for these entries: folders first, each line ended by CR LF, folder names ending in "/".
QString storageDirReply(const QList<RemoteEntry>& entries);

} // namespace lumaport
