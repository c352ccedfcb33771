// SPDX-License-Identifier: GPL-3.0-or-later
// "Delete from Server..." removes the file a row names, in its bucket, share folder or subfolder, and never a
// file of the same name elsewhere; a row that can't name its file again is refused and stays.
#include "history/published_store.h"
#include "published_window/frm_published.h"
#include "support/ftp_servers.h"
#include "support/storage_servers.h"
#include "support/window_fixture.h"
#include "transfer/ftp_command.h"
#include "transfer/ftp_server_address.h"
#include "transfer/ftp_transfer.h"

#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTableView>
#include <QTest>

using namespace lumaport;
using namespace lumaport::test;
using namespace Qt::StringLiterals;

namespace {

// Runs one request on a server as a user's log-on would; true when it completed.
struct Remote
{
    Remote(const QString& server, const QString& user, const QString& password)
    {
        transfer.setRemoteHost(server);
        transfer.setUserName(user);
        transfer.setPassword(password);
        QObject::connect(&transfer, &InternetTransfer::TrustAsked, &transfer, [this] { transfer.AnswerTrust(true); });
    }
    bool run(const QString& operation)
    {
        transfer.Execute(operation);
        if (!QTest::qWaitFor([this] { return !transfer.StillExecuting(); }, 60000))
            return false;
        while (!transfer.GetChunk(4096).isEmpty()) {
        }
        return transfer.ResponseCode() == 0;
    }
    // Runs "COMMAND name" in the folder of a path from the log-on folder, making the folders when asked.
    bool at(const QString& path, const QString& command, bool make = false)
    {
        const QStringList folders = path.split(u'/').mid(0, path.count(u'/'));
        qsizetype entered = 0;
        for (; entered < folders.size(); ++entered) {
            if (make)
                run(u"MKDIR "_s + quotedName(folders[entered] + u'/'));
            if (!run(u"CD "_s + quotedName(folders[entered] + u'/')))
                break;
        }
        const bool done = entered == folders.size() && run(command + quotedName(path.section(u'/', -1)));
        for (; entered > 0; --entered)
            run(u"CDUP"_s);
        return done;
    }

    FtpTransfer transfer;
};

} // namespace

class TstPublishedDelete : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY2(m_ftp.start(), qPrintable(m_ftp.errorString()));
        QVERIFY2(m_dav.start(), qPrintable(m_dav.errorString()));
        QVERIFY2(m_ceph.start(), qPrintable(m_ceph.errorString()));
        QFile file(m_local.filePath(u"p.jpg"_s));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write("picture") == 7);
    }

    void onlyTheNamedFileGoes_data()
    {
        QTest::addColumn<QString>("root");   // the server text files are put from
        QTest::addColumn<QString>("server"); // as the row keeps it
        QTest::addColumn<QString>("folder"); // of the row's file, from the row's server text
        QTest::addColumn<QString>("target"); // the same file from the root
        QTest::addColumn<bool>("deleted");
        QTest::addColumn<QString>("user");
        QTest::addColumn<QString>("password");
        const QString ftp = u"ftp://"_s + m_ftp.serverText();
        QTest::newRow("ftp subfolder") << ftp << ftp << u"sub dir/"_s << u"sub dir/p5.jpg"_s << true << m_ftp.userName()
                                       << m_ftp.password();
        const QString share = m_dav.serverText({});
        QTest::newRow("share subfolder") << share << m_dav.serverText(u"pub/"_s) << u"Ferien Übersicht été/"_s
                                         << u"pub/Ferien Übersicht été/p5.jpg"_s << true << m_dav.userName()
                                         << m_dav.password();
        const QString bucket = m_ceph.serverText(u"pics/"_s);
        QTest::newRow("bucket folder") << bucket << m_ceph.serverText(u"pics/photos/"_s) << u"2026/"_s
                                       << u"photos/2026/p5.jpg"_s << true << m_ceph.userName() << m_ceph.password();
        // As older copies kept a share's row: its folder lost, the file is not guessed at.
        FtpServerAddress address;
        QString ignored;
        QVERIFY(parseFtpServerAddress(share, &address, &ignored));
        QTest::newRow("share row without its folder")
            << share << address.name() << QString() << u"pub/p5.jpg"_s << false << m_dav.userName() << m_dav.password();
    }

    void onlyTheNamedFileGoes()
    {
        QFETCH(QString, root);
        QFETCH(QString, server);
        QFETCH(QString, folder);
        QFETCH(QString, target);
        QFETCH(bool, deleted);
        QFETCH(QString, user);
        QFETCH(QString, password);
        Remote remote(root, user, password);
        const QString local = m_local.filePath(u"p.jpg"_s);
        const QStringList namesakes{u"p5.jpg"_s, u"other/p5.jpg"_s};
        for (const QString& path : namesakes + QStringList{target})
            QVERIFY2(remote.at(path, u"PUT "_s + quotedName(local) + u' ', true),
                     qPrintable(path + u": "_s + remote.transfer.ResponseInfo()));

        ScriptedServices services;
        Forms forms{services, [] { return std::make_unique<FtpTransfer>(); }};
        PublishedStore store(publishedHistoryPath(services.programFolder()));
        QString error;
        QVERIFY2(store.open(&error), qPrintable(error));
        PublishedRecord record;
        record.sentAt = QDateTime::currentDateTimeUtc();
        record.server = server;
        record.user = user;
        record.remotePath = folder + u"p5.jpg"_s;
        record.address = u"http://127.0.0.1:9/p5.jpg"_s;
        record.localPath = local;
        record.size = 7;
        QVERIFY2(store.add(&record, &error), qPrintable(error));

        services.answerEveryBox(MsgAnswer::Yes, password);
        frmPublished& window = forms.frmPublished();
        window.show();
        auto* table = control<QTableView>(window, "tblPublished");
        table->selectAll();
        control<QPushButton>(window, "cmdDeleteRemote")->click();
        const QString summary = deleted ? u"1 published \u00b7 0 links work \u00b7 0 broken \u00b7 1 deleted"_s
                                        : u"1 published \u00b7 0 links work \u00b7 0 broken"_s;
        QTRY_COMPARE_WITH_TIMEOUT(control<QLabel>(window, "lblPublishedSummary")->text(), summary, 60000);
        QCOMPARE(remote.at(target, u"SIZE "_s), !deleted);
        for (const QString& path : namesakes)
            QVERIFY2(remote.at(path, u"SIZE "_s), qPrintable(path));
        if (!deleted)
            QVERIFY(services.boxes().front().text.contains(u"can't be deleted from here"_s));
        remote.at(target, u"DELETE "_s);
    }

private:
    FtpServer m_ftp{FtpServer::Kind::Pyftpdlib};
    StorageServer m_dav{StorageServer::Kind::Apache};
    StorageServer m_ceph{StorageServer::Kind::Ceph};
    QTemporaryDir m_local;
};

QTEST_MAIN(TstPublishedDelete)
#include "tst_published_delete.moc"
