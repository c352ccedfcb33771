// SPDX-License-Identifier: GPL-3.0-or-later
// The history of every file sent: one SQLite file, "published.sqlite", that several copies of the program may
// write at once. No widgets.
#pragma once

#include "publish/link_verdict.h"

#include <QDateTime>
#include <QList>
#include <QString>

#include <functional>
#include <optional>

namespace lumaport {

/// One file sent successfully, a row of the table "published".
struct PublishedRecord
{
    qint64 id = 0;
    QDateTime sentAt;         ///< sent_at, UTC
    QString server;           ///< "ftpes://host:port", "dav://host:port/folder/", never a password
    QString user;             ///< the user logged on
    QString remotePath;       ///< from the log-on folder or the server's bucket or folder, "2026/12/photo.jpg"
    QString address;          ///< the public web address, bare
    QString thumbnailAddress; ///< null when no thumbnail went with it
    QString localPath;        ///< the local file it was made from
    qint64 size = 0;          ///< of the bytes sent, after the picture choices
    QString sha256;           ///< of the bytes sent, lower-case hex; null when unknown
    std::optional<LinkVerdict> verdict; ///< nullopt before the first check
    QDateTime checkedAt;                ///< UTC; null before the first check
    QString checkNote;                  ///< what the last check found, in the user's words
    QString link;                       ///< the link as the FTP window built it for this file; null when not known
    QDateTime deletedAt;                ///< UTC, when the file was deleted from the server; null while it is there
};

/// The outcome of checking one row's address again.
struct PublishedCheck
{
    qint64 id = 0;
    LinkVerdict verdict = LinkVerdict::Broken;
    QString note;
    QDateTime checkedAt;
};

struct PublishedSummary
{
    qint64 published = 0;
    qint64 works = 0;
    qint64 changed = 0;
    qint64 broken = 0;
    qint64 deleted = 0; ///< deleted from the server; not counted in the three before
};

/// Where the history lives: beside the settings file when the program keeps its settings beside itself, else in
/// $XDG_DATA_HOME/lumaport (~/.local/share/lumaport), made when missing.
QString publishedHistoryPath(const QString& programFolder);

/// One connection to the history, used on the thread that opened it.
class PublishedStore
{
public:
    explicit PublishedStore(QString path);
    ~PublishedStore();
    PublishedStore(const PublishedStore&) = delete;
    PublishedStore& operator=(const PublishedStore&) = delete;

    const QString& path() const { return m_path; }

    /// Opens the file, or makes it, and brings its table up to date. A file that is no SQLite database or is
    /// damaged is moved aside as "published.sqlite.damaged-<time>" (*movedTo names it) and a new one started.
    /// Fails with a text for the user when the file can be neither read nor made.
    bool open(QString* error, QString* movedTo = nullptr);
    bool isOpen() const;

    /// Adds a row; its id comes back in the record. Waits for another copy of the program writing for at most
    /// the busy timeout.
    bool add(PublishedRecord* record, QString* error);
    /// Removes rows from the history; nothing else changes.
    bool forget(const QList<qint64>& ids, QString* error);
    /// Keeps the outcomes of checks, all in one transaction.
    bool setChecks(const QList<PublishedCheck>& checks, QString* error);
    /// Keeps a check's outcome in the newest row of that address (check.id is not read).
    bool setLatestCheck(const QString& address, PublishedCheck check, QString* error);
    /// Marks rows as deleted from the server; the rows stay.
    bool markDeleted(const QList<qint64>& ids, const QDateTime& deletedAt, QString* error);
    /// The newest row of the local file's bytes whose link worked at its last check and that is still on the
    /// server. The file is read for its sha256 only when a row of its size is found.
    std::optional<PublishedRecord> workingLinkOf(const QString& localPath) const;

    /// Up to limit rows with an id below beforeId (0: from the newest), newest first, whose folder, name or
    /// address holds the filter (ASCII letters in any case).
    QList<PublishedRecord> page(const QString& filter, qint64 beforeId, int limit) const;
    /// The rows of these ids, newest first.
    QList<PublishedRecord> records(const QList<qint64>& ids) const;
    /// Hands every row's id, folder and name, and address to the reader, newest first.
    bool
    readTexts(const std::function<void(qint64 id, const QString& remotePath, const QString& address)>& reader) const;
    /// The ids, addresses and sizes of every row the filter shows, for a check.
    QList<PublishedRecord> checkTargets(const QString& filter) const;
    PublishedSummary summary() const;

private:
    bool openFile(QString* error, bool* damaged);
    bool migrate(QString* error, bool* damaged);

    QString m_path;
    QString m_connection;
};

/// The box's text when a damaged history was moved aside and a new one started.
QString damagedHistoryText(const QString& path, const QString& movedTo);

} // namespace lumaport
