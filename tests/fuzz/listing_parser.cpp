// SPDX-License-Identifier: GPL-3.0-or-later
// The listing parser on any bytes a server may send: the first byte chooses MLSD (even) or LIST (odd).
#include "fuzz_check.h"
#include "transfer/remote_listing.h"

using namespace lumaport;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzz::quiet();
    if (size == 0)
        return 0;
    const ListingFormat format = data[0] % 2 == 0 ? ListingFormat::Mlsd : ListingFormat::List;
    const QString reply = buildDirReply(fuzz::bytes(data + 1, size - 1), format);

    // Every entry is one safe name on a line of its own, so the window's list can't be led outside the folder.
    fuzz::check(reply.isEmpty() || reply.endsWith(u"\r\n"), "the reply ends with a line break");
    const QStringList entries = reply.split(QStringLiteral("\r\n"));
    for (qsizetype i = 0; i + 1 < entries.size(); ++i) {
        QStringView name = entries[i];
        if (name.endsWith(u'/'))
            name.chop(1);
        fuzz::check(isSafeEntryName(name), "every entry is a safe name");
    }
    return 0;
}
