// SPDX-License-Identifier: GPL-3.0-or-later
// The forms a published file's link is copied in beside the forum tags: Markdown and HTML.
#pragma once

#include <QString>

#include <optional>

namespace lumaport {

enum class LinkStyle { Bare, Tags, Markdown, Html };

/// "bare", "tags", "markdown", "html": the options file's words for the forms.
QString linkStyleKey(LinkStyle style);
std::optional<LinkStyle> linkStyleFromKey(const QString& key);

/// The text a picture stands in for: what the user typed, else the file's name without its extension.
QString altText(const QString& fileName, const QString& typed);

struct MarkupLink
{
    QString address;          ///< the file's bare address, encoded
    QString thumbnailAddress; ///< shown in the file's place when not empty
    QString altText;
    bool picture = true; ///< a file that is no picture is linked by its text
};

/// Markdown: "![alt](address)", with a thumbnail "[![alt](thumbnail)](address)", no picture "[alt](address)".
/// HTML: "<a href="address"><img src="thumbnail or address" alt="alt"></a>", no picture "<a href="address">alt</a>".
/// The bare and tag forms are not markup: they give the address.
QString markupLink(LinkStyle style, const MarkupLink& link);

} // namespace lumaport
