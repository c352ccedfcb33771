// SPDX-License-Identifier: GPL-3.0-or-later
// The whole road against a real FTP server and a web server showing the same folder: a picture is chosen,
// sent into a nested folder, its address built with tags and copied, and the address fetched back.
#include "ftp/frm_ftp.h"
#include "ftp/ftp_transfer.h"
#include "main_window/frm_load.h"
#include "platform/file_list.h"
#include "platform/folder_list.h"
#include "save_picture/frm_savpic.h"
#include "support/ftp_servers.h"
#include "support/test_files.h"
#include "support/window_fixture.h"

#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QPushButton>
#include <QSignalSpy>
#include <QTcpSocket>
#include <QTest>

using namespace lumaport;
using namespace lumaport::test;
using namespace Qt::StringLiterals;

class TestPublishRoad : public QObject
{
    Q_OBJECT
    FtpServer m_server{FtpServer::Kind::Pyftpdlib};
    QProcess m_web;
    quint16 m_webPort = unusedLoopbackPort();
    QTemporaryDir m_pictures;

    QByteArray fetch(const QUrl& url)
    {
        QNetworkAccessManager network;
        std::unique_ptr<QNetworkReply> reply(network.get(QNetworkRequest(url)));
        QSignalSpy finished(reply.get(), &QNetworkReply::finished);
        return finished.wait(10000) && reply->error() == QNetworkReply::NoError ? reply->readAll() : "<failed>";
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY2(m_server.start(), qPrintable(m_server.errorString()));
        QVERIFY(QDir(m_server.rootFolder()).mkpath(u"a b/ü"_s));
        m_web.start(u"/usr/bin/python3"_s, {u"-m"_s, u"http.server"_s, u"--bind"_s, u"127.0.0.1"_s, u"--directory"_s,
                                            m_server.rootFolder(), QString::number(m_webPort)});
        QTRY_VERIFY([this] {
            QTcpSocket socket;
            socket.connectToHost(u"127.0.0.1"_s, m_webPort);
            return socket.waitForConnected(200);
        }());
    }

    void cleanupTestCase()
    {
        m_web.terminate();
        m_web.waitForFinished();
    }

    void aSentPictureIsFetchedAtTheCopiedAddress_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("plain") << u"photo.jpg"_s;
        QTest::newRow("blank and umlaut") << u"mein Bild ü.jpg"_s;
    }

    void aSentPictureIsFetchedAtTheCopiedAddress()
    {
        QFETCH(QString, name);
        const QByteArray picture = readFile(writePicture(m_pictures.filePath(name), Qt::red));
        ScriptedServices services;
        QVERIFY(installPlaceholder(services));
        services.answerEveryBox(MsgAnswer::Yes);
        FtpTransfer* transfer = nullptr;
        Forms forms(services, [&transfer] {
            auto made = std::make_unique<FtpTransfer>();
            transfer = made.get();
            return made;
        });
        frmload& main = forms.frmload();
        QVERIFY(main.Dir1->setPath(m_pictures.path()) && main.File1->setFileName(name));
        main.cmdload->click();
        forms.frmsavpic().Command5->click();

        frmftp& ftp = forms.frmftp();
        ftp.txtServer->setText(m_server.serverText());
        ftp.txtUserName->setText(m_server.userName());
        ftp.txtPassword->setText(m_server.password());
        ftp.Text3->setText(u"127.0.0.1:%1"_s.arg(m_webPort));
        control<QPushButton>(ftp, "cmdLogOn")->click();
        auto* list = control<QListWidget>(ftp, "lstRemoteFile");
        // Each step waits, as the user would, until the listing before it has come.
        for (const QString& folder : {u"a b/"_s, u"ü/"_s}) {
            QTRY_VERIFY(!transfer->StillExecuting());
            list->setCurrentItem(list->findItems(folder, Qt::MatchExactly).value(0));
            Q_EMIT list->itemDoubleClicked(list->currentItem());
        }
        QTRY_VERIFY(!transfer->StillExecuting());
        ftp.cmdsend->click();
        QVERIFY(QFile::exists(m_server.rootFolder() + u"/a b/ü/"_s + name));
        control<QPushButton>(ftp, "Command3")->click();
        control<QPushButton>(ftp, "Command5")->click();

        const QString copied = services.clipboardText();
        QVERIFY2(copied.startsWith(u"[img]http://"_s) && copied.endsWith(u"[/img]"_s), qPrintable(copied));
        QCOMPARE(fetch(QUrl(copied.mid(5, copied.size() - 11), QUrl::StrictMode)), picture);
        QCOMPARE(services.boxes().size(), std::size_t{0});
    }
};

QTEST_MAIN(TestPublishRoad)
#include "tst_publish_road.moc"
