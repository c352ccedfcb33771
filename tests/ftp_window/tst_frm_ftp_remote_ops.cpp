// SPDX-License-Identifier: GPL-3.0-or-later
// The FTP window's new folder, rename, delete and size against pyftpdlib on loopback.
#include "ftp_window/frm_ftp.h"
#include "ftp_window_probe.h"
#include "support/ftp_servers.h"
#include "support/test_files.h"
#include "transfer/ftp_transfer.h"

#include <QDir>
#include <QLineEdit>
#include <QTimer>
#include <algorithm>

using namespace lumaport;
using namespace lumaport::test;

class TestFrmFtpRemoteOps : public WindowTest
{
    Q_OBJECT

    std::unique_ptr<FtpServer> m_server;

    frmftp& ftp() { return m_forms->frmftp(); }
    QListWidget* list() { return control<QListWidget>(ftp(), "lstRemoteFile"); }

private Q_SLOTS:
    void cleanup()
    {
        WindowTest::cleanup();
        m_server.reset();
    }

    void commands_data()
    {
        QTest::addColumn<QString>("press");     // a button, or a key pressed on the list while a DIR still runs
        QTest::addColumn<QString>("entry");     // selected first
        QTest::addColumn<QString>("typed");     // into the input box; "cancel" also cancels the question
        QTest::addColumn<QStringList>("boxes"); // "title|icon|text"; a text ending in a blank is its start
        QTest::addColumn<QString>("sent");      // the server's line for it; empty: none
        QTest::addColumn<QStringList>("listed");
        using L = QStringList;
        const L start{"Pics/", "photo.jpg"};
        const QString mk = "New Folder||Enter new folder name", rn = "Rename||Enter new file name for photo.jpg";
        const QString rnPics = "Rename||Enter new file name for Pics/";
        const QString invalid = "|information|Invalid Name", del = "Delete|question|Delete ";
        const L busy{"Busy|information|Please wait.  FTP is still executing"};
        // clang-format off
        QTest::newRow("make") << "cmdNewFolder" << "" << "New" << L{mk} << "MKD New" << L{"New/", "Pics/", "photo.jpg"};
        QTest::newRow("make existing") << "cmdNewFolder" << "" << "Pics"
            << L{mk, "New Folder|information|Folder Pics already exists."} << "" << start;
        QTest::newRow("make, other case") << "cmdNewFolder" << "" << "pics" << L{mk} << "MKD pics"
            << L{"Pics/", "photo.jpg", "pics/"};
        QTest::newRow("make, cancelled") << "cmdNewFolder" << "" << "" << L{mk} << "" << start;
        QTest::newRow("make, blanks only") << "cmdNewFolder" << "" << "   "
            << L{mk, "New Folder|information|A folder name needs at least one character that is not a blank."} << ""
            << start;
        QTest::newRow("make, line break") << "cmdNewFolder" << "" << "a\r\nRMD Pics" << L{mk, "New Folder" + invalid}
            << "" << start;
        QTest::newRow("rename file") << "cmdRename" << "photo.jpg" << "beach.jpg" << L{rn} << "RNTO beach.jpg"
            << L{"Pics/", "beach.jpg"};
        QTest::newRow("rename folder") << "cmdRename" << "Pics/" << "Albums" << L{rnPics} << "RNTO Albums"
            << L{"Albums/", "photo.jpg"};
        QTest::newRow("rename, blanks kept") << "cmdRename" << "photo.jpg" << " beach.jpg " << L{rn}
            << "RNTO  beach.jpg " << L{" beach.jpg ", "Pics/"};
        QTest::newRow("rename onto a file") << "cmdRename" << "Pics/" << "photo.jpg"
            << L{rnPics, "Rename|information|File photo.jpg already exists."} << "" << start;
        QTest::newRow("rename, blanks only") << "cmdRename" << "photo.jpg" << "   " << L{rn, "Rename" + invalid} << ""
            << start;
        QTest::newRow("rename, NUL") << "cmdRename" << "photo.jpg" << QStringLiteral("a") + QChar(0)
            << L{rn, "Rename" + invalid} << "" << start;
        QTest::newRow("delete file") << "cmdDelete" << "photo.jpg" << "" << L{del + "photo.jpg ?"} << "DELE photo.jpg"
            << L{"Pics/"};
        QTest::newRow("delete folder") << "cmdDelete" << "Pics/" << "" << L{del + "Pics/ ?"} << "RMD Pics"
            << L{"photo.jpg"};
        QTest::newRow("delete, cancelled") << "cmdDelete" << "photo.jpg" << "cancel" << L{del + "photo.jpg ?"} << ""
            << start;
        QTest::newRow("size of a file") << "cmdSize" << "photo.jpg" << ""
            << L{"Size|information|The size of file photo.jpg is 5 bytes"} << "SIZE photo.jpg" << start;
        QTest::newRow("size of a folder") << "cmdSize" << "Pics/" << "" << L{"Error|critical|12003 "} << "SIZE Pics"
            << start;
        QTest::newRow("busy, F7") << "F7" << "photo.jpg" << "" << busy << "" << start;
        QTest::newRow("busy, F2") << "F2" << "photo.jpg" << "" << busy << "" << start;
        QTest::newRow("busy, Delete") << "Del" << "photo.jpg" << "" << busy << "" << start;
        QTest::newRow("busy, Alt+Return") << "Alt+Return" << "photo.jpg" << "" << busy << "" << start;
        // clang-format on
    }

