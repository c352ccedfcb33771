// SPDX-License-Identifier: GPL-3.0-or-later
#include "publish/link_address.h"

#include "publish/link_check.h"

#include <QByteArray>
#include <QUrl>

namespace lumaport {

namespace {

// What can't stand in a path even as the user typed it.
bool mustBeEncoded(unsigned char byte)
{
    return byte <= 0x20 || byte >= 0x7F || QByteArrayView("\"<>\\^`{|}").contains(char(byte));
}

// In a name these would end the path ("#", "?"), read as an escape ("%") or close a tag ("]").
bool nameMustBeEncoded(unsigned char byte)
{
    return mustBeEncoded(byte) || QByteArrayView("%#?[]").contains(char(byte));
}

QString encoded(const QString& text, bool (*mustEncode)(unsigned char))
{
    QByteArray path;
    for (const char c : text.toUtf8()) {
        const auto byte = static_cast<unsigned char>(c);
        if (mustEncode(byte))
            path += '%' + QByteArray::number(byte, 16).toUpper().rightJustified(2, '0');
        else
            path += c;
    }
    return QString::fromLatin1(path);
}

bool startsWithScheme(const QString& address)
{
    return address.startsWith(u"http://", Qt::CaseInsensitive) || address.startsWith(u"https://", Qt::CaseInsensitive);
}

// Where the host begins: behind "http://" or "https://", else at the start.
qsizetype hostStart(const QString& address)
{
    return startsWithScheme(address) ? address.indexOf(u"//") + 2 : 0;
}

} // namespace

TagPair tagPair(const QString& keyword)
{
    return {u'[' + keyword + u']', QStringLiteral("[/") + keyword + u']'};
}

QString bareAddress(const QString& urlName, const QString& fileName, const QString& typedBase)
{
    const bool typedFirst = !typedBase.isEmpty() && urlName.startsWith(typedBase);
    const QString typed = typedFirst ? typedBase : urlName;
    const QString names = (typedFirst ? urlName.mid(typedBase.size()) : QString()) + fileName;
    const bool hasScheme = startsWithScheme(typed);
    const qsizetype hostEnd = typed.indexOf(u'/', hostStart(typed));
    const QString host = hostEnd < 0 ? typed : typed.left(hostEnd);
    const QString typedPath = hostEnd < 0 ? QString() : encoded(typed.mid(hostEnd), mustBeEncoded);
    return (hasScheme ? QString() : QStringLiteral("http://")) + host + typedPath + encoded(names, nameMustBeEncoded);
}

QString permanentAddress(const QString& typed, const QString& ending)
{
    return typed.endsWith(u'/') && ending.startsWith(u'/') ? typed + ending.mid(1) : typed + ending;
}

QString addressHost(const QString& address)
{
    const qsizetype start = hostStart(address);
    const qsizetype end = address.indexOf(u'/', start);
    return address.mid(start, end < 0 ? -1 : end - start).toLower();
}

bool namesTypedHost(const QString& urlName, const QString& typedBase)
{
    const QString typedHost = addressHost(typedBase);
    return !typedHost.isEmpty() && addressHost(urlName) == typedHost;
}

bool namesWebHost(const QString& address, const QString& remotePath)
{
    if (addressHost(address).isEmpty())
        return false;
    const QString path = remotePath.startsWith(u'/') ? remotePath.mid(1) : remotePath;
    const qsizetype start = hostStart(address);
    return QUrl::fromPercentEncoding(address.mid(start).toUtf8()) != path;
}

QString thumbnailName(const QString& fileName)
{
    const qsizetype dot = fileName.lastIndexOf(u'.');
    if (dot <= 0)
        return fileName + QStringLiteral("_thumb");
    return fileName.left(dot) + QStringLiteral("_thumb") + fileName.mid(dot);
}

void takeAddress(const QString& address, TagFields* fields)
{
    const qsizetype slash = address.lastIndexOf(u'/');
    fields->urlName = address.left(slash + 1);
    fields->typedBase = fields->urlName;
    fields->fileName = QUrl::fromPercentEncoding(address.mid(slash + 1).toUtf8());
}

bool usesThumbnailForm(const TagFields& fields)
{
    const bool markup = fields.style == LinkStyle::Markdown || fields.style == LinkStyle::Html;
    const bool pictureTags = markup || (fields.openingTag == u"[img]" && fields.closingTag == u"[/img]");
    return fields.hasThumbnail && (fields.keyword == kThumbnailKeyword || (fields.thumbnailChosen && pictureTags));
}

TaggedAddress taggedAddress(const TagFields& fields)
{
    const QString address = bareAddress(fields.urlName, fields.fileName, fields.typedBase);
    if (fields.style == LinkStyle::Markdown || fields.style == LinkStyle::Html) {
        const QString thumbnail = usesThumbnailForm(fields)
                                      ? bareAddress(fields.urlName, thumbnailName(fields.fileName), fields.typedBase)
                                      : QString();
        return {markupLink(fields.style, {address, thumbnail, altText(fields.fileName, fields.altText),
                                          isPictureName(fields.fileName)}),
                fields.openingTag};
    }
    if (usesThumbnailForm(fields))
        return {QStringLiteral("[url=") + address + QStringLiteral("][img]") +
                    bareAddress(fields.urlName, thumbnailName(fields.fileName), fields.typedBase) +
                    QStringLiteral("[/img][/url]"),
                fields.openingTag};
    if (fields.keyword == kThumbnailKeyword)
        return {QStringLiteral("[img]") + address + QStringLiteral("[/img]"), fields.openingTag};
    if (fields.keyword != u"url")
        return {fields.openingTag + address + fields.closingTag, fields.openingTag};
    if (fields.linkText.isEmpty())
        return {QStringLiteral("[url]") + address + fields.closingTag, QStringLiteral("[url]")};
    return {QStringLiteral("[url=") + address + u']' + fields.linkText + fields.closingTag, QStringLiteral("[url=")};
}

} // namespace lumaport
