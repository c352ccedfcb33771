// SPDX-License-Identifier: GPL-3.0-or-later
#include "publish/link_forms.h"

#include <array>

namespace lumaport {

using namespace Qt::StringLiterals;

namespace {

struct StyleKey
{
    LinkStyle style;
    QStringView key;
};

constexpr std::array kStyleKeys{StyleKey{LinkStyle::Bare, u"bare"}, StyleKey{LinkStyle::Tags, u"tags"},
                                StyleKey{LinkStyle::Markdown, u"markdown"}, StyleKey{LinkStyle::Html, u"html"}};

// A bracket or backslash in the text would end or escape Markdown's brackets.
QString markdownText(const QString& text)
{
    QString escaped;
    for (const QChar c : text) {
        if (c == u'[' || c == u']' || c == u'\\')
            escaped += u'\\';
        escaped += c;
    }
    return escaped;
}

// The encoded address holds no blank; a bracket would end Markdown's link early.
QString markdownAddress(const QString& address)
{
    QString escaped = address;
    return escaped.replace(u'(', u"%28"_s).replace(u')', u"%29"_s);
}

} // namespace

QString linkStyleKey(LinkStyle style)
{
    for (const StyleKey& entry : kStyleKeys) {
        if (entry.style == style)
            return entry.key.toString();
    }
    return {};
}

std::optional<LinkStyle> linkStyleFromKey(const QString& key)
{
    for (const StyleKey& entry : kStyleKeys) {
        if (entry.key == key)
            return entry.style;
    }
    return std::nullopt;
}

QString altText(const QString& fileName, const QString& typed)
{
    if (!typed.trimmed().isEmpty())
        return typed.trimmed();
    const QString name = fileName.mid(fileName.lastIndexOf(u'/') + 1);
    const qsizetype dot = name.lastIndexOf(u'.');
    return dot > 0 ? name.left(dot) : name;
}

QString markupLink(LinkStyle style, const MarkupLink& link)
{
    const QString shown = link.thumbnailAddress.isEmpty() ? link.address : link.thumbnailAddress;
    if (style == LinkStyle::Markdown) {
        const QString text = markdownText(link.altText);
        const QString address = markdownAddress(link.address);
        if (!link.picture)
            return u"["_s + text + u"]("_s + address + u')';
        const QString image = u"!["_s + text + u"]("_s + markdownAddress(shown) + u')';
        return link.thumbnailAddress.isEmpty() ? image : u"["_s + image + u"]("_s + address + u')';
    }
    if (style == LinkStyle::Html) {
        const QString anchor = u"<a href=\""_s + link.address.toHtmlEscaped() + u"\">"_s;
        if (!link.picture)
            return anchor + link.altText.toHtmlEscaped() + u"</a>"_s;
        return anchor + u"<img src=\""_s + shown.toHtmlEscaped() + u"\" alt=\""_s + link.altText.toHtmlEscaped() +
               u"\"></a>"_s;
    }
    return link.address;
}

} // namespace lumaport
