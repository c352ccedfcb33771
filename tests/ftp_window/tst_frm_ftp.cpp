// SPDX-License-Identifier: GPL-3.0-or-later
// The FTP window's log on and off, status line, error boxes and timers, with a transfer component scripted
// by the test.
#include "ftp_window/frm_ftp.h"
#include "ftp_window_probe.h"
#include "main_window/frm_load.h"
#include "platform/timer.h"
#include "platform/volumes.h"
#include "startup/forms.h"
#include "support/fake_transfer.h"
#include "support/scripted_services.h"
#include "support/test_files.h"
#include "widgets/address_box.h"
#include "widgets/drive_list.h"
#include "widgets/file_list.h"
#include "widgets/folder_list.h"
#include "widgets/picture_box.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QStyle>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <memory>
#include <optional>

using namespace lumaport;
using namespace lumaport::test;

namespace {

const QString kLogOnRefused = QStringLiteral("You must specify a server and password.");

} // namespace

class TestFrmFtp : public WindowTest
{
    Q_OBJECT

    frmftp& ftp() { return m_forms->frmftp(); }

    void typeLogOn(const QString& server, const QString& user, const QString& password)
    {
        control<QLineEdit>(ftp(), "txtServer")->setText(server);
        control<QLineEdit>(ftp(), "txtUserName")->setText(user);
        control<QLineEdit>(ftp(), "txtPassword")->setText(password);
    }

    /// Logs on to a server whose starting folder holds the entries.
    void logOn(const QString& reply = QStringLiteral("index.html\r\npics/\r\n"))
    {
        typeLogOn(QStringLiteral("ftp.example.org"), QStringLiteral("me"), QStringLiteral("secret"));
        transfer().script(FakeTransfer::completes(reply));
        control<QPushButton>(ftp(), "cmdLogOn")->click();
        waitUntilIdle(ftp());
        QCOMPARE(arrangement(ftp()), kLoggedOn);
    }

    /// Logs on to a server listing the entries, with the local panes on a folder holding photo.jpg.
    void logOnWithLocalPhoto(const QTemporaryDir& local, const QString& reply)
    {
        writeFile(local.filePath(QStringLiteral("photo.jpg")));
        control<FolderList>(ftp(), "dirLocalDir")->setPath(local.path());
        control<FileList>(ftp(), "filLocalFile")->setFileName(QStringLiteral("photo.jpg"));
        logOn(reply);
    }

private Q_SLOTS:
    void init()
    {
        WindowTest::init();
        ftp();
    }

