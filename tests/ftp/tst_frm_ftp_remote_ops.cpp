// SPDX-License-Identifier: GPL-3.0-or-later
// The FTP window's new folder, rename, delete and size against pyftpdlib on loopback; the list's keys and the
// size box's corner cases with a scripted component.
#include "ftp/frm_ftp.h"
#include "ftp/ftp_transfer.h"
#include "ftp_window_probe.h"
#include "platform/timer.h"
#include "support/ftp_servers.h"
#include "support/test_files.h"

#include <QAction>
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
    FtpTransfer* m_real = nullptr;
    qsizetype m_commandsAtLogOn = 0;

    frmftp& ftp() { return m_forms->frmftp(); }
    QListWidget* list() { return control<QListWidget>(ftp(), "lstRemoteFile"); }
    void click(const char* button) { control<QPushButton>(ftp(), button)->click(); }
    void select(const QString& entry) { list()->setCurrentItem(list()->findItems(entry, Qt::MatchExactly).value(0)); }

    /// Logs on to pyftpdlib, whose starting folder holds photo.jpg (5 bytes) and the folder Pics.
    void logOnToServer()
    {
        m_server = std::make_unique<FtpServer>(FtpServer::Kind::Pyftpdlib);
        QVERIFY2(m_server->start(), qPrintable(m_server->errorString()));
        writeFile(m_server->rootFolder() + QStringLiteral("/photo.jpg"), "12345");
        QVERIFY(QDir().mkpath(m_server->rootFolder() + QStringLiteral("/Pics")));
        m_forms = std::make_unique<Forms>(*m_services, [this] {
            auto transfer = std::make_unique<FtpTransfer>();
            m_real = transfer.get();
            return transfer;
        });
        ftp().txtServer->setText(m_server->serverText());
        ftp().txtUserName->setText(m_server->userName());
        ftp().txtPassword->setText(m_server->password());
        click("cmdLogOn");
        QCOMPARE(arrangement(ftp()), kLoggedOn);
        m_commandsAtLogOn = m_server->receivedCommands().size();
    }

    void logOnScripted(const QString& listing)
    {
        ftp();
        transfer().script(FakeTransfer::completes(listing));
        ftp().txtServer->setText(QStringLiteral("ftp.example.org"));
        ftp().txtPassword->setText(QStringLiteral("secret"));
        click("cmdLogOn");
    }

    /// What the server received since log on, once the window's last request has ended.
    QStringList sentSinceLogOn()
    {
        [this] { QTRY_VERIFY(!m_real->StillExecuting()); }();
        return m_server->receivedCommands().mid(m_commandsAtLogOn);
    }

    static bool anyStartsWith(const QStringList& lines, const QString& start)
    {
        return std::any_of(lines.begin(), lines.end(), [&](const QString& line) { return line.startsWith(start); });
    }

