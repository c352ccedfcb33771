// SPDX-License-Identifier: GPL-3.0-or-later
// What the FTP window shows when it logs on and off through the real transfer component, against pyftpdlib
// and vsftpd on loopback, a port that never answers, a port nobody listens on, and a server that dies.
#include "ftp_window/frm_ftp.h"
#include "ftp_window_probe.h"
#include "startup/forms.h"
#include "support/ftp_servers.h"
#include "support/scripted_services.h"
#include "support/test_files.h"
#include "transfer/ftp_transfer.h"
#include "widgets/file_list.h"
#include "widgets/folder_list.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QScopeGuard>
#include <QTest>
#include <QTimer>
#include <memory>

using namespace lumaport;
using namespace lumaport::test;

namespace {

/// The real component with the window's request time-out shortened, so a silent server ends a test quickly.
class ShortTimeoutTransfer : public InternetTransfer
{
public:
    explicit ShortTimeoutTransfer(int maxSeconds) : m_maxSeconds(maxSeconds)
    {
        connect(&m_real, &InternetTransfer::StateChanged, this, &InternetTransfer::StateChanged);
        connect(&m_real, &InternetTransfer::TrustAsked, this, &InternetTransfer::TrustAsked);
        connect(&m_real, &InternetTransfer::PassphraseAsked, this, &InternetTransfer::PassphraseAsked);
    }

    void setProtocol(int protocol) override { m_real.setProtocol(protocol); }
    void setRemoteHost(const QString& server) override { m_real.setRemoteHost(server); }
    void setUserName(const QString& userName) override { m_real.setUserName(userName); }
    void setPassword(const QString& password) override { m_real.setPassword(password); }
    void setRequestTimeout(int seconds) override
    {
        m_requested = seconds;
        m_real.setRequestTimeout(std::min(seconds, m_maxSeconds));
    }
    void Execute(const QString& operation) override { m_real.Execute(operation); }
    bool StillExecuting() const override { return m_real.StillExecuting(); }
    void Cancel() override { m_real.Cancel(); }
    QString GetChunk(int size, int dataType) override { return m_real.GetChunk(size, dataType); }
    int ResponseCode() const override { return m_real.ResponseCode(); }
    QString ResponseInfo() const override { return m_real.ResponseInfo(); }
    void AnswerTrust(bool trusted) override { m_real.AnswerTrust(trusted); }
    void AnswerPassphrase(const QString& passphrase) override { m_real.AnswerPassphrase(passphrase); }

    int requestedTimeout() const { return m_requested; }

private:
    FtpTransfer m_real;
    int m_maxSeconds;
    int m_requested = 0;
};

} // namespace

class TestFrmFtpServers : public QObject
{
    Q_OBJECT

    std::unique_ptr<ScriptedServices> m_services;
    std::unique_ptr<Forms> m_forms;
    ShortTimeoutTransfer* m_transfer = nullptr;

    frmftp& ftp() { return m_forms->frmftp(); }

    void makeWindow(int maxTimeoutSeconds = 40)
    {
        m_services = std::make_unique<ScriptedServices>();
        // Error texts come from the component and the server.
        m_services->answerEveryBox();
        m_forms = std::make_unique<Forms>(*m_services, [this, maxTimeoutSeconds] {
            auto transfer = std::make_unique<ShortTimeoutTransfer>(maxTimeoutSeconds);
            m_transfer = transfer.get();
            return transfer;
        });
        ftp();
    }

    void logOn(const QString& server, const QString& user, const QString& password)
    {
        control<QLineEdit>(ftp(), "txtServer")->setText(server);
        control<QLineEdit>(ftp(), "txtUserName")->setText(user);
        control<QLineEdit>(ftp(), "txtPassword")->setText(password);
        control<QPushButton>(ftp(), "cmdLogOn")->click();
        waitUntilIdle(ftp());
    }

