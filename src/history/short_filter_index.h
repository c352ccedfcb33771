// SPDX-License-Identifier: GPL-3.0-or-later
// The folder, name and address of every row of the history held in memory, in lower case, newest first: a filter
// of one or two letters, which the trigram index can't take, is found here without reading the table.
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <memory>
#include <vector>

namespace lumaport {

class ShortFilterIndex
{
public:
    /// Reads the history at path over a connection of its own; null when it can't be read.
    static std::shared_ptr<const ShortFilterIndex> build(const QString& path);

    /// The ids of up to limit rows below beforeId (0: from the newest), newest first, whose folder, name or address
    /// holds the filter, in any case.
    QList<qint64> find(const QString& filter, qint64 beforeId, int limit) const;

private:
    QByteArray m_text;               // each row's texts, a row ending in '\0'
    std::vector<qint64> m_ids;       // newest first
    std::vector<qsizetype> m_starts; // where each row begins in m_text
};

} // namespace lumaport
