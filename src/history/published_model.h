// SPDX-License-Identifier: GPL-3.0-or-later
// The history as a table for a view: read a page at a time as the view scrolls, newest first, so a history of
// any length opens at once.
#pragma once

#include "history/published_store.h"
#include "history/short_filter_index.h"

#include <QAbstractTableModel>
#include <QCache>
#include <QHash>
#include <QImage>
#include <QSet>
#include <QThreadPool>

namespace lumaport {

class PublishedModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    enum Column { Sent, Name, Address, Size, Check, ColumnCount };

    explicit PublishedModel(PublishedStore& store, QObject* parent = nullptr);
    /// Waits for the thumbnails still being read.
    ~PublishedModel() override;

    /// The side of the square a row's thumbnail fits in, in pixels.
    static constexpr int kThumbnailSide = 32;

    /// Reads the history again from the first page, showing only rows whose folder, name or address holds the
    /// filter.
    void setFilter(const QString& filter);
    const QString& filter() const { return m_filter; }
    void reload() { setFilter(m_filter); }

    /// Where filters of one or two letters are found while it matches the history; null: read the table.
    void setShortFilterIndex(std::shared_ptr<const ShortFilterIndex> index) { m_shortIndex = std::move(index); }

    const PublishedRecord& record(int row) const { return m_rows.at(row); }
    /// Shows the checks' outcomes in the rows of their ids that are read already, with one change for the view.
    void setChecks(const QList<PublishedCheck>& checks);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    bool canFetchMore(const QModelIndex& parent) const override;
    void fetchMore(const QModelIndex& parent) override;

private:
    QList<PublishedRecord> page(qint64 beforeId) const;
    // The row's thumbnail when read already; else a placeholder, and it is read in the background.
    QImage thumbnail(const PublishedRecord& record) const;
    void thumbnailRead(qint64 id, const QImage& image);

    PublishedStore& m_store;
    std::shared_ptr<const ShortFilterIndex> m_shortIndex;
    QString m_filter;
    QList<PublishedRecord> m_rows;
    QHash<qint64, int> m_rowOfId;
    bool m_atEnd = false;
    // Only the rows a view shows ask for their thumbnails, so a long history reads a screenful of pictures.
    mutable QCache<qint64, QImage> m_thumbnails{2000};
    mutable QSet<qint64> m_reading;
    mutable QThreadPool m_readers;
    QImage m_placeholder;
};

/// The picture at path made to fit a square of side pixels, read at that size where its format allows; a null
/// image when it can't be read.
QImage readThumbnail(const QString& path, int side);

/// The name of the file in a remote path: what follows the last "/".
QString publishedName(const QString& remotePath);
/// The Check column's text: "Works", "Changed: ...", "Broken: ..."; empty before the first check.
QString checkText(std::optional<LinkVerdict> verdict, const QString& note);
/// A web address as a person reads it: "%C3%A9" as "é", "%20" as a blank.
QString readableAddress(const QString& address);

} // namespace lumaport
