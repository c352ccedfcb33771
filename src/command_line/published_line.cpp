// SPDX-License-Identifier: GPL-3.0-or-later
#include "command_line/published_line.h"

#include "publish/link_address.h"
#include "publish/link_check.h"

#include <QJsonDocument>
#include <QJsonObject>

namespace lumaport {

using namespace Qt::StringLiterals;

QString publishedLink(const PublishedFile& published, LinkStyle form, const QString& alt)
{
    if (form == LinkStyle::Bare)
        return published.address;
    TagFields fields;
    takeAddress(published.address, &fields);
    fields.keyword = isPictureName(fields.fileName) ? u"img"_s : u"url"_s;
    const TagPair tags = tagPair(fields.keyword);
    fields.openingTag = tags.opening;
    fields.closingTag = tags.closing;
    fields.hasThumbnail = !published.thumbnailAddress.isEmpty();
    fields.thumbnailChosen = fields.hasThumbnail;
    fields.style = form;
    fields.altText = alt;
    return taggedAddress(fields).text;
}

QString publishedJson(const PublishedFile& published, const QString& link)
{
    const QJsonObject object{
        {u"file"_s, published.file},
        {u"address"_s, published.address},
        {u"link"_s, link},
        {u"thumbnail"_s, published.thumbnailAddress.isEmpty() ? QJsonValue() : QJsonValue(published.thumbnailAddress)},
        {u"bytes"_s, published.bytes},
        {u"check"_s, verdictWord(published.check)},
    };
    return QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact));
}

} // namespace lumaport
