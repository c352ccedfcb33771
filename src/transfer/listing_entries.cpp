// SPDX-License-Identifier: GPL-3.0-or-later
#include "transfer/listing_entries.h"

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
    // Piece by piece between carriage returns, not character by character: folders hold tens of thousands.
    qsizetype start = 0;
    for (qsizetype end = reply.indexOf(u'\r'); end >= 0; start = end + 1, end = reply.indexOf(u'\r', start)) {
        for (const QStringView part : QStringView(reply).sliced(start, end - start).tokenize(u'\n'))
            line += part;
        // Only spaces count as blank, and a blank line is kept so its spaces lead the next entry.
        if (!onlySpaces(line)) {
            entries.append(line);
            line.clear();
        }
    }
    return entries;
}

} // namespace lumaport
