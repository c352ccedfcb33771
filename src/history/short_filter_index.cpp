// SPDX-License-Identifier: GPL-3.0-or-later
#include "history/short_filter_index.h"

#include "history/published_store.h"

#include <QByteArrayMatcher>

#include <algorithm>

namespace lumaport {

std::shared_ptr<const ShortFilterIndex> ShortFilterIndex::build(const QString& path)
{
    PublishedStore store(path);
    QString error;
    if (!store.open(&error))
        return nullptr;
    auto index = std::make_shared<ShortFilterIndex>();
    const bool read = store.readTexts([&index](qint64 id, const QString& remotePath, const QString& address) {
        index->m_ids.push_back(id);
        index->m_starts.push_back(index->m_text.size());
        // A newline between the two: no filter spans them, as none spans two columns in the table.
        index->m_text += (remotePath + QLatin1Char('\n') + address).toLower().toUtf8();
        index->m_text += '\0';
    });
    return read ? index : nullptr;
}

QList<qint64> ShortFilterIndex::find(const QString& filter, qint64 beforeId, int limit) const
{
    QList<qint64> ids;
    // Ids fall as rows go on: the first row below beforeId is where the search starts.
    const auto first =
        beforeId > 0 ? std::lower_bound(m_ids.begin(), m_ids.end(), beforeId, std::greater<>()) : m_ids.begin();
    size_t row = size_t(first - m_ids.begin());
    if (beforeId > 0 && row < m_ids.size() && m_ids[row] == beforeId)
        ++row;
    if (row >= m_ids.size())
        return ids;
    const QByteArrayMatcher matcher(filter.toLower().toUtf8());
    qsizetype from = m_starts[row];
    while (ids.size() < limit) {
        const qsizetype at = matcher.indexIn(m_text, from);
        if (at < 0)
            break;
        row = size_t(std::upper_bound(m_starts.begin(), m_starts.end(), at) - m_starts.begin()) - 1;
        ids.append(m_ids[row]);
        from = row + 1 < m_starts.size() ? m_starts[row + 1] : m_text.size();
    }
    return ids;
}

} // namespace lumaport
