// SPDX-License-Identifier: GPL-3.0-or-later
// The FTP window's new folder, rename, delete and size against pyftpdlib on loopback.
#include "ftp/frm_ftp.h"
#include "ftp/ftp_transfer.h"
#include "ftp_window_probe.h"
#include "support/ftp_servers.h"
#include "support/test_files.h"

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
        QTest::addColumn<QString>("button");
        QTest::addColumn<int>("key");           // when not 0: pressed on the list while a DIR still runs
        QTest::addColumn<QString>("entry");     // selected first
        QTest::addColumn<QString>("typed");     // into the input box; "cancel" also cancels the question
        QTest::addColumn<QStringList>("boxes"); // "title|icon|text"; a text ending in a blank is its start
        QTest::addColumn<QString>("sent");      // the server's line for it; empty: none
        QTest::addColumn<QStringList>("listed");
        const QStringList start{"Pics/", "photo.jpg"};
        const QString mk = "New Folder||Enter new folder name";
        const QString rn = "Rename||Enter new file name for photo.jpg";
        const QStringList busy{"Busy|information|Please wait.  FTP is still executing"};
        const auto row = [](const char* name) -> QTestData& { return QTest::newRow(name); };
        row("make") << "cmdNewFolder" << 0 << ""
                    << "New" << QStringList{mk} << "MKD New" << QStringList{"New/", "Pics/", "photo.jpg"};
        row("make existing") << "cmdNewFolder" << 0 << ""
                             << "Pics" << QStringList{mk, "New Folder|information|Folder Pics already exists."} << ""
                             << start;
        row("make, other case") << "cmdNewFolder" << 0 << ""
                                << "pics" << QStringList{mk} << "MKD pics"
                                << QStringList{"Pics/", "photo.jpg", "pics/"};
        row("make, cancelled") << "cmdNewFolder" << 0 << ""
                               << "" << QStringList{mk} << "" << start;
        row("make, line break") << "cmdNewFolder" << 0 << ""
                                << "a\r\nRMD Pics" << QStringList{mk, "New Folder|information|Invalid Name"} << ""
                                << start;
        row("rename file") << "cmdRename" << 0 << "photo.jpg"
                           << "beach.jpg" << QStringList{rn} << "RNTO beach.jpg" << QStringList{"Pics/", "beach.jpg"};
        row("rename folder") << "cmdRename" << 0 << "Pics/"
                             << "Albums" << QStringList{"Rename||Enter new file name for Pics/"} << "RNTO Albums"
                             << QStringList{"Albums/", "photo.jpg"};
        row("rename, blanks kept") << "cmdRename" << 0 << "photo.jpg"
                                   << " beach.jpg " << QStringList{rn} << "RNTO  beach.jpg "
                                   << QStringList{" beach.jpg ", "Pics/"};
        row("rename onto a file") << "cmdRename" << 0 << "Pics/"
                                  << "photo.jpg"
                                  << QStringList{"Rename||Enter new file name for Pics/",
                                                 "Rename|information|File photo.jpg already exists."}
                                  << "" << start;
        row("rename, blanks only") << "cmdRename" << 0 << "photo.jpg"
                                   << "   " << QStringList{rn, "Rename|information|Invalid Name"} << "" << start;
        row("rename, NUL") << "cmdRename" << 0 << "photo.jpg" << QStringLiteral("a") + QChar(0)
                           << QStringList{rn, "Rename|information|Invalid Name"} << "" << start;
        row("delete file") << "cmdDelete" << 0 << "photo.jpg"
                           << "" << QStringList{"Delete|question|Delete photo.jpg ?"} << "DELE photo.jpg"
                           << QStringList{"Pics/"};
        row("delete folder") << "cmdDelete" << 0 << "Pics/"
                             << "" << QStringList{"Delete|question|Delete Pics/ ?"} << "RMD Pics"
                             << QStringList{"photo.jpg"};
        row("delete, cancelled") << "cmdDelete" << 0 << "photo.jpg"
                                 << "cancel" << QStringList{"Delete|question|Delete photo.jpg ?"} << "" << start;
        row("size of a file") << "cmdSize" << 0 << "photo.jpg"
                              << "" << QStringList{"Size|information|The size of file photo.jpg is 5 bytes"}
                              << "SIZE photo.jpg" << start;
        row("size of a folder") << "cmdSize" << 0 << "Pics/"
                                << "" << QStringList{"Error|critical|12003 "} << "SIZE Pics" << start;
        row("busy, F7") << "cmdNewFolder" << int(Qt::Key_F7) << "photo.jpg"
                        << "" << busy << "" << start;
        row("busy, F2") << "cmdRename" << int(Qt::Key_F2) << "photo.jpg"
                        << "" << busy << "" << start;
        row("busy, Delete") << "cmdDelete" << int(Qt::Key_Delete) << "photo.jpg"
                            << "" << busy << "" << start;
        row("busy, Alt+Return") << "cmdSize" << (Qt::ALT | Qt::Key_Return).toCombined() << "photo.jpg"
                                << "" << busy << "" << start;
    }

    void commands()
    {
        QFETCH(QString, button);
        QFETCH(int, key);
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
        ftp().txtServer->setText(m_server->serverText());
        ftp().txtUserName->setText(m_server->userName());
        ftp().txtPassword->setText(m_server->password());
        control<QPushButton>(ftp(), "cmdLogOn")->click();
        ftp().show();
        QVERIFY(QTest::qWaitForWindowActive(&ftp()));
        const qsizetype atLogOn = m_server->receivedCommands().size();

        m_services->answerEveryBox(typed == QLatin1String("cancel") ? MsgAnswer::Cancel : MsgAnswer::Ok, typed);
        list()->setFocus();
        list()->setCurrentItem(list()->findItems(entry, Qt::MatchExactly).value(0));
        // The user picks nothing else meanwhile; the size box still names the entry asked about.
        QTimer::singleShot(0, list(), [this] { list()->clearSelection(); });
        if (key) {
            FtpWindowProbe(ftp()).WaitAndRelist();
            QTest::keyClick(list(), Qt::Key(key & ~Qt::KeyboardModifierMask),
                            Qt::KeyboardModifiers(key & Qt::KeyboardModifierMask));
        } else {
            control<QPushButton>(ftp(), qPrintable(button))->click();
        }
        auto* cmdDelete = control(ftp(), "cmdDelete");
        QCOMPARE(cmdDelete->isEnabled(), button != QLatin1String("cmdDelete"));
        if (button == QLatin1String("cmdSize") && !key)
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
        QCOMPARE(cmdDelete->isEnabled(), button != QLatin1String("cmdDelete") || !sent.isEmpty());
    }

    // A log off during a size query closes the connection: the CLOSE's empty reply is no size.
    void logOffDuringASizeQueryShowsNoSize()
    {
        ftp();
        transfer().script(FakeTransfer::completes(QStringLiteral("a.jpg\r\n")));
        ftp().txtServer->setText(QStringLiteral("ftp.example.org"));
        ftp().txtPassword->setText(QStringLiteral("secret"));
        control<QPushButton>(ftp(), "cmdLogOn")->click();
        QTimer::singleShot(0, m_transfer, [this] {
            transfer().script({});
            control<QPushButton>(ftp(), "cmdLogOff")->click();
        });
        control<QPushButton>(ftp(), "cmdSize")->click();
        QCOMPARE(transfer().executed().last(), QStringLiteral("CLOSE"));
        QVERIFY(!transfer().StillExecuting());
        QCOMPARE(statusText(ftp()), QStringLiteral("Not Connected"));
    }
};

QTEST_MAIN(TestFrmFtpRemoteOps)
#include "tst_frm_ftp_remote_ops.moc"
