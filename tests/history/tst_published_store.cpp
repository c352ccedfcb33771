// SPDX-License-Identifier: GPL-3.0-or-later
// The history file itself: a damaged file moved aside, one that can't be written, two writers at once; and the
// verdicts of links checked again against Python's web server.
#include "history/published_recorder.h"
#include "history/published_store.h"
#include "history/short_filter_index.h"
#include "publish/link_set_check.h"
#include "support/ftp_servers.h"
#include "support/test_files.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

using namespace lumaport;
using namespace lumaport::test;
using namespace Qt::StringLiterals;

namespace {

PublishedRecord row(const QString& name)
{
    PublishedRecord record;
    record.sentAt = QDateTime::currentDateTimeUtc();
    record.server = u"ftp://127.0.0.1:2121"_s;
    record.user = u"me"_s;
    record.remotePath = name;
    record.address = u"http://127.0.0.1/"_s + name;
    record.localPath = u"/home/me/"_s + name;
    record.size = 1;
    return record;
}

} // namespace

class TstPublishedStore : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void damagedFileIsMovedAsideAndANewOneStarted()
    {
        const QTemporaryDir folder;
        const QString path = folder.filePath(u"published.sqlite"_s);
        const QByteArray damage = QByteArray("SQLite format 3") + QByteArray(4096, '\x7f');
        writeFile(path, damage);
        PublishedStore store(path);
        QString error;
        QString movedTo;
        QVERIFY2(store.open(&error, &movedTo), qPrintable(error));
        QVERIFY(movedTo.startsWith(path + u".damaged-"_s));
        QCOMPARE(readFile(movedTo), damage);
        PublishedRecord record = row(u"a.jpg"_s);
        QVERIFY2(store.add(&record, &error), qPrintable(error));
        QCOMPARE(store.summary().published, 1);
    }

    void aFileOfTheFirstVersionIsBroughtUpToDate()
    {
        const QTemporaryDir folder;
        const QString path = folder.filePath(u"published.sqlite"_s);
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(u"QSQLITE"_s, u"first"_s);
            db.setDatabaseName(path);
            QVERIFY(db.open());
            QSqlQuery query(db);
            QVERIFY(query.exec(u"CREATE TABLE published (id INTEGER PRIMARY KEY, sent_at TEXT NOT NULL, server TEXT "
                               u"NOT NULL, user TEXT NOT NULL, remote_path TEXT NOT NULL, address TEXT NOT NULL, "
                               u"thumbnail_address TEXT, local_path TEXT NOT NULL, size INTEGER NOT NULL, sha256 "
                               u"TEXT, check_status TEXT, checked_at TEXT, check_note TEXT)"_s));
            QVERIFY(query.exec(u"INSERT INTO published (sent_at, server, user, remote_path, address, local_path, "
                               u"size) VALUES ('2025-01-02T03:04:05Z', 'ftp://h:21', 'me', '2025/old.jpg', "
                               u"'http://h/2025/old.jpg', '/old.jpg', 5)"_s));
            QVERIFY(query.exec(u"PRAGMA user_version=1"_s));
        }
        QSqlDatabase::removeDatabase(u"first"_s);
        PublishedStore store(path);
        QString error;
        QVERIFY2(store.open(&error), qPrintable(error));
        // The filter's index holds the rows written before it existed.
        const QList<PublishedRecord> found = store.page(u"OLD.j"_s, 0, 10);
        QCOMPARE(found.size(), 1);
        QCOMPARE(found.first().sentAt, QDateTime(QDate(2025, 1, 2), QTime(3, 4, 5), Qt::UTC));
    }

    // A verdict goes into the file as the word every copy of the program reads, and comes back as it went in.
    void verdictsAreKeptAsTheirWords()
    {
        const QTemporaryDir folder;
        PublishedStore store(folder.filePath(u"published.sqlite"_s));
        QString error;
        QVERIFY2(store.open(&error), qPrintable(error));
        const QList<LinkVerdict> verdicts{LinkVerdict::Works, LinkVerdict::Changed, LinkVerdict::Broken};
        QList<PublishedCheck> checks;
        for (const LinkVerdict verdict : verdicts) {
            PublishedRecord record = row(u"a.jpg"_s);
            QVERIFY2(store.add(&record, &error), qPrintable(error));
            checks << PublishedCheck{record.id, verdict, u"note"_s, QDateTime::currentDateTimeUtc()};
        }
        QVERIFY2(store.setChecks(checks, &error), qPrintable(error));
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(u"QSQLITE"_s, u"words"_s);
            db.setDatabaseName(store.path());
            QVERIFY(db.open());
            QSqlQuery query(u"SELECT check_status FROM published ORDER BY id"_s, db);
            QStringList words;
            while (query.next())
                words << query.value(0).toString();
            QCOMPARE(words, (QStringList{u"works"_s, u"changed"_s, u"broken"_s}));
        }
        QSqlDatabase::removeDatabase(u"words"_s);
        const QList<PublishedRecord> read = store.page({}, 0, 10);
        QCOMPARE(read.size(), verdicts.size());
        for (qsizetype i = 0; i < read.size(); ++i)
            QVERIFY(read.at(i).verdict == verdicts.at(verdicts.size() - 1 - i)); // newest first
        QCOMPARE(store.summary().changed, 1);
    }

    void shortFiltersFindInMemoryWhatTheTableHolds()
    {
        const QTemporaryDir folder;
        PublishedStore store(folder.filePath(u"published.sqlite"_s));
        QString error;
        QVERIFY2(store.open(&error), qPrintable(error));
        for (const QString& name : {u"a.jpg"_s, u"Beta.png"_s, u"2026/c.gif"_s, u"Über.jpg"_s, u"b_b.jpg"_s}) {
            PublishedRecord record = row(name);
            QVERIFY2(store.add(&record, &error), qPrintable(error));
        }
        const auto index = ShortFilterIndex::build(store.path());
        QVERIFY(index);
        const auto ids = [](const QList<PublishedRecord>& records) {
            QList<qint64> found;
            for (const PublishedRecord& record : records)
                found << record.id;
            return found;
        };
        for (const QString& filter : {u"b"_s, u"B"_s, u".j"_s, u"6/"_s, u"_"_s, u"zz"_s, u"1"_s}) {
            QCOMPARE(index->find(filter, 0, 100), ids(store.page(filter, 0, 100)));
            // A page goes on below the last row of the one before.
            QCOMPARE(index->find(filter, 4, 1), ids(store.page(filter, 4, 1)));
        }
    }

    void aHistoryThatCannotBeWrittenIsReportedAndTheRowDropped()
    {
        const QTemporaryDir folder;
        // A folder in the file's place is refused even to root, who may write any read-only file.
        QVERIFY(QDir(folder.path()).mkpath(u"published.sqlite/x"_s));
        PublishedRecorder recorder(folder.filePath(u"published.sqlite"_s));
        QSignalSpy failed(&recorder, &PublishedRecorder::failed);
        recorder.record(row(u"a.jpg"_s));
        QVERIFY(failed.wait());
        QVERIFY(failed.first().first().toString().contains(u"published.sqlite"_s));
    }

    void twoWritersAtOnceKeepEveryRow()
    {
        const QTemporaryDir folder;
        const QString path = folder.filePath(u"published.sqlite"_s);
        constexpr int kRows = 150;
        {
            PublishedRecorder first(path);
            PublishedRecorder second(path);
            for (int i = 0; i < kRows; ++i) {
                first.record(row(u"first-%1.jpg"_s.arg(i)));
                second.record(row(u"second-%1.jpg"_s.arg(i)));
            }
        } // each writes out what it holds before it goes
        PublishedStore store(path);
        QString error;
        QVERIFY2(store.open(&error), qPrintable(error));
        QCOMPARE(store.summary().published, 2 * kRows);
        QCOMPARE(store.page(u"second-"_s, 0, 1000).size(), kRows);
    }

    void checkedLinksGetTheirVerdicts()
    {
        FtpServer web(FtpServer::Kind::Web);
        QVERIFY2(web.start(), qPrintable(web.errorString()));
        writeFile(QDir(web.rootFolder()).filePath(u"photo.jpg"_s), QByteArray(1000, 'p'));
        SilentServer silent;
        struct Case
        {
            QString address;
            qint64 size;
            QString status;
        };
        const QList<Case> cases{
            {web.serverText() + u"/photo.jpg"_s, 1000, u"works"_s},
            {web.serverText() + u"/nohead/photo.jpg"_s, 1000, u"works"_s},
            {web.serverText() + u"/photo.jpg"_s, 999, u"changed"_s},
            {web.serverText() + u"/missing.jpg"_s, 1000, u"broken"_s},
            {web.serverText() + u"/login/photo.jpg"_s, 1000, u"broken"_s},
            {u"http://"_s + silent.serverText() + u"/a.jpg"_s, 1, u"broken"_s},
        };
        QList<LinkSetItem> items;
        for (int i = 0; i < cases.size(); ++i)
            items << LinkSetItem{i, {cases.at(i).address, cases.at(i).size, true, 1000}};
        LinkSetCheck check(items);
        QMap<qint64, QString> statuses;
        connect(&check, &LinkSetCheck::checked, this,
                [&](qint64 id, const LinkCheckResult& result) { statuses.insert(id, verdictWord(result.verdict())); });
        QSignalSpy finished(&check, &LinkSetCheck::finished);
        QVERIFY(finished.wait(10000));
        for (int i = 0; i < cases.size(); ++i)
            QCOMPARE(statuses.value(i), cases.at(i).status);
    }
};

QTEST_GUILESS_MAIN(TstPublishedStore)
#include "tst_published_store.moc"