    void logOn(const FtpServer& server) { logOn(server.serverText(), server.userName(), server.password()); }

    /// The one box shown so far: an "Error" box, critical, whose number is the expected one.
    void expectOneErrorBox(int code)
    {
        QCOMPARE(m_services->boxes().size(), std::size_t(1));
        const BoxRecord& box = m_services->boxes().front();
        QCOMPARE(box.title, QStringLiteral("Error"));
        QCOMPARE(box.icon, MsgIcon::Critical);
        QVERIFY2(box.text.startsWith(QString::number(code) + QLatin1Char(' ')), qPrintable(box.text));
        QVERIFY2(box.text.size() > 6, qPrintable(box.text)); // the component's text follows the number
    }

    void expectLoggedOffAfterFailure()
    {
        QCOMPARE(statusText(ftp()), QStringLiteral("Not Connected"));
        QCOMPARE(statusFrame(ftp()), QStringLiteral("Server Status"));
        QCOMPARE(arrangement(ftp()), kLoggedOff);
        QVERIFY(!m_transfer->StillExecuting());
    }

    /// Logs on to a slow pyftpdlib, then starts a re-list of a folder that takes seconds to arrive.
    void startSlowRelist(FtpServer& server)
    {
        writeFile(server.rootFolder() + QStringLiteral("/first.jpg"));
        logOn(server);
        QCOMPARE(arrangement(ftp()), kLoggedOn);
        for (int i = 0; i < 60; ++i)
            writeFile(server.rootFolder() + QStringLiteral("/picture-with-a-long-name-%1.jpg").arg(i));
        FtpWindowProbe(ftp()).WaitAndRelist();
        QTRY_VERIFY(m_transfer->StillExecuting());
    }

    /// Double-clicks a remote entry once its listing is complete: enters a folder, receives a file.
    void doubleClick(const QString& entry)
    {
        waitUntilIdle(ftp());
        auto* list = control<QListWidget>(ftp(), "lstRemoteFile");
        const QList<QListWidgetItem*> found = list->findItems(entry, Qt::MatchExactly);
        QVERIFY2(!found.isEmpty(), qPrintable(entry));
        list->setCurrentItem(found.first());
        Q_EMIT list->itemDoubleClicked(found.first());
        waitUntilIdle(ftp());
    }

    void useLocalFile(const QString& folder, const QString& name = {})
    {
        QVERIFY(control<FolderList>(ftp(), "dirLocalDir")->setPath(folder));
        QVERIFY(name.isEmpty() || control<FileList>(ftp(), "filLocalFile")->setFileName(name));
    }

    void expectFolder(const QString& path)
    {
        const QString address = QStringLiteral("www.example.org/") + path;
        QCOMPARE(control<QLineEdit>(ftp(), "txtfolder")->text(), path);
        QCOMPARE(control<QLineEdit>(ftp(), "txtserverurl")->text(), address);
        QCOMPARE(control<QLineEdit>(ftp(), "txtname")->text(), address);
        QCOMPARE(ftp().windowTitle(), QStringLiteral("FTP-") + address);
    }

private Q_SLOTS:
    void cleanup()
    {
        m_forms.reset();
        m_services.reset();
        m_transfer = nullptr;
    }

    void logOnListsTheStartingFolder_data()
    {
        QTest::addColumn<FtpServer::Kind>("kind");
        QTest::newRow("pyftpdlib") << FtpServer::Kind::Pyftpdlib;
        QTest::newRow("vsftpd") << FtpServer::Kind::Vsftpd;
    }

