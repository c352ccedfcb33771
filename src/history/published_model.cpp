// SPDX-License-Identifier: GPL-3.0-or-later
#include "history/published_model.h"

#include "platform/picture_file.h"

#include <QColor>
#include <QImageReader>
#include <QLocale>
#include <QPainter>
#include <QUrl>

#include <algorithm>

namespace lumaport {

using namespace Qt::StringLiterals;

namespace {

// About two screens of rows: the view asks for more as it scrolls.
constexpr int kPage = 200;

} // namespace

QString publishedName(const QString& remotePath)
{
    return remotePath.mid(remotePath.lastIndexOf(u'/') + 1);
}

QString checkText(std::optional<LinkVerdict> verdict, const QString& note)
{
    if (!verdict)
        return {};
    // The check's own words follow its verdict, without the verdict it starts with.
    const qsizetype colon = note.indexOf(u": "_s);
    const QString why = colon < 0 ? QString() : note.mid(colon + 2);
    switch (*verdict) {
    case LinkVerdict::Works:
        return u"Works"_s;
    case LinkVerdict::Changed:
        return u"Changed: "_s + why;
    case LinkVerdict::Broken:
        return u"Broken: "_s + why;
    }
    return {};
}

QString readableAddress(const QString& address)
{
    return QUrl::fromPercentEncoding(address.toUtf8());
}

QImage readThumbnail(const QString& path, int side)
{
    QImageReader reader(path);
    reader.setAutoTransform(true);
    const QSize size = reader.size();
    if (size.isValid()) {
        // JPEG decodes straight at the smaller size.
        reader.setScaledSize(size.scaled(side, side, Qt::KeepAspectRatio).expandedTo({1, 1}));
    }
    // Qt reads no HEIC or AVIF, which a phone's pictures are before they are sent as JPEG.
    QImage image = reader.canRead() ? reader.read() : loadPictureFile(path, {}).value_or(QImage());
    if (image.isNull())
        return image;
    if (image.width() > side || image.height() > side)
        image = image.scaled(side, side, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    return image;
}

PublishedModel::PublishedModel(PublishedStore& store, QObject* parent) : QAbstractTableModel(parent), m_store(store)
{
    // A frame with a cross: no picture to show.
    m_placeholder = QImage(kThumbnailSide, kThumbnailSide, QImage::Format_ARGB32_Premultiplied);
    m_placeholder.fill(Qt::transparent);
    QPainter painter(&m_placeholder);
    painter.setPen(QColor(160, 160, 160));
    const QRect frame(4, 4, kThumbnailSide - 9, kThumbnailSide - 9);
    painter.drawRect(frame);
    painter.drawLine(frame.topLeft(), frame.bottomRight());
    painter.drawLine(frame.topRight(), frame.bottomLeft());
    m_readers.setMaxThreadCount(2);
}

PublishedModel::~PublishedModel()
{
    m_readers.clear();
    m_readers.waitForDone();
}

QImage PublishedModel::thumbnail(const PublishedRecord& record) const
{
    if (const QImage* known = m_thumbnails.object(record.id))
        return known->isNull() ? m_placeholder : *known;
    if (!m_reading.contains(record.id)) {
        m_reading.insert(record.id);
        auto* self = const_cast<PublishedModel*>(this);
        m_readers.start([self, id = record.id, path = record.localPath] {
            const QImage image = readThumbnail(path, kThumbnailSide);
            QMetaObject::invokeMethod(
                self, [self, id, image] { self->thumbnailRead(id, image); }, Qt::QueuedConnection);
        });
    }
    return m_placeholder;
}

void PublishedModel::thumbnailRead(qint64 id, const QImage& image)
{
    m_reading.remove(id);
    m_thumbnails.insert(id, new QImage(image));
    const auto found = m_rowOfId.constFind(id);
    if (found != m_rowOfId.cend())
        Q_EMIT dataChanged(index(*found, Name), index(*found, Name), {Qt::DecorationRole});
}

void PublishedModel::setFilter(const QString& filter)
{
    beginResetModel();
    m_filter = filter;
    m_rows = page(0);
    m_atEnd = m_rows.size() < kPage;
    m_rowOfId.clear();
    for (int row = 0; row < m_rows.size(); ++row)
        m_rowOfId.insert(m_rows.at(row).id, row);
    endResetModel();
}

QList<PublishedRecord> PublishedModel::page(qint64 beforeId) const
{
    if (m_shortIndex && !m_filter.isEmpty() && m_filter.size() < 3)
        return m_store.records(m_shortIndex->find(m_filter, beforeId, kPage));
    return m_store.page(m_filter, beforeId, kPage);
}

void PublishedModel::setChecks(const QList<PublishedCheck>& checks)
{
    int first = int(m_rows.size());
    int last = -1;
    for (const PublishedCheck& check : checks) {
        const auto found = m_rowOfId.constFind(check.id);
        if (found == m_rowOfId.cend())
            continue;
        PublishedRecord& record = m_rows[*found];
        record.verdict = check.verdict;
        record.checkNote = check.note;
        record.checkedAt = check.checkedAt;
        first = std::min(first, *found);
        last = std::max(last, *found);
    }
    if (last >= 0)
        Q_EMIT dataChanged(index(first, Check), index(last, Check));
}

int PublishedModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int PublishedModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant PublishedModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= m_rows.size())
        return {};
    const PublishedRecord& record = m_rows.at(index.row());
    if (role == Qt::DisplayRole) {
        switch (index.column()) {
        case Sent:
            return QLocale().toString(record.sentAt.toLocalTime(), u"yyyy-MM-dd HH:mm"_s);
        case Name:
            return publishedName(record.remotePath);
        case Address:
            return readableAddress(record.address);
        case Size:
            return QLocale().toString(record.size);
        case Check:
            if (record.deletedAt.isValid())
                return u"Deleted "_s + QLocale().toString(record.deletedAt.toLocalTime(), u"yyyy-MM-dd HH:mm"_s);
            return checkText(record.verdict, record.checkNote);
        }
    } else if (role == Qt::DecorationRole && index.column() == Name) {
        return thumbnail(record);
    } else if (role == Qt::ToolTipRole) {
        switch (index.column()) {
        case Name:
            return record.remotePath + u"\nfrom "_s + record.localPath;
        case Address:
            return readableAddress(record.address);
        case Check:
            return record.checkedAt.isValid()
                       ? record.checkNote + u"\nchecked "_s +
                             QLocale().toString(record.checkedAt.toLocalTime(), QLocale::ShortFormat)
                       : QVariant();
        }
    } else if (role == Qt::ForegroundRole && record.deletedAt.isValid()) {
        return QColor(128, 128, 128);
    } else if (role == Qt::ForegroundRole && index.column() == Check && record.verdict) {
        return verdictColour(*record.verdict);
    } else if (role == Qt::TextAlignmentRole && index.column() == Size) {
        return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
    }
    return {};
}

QVariant PublishedModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    static const QStringList titles{u"Sent"_s, u"Name"_s, u"Address"_s, u"Size"_s, u"Check"_s};
    return titles.value(section);
}

bool PublishedModel::canFetchMore(const QModelIndex& parent) const
{
    return !parent.isValid() && !m_atEnd;
}

void PublishedModel::fetchMore(const QModelIndex& parent)
{
    if (parent.isValid() || m_atEnd || m_rows.isEmpty())
        return;
    const QList<PublishedRecord> more = page(m_rows.constLast().id);
    m_atEnd = more.size() < kPage;
    if (more.isEmpty())
        return;
    const int first = int(m_rows.size());
    beginInsertRows({}, first, first + int(more.size()) - 1);
    for (const PublishedRecord& record : more) {
        m_rowOfId.insert(record.id, int(m_rows.size()));
        m_rows.append(record);
    }
    endInsertRows();
}

} // namespace lumaport
