// SPDX-License-Identifier: GPL-3.0-or-later
// The publisher's deletes in states a server can't give on demand: folders entered from the one entered last, a
// file already gone, a refusal kept with its reason.
#include "session/publisher.h"
#include "support/fake_transfer.h"

#include <QSignalSpy>
#include <QTest>

using namespace lumaport;
using namespace lumaport::test;
using namespace Qt::StringLiterals;

class TestPublisher : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void deletes_data()
    {
        QTest::addColumn<QList<FileToDelete>>("files");
        QTest::addColumn<QStringList>("replies"); // how each request ends: "ok", or the refusal's text
        QTest::addColumn<QStringList>("executed");
        QTest::addColumn<QList<qsizetype>>("deleted");
        QTest::addColumn<QStringList>("refused");
        const FileToDelete inA{{u"dav://h:80/pub/"_s, true, u"a/"_s, u"x.jpg"_s}, true};
        const FileToDelete inBC{{u"dav://h:80/pub/"_s, true, u"b c/"_s, u"y.jpg"_s}, false};
        QTest::newRow("share folders, a file already gone")
            << QList{inA, inBC} << QStringList{"ok", "ok", "ok", "ok", "550 Gone", "550 Gone"}
            << QStringList{"CD \"a/\"",      "DELETE \"x.jpg\"", "DELETE \"x_thumb.jpg\"",
                           "CD \"../b c/\"", "DELETE \"y.jpg\"", "SIZE \"y.jpg\""}
            << QList<qsizetype>{0, 1} << QStringList{};
        const FileToDelete onFtp{{u"ftp://h:21"_s, false, u"sub/"_s, u"x.jpg"_s}, true};
        QTest::newRow("ftp path, kept by the server")
            << QList{onFtp} << QStringList{"550 Permission denied", "ok"}
            << QStringList{"DELETE \"sub/x.jpg\"", "SIZE \"sub/x.jpg\""} << QList<qsizetype>{}
            << QStringList{"sub/x.jpg: 550 Permission denied"};
        QTest::newRow("a folder that can't be entered")
            << QList{inBC} << QStringList{"550 No such folder"} << QStringList{"CD \"b c/\""} << QList<qsizetype>{}
            << QStringList{"b c/y.jpg: 550 No such folder"};
    }

    void deletes()
    {
        QFETCH(QList<FileToDelete>, files);
        QFETCH(QStringList, replies);
        auto made = std::make_unique<FakeTransfer>();
        FakeTransfer& transfer = *made;
        for (const QString& reply : replies)
            transfer.script(reply == u"ok" ? FakeTransfer::completes({}) : FakeTransfer::fails(12003, reply));
        Publisher publisher(std::move(made), {files.first().place.server, u"me"_s, u"pw"_s});
        QSignalSpy ended(&publisher, &Publisher::deletesEnded);
        publisher.deleteFiles(files);
        QVERIFY(ended.wait(5000));
        const auto outcome = ended.first().first().value<DeleteOutcome>();
        QTEST(transfer.executed(), "executed");
        QTEST(outcome.deleted, "deleted");
        QTEST(outcome.refused, "refused");
        QCOMPARE(transfer.remoteHost(), files.first().place.server);
    }
};

QTEST_GUILESS_MAIN(TestPublisher)
#include "tst_publisher.moc"