    // The window as the user first sees it: its size, colours and fonts, and the controls that start disabled.
    void sizeColoursAndFonts()
    {
        frmftp& w = ftp();
        QCOMPARE(w.size(), QSize(650, 478));
        QCOMPARE(w.minimumSize(), w.maximumSize());
        QCOMPARE(w.palette().color(QPalette::Window), QColor(185, 199, 204));
        QCOMPARE(w.windowTitle(), QStringLiteral("FTP"));
        QVERIFY(control<QPushButton>(w, "cmdLogOn")->font().bold());
        QCOMPARE(control(w, "cmdLogOn")->palette().color(QPalette::Button), QColor(192, 255, 192));
        QVERIFY(control<QPushButton>(w, "cmdLogOff")->font().bold());
        QCOMPARE(control(w, "cmdLogOff")->palette().color(QPalette::Button), QColor(255, 192, 192));
        QVERIFY(control<QLabel>(w, "lblStatus")->font().bold());
        QCOMPARE(control<QLabel>(w, "lblStatus")->alignment(), Qt::AlignCenter);
        QCOMPARE(control<AddressBox>(w, "txtURL")->font().pointSize(), 12);
        QCOMPARE(control<QLineEdit>(w, "txtPassword")->echoMode(), QLineEdit::Password);
        QCOMPARE(control<QLineEdit>(w, "txtPassword")
                     ->style()
                     ->styleHint(QStyle::SH_LineEdit_PasswordCharacter, nullptr, control<QLineEdit>(w, "txtPassword")),
                 int('*'));
        QCOMPARE(control<QLineEdit>(w, "txtname")->palette().color(QPalette::Text), QColor(192, 0, 0));
        QCOMPARE(control<QLineEdit>(w, "txtname")->palette().color(QPalette::Base), QColor(185, 199, 204));
        for (QWidget* box : {static_cast<QWidget*>(control<QLineEdit>(w, "txtname")),
                             static_cast<QWidget*>(control<QLineEdit>(w, "txturl1")),
                             static_cast<QWidget*>(control<QLineEdit>(w, "txturl2"))})
            QVERIFY(!(box->focusPolicy() & Qt::TabFocus));
        QVERIFY(control(w, "Text78")->isHidden());
        for (const char* name : {"cmdUpFolder", "cmdDelete", "cmdNewFolder"})
            QVERIFY2(!control<QPushButton>(w, name)->icon().isNull(), name);
        for (const char* name : {"imgSendFile", "imgReceiveFile"})
            QVERIFY2(!control<PictureBox>(w, name)->picture().isNull(), name);
        // Clipped controls still take the keyboard focus by tabbing.
        QVERIFY(control(w, "cmdSize")->focusPolicy() & Qt::TabFocus);
        QCOMPARE(arrangement(w), kLoggedOff);
        QCOMPARE(control<Timer>(w, "Timer1")->interval(), 1000);
        QVERIFY(control<Timer>(w, "Timer1")->enabled());
        QCOMPARE(control<Timer>(w, "Timer2")->interval(), 4000);
        QVERIFY(!control<Timer>(w, "Timer2")->enabled());
    }

    void logOnNeedsServerAndPassword_data()
    {
        QTest::addColumn<QString>("server");
        QTest::addColumn<QString>("user");
        QTest::addColumn<QString>("password");
        QTest::newRow("nothing typed") << ""
                                       << ""
                                       << "";
        QTest::newRow("no password") << "ftp.example.org"
                                     << "me"
                                     << "";
        QTest::newRow("no password, anonymous") << "ftp.example.org"
                                                << ""
                                                << "";
        QTest::newRow("no server") << ""
                                   << "me"
                                   << "secret";
    }

    void logOnNeedsServerAndPassword()
    {
        QFETCH(QString, server);
        QFETCH(QString, user);
        QFETCH(QString, password);
        typeLogOn(server, user, password);
        m_services->expectMessage(kLogOnRefused, MsgAnswer::Ok, QStringLiteral("LogOn Failure"));
        control<QPushButton>(ftp(), "cmdLogOn")->click();
        QCOMPARE(m_services->boxes().back().icon, MsgIcon::Information);
        QVERIFY(transfer().executed().isEmpty());
        QCOMPARE(transfer().cancels(), 0);
        QCOMPARE(statusText(ftp()), QStringLiteral("Not Connected"));
        QCOMPARE(statusFrame(ftp()), QStringLiteral("Status"));
        QCOMPARE(arrangement(ftp()), kLoggedOff);
    }

    void logOnHandsOverWhatWasTyped_data()
    {
        QTest::addColumn<QString>("user");
        QTest::addColumn<QString>("sent");
        QTest::newRow("named user") << "me"
                                    << "me";
        QTest::newRow("empty is anonymous") << ""
                                            << "anonymous";
        QTest::newRow("spaces stay spaces") << "  "
                                            << "  ";
    }

    void logOnHandsOverWhatWasTyped()
    {
        QFETCH(QString, user);
        QFETCH(QString, sent);
        typeLogOn(QStringLiteral(" ftp://ftp.example.org:2121 "), user, QStringLiteral("pass word"));
        transfer().script(FakeTransfer::completes({}));
        control<QPushButton>(ftp(), "cmdLogOn")->click();
        waitUntilIdle(ftp());
        QCOMPARE(transfer().protocol(), int(InternetTransfer::icFTP));
        QCOMPARE(transfer().remoteHost(), QStringLiteral(" ftp://ftp.example.org:2121 "));
        QCOMPARE(transfer().userName(), sent);
        QCOMPARE(transfer().password(), QStringLiteral("pass word"));
        QCOMPARE(transfer().requestTimeout(), 40);
        QCOMPARE(transfer().executed(), QStringList{QStringLiteral("DIR")});
        QCOMPARE(transfer().cancels(), 1); // the stale connection, before the request
    }

