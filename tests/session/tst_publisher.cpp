// SPDX-License-Identifier: GPL-3.0-or-later
// The publisher in states a server can't give on demand: a set whose third connection is refused and whose file
// fails half-way; deletes with folders entered from the one entered last, a file already gone, a refusal kept.
#include "session/publisher.h"
#include "support/fake_transfer.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace lumaport;
using namespace lumaport::test;
using namespace Qt::StringLiterals;

class TestPublisher : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void sendsSet_data()
    {
        QTest::addColumn<int>("connections");
        QTest::addColumn<QStringList>("sent");
        QTest::addColumn<QStringList>("notSent");
        QTest::newRow("in turn") << 1 << QStringList{"a.txt", "b.txt"}
                                 << QStringList{"c.txt was not sent: 451 Transfer aborted",
                                                "d.txt was not sent: the set stopped at c.txt",
                                                "e.txt was not sent: the set stopped at c.txt"};
        // The third connection is refused: its file goes over one of the two the server takes.
        QTest::newRow("three connections")
            << 3 << QStringList{"a.txt", "b.txt", "d.txt"}
            << QStringList{"c.txt was not sent: 451 Transfer aborted", "e.txt was not sent: the set stopped at c.txt"};
    }

    void sendsSet()
    {
        QFETCH(int, connections);
        QTemporaryDir dir;
        SendOrder order;
        for (const QString& name : {u"a.txt"_s, u"b.txt"_s, u"c.txt"_s, u"d.txt"_s, u"e.txt"_s}) {
            QFile file(dir.filePath(name));
            QVERIFY(file.open(QIODevice::WriteOnly) && file.write("bytes") == 5);
            order.files.append({file.fileName(), name});
        }
        order.connections = connections;
        order.remoteFolder = u"pics/"_s;
        order.link.urlName = u"http://web.test/pics/"_s;
        order.link.typedBase = u"http://web.test/"_s;
        auto made = std::make_unique<FakeTransfer>();
        FakeTransfer::Family& family = made->family();
        family.siblingsTaken = 1;
        family.byEnding.append({u"\"c.txt\""_s, FakeTransfer::fails(12003, u"451 Transfer aborted"_s)});
        for (const char* name : {"a", "b", "d", "e"})
            family.byEnding.append({u"\"%1.txt\""_s.arg(QLatin1String(name)), FakeTransfer::completes({})});
        Publisher publisher(std::move(made), {u"ftp://h:21"_s, u"me"_s, u"pw"_s});
        QSignalSpy ended(&publisher, &Publisher::sendsEnded);
        QSignalSpy eachSent(&publisher, &Publisher::fileSent);
        publisher.sendFiles(order);
        QVERIFY(ended.wait(5000));
        const auto outcome = ended.first().first().value<SendOutcome>();
        QStringList sent;
        for (const SentFile& file : outcome.sent)
            sent.append(file.remoteName);
        QTEST(sent, "sent");
        QTEST(outcome.notSent, "notSent");
        QCOMPARE(eachSent.size(), sent.size());
        QCOMPARE(family.siblings, connections - 1);
        QCOMPARE(outcome.sent.first().address, u"http://web.test/pics/a.txt"_s);
    }

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