    void logOnListsTheStartingFolder()
    {
        QFETCH(FtpServer::Kind, kind);
        FtpServer server(kind);
        QVERIFY2(server.start(), qPrintable(server.errorString()));
        writeFile(server.rootFolder() + QStringLiteral("/photo one.jpg"));
        QVERIFY(QDir().mkpath(server.rootFolder() + QStringLiteral("/images")));
        makeWindow();
        control<QLineEdit>(ftp(), "txtpermurl")->setText(QStringLiteral("www.example.org/"));
        StatusRecorder recorder(ftp(), *m_transfer);

        logOn(server);

        QVERIFY(m_services->boxes().empty());
        QCOMPARE(m_transfer->requestedTimeout(), 40);
        QStringList entries = remoteEntries(ftp());
        entries.sort();
        QStringList expected{QStringLiteral("images/"), QStringLiteral("photo one.jpg")};
        if (!server.writableEntry().isEmpty())
            expected.append(server.writableEntry());
        expected.sort();
        QCOMPARE(entries, expected);
        QCOMPARE(statusText(ftp()), QStringLiteral("Connected"));
        QCOMPARE(statusFrame(ftp()), QStringLiteral("Server Status"));
        QCOMPARE(arrangement(ftp()), kLoggedOn);
        QCOMPARE(ftp().windowTitle(), QStringLiteral("FTP-www.example.org/"));
        QCOMPARE(control<QLineEdit>(ftp(), "txtname")->text(), QStringLiteral("www.example.org/"));
        QCOMPARE(m_services->beeps(), 1);
        // The status line walked through the request, saying nothing of "Connected" until the password was taken;
        // the completed reply came last.
        QVERIFY2(recorder.texts().contains(QStringLiteral("4:Logging On")), qPrintable(recorder.texts().join(", ")));
        QVERIFY2(recorder.texts().size() >= 3, qPrintable(recorder.texts().join(", ")));
        QCOMPARE(recorder.states().last(), int(InternetTransfer::icResponseCompleted));

        control<QPushButton>(ftp(), "cmdLogOff")->click();
        QVERIFY(remoteEntries(ftp()).isEmpty());
        QCOMPARE(arrangement(ftp()), kLoggedOff);
        QCOMPARE(statusText(ftp()), QStringLiteral("Not Connected"));
        QTRY_VERIFY(!m_transfer->StillExecuting());
        QCOMPARE(statusText(ftp()), QStringLiteral("Not Connected"));
        QVERIFY(m_services->boxes().empty());
    }

    void refusedLogOnEndsLoggedOff_data()
    {
        QTest::addColumn<FtpServer::Kind>("kind");
        QTest::addColumn<QString>("user");
        QTest::addColumn<QString>("password");
        QTest::newRow("pyftpdlib, wrong password") << FtpServer::Kind::Pyftpdlib << "lumaport"
                                                   << "wrong";
        QTest::newRow("vsftpd, anonymous only") << FtpServer::Kind::Vsftpd << "lumaport"
                                                << "wrong";
    }

    void refusedLogOnEndsLoggedOff()
    {
        QFETCH(FtpServer::Kind, kind);
        QFETCH(QString, user);
        QFETCH(QString, password);
        FtpServer server(kind);
        QVERIFY2(server.start(), qPrintable(server.errorString()));
        writeFile(server.rootFolder() + QStringLiteral("/secret.jpg"));
        makeWindow();
        logOn(server.serverText(), user, password);
        expectOneErrorBox(12014);
        expectLoggedOffAfterFailure();
        QVERIFY(remoteEntries(ftp()).isEmpty());
        QCOMPARE(ftp().windowTitle(), QStringLiteral("FTP"));

        // Typing the right password and trying again works.
        logOn(server);
        QCOMPARE(arrangement(ftp()), kLoggedOn);
        QVERIFY(remoteEntries(ftp()).contains(QStringLiteral("secret.jpg")));
    }