    void logOnWalksTheStatesAndListsTheStartingFolder()
    {
        frmftp& w = ftp();
        control<QLineEdit>(w, "txtpermurl")->setText(QStringLiteral("www.example.org/"));
        typeLogOn(QStringLiteral("ftp.example.org"), QStringLiteral("me"), QStringLiteral("secret"));
        StatusRecorder recorder(w, transfer());
        FakeTransfer::Outcome outcome = FakeTransfer::completes(QStringLiteral("index.html\r\npics/\r\n"));
        outcome.progress.prepend(InternetTransfer::icHostResolved);
        outcome.progress.prepend(InternetTransfer::icHostResolvingHost);
        transfer().script(outcome);
        // The list is not cleared before the first listing.
        control<QListWidget>(w, "lstRemoteFile")->addItem(QStringLiteral("old entry"));

        control<QPushButton>(w, "cmdLogOn")->click();
        waitUntilIdle(w);

        QCOMPARE(recorder.texts(),
                 (QStringList{"1:Finding Host IP Address", "2:IP Address Found", "3:Connecting To Host", "4:Logging On",
                              "5:Sending Request", "6:Request Sent", "7:Receiving Response", "8:Response Received",
                              "12:Response Received"}));
        QCOMPARE(statusText(w), QStringLiteral("Connected"));
        QCOMPARE(statusFrame(w), QStringLiteral("Server Status"));
        QCOMPARE(remoteEntries(w), (QStringList{"old entry", "pics/", "index.html"}));
        QCOMPARE(arrangement(w), kLoggedOn);
        QCOMPARE(control<QLineEdit>(w, "txtname")->text(), QStringLiteral("www.example.org/"));
        QCOMPARE(w.windowTitle(), QStringLiteral("FTP-www.example.org/"));
        QCOMPARE(m_services->beeps(), 1);
    }

    void statesTheWindowDoesNotKnowChangeNothing()
    {
        logOn();
        transfer().emitState(InternetTransfer::icDisconnecting);
        QCOMPARE(statusText(ftp()), QStringLiteral("Disconnecting"));
        transfer().emitState(InternetTransfer::icDisconnected);
        QCOMPARE(statusText(ftp()), QStringLiteral("Not Connected"));
        for (const int state : {0, 13, -1, 65535})
            transfer().emitState(state);
        QCOMPARE(statusText(ftp()), QStringLiteral("Not Connected"));
        QCOMPARE(arrangement(ftp()), kLoggedOn);
    }

    // The first request failing (wrong password, no server) must not end in "Connected".
    void failedLogOnShowsTheErrorAndStaysLoggedOff()
    {
        frmftp& w = ftp();
        typeLogOn(QStringLiteral("ftp.example.org"), QStringLiteral("me"), QStringLiteral("wrong"));
        transfer().script(FakeTransfer::fails(12014, QStringLiteral("530 Login incorrect.")));
        m_services->expectMessage(QStringLiteral("12014 530 Login incorrect."), MsgAnswer::Ok, QStringLiteral("Error"));
        control<QPushButton>(w, "cmdLogOn")->click();
        waitUntilIdle(w);

        QCOMPARE(m_services->boxes().size(), std::size_t(1)); // no second "Logon attempt failed" box
        QCOMPARE(m_services->boxes().back().icon, MsgIcon::Critical);
        QCOMPARE(statusText(w), QStringLiteral("Not Connected"));
        QCOMPARE(statusFrame(w), QStringLiteral("Server Status"));
        QCOMPARE(arrangement(w), kLoggedOff);
        QCOMPARE(w.windowTitle(), QStringLiteral("FTP"));
        QVERIFY(remoteEntries(w).isEmpty());
        QCOMPARE(transfer().cancels(), 2); // before the request, and the failed connection after it
        QCOMPARE(m_services->beeps(), 0);

        // The user corrects the password and tries again.
        control<QLineEdit>(w, "txtPassword")->setText(QStringLiteral("secret"));
        transfer().script(FakeTransfer::completes(QStringLiteral("a\r\n")));
        control<QPushButton>(w, "cmdLogOn")->click();
        waitUntilIdle(w);
        QCOMPARE(arrangement(w), kLoggedOn);
        QCOMPARE(remoteEntries(w), QStringList{QStringLiteral("a")});
    }

