// SPDX-License-Identifier: GPL-3.0-or-later
// What a check of a published link found, as the history keeps it and the windows show it.
#pragma once

#include <QColor>
#include <QString>
#include <QStringView>

#include <optional>

namespace lumaport {

enum class LinkVerdict {
    Works,
    Changed, ///< answers, but with another size than was sent
    Broken,
};

LinkVerdict linkVerdictOf(bool works, bool sizeDiffers);

/// The word the history file keeps for a verdict: "works", "changed" or "broken".
QString verdictWord(LinkVerdict verdict);
/// The colour a verdict is shown in, in every window: green, amber or red.
QColor verdictColour(LinkVerdict verdict);

/// The verdict a kept word stands for; nullopt for no check yet or a word no copy of the program writes.
std::optional<LinkVerdict> verdictOfWord(QStringView word);

} // namespace lumaport
