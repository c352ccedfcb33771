// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>

namespace lumaport {

/// The remote list's entries for one completed listing reply: one per carriage-return-ended line that
/// holds more than spaces, kept untrimmed. A blank line's spaces stay in front of the next line, line
/// feeds are skipped, and text after the last carriage return is dropped.
QStringList listingEntries(const QString& reply);

} // namespace lumaport
