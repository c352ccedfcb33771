// SPDX-License-Identifier: GPL-3.0-or-later
// The session's current folder on the server, kept as a path from the log-on folder so every request can
// name it, and a reconnected session lands in the same place.
#pragma once

#include <QString>
#include <QStringList>

#include <optional>

namespace lumaport {

class RemoteFolder
{
public:
    /// The folder reached by CD with this name: "images/", "a/b", "/pub" (from the server's root), "..".
    RemoteFolder entered(const QString& name) const;
    RemoteFolder parent() const { return entered(QStringLiteral("..")); }

    /// The folder's path in a request URL, percent-encoded and ending in "/"; an absolute folder starts with
    /// "%2F" (a slash) so the server is asked for it from its root, not from the log-on folder.
    QString urlPath() const;
    /// The URL path of a name inside the folder.
    QString urlPath(const QString& name) const;
    /// The folder as the user reads it, each name as listed and ending in "/" ("2026/12/", "../"); empty for
    /// the log-on folder.
    QString path() const;

    /// The same for an SFTP URL, where the log-on folder is "~/": "~/images/", "pub/" (from the root).
    QString sshUrlPath(const QString& name = {}) const;
    /// The path of a name inside the folder as SFTP commands take it, which start in the log-on folder:
    /// "images/a.jpg", "/pub/a.jpg".
    QString sshPath(const QString& name) const;

    /// The log-on folder or a folder inside it, where the permanent web address still applies.
    bool withinLogOnFolder() const { return !m_absolute && !m_parts.contains(QStringLiteral("..")); }

    bool operator==(const RemoteFolder&) const = default;

private:
    friend std::optional<RemoteFolder> folderFromServerPaths(const QString&, const QString&);

    bool m_absolute = false;
    QStringList m_parts;
};

/// The folder the server names as current (PWD), seen from the folder it named at log-on: below that one, a
/// path from it; elsewhere, the absolute path. Nothing when either is not an absolute path.
std::optional<RemoteFolder> folderFromServerPaths(const QString& logOnPath, const QString& currentPath);

/// A name from a listing without its folder mark: "old/" becomes "old" for RMD, RNFR and SIZE.
QString withoutFolderMark(const QString& name);

} // namespace lumaport
