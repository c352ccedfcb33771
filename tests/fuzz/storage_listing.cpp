// SPDX-License-Identifier: GPL-3.0-or-later
// The S3 and WebDAV listing and error readers on any bytes a server may send: the first byte chooses S3 (even) or
// WebDAV (odd).
#include "transfer/storage_listing.h"
#include "fuzz_check.h"
#include "transfer/storage_error.h"
#include "transfer/upload_temporary.h"

using namespace lumaport;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzz::quiet();
    if (size == 0)
        return 0;
    const QByteArray xml = fuzz::bytes(data + 1, size - 1);
    QList<RemoteEntry> entries;
    QString error;
    bool read = false;
    if (data[0] % 2 == 0) {
        S3ListPage page;
        read = readS3ListPage(xml, QStringLiteral("pics/"), &page, &error);
        entries = page.entries;
    } else {
        read = readDavListing(xml, QStringLiteral("/dav/pics/"), &entries, &error);
    }
    fuzz::check(read || !error.isEmpty(), "a refusal says why");
    // Every entry is one safe name, so the window's list can't be led outside the folder.
    for (const RemoteEntry& entry : entries) {
        fuzz::check(isSafeEntryName(entry.name), "every entry is a safe name");
        fuzz::check(!isUploadTemporary(entry.name), "no temporary is listed");
    }
    readDavLength(xml);
    // The server's words come as one line of ours, however long or wild.
    QString message;
    const QString said = serverWords(s3ErrorCode(xml, &message) + message);
    fuzz::check(said.size() <= 200 && !said.contains(u'\n') && !said.contains(QChar(0x202e)), "server words clean");
    return 0;
}
