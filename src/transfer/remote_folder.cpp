// SPDX-License-Identifier: GPL-3.0-or-later
#include "transfer/remote_folder.h"

#include <QUrl>

namespace lumaport {

RemoteFolder RemoteFolder::entered(const QString& name) const
{
    RemoteFolder folder = *this;
    if (name.startsWith(u'/')) {
        folder.m_absolute = true;
        folder.m_parts.clear();
    }
    for (const QString& part : name.split(u'/', Qt::SkipEmptyParts)) {
        if (part == u".")
            continue;
        if (part != u"..")
            folder.m_parts.append(part);
        else if (!folder.m_parts.isEmpty() && folder.m_parts.last() != u"..")
            folder.m_parts.removeLast();
        else if (!folder.m_absolute) // above the log-on folder: only the server knows what is there
            folder.m_parts.append(part);
    }
    return folder;
}

QString RemoteFolder::urlPath() const
{
    QString path = m_absolute ? QStringLiteral("%2F") : QString();
    for (const QString& part : m_parts)
        path += QString::fromLatin1(QUrl::toPercentEncoding(part)) + u'/';
    return path;
}

QString RemoteFolder::urlPath(const QString& name) const
{
    return urlPath() + QString::fromLatin1(QUrl::toPercentEncoding(name));
}

QString RemoteFolder::path() const
{
    QString path = m_absolute ? QStringLiteral("/") : QString();
    for (const QString& part : m_parts)
        path += part + u'/';
    return path;
}

QString RemoteFolder::sshUrlPath(const QString& name) const
{
    QString path = m_absolute ? QString() : QStringLiteral("~/");
    for (const QString& part : m_parts + QStringList{name})
        path += QString::fromLatin1(QUrl::toPercentEncoding(part)) + u'/';
    return path.chopped(1); // the name's, or the folder's when the name is empty
}

QString RemoteFolder::sshPath(const QString& name) const
{
    return (m_absolute ? QStringLiteral("/") : QString()) + (m_parts + QStringList{name}).join(u'/');
}

std::optional<RemoteFolder> folderFromServerPaths(const QString& logOnPath, const QString& currentPath)
{
    if (!logOnPath.startsWith(u'/') || !currentPath.startsWith(u'/'))
        return std::nullopt;
    const RemoteFolder logOn = RemoteFolder().entered(logOnPath);
    const RemoteFolder current = RemoteFolder().entered(currentPath);
    if (current.m_parts.mid(0, logOn.m_parts.size()) != logOn.m_parts)
        return current;
    RemoteFolder below;
    below.m_parts = current.m_parts.mid(logOn.m_parts.size());
    return below;
}

QString withoutFolderMark(const QString& name)
{
    return name.size() > 1 && name.endsWith(u'/') ? name.chopped(1) : name;
}

} // namespace lumaport
