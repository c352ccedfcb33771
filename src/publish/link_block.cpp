// SPDX-License-Identifier: GPL-3.0-or-later
#include "publish/link_block.h"

namespace lumaport {

using namespace Qt::StringLiterals;

TaggedAddress linkBlock(const TagFields& fields, const QList<BlockFile>& files, LinkForm form)
{
    QStringList lines;
    TagFields each = fields;
    for (const BlockFile& file : files) {
        each.fileName = file.name;
        each.hasThumbnail = file.hasThumbnail;
        if (form == LinkForm::Bare) {
            lines.append(bareAddress(each.urlName, file.name, each.typedBase));
            continue;
        }
        const TaggedAddress built = taggedAddress(each);
        lines.append(built.text);
        each.openingTag = built.openingTag;
    }
    return {lines.join(u'\n'), each.openingTag};
}

QString fileSetText(const QStringList& names, qsizetype maxLength)
{
    const QString text = names.size() == 1 ? names.first() : u"%1 files: "_s.arg(names.size()) + names.join(u", "_s);
    if (text.size() <= maxLength)
        return text;
    return text.left(std::max<qsizetype>(0, maxLength - 1)) + u'\u2026';
}

} // namespace lumaport
