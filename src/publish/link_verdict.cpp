// SPDX-License-Identifier: GPL-3.0-or-later
#include "publish/link_verdict.h"

#include <array>
#include <utility>

namespace lumaport {

namespace {

constexpr std::array<std::pair<LinkVerdict, const char16_t*>, 3> kWords = {{
    {LinkVerdict::Works, u"works"},
    {LinkVerdict::Changed, u"changed"},
    {LinkVerdict::Broken, u"broken"},
}};

} // namespace

LinkVerdict linkVerdictOf(bool works, bool sizeDiffers)
{
    return works ? LinkVerdict::Works : sizeDiffers ? LinkVerdict::Changed : LinkVerdict::Broken;
}

QString verdictWord(LinkVerdict verdict)
{
    for (const auto& [kept, word] : kWords) {
        if (kept == verdict)
            return QString::fromUtf16(word);
    }
    return {};
}

std::optional<LinkVerdict> verdictOfWord(QStringView word)
{
    for (const auto& [verdict, kept] : kWords) {
        if (word == QStringView(kept))
            return verdict;
    }
    return std::nullopt;
}

QColor verdictColour(LinkVerdict verdict)
{
    switch (verdict) {
    case LinkVerdict::Works:
        return QColor(0, 112, 0);
    case LinkVerdict::Changed:
        return QColor(160, 96, 0);
    case LinkVerdict::Broken:
        break;
    }
    return QColor(192, 0, 0);
}

} // namespace lumaport
