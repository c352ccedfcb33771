// SPDX-License-Identifier: GPL-3.0-or-later
// What "lumaport publish" prints on standard output for a file published: its link in the form asked for, or
// one JSON object.
#pragma once

#include "publish/link_forms.h"
#include "publish/link_verdict.h"

#include <QString>

namespace lumaport {

/// A file on the server with its addresses, sent now or before, and how its link check ended.
struct PublishedFile
{
    QString file; ///< as given on the command line
    QString address;
    QString thumbnailAddress; ///< empty when no thumbnail went with it
    qint64 bytes = -1;        ///< as sent, after the picture choices
    LinkVerdict check = LinkVerdict::Broken;
};

/// The file's link: its bare address, or as "URL with Tags" builds it for this file alone in the style asked for
/// ("[img]" for a picture, "[url]" for another file), the thumbnail form where a thumbnail went with it. alt: the
/// text a picture stands in for in Markdown and HTML, empty for the file's name.
QString publishedLink(const PublishedFile& published, LinkStyle form, const QString& alt);

/// One line of JSON: file, address, link, thumbnail (null without one), bytes and check ("works", "changed",
/// "broken").
QString publishedJson(const PublishedFile& published, const QString& link);

} // namespace lumaport
