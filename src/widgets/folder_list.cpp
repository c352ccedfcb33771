// SPDX-License-Identifier: GPL-3.0-or-later
#include "widgets/folder_list.h"

#include "platform/paths.h"
#include "platform/volumes.h"

#include <QDir>
#include <QFileInfo>
#include <QStyle>

namespace lumaport {

namespace {

constexpr int kPathRole = Qt::UserRole;

QStringList ancestorsOf(const QString& path)
{
    QStringList chain;
    QString walk = path;
    for (;;) {
        chain.prepend(walk);
        const QString root = volumeRootOf(walk);
        if (folderListForm(walk) == folderListForm(root) || walk == QLatin1String("/"))
            break;
        const QString parent = QFileInfo(QDir::cleanPath(walk)).path();
        if (parent == walk)
            break;
        walk = folderListForm(parent);
    }
    return chain;
}

} // namespace

FolderList::FolderList(QWidget* parent) : QListWidget(parent)
{
    setUniformItemSizes(true);
    connect(this, &QListWidget::itemActivated, this,
            [this](QListWidgetItem* item) { setPath(item->data(kPathRole).toString()); });
    show(currentFolderOf({volumeRootOf(QDir::currentPath()), {}}), nullptr);
}

bool FolderList::setDrive(const QString& drive, QString* error)
{
    const auto volume = findVolume(drive);
    if (!volume) {
        if (error)
            *error = QStringLiteral("Device unavailable: ") + drive;
        return false;
    }
    return setPath(currentFolderOf(*volume), error);
}

bool FolderList::setPath(const QString& path, QString* error)
{
    const QString target = path.isEmpty() ? QString() : folderListForm(path);
    if (target.isEmpty() || !QFileInfo(target).isDir()) {
        if (error)
            *error = QStringLiteral("Path not found: ") + path;
        return false;
    }
    if (target == m_path)
        return true;
    if (!show(target, error))
        return false;
    Q_EMIT changed();
    return true;
}

void FolderList::refresh()
{
    show(m_path, nullptr);
}

bool FolderList::show(const QString& path, QString* error)
{
    QDir dir(path);
    if (!dir.isReadable()) {
        if (error)
            *error = QStringLiteral("Permission denied: ") + path;
        return false;
    }
    const QStringList children =
        dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden, QDir::Name | QDir::IgnoreCase);
    if (children.isEmpty() && !QFileInfo(path).isDir()) {
        if (error)
            *error = QStringLiteral("Path not found: ") + path;
        return false;
    }

    m_path = path;
    clear();
    const QIcon openIcon = style()->standardIcon(QStyle::SP_DirOpenIcon);
    const QIcon closedIcon = style()->standardIcon(QStyle::SP_DirClosedIcon);
    const QStringList chain = ancestorsOf(path);
    for (int depth = 0; depth < chain.size(); ++depth) {
        const QString& folder = chain[depth];
        const QString caption = depth == 0 ? folder : QFileInfo(QDir::cleanPath(folder)).fileName();
        auto* item = new QListWidgetItem(openIcon, QString(depth * 2, QLatin1Char(' ')) + caption, this);
        item->setData(kPathRole, folder);
    }
    const QString indent(chain.size() * 2, QLatin1Char(' '));
    for (const QString& child : children) {
        auto* item = new QListWidgetItem(closedIcon, indent + child, this);
        item->setData(kPathRole, folderListForm(joinPath(QDir::cleanPath(path), child)));
    }
    setCurrentRow(chain.size() - 1);
    return true;
}

} // namespace lumaport