    void commands()
    {
        QFETCH(QString, press);
        QFETCH(QString, entry);
        QFETCH(QString, typed);
        QFETCH(QStringList, boxes);
        QFETCH(QString, sent);
        QFETCH(QStringList, listed);
        m_server = std::make_unique<FtpServer>(FtpServer::Kind::Pyftpdlib);
        QVERIFY2(m_server->start(), qPrintable(m_server->errorString()));
        writeFile(m_server->rootFolder() + QStringLiteral("/photo.jpg"), "12345");
        QVERIFY(QDir().mkpath(m_server->rootFolder() + QStringLiteral("/Pics")));
        m_forms = std::make_unique<Forms>(*m_services, [] { return std::make_unique<FtpTransfer>(); });
        control<QLineEdit>(ftp(), "txtServer")->setText(m_server->serverText());
        control<QLineEdit>(ftp(), "txtUserName")->setText(m_server->userName());
        control<QLineEdit>(ftp(), "txtPassword")->setText(m_server->password());
        control<QPushButton>(ftp(), "cmdLogOn")->click();
        waitUntilIdle(ftp());
        ftp().show();
        QVERIFY(QTest::qWaitForWindowActive(&ftp()));
        const qsizetype atLogOn = m_server->receivedCommands().size();

        m_services->answerEveryBox(typed == QLatin1String("cancel") ? MsgAnswer::Cancel : MsgAnswer::Ok, typed);
        list()->setFocus();
        list()->setCurrentItem(list()->findItems(entry, Qt::MatchExactly).value(0));
        m_services->clock().advance(4000); // whatever the choice started is over
        // The user clicks away while the command waits; the size box still names the entry asked about.
        QTimer::singleShot(0, list(), [this] { list()->clearSelection(); });
        if (press.startsWith(QLatin1String("cmd"))) {
            control<QPushButton>(ftp(), qPrintable(press))->click();
            waitUntilIdle(ftp());
        } else {
            FtpWindowProbe(ftp()).WaitAndRelist();
            const QKeyCombination key = QKeySequence(press)[0];
            QTest::keyClick(list(), key.key(), key.keyboardModifiers());
        }
        const bool deleting = press.contains(QLatin1String("Del"));
        auto* cmdDelete = control(ftp(), "cmdDelete");
        QCOMPARE(cmdDelete->isEnabled(), !deleting);
        if (press == QLatin1String("cmdSize"))
            QCOMPARE(statusText(ftp()), QStringLiteral("Connected"));

        const char* icons[] = {"", "critical", "question", "exclamation", "information"};
        QCOMPARE(m_services->boxes().size(), std::size_t(boxes.size()));
        for (qsizetype i = 0; i < boxes.size(); ++i) {
            const BoxRecord& box = m_services->boxes()[i];
            const QString shown = box.title + u'|' + QLatin1String(icons[int(box.icon)]) + u'|' + box.text;
            QVERIFY2(boxes[i].endsWith(u' ') ? shown.startsWith(boxes[i]) : shown == boxes[i], qPrintable(shown));
        }
        QTRY_COMPARE(remoteEntries(ftp()).size(), listed.size());
        QStringList entries = remoteEntries(ftp());
        entries.sort();
        QCOMPARE(entries, listed);
        const QStringList received = m_server->receivedCommands().mid(atLogOn);
        if (!sent.isEmpty())
            QVERIFY2(received.contains(sent), qPrintable(received.join(u',')));
        for (const char* verb : {"MKD", "RNTO", "DELE", "RMD", "SIZE"})
            QCOMPARE(received.filter(QLatin1String(verb)).isEmpty(), !sent.startsWith(QLatin1String(verb)));
        // Timer2 brings Delete back after a delete; one turned away waits for the next list click.
        m_services->clock().advance(4000);
        QCOMPARE(cmdDelete->isEnabled(), !deleting || !sent.isEmpty());
    }

    // A log off during a size query closes the connection: the CLOSE's empty reply is no size.
    void logOffDuringASizeQueryShowsNoSize()
    {
        ftp();
        transfer().script(FakeTransfer::completes(QStringLiteral("a.jpg\r\n")));
        control<QLineEdit>(ftp(), "txtServer")->setText(QStringLiteral("ftp.example.org"));
        control<QLineEdit>(ftp(), "txtPassword")->setText(QStringLiteral("secret"));
        control<QPushButton>(ftp(), "cmdLogOn")->click();
        waitUntilIdle(ftp());
        QTimer::singleShot(0, m_transfer, [this] {
            transfer().script({});
            control<QPushButton>(ftp(), "cmdLogOff")->click();
        });
        control<QPushButton>(ftp(), "cmdSize")->click();
        waitUntilIdle(ftp());
        QCOMPARE(transfer().executed().last(), QStringLiteral("CLOSE"));
        QVERIFY(!transfer().StillExecuting());
        QCOMPARE(statusText(ftp()), QStringLiteral("Not Connected"));
    }
};

QTEST_MAIN(TestFrmFtpRemoteOps)
#include "tst_frm_ftp_remote_ops.moc"