    void untrustedCertificateIsAskedAbout()
    {
        FtpServer server(FtpServer::Kind::PyftpdlibFtps);
        QVERIFY2(server.start(), qPrintable(server.errorString()));
        makeWindow();
        m_services->answerEveryBox(MsgAnswer::No);
        logOn(server);
        QCOMPARE(m_services->boxes().size(), std::size_t(2));
        const BoxRecord& question = m_services->boxes().front();
        QCOMPARE(question.title, QStringLiteral("Security Warning"));
        QCOMPARE(question.buttons, MsgButtons::YesNoDefaultNo);
        QVERIFY2(question.text.contains(server.fingerprint()), qPrintable(question.text));
        QVERIFY2(m_services->boxes().back().text.startsWith(QStringLiteral("12045 ")),
                 qPrintable(m_services->boxes().back().text));
        expectLoggedOffAfterFailure();

        m_services->answerEveryBox(MsgAnswer::Yes);
        logOn(server);
        QCOMPARE(arrangement(ftp()), kLoggedOn);
    }

    void nothingListeningEndsLoggedOff()
    {
        makeWindow();
        logOn(QStringLiteral("127.0.0.1:%1").arg(unusedLoopbackPort()), QString(), QStringLiteral("x"));
        expectOneErrorBox(12029);
        expectLoggedOffAfterFailure();
    }

    void silentServerTimesOutAndEndsLoggedOff()
    {
        SilentServer silent;
        makeWindow(2);
        QElapsedTimer clock;
        clock.start();
        logOn(silent.serverText(), QString(), QStringLiteral("x"));
        const qint64 waited = clock.elapsed();
        expectOneErrorBox(12002);
        expectLoggedOffAfterFailure();
        QVERIFY2(waited >= 1500 && waited < 20000, qPrintable(QString::number(waited)));
    }

    void serverDyingDuringARequestShowsError12030()
    {
        FtpServer server(FtpServer::Kind::Pyftpdlib, {2000});
        QVERIFY2(server.start(), qPrintable(server.errorString()));
        makeWindow();
        startSlowRelist(server);
        QTRY_COMPARE(statusText(ftp()), QStringLiteral("Receiving Response"));
        server.kill();
        QTRY_VERIFY_WITH_TIMEOUT(!m_services->boxes().empty(), 15000);
        expectOneErrorBox(12030);
        QCOMPARE(statusText(ftp()), QStringLiteral("Not Connected"));
        QCOMPARE(arrangement(ftp()), kAbortedAfterLogOn);
        QVERIFY(!m_transfer->StillExecuting());
    }

    void secondCommandWhileOneRunsIsTurnedAway()
    {
        FtpServer server(FtpServer::Kind::Pyftpdlib, {2000});
        QVERIFY2(server.start(), qPrintable(server.errorString()));
        makeWindow();
        startSlowRelist(server);
        // Once the listing flows, the running request sends nothing more; anything new would be ours.
        QTRY_COMPARE(statusText(ftp()), QStringLiteral("Receiving Response"));
        const QStringList received = server.receivedCommands();

        QVERIFY(!FtpWindowProbe(ftp()).FtpReady(true));
        QCOMPARE(m_services->boxes().size(), std::size_t(1));
        QCOMPARE(m_services->boxes().front().text, QStringLiteral("Please wait.  FTP is still executing"));
        QCOMPARE(m_services->boxes().front().title, QStringLiteral("Busy"));
        QCOMPARE(server.receivedCommands(), received);

        // The running listing still arrives in full.
        QTRY_VERIFY_WITH_TIMEOUT(!m_transfer->StillExecuting(), 30000);
        QCOMPARE(remoteEntries(ftp()).size(), 61);
        QCOMPARE(m_services->boxes().size(), std::size_t(1));
    }

    void logOffDuringARequestCancelsItAndCloses()
    {
        FtpServer server(FtpServer::Kind::Pyftpdlib, {2000});
        QVERIFY2(server.start(), qPrintable(server.errorString()));
        makeWindow();
        startSlowRelist(server);
        QTRY_COMPARE(statusText(ftp()), QStringLiteral("Receiving Response"));

        control<QPushButton>(ftp(), "cmdLogOff")->click();
        QVERIFY(remoteEntries(ftp()).isEmpty());
        QCOMPARE(arrangement(ftp()), kLoggedOff);
        QTRY_VERIFY(!m_transfer->StillExecuting());
        QCOMPARE(statusText(ftp()), QStringLiteral("Not Connected"));
        // Nothing of the cancelled listing trickles in afterwards.
        QTest::qWait(300);
        QVERIFY(remoteEntries(ftp()).isEmpty());
        QVERIFY(m_services->boxes().empty());
    }