    void failedLogOnLeavesThePreviewButtonAsItWas()
    {
        logOn();
        m_services->expectMessage(QStringLiteral("12030 The connection with the server was reset"));
        transfer().finish(FakeTransfer::fails(12030, QStringLiteral("The connection with the server was reset")));
        QCOMPARE(arrangement(ftp()), kAbortedAfterLogOn);

        transfer().script(FakeTransfer::fails(12029, QStringLiteral("Connection refused")));
        m_services->expectMessage(QStringLiteral("12029 Connection refused"));
        control<QPushButton>(ftp(), "cmdLogOn")->click();
        waitUntilIdle(ftp());
        QCOMPARE(arrangement(ftp()), QStringLiteral("10000000000001"));
    }

    void otherErrorsOfALaterRequestOnlyShowTheBox()
    {
        logOn();
        const int cancels = transfer().cancels();
        transfer().Execute(QStringLiteral("CD \"gone/\""));
        m_services->expectMessage(QStringLiteral("12003 550 No such file or directory."), MsgAnswer::Ok,
                                  QStringLiteral("Error"));
        transfer().finish(FakeTransfer::fails(12003, QStringLiteral("550 No such file or directory.")));
        QCOMPARE(arrangement(ftp()), kLoggedOn);
        QCOMPARE(statusText(ftp()), QStringLiteral("Connected"));
        QCOMPARE(transfer().cancels(), cancels);
    }

    void abortedConnectionKeepsTheListAndLogsOnAgain()
    {
        logOn(QStringLiteral("a\r\nb/\r\n"));
        const int cancels = transfer().cancels();
        m_services->expectMessage(QStringLiteral("12030 The connection with the server was reset"), MsgAnswer::Ok,
                                  QStringLiteral("Error"));
        transfer().Execute(QStringLiteral("DIR"));
        transfer().finish(FakeTransfer::fails(12030, QStringLiteral("The connection with the server was reset")));
        QCOMPARE(statusText(ftp()), QStringLiteral("Not Connected"));
        QCOMPARE(statusFrame(ftp()), QStringLiteral("Server Status"));
        QCOMPARE(arrangement(ftp()), kAbortedAfterLogOn);
        QCOMPARE(remoteEntries(ftp()), (QStringList{"b/", "a"}));
        QCOMPARE(transfer().cancels(), cancels + 1);

        // Logging on again appends the new listing after the old entries.
        transfer().script(FakeTransfer::completes(QStringLiteral("c\r\n")));
        control<QPushButton>(ftp(), "cmdLogOn")->click();
        waitUntilIdle(ftp());
        QCOMPARE(remoteEntries(ftp()), (QStringList{"b/", "a", "c"}));
        QCOMPARE(arrangement(ftp()), kLoggedOn);
    }

    void longReplyIsReadInChunks()
    {
        QString reply;
        QStringList names;
        for (int i = 0; i < 1000; ++i) {
            names.append(QStringLiteral("picture-%1.jpg").arg(i, 4, 10, QLatin1Char('0')));
            reply += names.last() + QStringLiteral("\r\n");
        }
        logOn(reply);
        QCOMPARE(remoteEntries(ftp()), names);
        const QList<int> sizes = transfer().chunkSizes();
        QCOMPARE(sizes.size(), reply.size() / 4096 + 2); // the full chunks, the rest, the empty end
        for (const int size : sizes)
            QCOMPARE(size, 4096);
    }

