// SPDX-License-Identifier: GPL-3.0-or-later
#include "history/published_store.h"
#include "local_choice/local_choice.h"
#include "platform/directory_settings.h"
#include "session/link_checks.h"
#include "session/publishing_session.h"
#include "support/ftp_servers.h"
#include "support/scripted_services.h"
#include "support/test_files.h"

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace lumaport;
using namespace lumaport::test;
using namespace Qt::StringLiterals;

using Steps = QList<std::pair<SessionText, QString>>;
Q_DECLARE_METATYPE(Steps)

class TestPublishingSession : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // Every line read is written back as it was, the lists' lines through the local choice.
    void theSettingsFileComesBackAsItWasRead()
    {
        ScriptedServices services;
        LocalChoice local;
        PublishingSession session(services, local);
        DirectorySettings settings{u"/srv/pics"_s,
                                   u"/"_s,
                                   u"/tmp"_s,
                                   u"/"_s,
                                   u"ftp.ex.com"_s,
                                   u"me"_s,
                                   u"pw"_s,
                                   u"[url="_s,
                                   u"[/url]"_s,
                                   u"ex.com/a/"_s,
                                   u"the text"_s,
                                   u"http://ex.com/"_s,
                                   u"http://ex.com/"_s,
                                   {false, true, false, false, true, false}};
        const QString path = services.programFolder() + u"/ooo.lbr"_s;
        QString error;
        QVERIFY(writeDirectorySettings(path, settings, &error));
        const QByteArray written = readFile(path);
        session.readSettings(path);
        QVERIFY(QFile::remove(path));
        QVERIFY(session.saveSettings());
        QCOMPARE(readFile(path), written);
    }

    void thePermanentAddressFollowsTheWebAddressAndTheServer_data()
    {
        const QString bucket = u"s3+http://127.0.0.1:9000/pics/"_s;
        QTest::addColumn<Steps>("steps");
        QTest::addColumn<QString>("permanent");
        QTest::newRow("typed with its slash")
            << Steps{{SessionText::WebServer, u"http://h/web/"_s}} << u"http://h/web/"_s;
        QTest::newRow("a bucket's own") << Steps{{SessionText::Server, bucket}} << u"http://127.0.0.1:9000/pics/"_s;
        QTest::newRow("typed over a bucket")
            << Steps{{SessionText::Server, bucket}, {SessionText::WebServer, u"http://h"_s}} << u"http://h/"_s;
        QTest::newRow("a bucket's own, gone with it")
            << Steps{{SessionText::Server, bucket}, {SessionText::Server, u"ftp.ex.com"_s}} << u"/"_s;
        QTest::newRow("a profile's, kept over FTP")
            << Steps{{SessionText::PermanentUrl, u"http://p/"_s}, {SessionText::Server, u"ftp.ex.com"_s}}
            << u"http://p/"_s;
    }

    void thePermanentAddressFollowsTheWebAddressAndTheServer()
    {
        QFETCH(Steps, steps);
        QFETCH(QString, permanent);
        ScriptedServices services;
        LocalChoice local;
        PublishingSession session(services, local);
        for (const auto& [which, value] : steps)
            session.setText(which, value);
        QCOMPARE(session.text(SessionText::PermanentUrl), permanent);
    }

    // A set of one is the one-file road, and a file handed over after a set leaves the set behind.
    void aFileHandedOverEndsTheSet()
    {
        ScriptedServices services;
        LocalChoice local;
        PublishingSession session(services, local);
        session.handOverSet(u"/"_s, u"/tmp"_s, {u"a.jpg"_s});
        QVERIFY(session.fileSet().isEmpty());
        session.handOverSet(u"/"_s, u"/tmp"_s, {u"a.jpg"_s, u"b.jpg"_s});
        QCOMPARE(session.fileSet().size(), 2);
        session.handOverFile(u"/"_s, u"/tmp"_s, u"c.jpg"_s);
        QVERIFY(session.fileSet().isEmpty());
        QCOMPARE(session.localFile().name, u"c.jpg"_s);
    }

    // The history keeps a picture's own verdict when its thumbnail answers: another size than was sent is
    // "changed", not "broken".
    void aPictureCheckedBeforeItsThumbnailKeepsItsOwnVerdict()
    {
        FtpServer web(FtpServer::Kind::Web);
        QVERIFY2(web.start(), qPrintable(web.errorString()));
        const QString path = writePicture(web.rootFolder() + u"/p.jpg"_s, Qt::blue);
        const qint64 sent = readFile(path).size() + 1;
        const qint64 thumbnail = readFile(writePicture(web.rootFolder() + u"/p_thumb.jpg"_s, Qt::red)).size();
        ScriptedServices services;
        LocalChoice local;
        PublishingSession session(services, local);
        session.setText(SessionText::Server, u"s3+http://h:7480/pics/a b/"_s);
        const SentFile file{
            path, {},        u"p.jpg"_s, web.serverText() + u"/p.jpg"_s, web.serverText() + u"/p_thumb.jpg"_s,
            sent, thumbnail, {}};
        QSignalSpy recorded(&session, &PublishingSession::historyRecorded);
        session.recordSent(path, file);
        session.linkChecks().checkSent(file);
        QTRY_COMPARE_WITH_TIMEOUT(recorded.size(), 2, 15000);
        PublishedStore store(publishedHistoryPath(services.programFolder()));
        QString error;
        QVERIFY2(store.open(&error), qPrintable(error));
        QCOMPARE(store.page({}, 0, 1).value(0).verdict, LinkVerdict::Changed);
        // The bucket and folder are kept, so a delete names this file again and no namesake.
        QCOMPARE(store.page({}, 0, 1).value(0).server, u"s3+http://h:7480/pics/a b/"_s);
    }
};

QTEST_GUILESS_MAIN(TestPublishingSession)
#include "tst_publishing_session.moc"