    // The address names the folder the server is really in, at any depth; a refused folder moves nothing.
    void foldersFollowTheRealPath_data() { logOnListsTheStartingFolder_data(); }

    void foldersFollowTheRealPath()
    {
        QFETCH(FtpServer::Kind, kind);
        FtpServer server(kind);
        QVERIFY2(server.start(), qPrintable(server.errorString()));
        QVERIFY(QDir().mkpath(server.rootFolder() + QStringLiteral("/2026/11")));
        QVERIFY(QDir().mkpath(server.rootFolder() + QStringLiteral("/2026/12")));
        writeFile(server.rootFolder() + QStringLiteral("/2026/12/deep.jpg"));
        makeWindow();
        control<QLineEdit>(ftp(), "txtpermurl")->setText(QStringLiteral("www.example.org/"));
        logOn(server);

        doubleClick(QStringLiteral("2026/"));
        expectFolder(QStringLiteral("2026/"));
        QVERIFY(QDir(server.rootFolder() + QStringLiteral("/2026/11")).removeRecursively());
        doubleClick(QStringLiteral("11/"));
        QCOMPARE(m_services->boxes().size(), std::size_t(1));
        expectFolder(QStringLiteral("2026/"));
        QTRY_COMPARE(remoteEntries(ftp()), QStringList{"12/"});
        doubleClick(QStringLiteral("12/"));
        expectFolder(QStringLiteral("2026/12/"));
        QTRY_COMPARE(remoteEntries(ftp()), QStringList{"deep.jpg"});
        for (const QString& path : {QStringLiteral("2026/"), QString()}) {
            waitUntilIdle(ftp());
            control<QPushButton>(ftp(), "cmdUpFolder")->click();
            waitUntilIdle(ftp());
            expectFolder(path);
        }
        QTRY_VERIFY(remoteEntries(ftp()).contains(QStringLiteral("2026/")));
    }

    void sendAndReceiveKeepEveryByte_data() { logOnListsTheStartingFolder_data(); }

    void sendAndReceiveKeepEveryByte()
    {
        QFETCH(FtpServer::Kind, kind);
        FtpServer server(kind);
        QVERIFY2(server.start(), qPrintable(server.errorString()));
        const QString remote = server.writableFolder() + QLatin1Char('/');
        writeFile(remote + QStringLiteral("crlf.txt"), "a\r\nb\n\r\n\r");
        writeFile(remote + QStringLiteral("empty.bin"), {});
        writeFile(remote + QStringLiteral("later.txt"), "theirs");
        QTemporaryDir from, into;
        const QByteArray photo = QByteArray("\r\n\0\xff photo", 10).repeated(30000);
        writeFile(from.filePath(QStringLiteral("my photo.jpg")), photo);
        makeWindow();
        logOn(server);
        if (!server.writableEntry().isEmpty())
            doubleClick(server.writableEntry());

        useLocalFile(from.path(), QStringLiteral("my photo.jpg"));
        control<QPushButton>(ftp(), "cmdsend")->click();
        waitUntilIdle(ftp());
        QCOMPARE(readFile(remote + QStringLiteral("my photo.jpg")), photo);
        // Listed now: No keeps the server's copy, Yes replaces it.
        writeFile(from.filePath(QStringLiteral("my photo.jpg")), "changed");
        for (const MsgAnswer answer : {MsgAnswer::No, MsgAnswer::Yes}) {
            QTRY_VERIFY(!m_transfer->StillExecuting() && remoteEntries(ftp()).contains(QStringLiteral("my photo.jpg")));
            m_services->answerEveryBox(answer);
            control<QPushButton>(ftp(), "cmdsend")->click();
            waitUntilIdle(ftp());
        }
        QCOMPARE(readFile(remote + QStringLiteral("my photo.jpg")), QByteArray("changed"));
        QCOMPARE(m_services->boxes().front().text, QStringLiteral("File my photo.jpg already exists.\r\nOverwrite?"));

        useLocalFile(into.path());
        for (const char* name : {"my photo.jpg", "crlf.txt", "empty.bin"}) {
            doubleClick(QLatin1String(name));
            QCOMPARE(readFile(into.filePath(QLatin1String(name))), readFile(remote + QLatin1String(name)));
        }
        // Listed locally now: refused by the window. Made since the list was read: kept by the component.
        doubleClick(QStringLiteral("crlf.txt"));
        writeFile(into.filePath(QStringLiteral("later.txt")), "mine");
        doubleClick(QStringLiteral("later.txt"));
        QCOMPARE(readFile(into.filePath(QStringLiteral("later.txt"))), QByteArray("mine"));
        QStringList titles;
        for (const BoxRecord& box : m_services->boxes())
            titles.append(box.title);
        QCOMPARE(titles, (QStringList{"Overwrite", "Overwrite", "Recieve", "Error"}));
    }