    void everyCompletedReplyBeepsAndEmptyOnesAddNothing()
    {
        logOn(QStringLiteral("a\r\n"));
        transfer().Execute(QStringLiteral("CD \"pics/\""));
        transfer().finish(FakeTransfer::completes({}));
        QCOMPARE(m_services->beeps(), 2);
        QCOMPARE(remoteEntries(ftp()), QStringList{QStringLiteral("a")});
    }

    void busyGuardTurnsASecondCommandAway()
    {
        logOn();
        QVERIFY(FtpWindowProbe(ftp()).FtpReady(true));
        QVERIFY(m_services->boxes().empty());

        transfer().Execute(QStringLiteral("DIR"));
        QVERIFY(!FtpWindowProbe(ftp()).FtpReady(false));
        QVERIFY(m_services->boxes().empty());
        m_services->expectMessage(QStringLiteral("Please wait.  FTP is still executing"), MsgAnswer::Ok,
                                  QStringLiteral("Busy"));
        QVERIFY(!FtpWindowProbe(ftp()).FtpReady(true));
        QCOMPARE(m_services->boxes().back().icon, MsgIcon::Information);
        QCOMPARE(transfer().executed().size(), 2);
    }

    void relistWaitsForTheRunningRequest()
    {
        logOn(QStringLiteral("a\r\n"));
        transfer().Execute(QStringLiteral("MKDIR \"new\""));
        transfer().emitState(InternetTransfer::icRequestSent);
        QTimer::singleShot(50, m_transfer, [this] { transfer().finish(FakeTransfer::completes({})); });

        FtpWindowProbe(ftp()).WaitAndRelist();
        QCOMPARE(transfer().executed().last(), QStringLiteral("MKDIR \"new\""));
        QTRY_COMPARE(transfer().executed().last(), QStringLiteral("DIR"));
        QVERIFY(remoteEntries(ftp()).isEmpty()); // cleared; the new listing arrives later
        QCOMPARE(statusText(ftp()), QStringLiteral("Connected"));
        QCOMPARE(statusFrame(ftp()), QStringLiteral("Server Status"));
        transfer().finish(FakeTransfer::completes(QStringLiteral("a\r\nnew/\r\n")));
        QTRY_COMPARE(remoteEntries(ftp()), (QStringList{"new/", "a"}));
    }

    // Log On cancels whatever runs: it stays off while a command waits, even when the connection drops.
    void logOnStaysOffWhileACommandWaits()
    {
        logOn();
        bool logOnPressable = true;
        QTimer::singleShot(0, m_transfer, [this, &logOnPressable] {
            m_services->expectMessage(QStringLiteral("12030 reset"));
            transfer().finish(FakeTransfer::fails(12030, QStringLiteral("reset")));
            logOnPressable = control(ftp(), "cmdLogOn")->isEnabled();
        });
        std::optional<bool> replied;
        FtpWindowProbe(ftp()).runRequest(
            [this](Publisher& publisher, Publisher::Then then) {
                publisher.openFolder(QStringLiteral("pics/"), &ftp(), then);
            },
            [&replied](bool done) { replied = done; });
        QTRY_VERIFY(replied.has_value());
        QVERIFY(!*replied);
        QVERIFY(!logOnPressable);
        QCOMPARE(arrangement(ftp()), kAbortedAfterLogOn);
    }

    // A re-list after the user logged off would make the component log on again behind the user's back.
    void logOffDuringAWaitEndsTheCommand()
    {
        logOn();
        QTimer::singleShot(0, m_transfer, [this] {
            transfer().script(FakeTransfer::completes({}));
            control<QPushButton>(ftp(), "cmdLogOff")->click();
        });
        std::optional<bool> replied;
        FtpWindowProbe(ftp()).runRequest(
            [this](Publisher& publisher, Publisher::Then then) {
                publisher.makeFolder(QStringLiteral("new"), &ftp(), then);
            },
            [this, &replied](bool done) {
                replied = done;
                FtpWindowProbe(ftp()).WaitAndRelist();
            });
        QTRY_VERIFY(replied.has_value());
        QVERIFY(!*replied);
        waitUntilIdle(ftp());
        QCOMPARE(transfer().executed().last(), QStringLiteral("CLOSE"));
        QCOMPARE(arrangement(ftp()), kLoggedOff);
    }

