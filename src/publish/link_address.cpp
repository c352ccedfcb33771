// SPDX-License-Identifier: GPL-3.0-or-later
#include "publish/link_address.h"

#include <QByteArray>

namespace lumaport {

namespace {

bool mustBeEncoded(unsigned char byte)
{
    return byte <= 0x20 || byte >= 0x7F || QByteArrayView("\"<>\\^`{|}").contains(char(byte));
}

} // namespace

TagPair tagPair(const QString& keyword)
{
    return {u'[' + keyword + u']', QStringLiteral("[/") + keyword + u']'};
}

QString encodeAddressPath(const QString& address)
{
    const qsizetype hostEnd = address.indexOf(u'/');
    if (hostEnd < 0)
        return address;
    QByteArray path;
    for (const char c : address.mid(hostEnd).toUtf8()) {
        const auto byte = static_cast<unsigned char>(c);
        if (mustBeEncoded(byte))
            path += '%' + QByteArray::number(byte, 16).toUpper().rightJustified(2, '0');
        else
            path += c;
    }
    return address.left(hostEnd) + QString::fromLatin1(path);
}

QString bareAddress(const QString& urlName, const QString& fileName)
{
    return QStringLiteral("http://") + encodeAddressPath(urlName + fileName);
}

QString thumbnailName(const QString& fileName)
{
    const qsizetype dot = fileName.lastIndexOf(u'.');
    if (dot <= 0)
        return fileName + QStringLiteral("_thumb");
    return fileName.left(dot) + QStringLiteral("_thumb") + fileName.mid(dot);
}

QString thumbnailTaggedAddress(const QString& urlName, const QString& fileName)
{
    return QStringLiteral("[url=") + bareAddress(urlName, fileName) + QStringLiteral("][img]") +
           bareAddress(urlName, thumbnailName(fileName)) + QStringLiteral("[/img][/url]");
}

TaggedAddress taggedAddress(const TagFields& fields)
{
    const QString address = bareAddress(fields.urlName, fields.fileName);
    if (fields.keyword != u"url")
        return {fields.openingTag + address + fields.closingTag, fields.openingTag};
    if (fields.linkText.isEmpty())
        return {QStringLiteral("[url]") + address + fields.closingTag, QStringLiteral("[url]")};
    return {QStringLiteral("[url=") + address + u']' + fields.linkText + fields.closingTag, QStringLiteral("[url=")};
}

} // namespace lumaport