    // A server stopped while logged on: the send that finds it gone shows one box, asks nothing of the old list,
    // and leaves the window saying it is no longer connected; the next Send says to log on first.
    void aServerStoppedMidSessionEndsTheConnectionOnce()
    {
        FtpServer server(FtpServer::Kind::Pyftpdlib);
        QVERIFY2(server.start(), qPrintable(server.errorString()));
        writeFile(server.rootFolder() + QStringLiteral("/a.jpg"));
        QTemporaryDir from;
        writeFile(from.filePath(QStringLiteral("a.jpg")), "mine");
        makeWindow();
        logOn(server);
        QVERIFY(remoteEntries(ftp()).contains(QStringLiteral("a.jpg")));
        useLocalFile(from.path(), QStringLiteral("a.jpg"));
        server.stop();
        m_services->answerEveryBox(MsgAnswer::Yes);
        control<QPushButton>(ftp(), "cmdsend")->click();
        waitUntilIdle(ftp());
        QVERIFY2(m_services->boxes().size() == 1 && m_services->boxes().front().title == QStringLiteral("Error"),
                 qPrintable(m_services->boxes().back().title + m_services->boxes().back().text));
        QCOMPARE(statusText(ftp()), QStringLiteral("Not Connected"));
        QCOMPARE(arrangement(ftp()), kAbortedAfterLogOn);

        control<QPushButton>(ftp(), "cmdsend")->click();
        QCOMPARE(m_services->boxes().size(), std::size_t(2));
        QCOMPARE(m_services->boxes().back().title, QStringLiteral("Send"));
    }

    // The progress bar shows while the file moves; a broken receive leaves nothing under the name.
    void droppedReceiveLeavesNoFile()
    {
        FtpServer server(FtpServer::Kind::Pyftpdlib, {20000});
        QVERIFY2(server.start(), qPrintable(server.errorString()));
        writeFile(server.rootFolder() + QStringLiteral("/big.bin"), QByteArray(400000, 'x'));
        makeWindow();
        logOn(server);
        QTemporaryDir into;
        useLocalFile(into.path());
        auto* bar = control<QProgressBar>(ftp(), "prgTransfer");
        bool barShown = false;
        QTimer poll;
        connect(&poll, &QTimer::timeout, this, [&] {
            if (statusText(ftp()) == QLatin1String("Receiving Response") && server.isRunning()) {
                barShown = !bar->isHidden();
                server.kill();
            }
        });
        poll.start(20);
        doubleClick(QStringLiteral("big.bin"));
        QVERIFY(barShown && bar->isHidden());
        expectOneErrorBox(12030);
        QCOMPARE(QDir(into.path()).entryList(QDir::Files | QDir::Hidden), QStringList{});
    }

