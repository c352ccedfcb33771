// SPDX-License-Identifier: GPL-3.0-or-later
// The requests' continuations in the states a server can't give on demand: a cancel while a request runs, a
// request asked for while another runs, a request ending in an error.
#include "session/remote_requests.h"
#include "support/fake_transfer.h"

#include <QSignalSpy>
#include <QTest>

using namespace lumaport;
using namespace lumaport::test;

class TestRemoteRequests : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void continuations_data()
    {
        QTest::addColumn<QStringList>("steps");  // "reply"/"error": how the next request ends; "run X": with a
                                                 // continuation; "send X": without; "cancel"; "finish": ends it now
        QTest::addColumn<QStringList>("called"); // each continuation as called: its command and whether replied
        QTest::addColumn<QStringList>("executed");
        QTest::addColumn<QList<bool>>("ended");
        using L = QStringList;
        QTest::newRow("reply") << L{"reply", "run A"} << L{"A 1"} << L{"A"} << QList<bool>{true};
        QTest::newRow("error") << L{"error", "run A"} << L{"A 0"} << L{"A"} << QList<bool>{false};
        // The CLOSE's reply after a cancel is not the cancelled request's.
        QTest::newRow("cancel, then a reply")
            << L{"run A", "cancel", "reply", "send CLOSE"} << L{"A 0"} << L{"A", "CLOSE"} << QList<bool>{false, true};
        // Not sent: the component would drop it, and the running request's reply be taken for it.
        QTest::newRow("asked while busy")
            << L{"run A", "run B", "finish"} << L{"B 0", "A 1"} << L{"A"} << QList<bool>{true};
    }

    void continuations()
    {
        QFETCH(QStringList, steps);
        QFETCH(QStringList, called);
        QFETCH(QStringList, executed);
        QFETCH(QList<bool>, ended);
        auto made = std::make_unique<FakeTransfer>();
        FakeTransfer& transfer = *made;
        RemoteRequests requests(std::move(made));
        QSignalSpy endings(&requests, &RemoteRequests::ended);
        QStringList calls;
        for (const QString& step : steps) {
            const QString command = step.section(u' ', 1);
            if (step == u"reply")
                transfer.script(FakeTransfer::completes({}));
            else if (step == u"error")
                transfer.script(FakeTransfer::fails(12003, QStringLiteral("550 No.")));
            else if (step == u"cancel")
                requests.cancel();
            else if (step == u"finish")
                transfer.finish(FakeTransfer::completes({}));
            else if (step.startsWith(u"send"))
                requests.run(command);
            else
                requests.run(command, this, [&calls, &transfer, command](bool replied) {
                    // Never inside the component's final state: it is idle by now.
                    calls.append(command + QStringLiteral(" %1").arg(transfer.StillExecuting() ? 2 : int(replied)));
                });
        }
        QTRY_VERIFY(!requests.busy());
        QCOMPARE(calls, called);
        QCOMPARE(transfer.executed(), executed);
        QList<bool> seen;
        for (const QList<QVariant>& ending : endings)
            seen.append(ending.value(0).toBool());
        QCOMPARE(seen, ended);
    }
};

QTEST_MAIN(TestRemoteRequests)
#include "tst_remote_requests.moc"
