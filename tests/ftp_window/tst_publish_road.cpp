// SPDX-License-Identifier: GPL-3.0-or-later
// The whole road against a real FTP server and a web server showing the same folder: a picture is chosen,
// sent into a nested folder, checked from the web side, its address built with tags and copied, and the address
// fetched back; and a sent file the web server may not read, made readable from the check's question.
#include "ftp_window/frm_ftp.h"
#include "ftp_window_probe.h"
#include "history/published_store.h"
#include "main_window/frm_load.h"
#include "platform/settings_text.h"
#include "published_window/frm_published.h"
#include "save_picture/frm_savpic.h"
#include "support/ftp_servers.h"
#include "support/storage_servers.h"
#include "support/test_files.h"
#include "support/window_fixture.h"
#include "transfer/ftp_transfer.h"
#include "transfer/storage_request.h"
#include "widgets/address_box.h"
#include "widgets/file_list.h"
#include "widgets/folder_list.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QPushButton>
#include <QRegularExpression>
#include <QSpinBox>
#include <QStorageInfo>
#include <QTableView>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>

using namespace lumaport;
using namespace lumaport::test;
using namespace Qt::StringLiterals;

namespace {

// The windows over a pyftpdlib server (or sshd, logged on by its key) and Python's web server showing the same
// folder.
struct Road
{
    explicit Road(FtpServer::Options options = {}, FtpServer::Kind kind = FtpServer::Kind::Pyftpdlib)
        : server(kind, options)
    {}
    ~Road() { qputenv("HOME", oldHome); }

    FtpServer server;
    QTemporaryDir home;
    const QByteArray oldHome = qgetenv("HOME");
    quint16 webPort = unusedLoopbackPort();
    QProcess web; // ended by its destructor
    QTemporaryDir pictures;
    ScriptedServices services;
    FtpTransfer* transfer = nullptr;
    Forms forms{services, [this] {
                    auto made = std::make_unique<FtpTransfer>();
                    // As the program does: the connections a set adds trust what the first was told to.
                    made->setTrustFile(trustFilePath(services.programFolder()));
                    transfer = made.get();
                    return made;
                }};

    // Starts both servers, chooses the pictures in the main window, hands them to the FTP window and logs on.
    void logOnWith(const QString& name, const QStringList& more = {})
    {
        QVERIFY2(server.start(), qPrintable(server.errorString()));
        if (!server.clientKey().isEmpty()) {
            QVERIFY(QDir(home.path()).mkpath(u".ssh"_s) &&
                    QFile::copy(server.clientKey(), home.filePath(u".ssh/id_ed25519"_s)));
            qputenv("HOME", home.path().toLocal8Bit());
        }
        web.start(u"/usr/bin/python3"_s, {u"-u"_s, u"-m"_s, u"http.server"_s, u"--bind"_s, u"127.0.0.1"_s,
                                          u"--directory"_s, server.rootFolder(), QString::number(webPort)});
        QVERIFY(web.waitForReadyRead(10000)); // "Serving HTTP on ...", said once it listens
        QVERIFY(installPlaceholder(services));
        services.answerEveryBox(MsgAnswer::Yes);
        frmload& main = forms.frmload();
        QVERIFY(main.Dir1->setPath(pictures.path()) && main.File1->setFileNames(QStringList{name} + more));
        main.cmdload->click();
        forms.frmsavpic().Command5->click();
        frmftp& ftp = forms.frmftp();
        control<QLineEdit>(ftp, "txtServer")->setText(server.serverText());
        control<QLineEdit>(ftp, "txtUserName")->setText(server.userName());
        control<QLineEdit>(ftp, "txtPassword")->setText(server.password());
        control<QLineEdit>(ftp, "Text3")->setText(u"127.0.0.1:%1"_s.arg(webPort));
        control<QPushButton>(ftp, "cmdLogOn")->click();
        waitUntilIdle(ftp);
    }

    static QByteArray fetch(const QString& address)
    {
        QNetworkAccessManager network;
        std::unique_ptr<QNetworkReply> reply(network.get(QNetworkRequest(QUrl(address))));
        if (!QTest::qWaitFor([&] { return reply->isFinished(); }))
            return "<no answer>";
        return reply->readAll();
    }
};

} // namespace

