// SPDX-License-Identifier: GPL-3.0-or-later
#include "widgets/file_list.h"

#include "platform/matching_files.h"
#include "platform/volumes.h"

#include <QDir>
#include <QSignalBlocker>

namespace lumaport {

FileList::FileList(QWidget* parent) : QListWidget(parent)
{
    setUniformItemSizes(true);
    // Selection, not the current row: focus alone makes a row current without choosing it.
    connect(this, &QListWidget::itemSelectionChanged, this, [this] {
        if (!m_relisting && !selectedItems().isEmpty())
            Q_EMIT clicked();
    });
    setPathAndPattern(currentFolderOf({volumeRootOf(QDir::currentPath()), {}}), m_pattern);
}

bool FileList::setPath(const QString& path, QString* error)
{
    return setPathAndPattern(path, m_pattern, error);
}

bool FileList::setPattern(const QString& pattern, QString* error)
{
    return setPathAndPattern(m_path, pattern, error);
}

bool FileList::refresh(QString* error)
{
    return setPathAndPattern(m_path, m_pattern, error);
}

QString FileList::fileName() const
{
    const QListWidgetItem* item = currentItem();
    if (item && item->isSelected())
        return item->text();
    const QList<QListWidgetItem*> selected = selectedItems();
    return selected.isEmpty() ? QString() : selected.first()->text();
}

QStringList FileList::fileNames() const
{
    QStringList names;
    for (int i = 0; i < count(); ++i) {
        if (item(i)->isSelected())
            names.append(item(i)->text());
    }
    return names;
}

bool FileList::setFileNames(const QStringList& names, QString* error)
{
    if (names.isEmpty())
        return false;
    QList<QListWidgetItem*> items;
    for (const QString& name : names) {
        const QList<QListWidgetItem*> found = findItems(name, Qt::MatchExactly | Qt::MatchCaseSensitive);
        if (found.isEmpty()) {
            if (error)
                *error = QStringLiteral("File not found: ") + name;
            return false;
        }
        items.append(found.first());
    }
    if (items.size() == 1)
        return setFileName(names.first(), error);
    {
        const QSignalBlocker quiet(this);
        clearSelection();
        for (QListWidgetItem* item : std::as_const(items))
            item->setSelected(true);
        setCurrentItem(items.last(), QItemSelectionModel::Select);
    }
    Q_EMIT clicked();
    return true;
}

bool FileList::setFileName(const QString& name, QString* error)
{
    const QList<QListWidgetItem*> found = findItems(name, Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (found.isEmpty()) {
        if (error)
            *error = QStringLiteral("File not found: ") + name;
        return false;
    }
    QListWidgetItem* item = found.first();
    if (item == currentItem() && item->isSelected()) {
        Q_EMIT clicked();
        return true;
    }
    setCurrentItem(item, QItemSelectionModel::ClearAndSelect);
    return true;
}

QString FileList::list(int index) const
{
    const QListWidgetItem* entry = item(index);
    return entry ? entry->text() : QString();
}

bool FileList::setPathAndPattern(const QString& path, const QString& pattern, QString* error)
{
    const QString folder = folderListForm(path);
    QStringList names;
    if (!listMatchingFiles(folder, pattern, &names, error))
        return false;
    m_path = folder;
    m_pattern = pattern;
    m_relisting = true;
    clear();
    addItems(names);
    m_relisting = false;
    return true;
}

} // namespace lumaport