private Q_SLOTS:
    void cleanup()
    {
        WindowTest::cleanup();
        m_server.reset();
    }

    void newFolder_data()
    {
        QTest::addColumn<QString>("answer");
        QTest::addColumn<QString>("refusal"); // the box that stops it, empty when none
        QTest::newRow("new name") << "New"
                                  << "";
        QTest::newRow("folder of that name") << "Pics"
                                             << "Folder Pics already exists.";
        QTest::newRow("other case") << "pics"
                                    << "";
        QTest::newRow("cancelled") << ""
                                   << "-";
        QTest::newRow("line break") << "a\r\nRMD Pics"
                                    << "Invalid Name";
        QTest::newRow("NUL") << QStringLiteral("a") + QChar(0) << "Invalid Name";
    }

    void newFolder()
    {
        QFETCH(QString, answer);
        QFETCH(QString, refusal);
        logOnToServer();
        const QStringList before = remoteEntries(ftp());
        m_services->expectInput(QStringLiteral("Enter new folder name"), answer);
        if (refusal.size() > 1)
            m_services->expectMessage(refusal, MsgAnswer::Ok, QStringLiteral("New Folder"));
        click("cmdNewFolder");
        QCOMPARE(m_services->boxes().front().title, QStringLiteral("New Folder"));
        QCOMPARE(anyStartsWith(sentSinceLogOn(), QStringLiteral("MKD")), refusal.isEmpty());
        if (refusal.isEmpty())
            QVERIFY(remoteEntries(ftp()).contains(answer + QLatin1Char('/')));
        else
            QCOMPARE(remoteEntries(ftp()), before);
    }

    void rename_data()
    {
        QTest::addColumn<QString>("entry");
        QTest::addColumn<QString>("answer");
        QTest::addColumn<QString>("renamed"); // the new entry; empty when the answer is refused
        QTest::newRow("file") << "photo.jpg"
                              << "beach.jpg"
                              << "beach.jpg";
        QTest::newRow("folder") << "Pics/"
                                << "Albums"
                                << "Albums/";
        QTest::newRow("blanks around kept") << "photo.jpg"
                                            << " beach.jpg "
                                            << " beach.jpg ";
        QTest::newRow("only blanks") << "photo.jpg"
                                     << "   "
                                     << "";
        QTest::newRow("cancelled") << "photo.jpg"
                                   << ""
                                   << "";
        QTest::newRow("line feed") << "photo.jpg"
                                   << "a\nDELE photo.jpg"
                                   << "";
    }

    void rename()
    {
        QFETCH(QString, entry);
        QFETCH(QString, answer);
        QFETCH(QString, renamed);
        logOnToServer();
        const QStringList before = remoteEntries(ftp());
        select(entry);
        m_services->expectInput(QStringLiteral("Enter new file name for ") + entry, answer);
        if (renamed.isEmpty())
            m_services->expectMessage(QStringLiteral("Invalid Name"), MsgAnswer::Ok, QStringLiteral("Rename"));
        click("cmdRename");
        const QStringList sent = sentSinceLogOn();
        if (renamed.isEmpty()) {
            QVERIFY(sent.isEmpty());
            QCOMPARE(remoteEntries(ftp()), before);
            return;
        }
        QVERIFY(sent.contains(QStringLiteral("RNTO ") + renamed.chopped(renamed.endsWith(u'/'))));
        QTRY_VERIFY(remoteEntries(ftp()).contains(renamed));
        QVERIFY(!remoteEntries(ftp()).contains(entry));
    }

    void deleteEntry_data()
    {
        QTest::addColumn<QString>("entry");
        QTest::addColumn<MsgAnswer>("answer");
        QTest::addColumn<QString>("sent");
        QTest::newRow("file") << "photo.jpg" << MsgAnswer::Ok << "DELE photo.jpg";
        QTest::newRow("folder") << "Pics/" << MsgAnswer::Ok << "RMD Pics";
        QTest::newRow("cancelled") << "photo.jpg" << MsgAnswer::Cancel << "";
    }

    void deleteEntry()
    {
        QFETCH(QString, entry);
        QFETCH(MsgAnswer, answer);
        QFETCH(QString, sent);
        logOnToServer();
        select(entry);
        m_services->expectMessage(QStringLiteral("Delete ") + entry + QStringLiteral(" ?"), answer,
                                  QStringLiteral("Delete"));
        click("cmdDelete");
        QCOMPARE(m_services->boxes().front().buttons, MsgButtons::OkCancel);
        QCOMPARE(m_services->boxes().front().icon, MsgIcon::Question);
        auto* cmdDelete = control(ftp(), "cmdDelete");
        QVERIFY(!cmdDelete->isEnabled());
        const QStringList commands = sentSinceLogOn();
        QCOMPARE(commands.contains(sent), !sent.isEmpty());
        QCOMPARE(remoteEntries(ftp()).contains(entry), sent.isEmpty());
        // Timer2 brings the button back after a delete; a cancelled one waits for the next list click.
        m_services->clock().advance(4000);
        QCOMPARE(cmdDelete->isEnabled(), !sent.isEmpty());
    }

    void size_data()
    {
        QTest::addColumn<QString>("entry");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("text");
        QTest::newRow("file") << "photo.jpg"
                              << "Size"
                              << "The size of file photo.jpg is 5 bytes";
        QTest::newRow("folder") << "Pics/"
                                << "Error"
                                << "12003 ";
    }

    void size()
    {
        QFETCH(QString, entry);
        QFETCH(QString, title);
        QFETCH(QString, text);
        logOnToServer();
        m_services->answerEveryBox();
        const QStringList before = remoteEntries(ftp());
        select(entry);
        click("cmdSize");
        QCOMPARE(m_services->boxes().size(), std::size_t(1));
        QCOMPARE(m_services->boxes().front().title, title);
        QVERIFY2(m_services->boxes().front().text.startsWith(text), qPrintable(m_services->boxes().front().text));
        QCOMPARE(statusText(ftp()), QStringLiteral("Connected"));
        QVERIFY(!anyStartsWith(sentSinceLogOn(), QStringLiteral("MLSD")));
        QCOMPARE(remoteEntries(ftp()), before);
    }

    void everyCommandIsTurnedAwayWhileADirRuns()
    {
        logOnToServer();
        select(QStringLiteral("photo.jpg"));
        FtpWindowProbe(ftp()).WaitAndRelist();
        for (int i = 0; i < 4; ++i)
            m_services->expectMessage(QStringLiteral("Please wait.  FTP is still executing"), MsgAnswer::Ok,
                                      QStringLiteral("Busy"));
        for (const char* button : {"cmdNewFolder", "cmdRename", "cmdDelete", "cmdSize"})
            click(button);
        QVERIFY(!control(ftp(), "cmdDelete")->isEnabled());
        for (const char* verb : {"MKD", "RNFR", "DELE", "RMD", "SIZE"})
            QVERIFY(!anyStartsWith(sentSinceLogOn(), QLatin1String(verb)));
    }

    // The list's keys press the buttons: same guard, and nothing while the button is off.
    void listKeysAndMenuPressTheButtons()
    {
        logOnScripted(QStringLiteral("a.jpg\r\n"));
        ftp().show();
        ftp().activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&ftp()));
        list()->setFocus();
        transfer().Execute(QStringLiteral("DIR"));
        for (int i = 0; i < 4; ++i)
            m_services->expectMessage(QStringLiteral("Please wait.  FTP is still executing"));
        for (const QKeyCombination key : {QKeyCombination(Qt::Key_F7), QKeyCombination(Qt::Key_F2),
                                          QKeyCombination(Qt::Key_Delete), Qt::ALT | Qt::Key_Return})
            QTest::keyClick(list(), key.key(), key.keyboardModifiers());
        QVERIFY(!list()->actions().at(2)->isEnabled());
        QTest::keyClick(list(), Qt::Key_Delete); // Delete rests: no second box
        QCOMPARE(transfer().executed().size(), 2);

        QCOMPARE(list()->contextMenuPolicy(), Qt::ActionsContextMenu);
        QStringList entries;
        for (const QAction* action : list()->actions())
            entries.append(action->text());
        QCOMPARE(entries, (QStringList{"New Folder", "Rename File", "Delete", "Get File Size"}));
    }

    // The box names the entry asked about, not the one the user picked while waiting.
    void sizeReplyNamesTheEntryAskedAbout()
    {
        logOnScripted(QStringLiteral("a.jpg\r\nb.jpg\r\n"));
        select(QStringLiteral("a.jpg"));
        QTimer::singleShot(0, m_transfer, [this] {
            select(QStringLiteral("b.jpg"));
            transfer().finish(FakeTransfer::completes(QStringLiteral("42")));
        });
        m_services->expectMessage(QStringLiteral("The size of file a.jpg is 42 bytes"), MsgAnswer::Ok,
                                  QStringLiteral("Size"));
        click("cmdSize");
        QCOMPARE(transfer().executed().last(), QStringLiteral("SIZE \"a.jpg\""));
    }

    // Log off during a size query: the CLOSE's empty reply is no size, and the window stays logged off.
    void logOffDuringASizeQueryShowsNoSize()
    {
        logOnScripted(QStringLiteral("a.jpg\r\n"));
        select(QStringLiteral("a.jpg"));
        QTimer::singleShot(0, m_transfer, [this] {
            transfer().script({});
            click("cmdLogOff");
        });
        click("cmdSize");
        QCOMPARE(transfer().executed().last(), QStringLiteral("CLOSE"));
        QVERIFY(!transfer().StillExecuting());
        QCOMPARE(statusText(ftp()), QStringLiteral("Not Connected"));
        QVERIFY(m_services->boxes().empty());
    }
};

QTEST_MAIN(TestFrmFtpRemoteOps)
#include "tst_frm_ftp_remote_ops.moc"