class TestPublishRoad : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void aSentPictureIsFetchedAtTheCopiedAddress()
    {
        Road road;
        const QString name = u"mein Bild ü.jpg"_s;
        const QByteArray picture = readFile(writePicture(road.pictures.filePath(name), Qt::red));
        QVERIFY(QDir(road.server.rootFolder()).mkpath(u"a b/ü"_s));
        road.logOnWith(name);
        if (QTest::currentTestFailed())
            return;
        frmftp& ftp = road.forms.frmftp();
        auto* list = control<QListWidget>(ftp, "lstRemoteFile");
        // Each step waits, as the user would, until the listing before it has come.
        for (const QString& folder : {u"a b/"_s, u"ü/"_s}) {
            waitUntilIdle(ftp);
            list->setCurrentItem(list->findItems(folder, Qt::MatchExactly).value(0));
            Q_EMIT list->itemDoubleClicked(list->currentItem());
        }
        waitUntilIdle(ftp);
        control<QPushButton>(ftp, "cmdsend")->click();
        // The web side is asked at once, in the background.
        QTRY_COMPARE(
            control<QLabel>(ftp, "lblLinkCheck")->accessibleDescription(),
            u"Link works: 200, %1 bytes, image/jpeg"_s.arg(QLocale(QLocale::English).toString(picture.size())));
        control<QPushButton>(ftp, "Command3")->click();
        control<QPushButton>(ftp, "Command5")->click();

        const QString copied = road.services.clipboardText();
        QCOMPARE(copied, u"[img]http://127.0.0.1:%1/a%20b/%C3%BC/mein%20Bild%20%C3%BC.jpg[/img]"_s.arg(road.webPort));
        QCOMPARE(road.fetch(copied.mid(5, copied.size() - 11)), picture);
        QCOMPARE(road.services.boxes().size(), std::size_t{0});
    }

    void aThumbnailLinkOpensTheFullPicture()
    {
        Road road;
        const QString name = u"photo.jpg"_s;
        const QByteArray picture = readFile(writePicture(road.pictures.filePath(name), Qt::blue));
        road.logOnWith(name);
        if (QTest::currentTestFailed())
            return;
        frmftp& ftp = road.forms.frmftp();
        control<QCheckBox>(ftp, "chkThumbnail")->setChecked(true);
        control<QSpinBox>(ftp, "spnThumbnailSide")->setValue(32);
        control<QLineEdit>(ftp, "Text1")->setText(u"thumb"_s);
        waitUntilIdle(ftp);
        control<QPushButton>(ftp, "cmdsend")->click();
        waitUntilIdle(ftp);
        control<QPushButton>(ftp, "Command3")->click();
        const QString expected =
            u"[url=http://127.0.0.1:%1/photo.jpg][img]http://127.0.0.1:%1/photo_thumb.jpg[/img][/url]"_s.arg(
                road.webPort);
        QCOMPARE(control<AddressBox>(ftp, "txtURL")->text(), expected);
        // "Use Selected with Tags" finds the thumbnail listed beside the picture.
        auto* list = control<QListWidget>(ftp, "lstRemoteFile");
        QTRY_VERIFY(!list->findItems(u"photo_thumb.jpg"_s, Qt::MatchExactly).isEmpty());
        list->setCurrentItem(list->findItems(name, Qt::MatchExactly).value(0));
        control<QPushButton>(ftp, "Command9")->click();
        QCOMPARE(control<AddressBox>(ftp, "txtURL")->text(), expected);
        // The check asks for the picture, then for its thumbnail.
        QTRY_VERIFY(
            control<QLabel>(ftp, "lblLinkCheck")->accessibleDescription().contains(u"; thumbnail: Link works"_s));

        QCOMPARE(road.fetch(u"http://127.0.0.1:%1/photo.jpg"_s.arg(road.webPort)), picture);
        const QImage thumbnail =
            QImage::fromData(road.fetch(u"http://127.0.0.1:%1/photo_thumb.jpg"_s.arg(road.webPort)));
        QCOMPARE(thumbnail.size(), QSize(32, 24));
        QCOMPARE(road.services.boxes().size(), std::size_t{0});
    }

    void aSetGoesOverSeveralConnectionsAndStopsAtABreak_data()
    {
        QTest::addColumn<FtpServer::Kind>("kind");
        QTest::newRow("ftp, two connections per address") << FtpServer::Kind::Pyftpdlib;
        QTest::newRow("sftp") << FtpServer::Kind::Sshd;
    }

    // A set of five over three connections (to an FTP server that takes two from one address): a listed file answered
    // No, the next Yes to All, one the server refuses half-way. The third connection's refusal goes unsaid; what was
    // sent stays and is linked in one block in the order chosen; nothing of the rest reaches the server.
    void aSetGoesOverSeveralConnectionsAndStopsAtABreak()
    {
        QFETCH(FtpServer::Kind, kind);
        Road road({.connectionsPerAddress = 2}, kind);
        const QStringList names{u"a.jpg"_s, u"b.jpg"_s, u"c.jpg"_s, u"d.jpg"_s, u"e.jpg"_s};
        for (const QString& name : names)
            writePicture(road.pictures.filePath(name), Qt::green);
        const QString remote = road.server.rootFolder() + u'/';
        QVERIFY(QDir().mkpath(remote));
        for (const char* name : {"a.jpg", "b.jpg", "c.jpg"})
            writeFile(remote + QLatin1String(name), "theirs");
        // Where d.jpg would go, a folder: the server refuses the file.
        QVERIFY(QDir(remote).mkdir(u"d.jpg"_s));
        road.logOnWith(names.first(), names.mid(1));
        if (QTest::currentTestFailed())
            return;
        frmftp& ftp = road.forms.frmftp();
        QVERIFY(control<QLineEdit>(ftp, "txtsaveftp")->text().startsWith(u"5 files: a.jpg"_s));
        QCOMPARE(control<QLineEdit>(ftp, "txtsaveftp")->toolTip(), names.join(u'\n'));
        auto* list = control<QListWidget>(ftp, "lstRemoteFile");
        QTRY_VERIFY(!road.transfer->StillExecuting() && list->count() == 4);
        road.services.reset();
        road.services.setWhileBoxShows([&road] {
            const std::size_t shown = road.services.boxes().size();
            road.services.answerEveryBox(shown == 1 ? MsgAnswer::No : shown == 2 ? MsgAnswer::YesToAll : MsgAnswer::Ok);
        });
        QStringList statuses;
        connect(road.transfer, &InternetTransfer::StateChanged, this,
                [&] { statuses.append(control<QLabel>(ftp, "lblStatus")->text()); });
        control<QPushButton>(ftp, "cmdsend")->click();
        waitUntilIdle(ftp);

        QStringList titles;
        for (const BoxRecord& box : road.services.boxes())
            titles.append(box.title);
        QCOMPARE(titles, (QStringList{u"Overwrite"_s, u"Overwrite"_s, u"Send"_s}));
        QCOMPARE(road.services.boxes().front().buttons, MsgButtons::YesNoToAll);
        QVERIFY2(!statuses.filter(u" at once): "_s).isEmpty(), qPrintable(statuses.join(u'\n')));
        // Two log-ons: the third connection was turned away before its own.
        if (kind == FtpServer::Kind::Pyftpdlib)
            QCOMPARE(road.server.receivedCommands().filter(QRegularExpression(u"^USER "_s)).size(), 2);
        // e.jpg starts only when a connection is free before d.jpg's refusal is in; c.jpg is started again only when
        // the connection turned away was its own and that happened before d.jpg's refusal.
        const bool eSent = QFile::exists(remote + u"e.jpg"_s);
        QStringList sent{u"b.jpg"_s};
        for (const QString& name : {u"c.jpg"_s, u"e.jpg"_s}) {
            if (QFile::exists(remote + name) && readFile(remote + name) == readFile(road.pictures.filePath(name)))
                sent.append(name);
        }
        const QString summary = road.services.boxes().back().text;
        QVERIFY2(summary.startsWith(u"%1 of 4 sent.\r\nd.jpg was not sent: "_s.arg(sent.size())), qPrintable(summary));
        QCOMPARE(readFile(remote + u"a.jpg"_s), QByteArray("theirs"));
        for (const QString& name : std::as_const(sent))
            QCOMPARE(readFile(remote + name), readFile(road.pictures.filePath(name)));
        const auto onServer = QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot;
        QStringList expected{u"a.jpg"_s, u"b.jpg"_s, u"c.jpg"_s, u"d.jpg"_s};
        if (eSent)
            expected.append(u"e.jpg"_s);
        QCOMPARE(QDir(remote).entryList(onServer), expected);
        QVERIFY(QDir(remote + u"d.jpg"_s).isEmpty());

        auto* label = control<QLabel>(ftp, "lblLinkCheck");
        QTRY_COMPARE(label->text(), u"Links work: %1 of %1"_s.arg(sent.size()));
        control<QPushButton>(ftp, "Command3")->click();
        QStringList block;
        for (const QString& name : std::as_const(sent))
            block.append(u"[img]http://127.0.0.1:%1/%2[/img]"_s.arg(road.webPort).arg(name));
        QCOMPARE(control<AddressBox>(ftp, "txtURL")->text(), block.join(u'\n'));

        // The next set, after a change of folder, lands there over every connection ("Send Again" to the links its
        // bytes were published at); a refused thumbnail leaves its picture sent.
        road.services.setWhileBoxShows({});
        road.services.answerEveryBox(MsgAnswer::No);
        QVERIFY(QDir(remote).mkpath(u"d.jpg/c_thumb.jpg"_s));
        QTRY_VERIFY(!road.transfer->StillExecuting() && !list->findItems(u"d.jpg/"_s, Qt::MatchExactly).isEmpty());
        list->setCurrentItem(list->findItems(u"d.jpg/"_s, Qt::MatchExactly).value(0));
        Q_EMIT list->itemDoubleClicked(list->currentItem());
        QTRY_VERIFY(!road.transfer->StillExecuting() && list->count() == 1);
        const QStringList again{u"b.jpg"_s, u"c.jpg"_s, u"e.jpg"_s};
        road.forms.session().handOverSet(QStorageInfo(road.pictures.path()).rootPath(), road.pictures.path(), again);
        control<QCheckBox>(ftp, "chkThumbnail")->setChecked(true);
        control<QPushButton>(ftp, "cmdsend")->click();
        waitUntilIdle(ftp);
        for (const QString& name : again)
            QCOMPARE(readFile(remote + u"d.jpg/"_s + name), readFile(road.pictures.filePath(name)));
        QVERIFY(QFile::exists(remote + u"d.jpg/e_thumb.jpg"_s));
        QVERIFY2(road.services.boxes().back().text.startsWith(u"3 of 3 sent.\r\nc_thumb.jpg was not sent: "_s),
                 qPrintable(road.services.boxes().back().text));
    }

    // The address box holds the links of what was sent last. A link the history keeps for the same bytes is checked
    // now and offered before any Overwrite question, once for a whole set; one that no longer answers is not offered.
    void theAddressBoxAndOfferedLinksFollowTheLastSend()
    {
        Road road;
        writePicture(road.pictures.filePath(u"one.jpg"_s), Qt::red);
        writePicture(road.pictures.filePath(u"two.jpg"_s), Qt::blue);
        road.logOnWith(u"one.jpg"_s);
        if (QTest::currentTestFailed())
            return;
        frmftp& ftp = road.forms.frmftp();
        auto* box = control<AddressBox>(ftp, "txtURL");
        const auto link = [&road](const QString& name) {
            return u"[img]http://127.0.0.1:%1/%2[/img]"_s.arg(road.webPort).arg(name);
        };
        const QString folder = road.pictures.path();
        const QString root = QStorageInfo(folder).rootPath();
        const auto send = [&](const QStringList& names) {
            if (names.size() > 1)
                road.forms.session().handOverSet(root, folder, names);
            else
                road.forms.session().handOverFile(root, folder, names.first());
            waitUntilIdle(ftp);
            road.services.reset();
            control<QPushButton>(ftp, "cmdsend")->click();
            waitUntilIdle(ftp);
        };
        const auto titles = [&road] {
            QStringList titles;
            for (const BoxRecord& shown : road.services.boxes())
                titles.append(shown.title);
            return titles;
        };
        for (const QString& name : {u"one.jpg"_s, u"two.jpg"_s}) {
            send({name});
            QCOMPARE(box->text(), link(name));
        }
        PublishedStore store(publishedHistoryPath(road.services.programFolder()));
        QVERIFY(store.open(nullptr));
        QTRY_COMPARE(store.summary().works, 2);

        road.services.setWhileBoxShows([&road] {
            road.services.answerEveryBox(road.services.boxes().size() == 1 ? MsgAnswer::No : MsgAnswer::YesToAll);
        });
        send({u"one.jpg"_s, u"two.jpg"_s});
        QCOMPARE(titles(), (QStringList{u"Published"_s, u"Overwrite"_s}));
        road.services.setWhileBoxShows({});
        road.services.answerEveryBox(MsgAnswer::Yes);
        send({u"two.jpg"_s, u"one.jpg"_s});
        QCOMPARE(titles(), QStringList{u"Published"_s});
        QCOMPARE(box->text(), link(u"two.jpg"_s) + u'\n' + link(u"one.jpg"_s));

        QVERIFY(QFile::remove(QDir(road.server.rootFolder()).filePath(u"one.jpg"_s)));
        send({u"one.jpg"_s});
        QCOMPARE(titles(), QStringList());
        QVERIFY(QFile::exists(QDir(road.server.rootFolder()).filePath(u"one.jpg"_s)));
        QCOMPARE(box->text(), link(u"one.jpg"_s));
    }

    // With no web address typed, the first folder's name would be read as the host. Named like a loopback server
    // that counts connections, it must never be asked on any road that checks, keeps or opens an address.
    void noAddressIsFetchedWithoutAWebAddress()
    {
        QTcpServer recorder;
        QVERIFY(recorder.listen(QHostAddress::LocalHost));
        bool armed = false;
        int early = 0;
        int asked = 0;
        connect(&recorder, &QTcpServer::newConnection, this, [&] {
            while (QTcpSocket* socket = recorder.nextPendingConnection()) {
                ++(armed ? asked : early);
                socket->close();
            }
        });
        const QString host = u"127.0.0.1:%1"_s.arg(recorder.serverPort());
        Road road;
        QVERIFY(QDir(road.server.rootFolder()).mkpath(host));
        for (const char* name : {"a.jpg", "b.jpg"})
            writePicture(road.pictures.filePath(QLatin1String(name)), Qt::gray);
        road.logOnWith(u"a.jpg"_s, {u"b.jpg"_s});
        if (QTest::currentTestFailed())
            return;
        frmftp& ftp = road.forms.frmftp();
        control<QLineEdit>(ftp, "Text3")->clear();
        control<QLineEdit>(ftp, "txtpermurl")->clear();
        auto* list = control<QListWidget>(ftp, "lstRemoteFile");
        waitUntilIdle(ftp);
        list->setCurrentItem(list->findItems(host + u'/', Qt::MatchExactly).value(0));
        Q_EMIT list->itemDoubleClicked(list->currentItem());
        waitUntilIdle(ftp);

        auto* label = control<QLabel>(ftp, "lblLinkCheck");
        const auto saysNoWebAddress = [&] { return label->text().startsWith(u"No web address is set"_s); };
        control<QPushButton>(ftp, "cmdsend")->click(); // the set, then its block
        waitUntilIdle(ftp);
        QVERIFY(saysNoWebAddress());
        for (const char* builder : {"cmdURL", "Command3"}) {
            label->clear();
            control<QPushButton>(ftp, builder)->click();
            QVERIFY2(saysNoWebAddress(), builder);
        }
        for (const char* builder : {"Command9", "Command10"}) {
            list->setCurrentItem(list->findItems(u"a.jpg"_s, Qt::MatchExactly).value(0));
            label->clear();
            control<QPushButton>(ftp, builder)->click();
            QVERIFY2(saysNoWebAddress(), builder);
        }
        control<QPushButton>(ftp, "Command6")->click();
        road.forms.session().handOverFile(QStorageInfo(road.pictures.path()).rootPath(), road.pictures.path(),
                                          u"b.jpg"_s);
        control<QPushButton>(ftp, "cmdsend")->click(); // one file
        waitUntilIdle(ftp);
        QVERIFY(saysNoWebAddress());

        // A row kept by a copy that made its address of the folder's name.
        PublishedStore store(publishedHistoryPath(road.services.programFolder()));
        QString error;
        PublishedRecord old;
        old.sentAt = QDateTime::currentDateTimeUtc();
        old.server = u"127.0.0.1"_s;
        old.user = road.server.userName();
        old.localPath = road.pictures.filePath(u"a.jpg"_s);
        old.remotePath = host + u"/a.jpg"_s;
        old.address = u"http://"_s + old.remotePath;
        QVERIFY(store.open(&error) && store.add(&old, &error));
        frmPublished& history = road.forms.frmPublished();
        history.Show();
        auto* table = control<QTableView>(history, "tblPublished");
        QTRY_COMPARE(table->model()->rowCount(), 4);
        table->selectAll();
        table->setCurrentIndex(table->model()->index(0, 0));
        road.services.setClipboardText(u"before"_s);
        for (const char* command : {"cmdCheckLinks", "cmdOpenLink", "cmdCopyLinks"})
            control<QPushButton>(history, command)->click();
        QVERIFY(control<QLabel>(history, "lblPublishedSummary")->text().startsWith(u"Sent with no web address set"_s));
        QCOMPARE(road.services.openedUrls(), QStringList());
        QCOMPARE(road.services.clipboardText(), u"before"_s);
        history.hide();

        // Typed, the same folder's address is asked for: the counter would have seen the roads above.
        QTest::qWait(100);
        armed = true;
        control<QLineEdit>(ftp, "Text3")->setText(host);
        control<QPushButton>(ftp, "cmdURL")->click();
        QTRY_VERIFY(asked > 0);
        QCOMPARE(early, 0);
    }

    void aSentFileTheWebServerMayNotReadIsMadeReadable_data()
    {
        QTest::addColumn<bool>("thumbnail");
        QTest::newRow("a file") << false;
        // Written alike, both are offered in one question.
        QTest::newRow("with its thumbnail") << true;
    }

    void aSentFileTheWebServerMayNotReadIsMadeReadable()
    {
        QFETCH(bool, thumbnail);
        FtpServer server(FtpServer::Kind::Pyftpdlib, {.privateFiles = true});
        QVERIFY2(server.start(), qPrintable(server.errorString()));
        FtpServer web(FtpServer::Kind::Web, {.servedFolder = server.rootFolder()});
        QVERIFY2(web.start(), qPrintable(web.errorString()));
        QTemporaryDir pictures;
        const qint64 size = readFile(writePicture(pictures.filePath(u"p.jpg"_s), Qt::blue)).size();
        ScriptedServices services;
        QVERIFY(installPlaceholder(services));
        Forms forms(services, [] { return std::make_unique<FtpTransfer>(); });
        frmftp& ftp = forms.frmftp();
        forms.session().handOverFile(QStorageInfo(pictures.path()).rootPath(), pictures.path(), u"p.jpg"_s);
        control<QLineEdit>(ftp, "txtServer")->setText(server.serverText());
        control<QLineEdit>(ftp, "txtUserName")->setText(server.userName());
        control<QLineEdit>(ftp, "txtPassword")->setText(server.password());
        control<QLineEdit>(ftp, "Text3")->setText(web.serverText().mid(7)); // without "http://"
        control<QCheckBox>(ftp, "chkThumbnail")->setChecked(thumbnail);
        services.expectMessage(thumbnail ? u"The web server may not read 2 of the files sent.\r\nMake them readable by "
                                           u"everyone and check again?"_s
                                         : u"The web server may not read p.jpg.\r\nMake it readable by everyone and "
                                           u"check again?"_s,
                               MsgAnswer::Yes, u"Link Check"_s);
        control<QPushButton>(ftp, "cmdLogOn")->click();
        waitUntilIdle(ftp);
        control<QPushButton>(ftp, "cmdsend")->click();
        const QString works = u"Link works: 200, %1 bytes, image/jpeg"_s.arg(QLocale(QLocale::English).toString(size));
        QTRY_VERIFY(control<QLabel>(ftp, "lblLinkCheck")->accessibleDescription().startsWith(works));
        QTRY_COMPARE(control<QLabel>(ftp, "lblLinkCheck")->accessibleDescription().contains(u"thumbnail: Link works"_s),
                     thumbnail);
        QVERIFY(server.receivedCommands().contains(u"SITE CHMOD 644 p.jpg"_s));
        QCOMPARE(server.receivedCommands().contains(u"SITE CHMOD 644 p_thumb.jpg"_s), thumbnail);
        QCOMPARE(services.pendingExpectations(), 0);
    }

    // A bucket with no web address typed: the link is the bucket's own path-style address, private until the
    // check's question makes it public.
    void aPictureSentToABucketIsLinkedAtTheBucketsAddress()
    {
        QVERIFY(startGateway());
        const StorageServer& gateway = *m_gateway;
        QTemporaryDir pictures;
        const qint64 size = readFile(writePicture(pictures.filePath(u"p q.jpg"_s), Qt::blue)).size();
        ScriptedServices services;
        QVERIFY(installPlaceholder(services));
        Forms forms(services, [] { return std::make_unique<FtpTransfer>(); });
        frmftp& ftp = forms.frmftp();
        forms.session().handOverFile(QStorageInfo(pictures.path()).rootPath(), pictures.path(), u"p q.jpg"_s);
        control<QLineEdit>(ftp, "txtServer")->setText(gateway.serverText(u"pics/2026/"_s));
        control<QLineEdit>(ftp, "txtUserName")->setText(gateway.userName());
        control<QLineEdit>(ftp, "txtPassword")->setText(gateway.password());
        services.expectMessage(
            u"The web server may not read p q.jpg.\r\nMake it readable by everyone and check again?"_s, MsgAnswer::Yes,
            u"Link Check"_s);
        control<QPushButton>(ftp, "cmdLogOn")->click();
        waitUntilIdle(ftp);
        control<QPushButton>(ftp, "cmdsend")->click();
        QTRY_COMPARE_WITH_TIMEOUT(
            control<QLabel>(ftp, "lblLinkCheck")->accessibleDescription(),
            u"Link works: 200, %1 bytes, image/jpeg"_s.arg(QLocale(QLocale::English).toString(size)), 20000);
        control<QPushButton>(ftp, "Command3")->click();
        QCOMPARE(control<AddressBox>(ftp, "txtURL")->text(),
                 u"[img]http://127.0.0.1:%1/pics/2026/p%20q.jpg[/img]"_s.arg(gateway.port()));
        QCOMPARE(services.pendingExpectations(), 0);
    }

    void aSetReachesABucketAndAShare_data()
    {
        QTest::addColumn<bool>("s3");
        QTest::newRow("bucket") << true;
        QTest::newRow("share") << false;
    }

    // A set sent, then sent again with a No and a "Yes to All": what was kept and what was replaced is what the web
    // side serves, every link is proven (the bucket's once made readable), and each file sent is a row of the
    // history.
    void aSetReachesABucketAndAShare()
    {
        QFETCH(bool, s3);
        StorageServer share(StorageServer::Kind::Apache);
        if (s3)
            QVERIFY(startGateway());
        else
            QVERIFY2(share.start(), qPrintable(share.errorString()));
        const StorageServer& server = s3 ? *m_gateway : share;
        QTemporaryDir pictures;
        const QStringList names{u"a.jpg"_s, u"b.jpg"_s, u"c.jpg"_s};
        QList<QByteArray> first;
        for (const QString& name : names)
            first.append(readFile(writePicture(pictures.filePath(name), Qt::red)));
        ScriptedServices services;
        QVERIFY(installPlaceholder(services));
        FtpTransfer* transfer = nullptr;
        Forms forms(services, [&transfer] {
            auto made = std::make_unique<FtpTransfer>();
            transfer = made.get();
            return made;
        });
        frmftp& ftp = forms.frmftp();
        forms.session().handOverSet(QStorageInfo(pictures.path()).rootPath(), pictures.path(), names);
        control<QLineEdit>(ftp, "txtServer")->setText(server.serverText(s3 ? u"pics/set/"_s : QString()));
        control<QLineEdit>(ftp, "txtUserName")->setText(server.userName());
        control<QLineEdit>(ftp, "txtPassword")->setText(server.password());
        const QString web = s3 ? storagePublicBase(control<QLineEdit>(ftp, "txtServer")->text()) : server.webAddress();
        if (!s3)
            control<QLineEdit>(ftp, "Text3")->setText(web);
        control<QPushButton>(ftp, "cmdLogOn")->click();
        waitUntilIdle(ftp);
        // The bucket keeps what is sent private: its check offers to make the set readable, once a send.
        int overwrites = 0;
        services.setWhileBoxShows([&] {
            const bool question = services.boxes().back().title == u"Link Check"_s;
            overwrites += question ? 0 : 1;
            services.answerEveryBox(question ? MsgAnswer::Yes : overwrites == 1 ? MsgAnswer::No : MsgAnswer::YesToAll);
        });
        auto* label = control<QLabel>(ftp, "lblLinkCheck");
        control<QPushButton>(ftp, "cmdsend")->click();
        QTRY_COMPARE_WITH_TIMEOUT(label->text(), u"Links work: 3 of 3"_s, 20000);

        waitUntilIdle(ftp);
        for (const QString& name : names)
            writePicture(pictures.filePath(name), Qt::blue);
        control<QPushButton>(ftp, "cmdsend")->click();
        QTRY_COMPARE_WITH_TIMEOUT(label->text(), u"Links work: 2 of 2"_s, 20000);
        QStringList boxes;
        for (const BoxRecord& box : services.boxes())
            boxes.append(box.title + u": "_s + box.text);
        const QStringList expected =
            s3 ? QStringList{u"Link Check: The web server may not read 3 of the files sent."_s, u"Overwrite: "_s,
                             u"Overwrite: "_s, u"Link Check: The web server may not read 2 of the files sent."_s}
               : QStringList{u"Overwrite: "_s, u"Overwrite: "_s};
        QVERIFY2(boxes.size() == expected.size(), qPrintable(boxes.join(u'\n')));
        for (qsizetype i = 0; i < boxes.size(); ++i)
            QVERIFY2(boxes[i].startsWith(expected[i]), qPrintable(boxes.join(u'\n')));
        QCOMPARE(Road::fetch(web + u"a.jpg"_s), first.front());
        for (const QString& name : {u"b.jpg"_s, u"c.jpg"_s})
            QCOMPARE(Road::fetch(web + name), readFile(pictures.filePath(name)));
        control<QPushButton>(ftp, "Command3")->click();
        QCOMPARE(control<AddressBox>(ftp, "txtURL")->text(), u"[img]%1b.jpg[/img]\n[img]%1c.jpg[/img]"_s.arg(web));

        PublishedStore store(publishedHistoryPath(services.programFolder()));
        QString error;
        QVERIFY2(store.open(&error), qPrintable(error));
        QTRY_COMPARE(store.summary().works, 5);
        QStringList latest;
        for (const PublishedRecord& row : store.page({}, 0, 2))
            latest.append(row.address);
        latest.sort();
        QCOMPARE(latest, (QStringList{web + u"b.jpg"_s, web + u"c.jpg"_s}));
    }

private:
    // The gateway takes some 15 seconds to start: once for the suite.
    bool startGateway()
    {
        if (!m_gateway) {
            m_gateway = std::make_unique<StorageServer>(StorageServer::Kind::Ceph);
            if (!m_gateway->start()) {
                qWarning("%s", qPrintable(m_gateway->errorString()));
                m_gateway.reset();
                return false;
            }
        }
        return true;
    }

    std::unique_ptr<StorageServer> m_gateway;
};

QTEST_MAIN(TestPublishRoad)
#include "tst_publish_road.moc"