    void logOffClosesTheConnection()
    {
        logOn();
        const int cancels = transfer().cancels();
        StatusRecorder recorder(ftp(), transfer());
        transfer().script({{InternetTransfer::icDisconnecting, InternetTransfer::icDisconnected}, {}, 0, {}});
        control<QPushButton>(ftp(), "cmdLogOff")->click();
        QCOMPARE(transfer().executed().last(), QStringLiteral("CLOSE"));
        QCOMPARE(transfer().cancels(), cancels + 1);
        QVERIFY(remoteEntries(ftp()).isEmpty());
        QCOMPARE(statusText(ftp()), QStringLiteral("Not Connected"));
        QCOMPARE(arrangement(ftp()), kLoggedOff);
        // The close is not waited for; its own states still arrive.
        QTRY_COMPARE(recorder.states(), (QList<int>{9, 10, 12}));
        QCOMPARE(statusText(ftp()), QStringLiteral("Not Connected"));
    }

    void logOffDuringARequestCancelsItFirst()
    {
        logOn();
        StatusRecorder recorder(ftp(), transfer());
        transfer().Execute(QStringLiteral("PUT \"/tmp/big.zip\" \"big.zip\""));
        control<QPushButton>(ftp(), "cmdLogOff")->click();
        QCOMPARE(transfer().executed().last(), QStringLiteral("CLOSE"));
        QCOMPARE(arrangement(ftp()), kLoggedOff);
        QVERIFY(recorder.texts().isEmpty());
    }

    void clockShowsTheTimeOfDay()
    {
        m_services->setTimeOfDay(QStringLiteral("09:41:07"));
        m_services->clock().advance(1000);
        QCOMPARE(control<QLabel>(ftp(), "Label4")->text(), QStringLiteral("09:41:07"));
        m_services->setTimeOfDay(QStringLiteral("09:41:08"));
        m_services->clock().advance(1000);
        QCOMPARE(control<QLabel>(ftp(), "Label4")->text(), QStringLiteral("09:41:08"));
    }

    // A list click starts Timer2 (later work); a log off in between does not stop it.
    void deleteComesBackFourSecondsAfterTimer2StartsEvenAcrossLogOff()
    {
        logOn();
        auto* timer2 = control<Timer>(ftp(), "Timer2");
        auto* cmdDelete = control(ftp(), "cmdDelete");
        timer2->setEnabled(true);
        control<QPushButton>(ftp(), "cmdLogOff")->click();
        QVERIFY(!cmdDelete->isEnabled());
        m_services->clock().advance(3999);
        QVERIFY(!cmdDelete->isEnabled());
        m_services->clock().advance(1);
        QVERIFY(cmdDelete->isEnabled());
        QVERIFY(!timer2->enabled());
    }

