// SPDX-License-Identifier: GPL-3.0-or-later
// The link builder on any typed address, folder names and file name (the input's lines, in that order): the
// names decode back from the link, and nothing in it is encoded twice.
#include "fuzz_check.h"
#include "publish/link_address.h"

#include <QUrl>

using namespace lumaport;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzz::quiet();
    const QStringList parts = QString::fromUtf8(fuzz::bytes(data, size)).split(u'\n');
    const QString typedBase = parts.value(0);
    const QString folders = parts.value(1);
    const QString fileName = parts.mid(2).join(u'\n');

    const QString address = bareAddress(typedBase + folders, fileName, typedBase);
    // Without a typed address the whole URL name counts as typed.
    const QString typedText = typedBase.isEmpty() ? folders : typedBase;
    const QString nameText = (typedBase.isEmpty() ? QString() : folders) + fileName;
    const QString typed = bareAddress(typedText, {}, typedText);
    fuzz::check(address.startsWith(typed), "the link begins with the typed address");
    fuzz::check(bareAddress(typed, {}, typed) == typed, "what the typed address became is not encoded again");

    const QString names = address.mid(typed.size());
    for (const QChar c : names)
        fuzz::check(c.unicode() > u' ' && c.unicode() < 0x7f && !QStringView(u"\"<>\\^`{|}#?[]").contains(c),
                    "names hold nothing that ends, breaks or closes the link");
    fuzz::check(QUrl::fromPercentEncoding(names.toLatin1()) == nameText, "the names decode back");

    const TaggedAddress tagged =
        taggedAddress({typedBase + folders, typedBase, fileName, QStringLiteral("url"), QStringLiteral("text"),
                       QStringLiteral("[url]"), QStringLiteral("[/url]")});
    fuzz::check(tagged.text == QStringLiteral("[url=") + address + QStringLiteral("]text[/url]"),
                "the link form wraps the same link");
    return 0;
}
