// SPDX-License-Identifier: GPL-3.0-or-later
// Several published files at once: one line of address per file, and the short name of the set.
#pragma once

#include "publish/link_address.h"

#include <QList>
#include <QStringList>

namespace lumaport {

struct BlockFile
{
    QString name;
    bool hasThumbnail = false; ///< its thumbnail was sent or is listed beside it
};

enum class LinkForm { Bare, Tagged };

/// One line per file, in the given order, each built as the address of that file alone would be (the fields'
/// fileName and hasThumbnail are taken from each file), joined by "\n". The opening tag is what the last line
/// settled on.
TaggedAddress linkBlock(const TagFields& fields, const QList<BlockFile>& files, LinkForm form);

/// "4 files: a.jpg, b.jpg, c.jpg, d.jpg", cut with "…" to at most maxLength characters; one file is its name.
QString fileSetText(const QStringList& names, qsizetype maxLength);

} // namespace lumaport
