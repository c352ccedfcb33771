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

/// The public address of a file: urlName + fileName behind "http://", or as they stand when urlName already
/// starts with "http://" or "https://" (in any case). The part of urlName that begins with typedBase (the
/// permanent address the user typed) keeps what the user typed: only blanks, control characters, letters beyond
/// ASCII and " < > \ ^ ` { | } are percent-encoded there, and only behind the host, so an address typed already
/// encoded comes out unchanged. The rest of urlName (folder names, "/" between them) and fileName are names:
/// "%", "#", "?", "[" and "]" are encoded too, so decoding the path gives the names back.
QString bareAddress(const QString& urlName, const QString& fileName, const QString& typedBase = {});

/// The boxes a tagged address is built from.
struct TagFields
{
    QString urlName;    ///< txtname: the address in use
    QString typedBase;  ///< txtpermurl: the part of urlName the user typed, when urlName starts with it
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
