// SPDX-License-Identifier: GPL-3.0-or-later
#include "history/published_store.h"

#include "platform/file_digest.h"
#include "platform/settings_text.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QUuid>
#include <QVariant>

#include <vector>

namespace lumaport {

using namespace Qt::StringLiterals;

namespace {

// Another copy of the program holds the write lock for one row at a time; this is far beyond that.
constexpr int kBusyTimeoutMs = 5000;

// Each step brings a file from its index to the next version; user_version counts the steps done.
const std::vector<std::vector<const char*>> kMigrations{
    {"CREATE TABLE published ("
     " id INTEGER PRIMARY KEY,"
     " sent_at TEXT NOT NULL,"
     " server TEXT NOT NULL,"
     " user TEXT NOT NULL,"
     " remote_path TEXT NOT NULL,"
     " address TEXT NOT NULL,"
     " thumbnail_address TEXT,"
     " local_path TEXT NOT NULL,"
     " size INTEGER NOT NULL,"
     " sha256 TEXT,"
     " check_status TEXT,"
     " checked_at TEXT,"
     " check_note TEXT)"},
    // An index of every three letters of folder, name and address, so the filter finds a few rows among many
    // without reading them all.
    {"CREATE VIRTUAL TABLE published_search USING fts5(remote_path, address, content='published', "
     "content_rowid='id', tokenize='trigram')",
     "CREATE TRIGGER published_added AFTER INSERT ON published BEGIN"
     " INSERT INTO published_search (rowid, remote_path, address) VALUES (new.id, new.remote_path, new.address);"
     " END",
     "CREATE TRIGGER published_removed AFTER DELETE ON published BEGIN"
     " INSERT INTO published_search (published_search, rowid, remote_path, address)"
     " VALUES ('delete', old.id, old.remote_path, old.address);"
     " END",
     "CREATE TRIGGER published_changed AFTER UPDATE OF remote_path, address ON published BEGIN"
     " INSERT INTO published_search (published_search, rowid, remote_path, address)"
     " VALUES ('delete', old.id, old.remote_path, old.address);"
     " INSERT INTO published_search (rowid, remote_path, address) VALUES (new.id, new.remote_path, new.address);"
     " END",
     "INSERT INTO published_search (published_search) VALUES ('rebuild')"},
    // The link as the FTP window built it, so the history copies that form; when a file was deleted from the
    // server; and an index to find what was sent before by its size, before its bytes are hashed.
    {"ALTER TABLE published ADD COLUMN link TEXT", "ALTER TABLE published ADD COLUMN deleted_at TEXT",
     "CREATE INDEX published_size ON published (size)"},
};

// The index knows runs of three letters; a shorter filter reads the rows themselves, or the short filter index.
constexpr qsizetype kIndexedLength = 3;

// SQLite's primary result codes for a file that is not, or no longer, a database.
bool isDamage(const QSqlError& error)
{
    const int code = error.nativeErrorCode().toInt() & 0xff;
    return code == 11 /* SQLITE_CORRUPT */ || code == 26 /* SQLITE_NOTADB */;
}

QString isoUtc(const QDateTime& time)
{
    return time.isValid() ? time.toUTC().toString(Qt::ISODate) : QString();
}

QVariant textOrNull(const QString& text)
{
    return text.isNull() ? QVariant(QMetaType(QMetaType::QString)) : QVariant(text);
}

QString why(const QSqlError& error)
{
    return error.databaseText().isEmpty() ? error.text() : error.databaseText();
}

// LIKE's own wildcards in what the user typed stand for themselves.
QString likePattern(const QString& filter)
{
    QString escaped = filter;
    escaped.replace(u'\\', u"\\\\"_s).replace(u'%', u"\\%"_s).replace(u'_', u"\\_"_s);
    return u'%' + escaped + u'%';
}

// The filter as one phrase for the index: what the user typed, a quote doubled.
QString matchPhrase(const QString& filter)
{
    QString quoted = filter;
    quoted.replace(u'"', u"\"\""_s);
    return u'"' + quoted + u'"';
}

const QString kLikeFilter = u"remote_path LIKE :filter ESCAPE '\\' OR address LIKE :filter ESCAPE '\\'"_s;

const QString kColumns = u"id, sent_at, server, user, remote_path, address, thumbnail_address, local_path, size, "
                         u"sha256, check_status, checked_at, check_note, link, deleted_at"_s;

PublishedRecord readRecord(const QSqlQuery& query)
{
    PublishedRecord record;
    record.id = query.value(0).toLongLong();
    record.sentAt = QDateTime::fromString(query.value(1).toString(), Qt::ISODate);
    record.server = query.value(2).toString();
    record.user = query.value(3).toString();
    record.remotePath = query.value(4).toString();
    record.address = query.value(5).toString();
    record.thumbnailAddress = query.value(6).toString();
    record.localPath = query.value(7).toString();
    record.size = query.value(8).toLongLong();
    record.sha256 = query.value(9).toString();
    record.verdict = verdictOfWord(query.value(10).toString());
    record.checkedAt = QDateTime::fromString(query.value(11).toString(), Qt::ISODate);
    record.checkNote = query.value(12).toString();
    record.link = query.value(13).toString();
    record.deletedAt = QDateTime::fromString(query.value(14).toString(), Qt::ISODate);
    return record;
}

// One statement run for each item, all in one transaction: a failure keeps none of them.
template <typename Item, typename Bind>
bool execEach(QSqlDatabase db, const QString& sql, const QList<Item>& items, Bind bind, QString* error)
{
    QSqlQuery query(db);
    if (!db.transaction() || !query.prepare(sql)) {
        *error = why(db.lastError());
        return false;
    }
    for (const Item& item : items) {
        bind(query, item);
        if (!query.exec()) {
            *error = why(query.lastError());
            db.rollback();
            return false;
        }
    }
    if (db.commit())
        return true;
    *error = why(db.lastError());
    db.rollback();
    return false;
}

} // namespace

QString publishedHistoryPath(const QString& programFolder)
{
    const QString settings = settingsFolder(programFolder);
    if (settings == programFolder)
        return QDir(settings).filePath(u"published.sqlite"_s);
    QString base = qEnvironmentVariable("XDG_DATA_HOME");
    if (!QDir::isAbsolutePath(base))
        base = QDir::homePath() + u"/.local/share"_s;
    const QString folder = base + u"/lumaport"_s;
    if (!QFileInfo(folder).isDir()) {
        QDir().mkpath(base);
        QDir().mkdir(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    return QDir(folder).filePath(u"published.sqlite"_s);
}

QString damagedHistoryText(const QString& path, const QString& movedTo)
{
    return u"The history of sends \"%1\" was damaged. It was moved aside as \"%2\", and a new history was "
           u"started."_s.arg(path, movedTo);
}

PublishedStore::PublishedStore(QString path)
    : m_path(std::move(path)), m_connection(u"published-"_s + QUuid::createUuid().toString(QUuid::WithoutBraces))
{}

PublishedStore::~PublishedStore()
{
    if (QSqlDatabase::contains(m_connection)) {
        QSqlDatabase::database(m_connection, false).close();
        QSqlDatabase::removeDatabase(m_connection);
    }
}

bool PublishedStore::isOpen() const
{
    return QSqlDatabase::contains(m_connection) && QSqlDatabase::database(m_connection, false).isOpen();
}

bool PublishedStore::open(QString* error, QString* movedTo)
{
    bool damaged = false;
    if (openFile(error, &damaged))
        return true;
    if (!damaged)
        return false;
    QSqlDatabase::database(m_connection, false).close();
    const QString aside = m_path + u".damaged-"_s + QDateTime::currentDateTimeUtc().toString(u"yyyyMMdd-HHmmss"_s);
    if (!QFile::rename(m_path, aside)) {
        *error = u"The history \"%1\" is damaged and could not be moved aside."_s.arg(m_path);
        return false;
    }
    // What the journal held belongs to the damaged file.
    for (const QString& companion : {u"-wal"_s, u"-shm"_s})
        QFile::rename(m_path + companion, aside + companion);
    if (movedTo)
        *movedTo = aside;
    return openFile(error, &damaged);
}

bool PublishedStore::openFile(QString* error, bool* damaged)
{
    QSqlDatabase db = QSqlDatabase::contains(m_connection) ? QSqlDatabase::database(m_connection, false)
                                                           : QSqlDatabase::addDatabase(u"QSQLITE"_s, m_connection);
    db.setDatabaseName(m_path);
    db.setConnectOptions(u"QSQLITE_BUSY_TIMEOUT=%1"_s.arg(kBusyTimeoutMs));
    if (!db.open()) {
        *error = u"The history \"%1\" cannot be opened: %2"_s.arg(m_path, why(db.lastError()));
        return false;
    }
    QSqlQuery query(db);
    // WAL lets the window read while a send writes; NORMAL keeps a row per send cheap and still safe in WAL.
    // A file that can't be written stays readable: only damage stops here.
    for (const QString& pragma : {u"PRAGMA journal_mode=WAL"_s, u"PRAGMA synchronous=NORMAL"_s}) {
        if (!query.exec(pragma) && isDamage(query.lastError())) {
            *damaged = true;
            *error = u"The history \"%1\" cannot be opened: %2"_s.arg(m_path, why(query.lastError()));
            return false;
        }
    }
    return migrate(error, damaged);
}

bool PublishedStore::migrate(QString* error, bool* damaged)
{
    QSqlDatabase db = QSqlDatabase::database(m_connection, false);
    QSqlQuery query(db);
    const auto fail = [&](const QSqlError& sqlError) {
        *damaged = isDamage(sqlError);
        *error = u"The history \"%1\" cannot be read: %2"_s.arg(m_path, why(sqlError));
        db.rollback();
        return false;
    };
    // The version is read again inside the write lock: another copy may be bringing the file up to date too.
    if (!query.exec(u"PRAGMA user_version"_s) || !query.next())
        return fail(query.lastError());
    if (query.value(0).toInt() == int(kMigrations.size()))
        return true;
    if (!query.exec(u"BEGIN IMMEDIATE"_s))
        return fail(query.lastError());
    if (!query.exec(u"PRAGMA user_version"_s) || !query.next())
        return fail(query.lastError());
    const int version = query.value(0).toInt();
    query.finish();
    if (version > int(kMigrations.size())) {
        db.rollback();
        *error = u"The history \"%1\" was written by a newer Lumaport."_s.arg(m_path);
        return false;
    }
    for (size_t step = size_t(version); step < kMigrations.size(); ++step) {
        for (const char* statement : kMigrations[step]) {
            if (!query.exec(QString::fromLatin1(statement)))
                return fail(query.lastError());
        }
    }
    if (!query.exec(u"PRAGMA user_version=%1"_s.arg(kMigrations.size())) || !db.commit())
        return fail(query.lastError().isValid() ? query.lastError() : db.lastError());
    return true;
}

bool PublishedStore::add(PublishedRecord* record, QString* error)
{
    QSqlQuery query(QSqlDatabase::database(m_connection, false));
    query.prepare(u"INSERT INTO published (sent_at, server, user, remote_path, address, thumbnail_address, "
                  u"local_path, size, sha256, link) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"_s);
    query.addBindValue(isoUtc(record->sentAt));
    query.addBindValue(record->server);
    query.addBindValue(record->user);
    query.addBindValue(record->remotePath);
    // Sent with no web address: kept without one.
    query.addBindValue(record->address.isNull() ? u""_s : record->address);
    query.addBindValue(textOrNull(record->thumbnailAddress));
    query.addBindValue(record->localPath);
    query.addBindValue(record->size);
    query.addBindValue(textOrNull(record->sha256));
    query.addBindValue(textOrNull(record->link));
    if (!query.exec()) {
        *error = why(query.lastError());
        return false;
    }
    record->id = query.lastInsertId().toLongLong();
    return true;
}

bool PublishedStore::forget(const QList<qint64>& ids, QString* error)
{
    return execEach(
        QSqlDatabase::database(m_connection, false), u"DELETE FROM published WHERE id = ?"_s, ids,
        [](QSqlQuery& query, qint64 id) { query.addBindValue(id); }, error);
}

bool PublishedStore::setChecks(const QList<PublishedCheck>& checks, QString* error)
{
    return execEach(
        QSqlDatabase::database(m_connection, false),
        u"UPDATE published SET check_status = ?, checked_at = ?, check_note = ? WHERE id = ?"_s, checks,
        [](QSqlQuery& query, const PublishedCheck& check) {
            query.addBindValue(verdictWord(check.verdict));
            query.addBindValue(isoUtc(check.checkedAt));
            query.addBindValue(check.note);
            query.addBindValue(check.id);
        },
        error);
}

bool PublishedStore::setLatestCheck(const QString& address, PublishedCheck check, QString* error)
{
    QSqlQuery query(QSqlDatabase::database(m_connection, false));
    query.prepare(u"SELECT max(id) FROM published WHERE address = ?"_s);
    query.addBindValue(address);
    if (!query.exec() || !query.next()) {
        *error = why(query.lastError());
        return false;
    }
    check.id = query.value(0).toLongLong();
    return check.id == 0 || setChecks({check}, error);
}

bool PublishedStore::markDeleted(const QList<qint64>& ids, const QDateTime& deletedAt, QString* error)
{
    return execEach(
        QSqlDatabase::database(m_connection, false), u"UPDATE published SET deleted_at = ? WHERE id = ?"_s, ids,
        [&deletedAt](QSqlQuery& query, qint64 id) {
            query.addBindValue(isoUtc(deletedAt));
            query.addBindValue(id);
        },
        error);
}

std::optional<PublishedRecord> PublishedStore::workingLinkOf(const QString& localPath) const
{
    const QFileInfo local(localPath);
    if (!local.isFile())
        return std::nullopt;
    QSqlQuery query(QSqlDatabase::database(m_connection, false));
    query.setForwardOnly(true);
    query.prepare(u"SELECT "_s + kColumns +
                  u" FROM published WHERE size = ? AND check_status = ? AND deleted_at IS NULL ORDER BY id DESC"_s);
    query.addBindValue(local.size());
    query.addBindValue(verdictWord(LinkVerdict::Works));
    if (!query.exec())
        return std::nullopt;
    QString bytes;
    while (query.next()) {
        PublishedRecord record = readRecord(query);
        if (bytes.isEmpty())
            bytes = fileSha256(localPath);
        if (!bytes.isEmpty() && record.sha256 == bytes)
            return record;
    }
    return std::nullopt;
}

QList<PublishedRecord> PublishedStore::page(const QString& filter, qint64 beforeId, int limit) const
{
    const bool indexed = filter.size() >= kIndexedLength;
    QString sql = u"SELECT "_s + kColumns + u" FROM published WHERE "_s;
    if (indexed) {
        // The index walks its own rows newest first and stops at the page's end.
        sql += u"id IN (SELECT rowid FROM published_search WHERE published_search MATCH :filter"_s +
               (beforeId > 0 ? u" AND rowid < :before"_s : QString()) + u" ORDER BY rowid DESC LIMIT :limit)"_s;
    } else {
        sql += beforeId > 0 ? u"id < :before"_s : u"1"_s;
        if (!filter.isEmpty())
            sql += u" AND ("_s + kLikeFilter + u')';
    }
    sql += u" ORDER BY id DESC LIMIT :limit"_s;
    QSqlQuery query(QSqlDatabase::database(m_connection, false));
    query.setForwardOnly(true);
    query.prepare(sql);
    if (beforeId > 0)
        query.bindValue(u":before"_s, beforeId);
    if (!filter.isEmpty())
        query.bindValue(u":filter"_s, indexed ? matchPhrase(filter) : likePattern(filter));
    query.bindValue(u":limit"_s, limit);
    QList<PublishedRecord> records;
    if (!query.exec())
        return records;
    while (query.next())
        records.append(readRecord(query));
    return records;
}

QList<PublishedRecord> PublishedStore::records(const QList<qint64>& ids) const
{
    QList<PublishedRecord> records;
    if (ids.isEmpty())
        return records;
    QStringList numbers;
    for (const qint64 id : ids)
        numbers << QString::number(id);
    QSqlQuery query(QSqlDatabase::database(m_connection, false));
    query.setForwardOnly(true);
    if (!query.exec(u"SELECT "_s + kColumns + u" FROM published WHERE id IN ("_s + numbers.join(u',') +
                    u") ORDER BY id DESC"_s))
        return records;
    while (query.next())
        records.append(readRecord(query));
    return records;
}

bool PublishedStore::readTexts(
    const std::function<void(qint64 id, const QString& remotePath, const QString& address)>& reader) const
{
    QSqlQuery query(QSqlDatabase::database(m_connection, false));
    query.setForwardOnly(true);
    if (!query.exec(u"SELECT id, remote_path, address FROM published ORDER BY id DESC"_s))
        return false;
    while (query.next())
        reader(query.value(0).toLongLong(), query.value(1).toString(), query.value(2).toString());
    return query.lastError().type() == QSqlError::NoError;
}

QList<PublishedRecord> PublishedStore::checkTargets(const QString& filter) const
{
    // A file deleted from the server has no link left to check.
    QString sql = u"SELECT id, remote_path, address, size FROM published WHERE deleted_at IS NULL"_s;
    const bool indexed = filter.size() >= kIndexedLength;
    if (indexed)
        sql += u" AND id IN (SELECT rowid FROM published_search WHERE published_search MATCH :filter)"_s;
    else if (!filter.isEmpty())
        sql += u" AND ("_s + kLikeFilter + u')';
    sql += u" ORDER BY id DESC"_s;
    QSqlQuery query(QSqlDatabase::database(m_connection, false));
    query.setForwardOnly(true);
    query.prepare(sql);
    if (!filter.isEmpty())
        query.bindValue(u":filter"_s, indexed ? matchPhrase(filter) : likePattern(filter));
    QList<PublishedRecord> records;
    if (!query.exec())
        return records;
    while (query.next()) {
        PublishedRecord record;
        record.id = query.value(0).toLongLong();
        record.remotePath = query.value(1).toString();
        record.address = query.value(2).toString();
        record.size = query.value(3).toLongLong();
        records.append(record);
    }
    return records;
}

PublishedSummary PublishedStore::summary() const
{
    QSqlQuery query(QSqlDatabase::database(m_connection, false));
    PublishedSummary summary;
    const auto live = [](LinkVerdict verdict) {
        return u", total(check_status = '"_s + verdictWord(verdict) + u"' AND deleted_at IS NULL)"_s;
    };
    if (query.exec(u"SELECT count(*)"_s + live(LinkVerdict::Works) + live(LinkVerdict::Changed) +
                   live(LinkVerdict::Broken) + u", total(deleted_at IS NOT NULL) FROM published"_s) &&
        query.next()) {
        summary.published = query.value(0).toLongLong();
        summary.works = qint64(query.value(1).toDouble());
        summary.changed = qint64(query.value(2).toDouble());
        summary.broken = qint64(query.value(3).toDouble());
        summary.deleted = qint64(query.value(4).toDouble());
    }
    return summary;
}

} // namespace lumaport
