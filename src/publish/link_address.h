// SPDX-License-Identifier: GPL-3.0-or-later
// The public web address of a published file, bare or wrapped in message-board tags, as the FTP window's lower
// panel builds it.
#pragma once

#include <QString>

namespace lumaport {

struct TagPair
{
    QString opening;
    QString closing;
};

/// "[" + keyword + "]" and "[/" + keyword + "]", whatever the keyword holds (also nothing).
TagPair tagPair(const QString& keyword);

/// Percent-encodes, once and as UTF-8, what cannot stand in a web address behind its host (the host ends at
/// the first "/"): blanks, control characters, letters beyond ASCII and " < > \ ^ ` { | }. A "%" and every
/// other character stay, so an address that was already encoded comes out unchanged.
QString encodeAddressPath(const QString& address);

/// "http://" + urlName + fileName, the two joined as they are: urlName is expected to end in "/".
QString bareAddress(const QString& urlName, const QString& fileName);

/// The tag keyword that asks for a thumbnail linked to its full picture.
inline constexpr QStringView kThumbnailKeyword = u"thumb";

/// The name a picture's thumbnail is sent under: "photo.jpg" gives "photo_thumb.jpg"; a name without an
/// extension gets "_thumb" at its end.
QString thumbnailName(const QString& fileName);

/// "[url=" + the picture's bare address + "][img]" + its thumbnail's bare address + "[/img][/url]": the
/// thumbnail shown in the post opens the full picture.
QString thumbnailTaggedAddress(const QString& urlName, const QString& fileName);

/// The boxes a tagged address is built from.
struct TagFields
{
    QString urlName;    ///< txtname: the address in use, without scheme
    QString fileName;   ///< the published or selected file
    QString keyword;    ///< Text1
    QString linkText;   ///< Text2, for the "[url=" form
    QString openingTag; ///< txturl1
    QString closingTag; ///< txturl2
};

struct TaggedAddress
{
    QString text;       ///< txtURL
    QString openingTag; ///< what txturl1 holds afterwards
};

/// The opening tag + the bare address + the closing tag; with the keyword "url" the opening tag becomes "[url]",
/// or, with a link text, the link form "[url=" + bare address + "]" + link text + closing tag.
TaggedAddress taggedAddress(const TagFields& fields);

} // namespace lumaport
