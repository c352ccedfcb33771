// SPDX-License-Identifier: GPL-3.0-or-later
// Sends over a real FTP server with a web server showing the same folder are kept in the history, and the
// "Published" window shows them, checks their links again, copies them and forgets them.
#include "ftp_window/frm_ftp.h"
#include "history/published_recorder.h"
#include "history/published_store.h"
#include "main_window/frm_load.h"
#include "platform/file_digest.h"
#include "published_window/frm_published.h"
#include "save_picture/frm_savpic.h"
#include "support/ftp_servers.h"
#include "support/test_files.h"
#include "support/window_fixture.h"
#include "transfer/ftp_transfer.h"
#include "widgets/address_box.h"
#include "widgets/file_list.h"
#include "widgets/folder_list.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
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
        control<QLineEdit>(ftp, "txtServer")->setText(server.serverText());
        control<QLineEdit>(ftp, "txtUserName")->setText(server.userName());
        control<QLineEdit>(ftp, "txtPassword")->setText(server.password());
        control<QLineEdit>(ftp, "Text3")->setText(u"127.0.0.1:%1"_s.arg(webPort));
    }

    // Chooses a new picture in the main window and hands it to the FTP window, logged on.
    void choose(const QString& name, Qt::GlobalColor colour)
    {
        frmload& main = forms.frmload();
        writePicture(pictures.filePath(name), colour);
        main.File1->refresh();
        QVERIFY(main.File1->setFileName(name));
        main.cmdload->click();
        forms.frmsavpic().Command5->click();
        frmftp& ftp = forms.frmftp();
        auto* logOn = control<QPushButton>(ftp, "cmdLogOn");
        if (logOn->isEnabled())
            logOn->click();
        QTRY_VERIFY(!logOn->isEnabled() && control<QPushButton>(ftp, "cmdsend")->isEnabled());
    }

    // Sends a new picture; waits for its link.
    void send(const QString& name, Qt::GlobalColor colour = Qt::red)
    {
        choose(name, colour);
        if (QTest::currentTestFailed())
            return;
        frmftp& ftp = forms.frmftp();
        control<QPushButton>(ftp, "cmdsend")->click();
        QTRY_COMPARE(control<QLabel>(ftp, "lblLinkCheck")->palette().color(QPalette::WindowText), QColor(0, 112, 0));
    }

    // The history as another copy of the program would read it.
    PublishedStore& store()
    {
        if (!m_store) {
            m_store = std::make_unique<PublishedStore>(publishedHistoryPath(services.programFolder()));
            QString error;
            if (!m_store->open(&error))
                qWarning("%s", qPrintable(error));
        }
        return *m_store;
    }

