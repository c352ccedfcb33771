// SPDX-License-Identifier: GPL-3.0-or-later
// The public web address of a published file, bare or wrapped in message-board tags, as the FTP window's lower
// panel builds it.
#pragma once

#include "publish/link_forms.h"

#include <QString>

namespace lumaport {

struct TagPair
{
    QString opening;
    QString closing;
};

/// "[" + keyword + "]" and "[/" + keyword + "]", whatever the keyword holds (also nothing).
TagPair tagPair(const QString& keyword);

/// The public address of a file: urlName + fileName behind "http://", or as they stand when urlName already
/// starts with "http://" or "https://" (in any case). The part of urlName that begins with typedBase (the
/// permanent address the user typed) keeps what the user typed: only blanks, control characters, letters beyond
/// ASCII and " < > \ ^ ` { | } are percent-encoded there, and only behind the host, so an address typed already
/// encoded comes out unchanged. The rest of urlName (folder names, "/" between them) and fileName are names:
/// "%", "#", "?", "[" and "]" are encoded too, so decoding the path gives the names back.
QString bareAddress(const QString& urlName, const QString& fileName, const QString& typedBase = {});

/// The permanent address from the web address typed and the ending put behind it ("/"): one "/" between them
/// when the typed address already ends in one.
QString permanentAddress(const QString& typed, const QString& ending);

/// The host (and port) an address names: what lies between "http://" or "https://" (or the start) and the next
/// "/", in lower case; empty when nothing does.
QString addressHost(const QString& address);

/// Whether an address built on urlName names the host of the web address the user typed (typedBase, the
/// permanent address). Without one the address is made of folder names, whose first would be read as a host:
/// such an address is never fetched nor kept.
bool namesTypedHost(const QString& urlName, const QString& typedBase);

/// Whether a kept address names a web server: a host, and not merely the remote path behind "http://", as one
/// built with no web address typed was.
bool namesWebHost(const QString& address, const QString& remotePath);

/// The tag keyword that asks for a thumbnail linked to its full picture.
inline constexpr QStringView kThumbnailKeyword = u"thumb";

/// The name a picture's thumbnail is sent under: "photo.jpg" gives "photo_thumb.jpg"; a name without an
/// extension gets "_thumb" at its end.
QString thumbnailName(const QString& fileName);

/// The boxes a tagged address is built from.
struct TagFields
{
    QString urlName;           ///< txtname: the address in use
    QString typedBase;         ///< txtpermurl: the part of urlName the user typed, when urlName starts with it
    QString fileName;          ///< the published or selected file
    QString keyword;           ///< Text1
    QString linkText;          ///< Text2, for the "[url=" form
    QString openingTag;        ///< txturl1
    QString closingTag;        ///< txturl2
    bool hasThumbnail = false; ///< the file's thumbnail was sent or is listed beside it
    /// "Thumb" is on: with the picture tags "[img]" and "[/img]", a file with a thumbnail gets the thumbnail form
    bool thumbnailChosen = false;
    LinkStyle style = LinkStyle::Tags; ///< Markdown or HTML instead of the tags
    QString altText{};                 ///< typed for Markdown and HTML; empty: the file's name
};

struct TaggedAddress
{
    QString text;       ///< txtURL
    QString openingTag; ///< what txturl1 holds afterwards
};

/// The opening tag + the bare address + the closing tag; with the keyword "url" the opening tag becomes "[url]",
/// or, with a link text, the link form "[url=" + bare address + "]" + link text + closing tag. With the thumbnail
/// keyword: "[url=" + bare address + "][img]" + the thumbnail's bare address + "[/img][/url]", the thumbnail
/// shown in the post opening the full picture; without a thumbnail, the picture in "[img]" tags. The picture tags
/// give the thumbnail form too when "Thumb" is on and the file has a thumbnail. With the Markdown or HTML style,
/// markupLink's form instead, the thumbnail shown where the tags would show it.
TaggedAddress taggedAddress(const TagFields& fields);

/// Fields for an address built before: its folder as the address in use, kept as it stands, and its file's name
/// decoded, so the address builds again unchanged.
void takeAddress(const QString& address, TagFields* fields);

/// Whether taggedAddress gives the thumbnail form for these fields.
bool usesThumbnailForm(const TagFields& fields);

} // namespace lumaport