    // OpenSSH's server here takes the key only: a cancelled passphrase leaves the password, which it refuses;
    // so does a wrong one, once it was asked for three times.
    void sshKeyPassphraseIsAskedForOnce_data()
    {
        QTest::addColumn<QString>("passphrase");
        QTest::addColumn<int>("asked");
        QTest::newRow("given") << QStringLiteral("right phrase") << 1;
        QTest::newRow("cancelled") << QString() << 1;
        QTest::newRow("wrong") << QStringLiteral("wrong phrase") << 3;
    }

    void sshKeyPassphraseIsAskedForOnce()
    {
        QFETCH(QString, passphrase);
        QFETCH(int, asked);
        FtpServer server(FtpServer::Kind::Sshd);
        QVERIFY2(server.start(), qPrintable(server.errorString()));
        QTemporaryDir home;
        const QString key = home.filePath(QStringLiteral(".ssh/id_ed25519"));
        QVERIFY(QDir(home.path()).mkpath(QStringLiteral(".ssh")) && QFile::copy(server.clientKey(), key));
        QProcess keygen;
        keygen.start(QStringLiteral("ssh-keygen"), {"-p", "-P", "", "-N", "right phrase", "-f", key});
        QVERIFY(keygen.waitForFinished() && keygen.exitCode() == 0);
        const QByteArray oldHome = qgetenv("HOME");
        qputenv("HOME", home.path().toLocal8Bit());
        const auto restoreHome = qScopeGuard([&] { qputenv("HOME", oldHome); });
        makeWindow();
        m_services->answerEveryBox(MsgAnswer::Yes, passphrase); // the host key is trusted

        logOn(server);
        if (passphrase != QLatin1String("right phrase")) {
            QCOMPARE(m_services->boxes().back().title, QStringLiteral("Error"));
            QVERIFY2(m_services->boxes().back().text.startsWith(QStringLiteral("12014 ")),
                     qPrintable(m_services->boxes().back().text));
        } else {
            QCOMPARE(arrangement(ftp()), kLoggedOn);
            FtpWindowProbe(ftp()).WaitAndRelist();
            waitUntilIdle(ftp());
        }
        QStringList passwordBoxes;
        for (const BoxRecord& box : m_services->boxes()) {
            if (box.kind == QLatin1String("password"))
                passwordBoxes.append(box.text);
        }
        QCOMPARE(passwordBoxes.size(), asked);
        QVERIFY2(passwordBoxes.front().contains(key), qPrintable(passwordBoxes.front()));
        QVERIFY2(passwordBoxes.back().startsWith(QStringLiteral("The passphrase was not accepted.")) == (asked > 1),
                 qPrintable(passwordBoxes.back()));
    }

    // A line break pasted into the user name must not smuggle a command to the server.
    void lineBreakInTheLogOnFieldsIsRefused()
    {
        FtpServer server(FtpServer::Kind::Pyftpdlib);
        QVERIFY2(server.start(), qPrintable(server.errorString()));
        const QString victim = server.rootFolder() + QStringLiteral("/keep.jpg");
        writeFile(victim);
        makeWindow();
        logOn(server.serverText(), server.userName() + QStringLiteral("\r\nDELE keep.jpg"), server.password());
        QCOMPARE(m_services->boxes().size(), std::size_t(1));
        QCOMPARE(m_services->boxes().front().title, QStringLiteral("Error"));
        expectLoggedOffAfterFailure();
        QVERIFY(QFile::exists(victim));
        for (const QString& command : server.receivedCommands())
            QVERIFY2(!command.startsWith(QLatin1String("DELE")), qPrintable(command));
    }
};

QTEST_MAIN(TestFrmFtpServers)
#include "tst_frm_ftp_servers.moc"