private:
    std::unique_ptr<PublishedStore> m_store;
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
        publishing.send(u"kept.jpg"_s, Qt::red);
        if (!QTest::currentTestFailed())
            publishing.send(u"gone.jpg"_s, Qt::blue);
        if (QTest::currentTestFailed())
            return;
        const FtpServer& server = publishing.server;
        const quint16 webPort = publishing.webPort;
        const QTemporaryDir& pictures = publishing.pictures;
        ScriptedServices& services = publishing.services;
        Forms& forms = publishing.forms;
        frmload& main = forms.frmload();

        // The rows hold what went, as a user of sqlite3 would read them, and the check after each send.
        PublishedStore& store = publishing.store();
        QTRY_COMPARE(store.summary().published, 2);
        QTRY_COMPARE(store.summary().works, 2);
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
        // Each row shows its picture, read from the local file once the row is shown.
        const auto redThumbnail = [table] {
            const QImage image = table->model()->index(1, 1).data(Qt::DecorationRole).value<QImage>();
            return image.pixelColor(image.width() / 2, image.height() / 2).red() > 200;
        };
        QTRY_VERIFY(redThumbnail());
        QCOMPARE(table->model()->index(1, 4).data().toString(), u"Works"_s);

        // The filter narrows as the user types; "Copy Links" uses the FTP window's tags while it is open.
        QTest::keyClicks(control<QLineEdit>(window, "txtPublishedFilter"), u"kep"_s);
        QCOMPARE(table->model()->rowCount(), 1);
        table->selectRow(0);
        control<QPushButton>(window, "cmdCopyLinks")->click();
        QCOMPARE(services.clipboardText(), u"[img]http://127.0.0.1:%1/kept.jpg[/img]"_s.arg(webPort));
        control<QComboBox>(window, "cboCopyForm")->setCurrentText(u"Markdown"_s);
        control<QPushButton>(window, "cmdCopyLinks")->click();
        QCOMPARE(services.clipboardText(), u"![kept](http://127.0.0.1:%1/kept.jpg)"_s.arg(webPort));

        services.expectMessage(u"Forget kept.jpg?\r\nThe history forgets them; nothing changes on the server."_s,
                               MsgAnswer::Yes, u"Forget"_s);
        control<QPushButton>(window, "cmdForget")->click();
        QCOMPARE(table->model()->rowCount(), 0);
        QCOMPARE(summary->text(), u"1 published \u00b7 0 links work \u00b7 1 broken"_s);
        QVERIFY(QFile::exists(QDir(server.rootFolder()).filePath(u"kept.jpg"_s)));
        QCOMPARE(services.pendingExpectations(), 0);
    }

    // The same bytes again, under another name: the link kept as working is checked again before it is offered, and
    // one the site has lost since is not: the file is sent.
    void aFileSentBeforeOffersItsLink()
    {
        Publishing publishing;
        publishing.start();
        publishing.send(u"first.jpg"_s, Qt::green);
        if (QTest::currentTestFailed())
            return;
        QTRY_COMPARE(publishing.store().summary().works, 1);
        publishing.choose(u"again.jpg"_s, Qt::green);
        frmftp& ftp = publishing.forms.frmftp();
        QVERIFY(QFile::remove(QDir(publishing.server.rootFolder()).filePath(u"first.jpg"_s)));
        publishing.services.reset();
        control<QPushButton>(ftp, "cmdsend")->click();
        QTRY_VERIFY(QFile::exists(QDir(publishing.server.rootFolder()).filePath(u"again.jpg"_s)));
        QTRY_COMPARE(control<AddressBox>(ftp, "txtURL")->text(),
                     u"[img]http://127.0.0.1:%1/again.jpg[/img]"_s.arg(publishing.webPort));
        QTRY_COMPARE(publishing.store().summary().broken, 1);
        for (const BoxRecord& box : publishing.services.boxes())
            QVERIFY2(box.title != u"Published"_s, qPrintable(box.text));
    }

    // Asked for its password (nothing else holds it), the history deletes a picture and its thumbnail, and one
    // no longer there; both rows stay, marked.
    void filesAreDeletedFromTheServer()
    {
        Publishing publishing;
        publishing.start();
        control<QCheckBox>(publishing.forms.frmftp(), "chkThumbnail")->setChecked(true);
        publishing.send(u"del.jpg"_s, Qt::red);
        if (!QTest::currentTestFailed())
            publishing.send(u"lost.jpg"_s, Qt::blue);
        if (QTest::currentTestFailed())
            return;
        const QDir root(publishing.server.rootFolder());
        QVERIFY(root.exists(u"del_thumb.jpg"_s));
        QVERIFY(QFile::remove(root.filePath(u"lost.jpg"_s)));
        const QString password = publishing.server.password();
        control<QLineEdit>(publishing.forms.frmftp(), "txtPassword")->clear();
        QTRY_COMPARE(publishing.store().summary().published, 2);

        ScriptedServices& services = publishing.services;
        services.reset();
        services.answerEveryBox(MsgAnswer::Yes, password);
        control<QAction>(publishing.forms.frmload(), "mnuPublished")->trigger();
        frmPublished& window = publishing.forms.frmPublished();
        auto* table = control<QTableView>(window, "tblPublished");
        table->selectAll();
        control<QPushButton>(window, "cmdDeleteRemote")->click();
        QTRY_COMPARE(control<QLabel>(window, "lblPublishedSummary")->text(),
                     u"2 published \u00b7 0 links work \u00b7 0 broken \u00b7 2 deleted"_s);

        QCOMPARE(services.boxes().size(), std::size_t{2});
        QCOMPARE(services.boxes()[0].title, u"Delete from Server"_s);
        QVERIFY(services.boxes()[0].text.contains(u"\r\nlost_thumb.jpg\r\ndel.jpg\r\n"_s));
        QVERIFY(services.boxes()[0].text.startsWith(u"Delete from ftp://%1"_s.arg(publishing.server.serverText())));
        QCOMPARE(services.boxes()[1].kind, u"password"_s);
        QCOMPARE(root.entryList(QDir::Files), QStringList());
        for (int row = 0; row < 2; ++row)
            QVERIFY(table->model()->index(row, 4).data().toString().startsWith(u"Deleted "_s));
        // The FTP window, logged on there, lists the server again.
        auto* remote = control<QListWidget>(publishing.forms.frmftp(), "lstRemoteFile");
        QTRY_VERIFY(remote->findItems(u"del.jpg"_s, Qt::MatchContains).isEmpty());
        // The password typed went to the server only.
        QDirIterator files(services.programFolder(), QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
        while (files.hasNext())
            QVERIFY2(!readFile(files.next()).contains(password.toUtf8()), qPrintable(files.filePath()));
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
