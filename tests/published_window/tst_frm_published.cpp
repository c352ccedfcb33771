// SPDX-License-Identifier: GPL-3.0-or-later
// Sends over a real FTP server with a web server showing the same folder are kept in the history, and the
// "Published" window shows them, checks their links again, copies them and forgets them.
#include "ftp_window/frm_ftp.h"
#include "history/published_recorder.h"
#include "history/published_store.h"
#include "main_window/frm_load.h"
#include "platform/file_list.h"
#include "platform/folder_list.h"
#include "published_window/frm_published.h"
#include "save_picture/frm_savpic.h"
#include "support/ftp_servers.h"
#include "support/test_files.h"
#include "support/window_fixture.h"
#include "transfer/ftp_transfer.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QTableView>
#include <QTest>

using namespace lumaport;
using namespace lumaport::test;
using namespace Qt::StringLiterals;

namespace {

// The windows over a pyftpdlib server and Python's web server showing the same folder, logged on.
struct Publishing
{
    FtpServer server{FtpServer::Kind::Pyftpdlib};
    quint16 webPort = unusedLoopbackPort();
    QProcess web; // ended by its destructor
    QTemporaryDir pictures;
    ScriptedServices services;
    Forms forms{services, [] { return std::make_unique<FtpTransfer>(); }};

    void start()
    {
        QVERIFY2(server.start(), qPrintable(server.errorString()));
        web.start(u"/usr/bin/python3"_s, {u"-u"_s, u"-m"_s, u"http.server"_s, u"--bind"_s, u"127.0.0.1"_s,
                                          u"--directory"_s, server.rootFolder(), QString::number(webPort)});
        QVERIFY(web.waitForReadyRead(10000));
        QVERIFY(installPlaceholder(services));
        QVERIFY(forms.frmload().Dir1->setPath(pictures.path()));
        frmftp& ftp = forms.frmftp();
        ftp.txtServer->setText(server.serverText());
        ftp.txtUserName->setText(server.userName());
        ftp.txtPassword->setText(server.password());
        ftp.Text3->setText(u"127.0.0.1:%1"_s.arg(webPort));
    }

    // Chooses a new picture in the main window, hands it to the FTP window and sends it; waits for its link.
    void send(const QString& name)
    {
        frmload& main = forms.frmload();
        writePicture(pictures.filePath(name), Qt::red);
        main.File1->refresh();
        QVERIFY(main.File1->setFileName(name));
        main.cmdload->click();
        forms.frmsavpic().Command5->click();
        frmftp& ftp = forms.frmftp();
        auto* logOn = control<QPushButton>(ftp, "cmdLogOn");
        if (logOn->isEnabled())
            logOn->click();
        QTRY_VERIFY(!logOn->isEnabled() && ftp.cmdsend->isEnabled());
        ftp.cmdsend->click();
        QTRY_COMPARE(control<QLabel>(ftp, "lblLinkCheck")->palette().color(QPalette::WindowText), QColor(0, 112, 0));
    }
};

} // namespace

class TstFrmPublished : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void sendsAreKeptCheckedCopiedAndForgotten()
    {
        Publishing publishing;
        publishing.start();
        for (const QString& name : {u"kept.jpg"_s, u"gone.jpg"_s}) {
            if (!QTest::currentTestFailed())
                publishing.send(name);
        }
        if (QTest::currentTestFailed())
            return;
        const FtpServer& server = publishing.server;
        const quint16 webPort = publishing.webPort;
        const QTemporaryDir& pictures = publishing.pictures;
        ScriptedServices& services = publishing.services;
        Forms& forms = publishing.forms;
        frmload& main = forms.frmload();

        // The rows hold what went, as a user of sqlite3 would read them.
        PublishedStore store(publishedHistoryPath(services.programFolder()));
        QString error;
        QVERIFY2(store.open(&error), qPrintable(error));
        QTRY_COMPARE(store.summary().published, 2);
        const PublishedRecord kept = store.page({}, 0, 10).last();
        QCOMPARE(kept.server, u"ftp://%1"_s.arg(server.serverText()));
        QCOMPARE(kept.user, server.userName());
        QCOMPARE(kept.remotePath, u"kept.jpg"_s);
        QCOMPARE(kept.address, u"http://127.0.0.1:%1/kept.jpg"_s.arg(webPort));
        QVERIFY(kept.thumbnailAddress.isNull());
        QCOMPARE(kept.localPath, pictures.filePath(u"kept.jpg"_s));
        QCOMPARE(kept.size, QFileInfo(pictures.filePath(u"kept.jpg"_s)).size());
        QCOMPARE(kept.sha256, fileSha256(pictures.filePath(u"kept.jpg"_s)));

        // One link rots.
        QVERIFY(QFile::remove(QDir(server.rootFolder()).filePath(u"gone.jpg"_s)));
        control<QAction>(main, "mnuPublished")->trigger();
        frmPublished& window = forms.frmPublished();
        QVERIFY(window.isVisible());
        auto* table = control<QTableView>(window, "tblPublished");
        QCOMPARE(table->model()->rowCount(), 2);
        QCOMPARE(table->model()->index(0, 1).data().toString(), u"gone.jpg"_s);
        control<QPushButton>(window, "cmdCheckLinks")->click();
        auto* summary = control<QLabel>(window, "lblPublishedSummary");
        QTRY_COMPARE(summary->text(), u"2 published \u00b7 1 links work \u00b7 1 broken"_s);
        QVERIFY(table->model()->index(0, 4).data().toString().startsWith(u"Broken: 404 Not Found"_s));
        QCOMPARE(table->model()->index(1, 4).data().toString(), u"Works"_s);

        // The filter narrows as the user types; "Copy Links" uses the FTP window's tags while it is open.
        QTest::keyClicks(control<QLineEdit>(window, "txtPublishedFilter"), u"kep"_s);
        QCOMPARE(table->model()->rowCount(), 1);
        table->selectRow(0);
        control<QPushButton>(window, "cmdCopyLinks")->click();
        QCOMPARE(services.clipboardText(), u"[img]http://127.0.0.1:%1/kept.jpg[/img]"_s.arg(webPort));

        services.expectMessage(u"Forget kept.jpg?\r\nThe history forgets them; nothing changes on the server."_s,
                               MsgAnswer::Yes, u"Forget"_s);
        control<QPushButton>(window, "cmdForget")->click();
        QCOMPARE(table->model()->rowCount(), 0);
        QCOMPARE(summary->text(), u"1 published \u00b7 0 links work \u00b7 1 broken"_s);
        QVERIFY(QFile::exists(QDir(server.rootFolder()).filePath(u"kept.jpg"_s)));
        QCOMPARE(services.pendingExpectations(), 0);
    }

    void aSendGoesOnWhenTheHistoryCannotBeWritten()
    {
        Publishing publishing;
        // A folder in the file's place is refused even to root, who may write any read-only file.
        QVERIFY(QDir().mkpath(publishedHistoryPath(publishing.services.programFolder()) + u"/x"_s));
        publishing.start();
        publishing.send(u"a.jpg"_s);
        QTRY_COMPARE(control<QLabel>(publishing.forms.frmftp(), "lblStatus")->text(),
                     u"Sent; not kept in the history"_s);
    }
};

QTEST_MAIN(TstFrmPublished)
#include "tst_frm_published.moc"