    // After a cancelled Delete the user clicks the entry already chosen to bring the button back.
    void clickOnTheChosenEntryStartsTimer2()
    {
        logOn();
        auto* list = control<QListWidget>(ftp(), "lstRemoteFile");
        auto* timer2 = control<Timer>(ftp(), "Timer2");
        list->setCurrentRow(0);
        timer2->setEnabled(false);
        const QPoint entry = list->visualItemRect(list->item(0)).center();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, entry);
        QVERIFY(timer2->enabled());
    }

    // The main window sets the drive, then the folder; each step moves the panes below it.
    void choosingADriveOpensItsCurrentFolderInBothPanes()
    {
        auto* drives = control<DriveList>(ftp(), "drvLocalDrive");
        auto* folders = control<FolderList>(ftp(), "dirLocalDir");
        auto* files = control<FileList>(ftp(), "filLocalFile");
        QTemporaryDir folder;
        QVERIFY(folders->setPath(folder.path()));
        QCOMPARE(files->path(), folders->path());

        const auto volume = findVolume(drives->drive());
        QVERIFY(volume);
        Q_EMIT drives->changed();
        QCOMPARE(folders->path(), currentFolderOf(*volume));
        QCOMPARE(files->path(), folders->path());
    }

    void closingHidesTheWindowAndKeepsItsState()
    {
        frmftp& w = ftp();
        w.Show();
        logOn(QStringLiteral("a\r\n"));
        const int cancels = transfer().cancels();
        w.close();
        QVERIFY(m_forms->isLoaded(QStringLiteral("frmftp")));
        QVERIFY(!w.isVisible());
        QVERIFY(m_forms->frmload().isVisible());
        QCOMPARE(transfer().cancels(), cancels + 1);

        w.Show();
        QCOMPARE(statusText(w), QStringLiteral("Connected"));
        QCOMPARE(remoteEntries(w), QStringList{QStringLiteral("a")});
        QCOMPARE(arrangement(w), kLoggedOn);
    }

    // Every refusal comes before anything is sent; nothing outside the local folder is ever named.
    void receiveRefusesBeforeSending_data()
    {
        QTest::addColumn<QString>("entry");
        QTest::addColumn<QString>("box");
        QTest::addColumn<QString>("title");
        const auto row = [](const char* entry, const QString& box, const char* title = "Error") {
            QTest::newRow(entry) << QString::fromLatin1(entry) << box << QString::fromLatin1(title);
        };
        row("", QStringLiteral("Please select a file to receive."));
        row("pics/", QStringLiteral("pics/ is a folder and cannot be sent."));
        for (const char* name : {"..", ".", "a\\b", "x\ty"})
            row(name, QStringLiteral("The name \"%1\" is not a plain file name and cannot be received.").arg(name));
        row("photo.jpg", QStringLiteral("File photo.jpg already exists."), "Recieve");
    }

    void receiveRefusesBeforeSending()
    {
        QFETCH(QString, entry);
        QFETCH(QString, box);
        QFETCH(QString, title);
        QTemporaryDir local;
        logOnWithLocalPhoto(local, entry + QStringLiteral("\r\nother\r\n"));
        auto* list = control<QListWidget>(ftp(), "lstRemoteFile");
        if (!entry.isEmpty())
            list->setCurrentItem(list->findItems(entry, Qt::MatchExactly | Qt::MatchCaseSensitive).value(0));
        m_services->expectMessage(box, MsgAnswer::Ok, title);
        Q_EMIT control<PictureBox>(ftp(), "imgReceiveFile")->clicked();
        QCOMPARE(transfer().executed(), QStringList{QStringLiteral("DIR")});
    }

    // Closing the window cancels a log-on in progress; that is no success either.
    void cancellingALogOnEndsLoggedOff_data()
    {
        QTest::addColumn<bool>("close");
        QTest::newRow("Log Off") << false;
        QTest::newRow("closing the window") << true;
    }

    // Log Off, on while the log-on runs, and closing the window both cancel it.
    void cancellingALogOnEndsLoggedOff()
    {
        QFETCH(bool, close);
        frmftp& w = ftp();
        w.Show();
        typeLogOn(QStringLiteral("ftp.example.org"), QStringLiteral("me"), QStringLiteral("secret"));
        QTimer::singleShot(50, &w, [&w, close] {
            if (close)
                w.close();
            else
                control<QPushButton>(w, "cmdLogOff")->click();
        });
        control<QPushButton>(w, "cmdLogOn")->click();
        QTRY_COMPARE(w.isVisible(), !close);
        waitUntilIdle(w);
        QCOMPARE(statusText(w), QStringLiteral("Not Connected"));
        QCOMPARE(arrangement(w), kLoggedOff);
    }
};

QTEST_MAIN(TestFrmFtp)
#include "tst_frm_ftp.moc"
