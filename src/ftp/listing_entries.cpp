// SPDX-License-Identifier: GPL-3.0-or-later
#include "ftp/listing_entries.h"

namespace lumaport {

namespace {

bool onlySpaces(const QString& text)
{
    for (const QChar c : text) {
        if (c != QLatin1Char(' '))
            return false;
    }
    return true;
}

} // namespace

QStringList listingEntries(const QString& reply)
{
    QStringList entries;
    QString line;
    for (const QChar c : reply) {
        if (c == QLatin1Char('\r')) {
            // Only spaces count as blank, and a blank line is kept so its spaces lead the next entry.
            if (!onlySpaces(line)) {
                entries.append(line);
                line.clear();
            }
        } else if (c != QLatin1Char('\n')) {
            line.append(c);
        }
    }
    return entries;
}

} // namespace lumaport
