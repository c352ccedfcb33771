// SPDX-License-Identifier: GPL-3.0-or-later
// The transfer component on an S3 bucket (Ceph's RADOS Gateway, over HTTP and HTTPS) and on WebDAV shares (Apache
// with mod_dav, also over TLS, and rclone), driven as the FTP window drives it; and on a server of our own that
// lies and never ends.
#include "publish/link_check.h"
#include "support/storage_servers.h"
#include "transfer/ftp_transfer.h"
#include "transfer/storage_request.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace lumaport;
using namespace lumaport::test;
using namespace Qt::StringLiterals;

namespace {

constexpr int kRequestMs = 60000;

QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

struct Session
{
    Session(const QString& server, const QString& user, const QString& password)
    {
        transfer.setRemoteHost(server);
        transfer.setUserName(user);
        transfer.setPassword(password);
        transfer.setRequestTimeout(30);
        QObject::connect(&transfer, &InternetTransfer::StateChanged, &transfer, [this](int state) {
            if (state == InternetTransfer::icResponseCompleted)
                for (QString chunk = transfer.GetChunk(4096); !chunk.isEmpty(); chunk = transfer.GetChunk(4096))
                    reply += chunk;
        });
        QObject::connect(&transfer, &InternetTransfer::TrustAsked, &transfer, [this](const ServerIdentity& identity) {
            questions.append(identity);
            transfer.AnswerTrust(true);
        });
    }
    // The request's error number once it has ended: 0 when it completed.
    int run(const QString& operation)
    {
        reply.clear();
        transfer.Execute(operation);
        if (!QTest::qWaitFor([this] { return !transfer.StillExecuting(); }, kRequestMs))
            return -1;
        return transfer.ResponseCode();
    }
    QString why() const { return transfer.ResponseInfo(); }
    QStringList entries() const { return reply.split(u"\r\n"_s, Qt::SkipEmptyParts); }

    FtpTransfer transfer;
    QString reply;
    QList<ServerIdentity> questions;
};

} // namespace

#define RUNS(session, operation, code)                                                                                 \
    QVERIFY2(                                                                                                          \
        (session).run(operation) == int(code),                                                                         \
        qPrintable(                                                                                                    \
            QStringLiteral("%1: %2 %3").arg(operation).arg((session).transfer.ResponseCode()).arg((session).why())))

class TstStorageTransfer : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void road_data();
    void road();
    void wrongSecretIsARefusedLogOn();
    void missingBucketIsNamed();
    void brokenSendLeavesNothingHalfDone_data();
    void brokenSendLeavesNothingHalfDone();
    void publicChoiceMakesSentFilesReadable();
    void misbehavingServer_data();
    void misbehavingServer();

private:
    StorageServer m_ceph{StorageServer::Kind::Ceph};
    StorageServer m_misbehaving{StorageServer::Kind::Misbehaving};
    std::map<QString, std::unique_ptr<StorageServer>> m_dav;
    QTemporaryDir m_local;
};

void TstStorageTransfer::initTestCase()
{
    QVERIFY2(m_ceph.start(), qPrintable(m_ceph.errorString()));
    QVERIFY2(m_misbehaving.start(), qPrintable(m_misbehaving.errorString()));
    for (auto [name, kind] : {std::pair{u"apache"_s, StorageServer::Kind::Apache},
                              std::pair{u"apache tls"_s, StorageServer::Kind::ApacheTls},
                              std::pair{u"rclone"_s, StorageServer::Kind::Rclone}}) {
        auto server = std::make_unique<StorageServer>(kind);
        QVERIFY2(server->start(), qPrintable(server->errorString()));
        m_dav[name] = std::move(server);
    }
}

void TstStorageTransfer::road_data()
{
    QTest::addColumn<QString>("server");
    QTest::addColumn<bool>("tls");
    QTest::newRow("ceph") << u"ceph"_s << false;
    QTest::newRow("ceph tls") << u"ceph"_s << true;
    for (const auto& [name, server] : m_dav)
        QTest::newRow(qPrintable(name)) << name << false;
}

// Log on, New Folder, into it, a send over a file already there, Size, receive byte for byte, Rename, Delete,
// and back up; every listing with folders first.
void TstStorageTransfer::road()
{
    QFETCH(QString, server);
    QFETCH(bool, tls);
    const bool s3 = server == u"ceph";
    StorageServer& host = s3 ? m_ceph : *m_dav[server];
    const QString folder = s3 ? (tls ? u"pics/road-tls/"_s : u"pics/road/"_s) : QString();
    Session session(host.serverText(folder, tls), host.userName(), host.password());
    const QByteArray picture = QByteArray("\xff\xd8\xff\xe0 a picture ", 15).repeated(70000);
    const QString row = QString::fromLatin1(QTest::currentDataTag());
    const QString local = m_local.filePath(row + u".jpg"_s);
    QVERIFY(writeFile(local, picture));

    // A temporary a send stopped two days ago goes as the share is listed; one of a send going on stays.
    const QString stale = u".lumaport-upload-00000000000000aa.part"_s;
    const QString fresh = u".lumaport-upload-00000000000000bb.part"_s;
    if (!s3) {
        for (const QString& name : {stale, fresh})
            QVERIFY(writeFile(host.rootFolder() + u'/' + name, "cut"));
        QFile old(host.rootFolder() + u'/' + stale);
        QVERIFY(old.open(QIODevice::ReadWrite) &&
                old.setFileTime(QDateTime::currentDateTime().addDays(-2), QFileDevice::FileModificationTime));
    }
    RUNS(session, u"DIR"_s, FtpError::None);
    QCOMPARE(session.questions.size(), tls || host.serverText({}).startsWith(u"davs"_s) ? 1 : 0);
    if (!s3) {
        QVERIFY(!QFile::exists(host.rootFolder() + u'/' + stale));
        QVERIFY(QFile::remove(host.rootFolder() + u'/' + fresh));
    }
    RUNS(session, u"MKDIR \"new folder\""_s, FtpError::None);
    RUNS(session, u"PUT \"%1\" \"a b+c.jpg\""_s.arg(local), FtpError::None);
    RUNS(session, u"PUT \"%1\" \"a b+c.jpg\""_s.arg(local), FtpError::None); // over itself: "Yes to All"
    RUNS(session, u"DIR"_s, FtpError::None);
    QCOMPARE(session.entries(), (QStringList{u"new folder/"_s, u"a b+c.jpg"_s}));
    RUNS(session, u"SIZE \"a b+c.jpg\""_s, FtpError::None);
    QCOMPARE(session.reply, QString::number(picture.size()));
    const QString received = m_local.filePath(row + u"-received.jpg"_s);
    RUNS(session, u"GET \"a b+c.jpg\" \"%1\""_s.arg(received), FtpError::None);
    QCOMPARE(readFile(received), picture);
    RUNS(session, u"GET \"a b+c.jpg\" \"%1\""_s.arg(received), FtpError::LocalFile);

    RUNS(session, u"CD \"new folder\""_s, FtpError::None);
    QCOMPARE(session.transfer.CurrentFolder(), u"new folder/"_s);
    RUNS(session, u"PUT \"%1\" \"x.jpg\""_s.arg(local), FtpError::None);
    RUNS(session, u"CDUP"_s, FtpError::None);
    RUNS(session, u"CDUP"_s, FtpError::None); // at the server text's folder: stays
    QCOMPARE(session.transfer.CurrentFolder(), QString());
    RUNS(session, u"CD \"nowhere\""_s, FtpError::ServerRefused);
    RUNS(session, u"RMDIR \"new folder\""_s, FtpError::ServerRefused);
    QVERIFY2(session.why().contains(u"not empty"_s), qPrintable(session.why()));
    if (s3) {
        RUNS(session, u"RENAME \"new folder/\" \"other\""_s, FtpError::ServerRefused);
        QVERIFY2(session.why().contains(u"folder of a bucket"_s), qPrintable(session.why()));
    }
    RUNS(session, u"RENAME \"a b+c.jpg\" \"renamed.jpg\""_s, FtpError::None);
    RUNS(session, u"DELETE \"a b+c.jpg\""_s, FtpError::ServerRefused);
    RUNS(session, u"DIR"_s, FtpError::None);
    QCOMPARE(session.entries(), (QStringList{u"new folder/"_s, u"renamed.jpg"_s}));
    RUNS(session, u"DELETE \"renamed.jpg\""_s, FtpError::None);
    RUNS(session, u"CD \"new folder\""_s, FtpError::None);
    RUNS(session, u"DELETE \"x.jpg\""_s, FtpError::None);
    RUNS(session, u"CDUP"_s, FtpError::None);
    RUNS(session, u"RMDIR \"new folder\""_s, FtpError::None);
    RUNS(session, u"DIR"_s, FtpError::None);
    QCOMPARE(session.entries(), QStringList());
    RUNS(session, u"CLOSE"_s, FtpError::None);
}

void TstStorageTransfer::wrongSecretIsARefusedLogOn()
{
    Session s3(m_ceph.serverText(u"pics/"_s), m_ceph.userName(), u"not the secret"_s);
    RUNS(s3, u"DIR"_s, FtpError::LogOnRefused);
    QVERIFY2(s3.why().contains(u"SignatureDoesNotMatch"_s), qPrintable(s3.why()));
    StorageServer& apache = *m_dav[u"apache"_s];
    Session dav(apache.serverText({}), apache.userName(), u"not the password"_s);
    RUNS(dav, u"DIR"_s, FtpError::LogOnRefused);
}

void TstStorageTransfer::missingBucketIsNamed()
{
    Session session(m_ceph.serverText(u"no-such-bucket/"_s), m_ceph.userName(), m_ceph.password());
    RUNS(session, u"DIR"_s, FtpError::ServerRefused);
    QVERIFY2(session.why().contains(u"bucket named in the server text does not exist"_s), qPrintable(session.why()));
}

void TstStorageTransfer::brokenSendLeavesNothingHalfDone_data()
{
    QTest::addColumn<QString>("server");
    QTest::newRow("ceph") << u"ceph"_s;
    QTest::newRow("apache") << u"apache"_s;
}

// A send cancelled mid-way, as a lost connection ends it: no object in the bucket, the old file whole on the share.
void TstStorageTransfer::brokenSendLeavesNothingHalfDone()
{
    QFETCH(QString, server);
    const bool s3 = server == u"ceph";
    StorageServer& host = s3 ? m_ceph : *m_dav[server];
    Session session(host.serverText(s3 ? u"pics/broken/"_s : QString()), host.userName(), host.password());
    const QString small = m_local.filePath(u"small.jpg"_s);
    const QString large = m_local.filePath(u"large.jpg"_s);
    QVERIFY(writeFile(small, "old picture"));
    QVERIFY(writeFile(large, QByteArray(256 * 1024 * 1024, 'x')));
    if (!s3)
        RUNS(session, u"PUT \"%1\" \"kept.jpg\""_s.arg(small), FtpError::None);
    QSignalSpy progress(&session.transfer, &InternetTransfer::TransferProgress);
    session.transfer.Execute(u"PUT \"%1\" \"kept.jpg\""_s.arg(large));
    QTRY_VERIFY_WITH_TIMEOUT(!progress.isEmpty() && progress.last().at(0).toLongLong() > 0, kRequestMs);
    session.transfer.Cancel();
    QFile::remove(large);
    RUNS(session, u"DIR"_s, FtpError::None);
    QCOMPARE(session.entries(), s3 ? QStringList() : QStringList{u"kept.jpg"_s});
    if (!s3)
        QCOMPARE(readFile(host.rootFolder() + u"/kept.jpg"_s), QByteArray("old picture"));
}

// Off by default: the file's public address is refused; with the choice, the address works from the web side.
void TstStorageTransfer::publicChoiceMakesSentFilesReadable()
{
    const QString options = m_local.filePath(u"lumaport.ini"_s);
    Session session(m_ceph.serverText(u"pics/public/"_s), m_ceph.userName(), m_ceph.password());
    session.transfer.setOptionsFile(options);
    const QString local = m_local.filePath(u"public.png"_s);
    QVERIFY(writeFile(local, QByteArray("\x89PNG\r\n\x1a\n", 8).repeated(1000)));
    const auto check = [&](const QString& name) {
        LinkCheck link({storagePublicBase(m_ceph.serverText(u"pics/public/"_s)) + name, 8000, true});
        QSignalSpy finished(&link, &LinkCheck::finished);
        return finished.wait(15000) ? finished.first().first().value<LinkCheckResult>() : LinkCheckResult{};
    };
    RUNS(session, u"PUT \"%1\" \"private.png\""_s.arg(local), FtpError::None);
    QCOMPARE(check(u"private.png"_s).httpCode, 403);
    RUNS(session, u"CHMOD \"private.png\""_s, FtpError::None);
    QVERIFY2(check(u"private.png"_s).works, qPrintable(check(u"private.png"_s).text));
    QVERIFY(writeFile(options, "[storage]\npublicSends=true\n"));
    RUNS(session, u"PUT \"%1\" \"public.png\""_s.arg(local), FtpError::None);
    const LinkCheckResult result = check(u"public.png"_s);
    QVERIFY2(result.works, qPrintable(result.text));
    QCOMPARE(result.contentType, u"image/png"_s);
}

void TstStorageTransfer::misbehavingServer_data()
{
    QTest::addColumn<QString>("server"); // how it misbehaves, with the scheme of the server text
    QTest::addColumn<QString>("command");
    QTest::addColumn<int>("error");
    QTest::addColumn<QString>("words");
    QTest::addColumn<int>("entries"); // of a listing; -1 for none

    const int refused = int(FtpError::ServerRefused);
    QTest::newRow("same token") << u"s3+http same-token"_s << u"DIR"_s << 0 << u"a page it had given before"_s << 2;
    QTest::newRow("new token") << u"s3+http new-token"_s << u"DIR"_s << 0 << u"no more than 50000"_s << 50000;
    QTest::newRow("new token, small pages") << u"s3+http small-pages"_s << u"DIR"_s << 0 << u"after 200 pages"_s << 200;
    QTest::newRow("one entry per name") << u"dav dup"_s << u"DIR"_s << 0 << QString() << 1;
    QTest::newRow("put, nothing stored") << u"s3+http put-nothing"_s << u"PUT"_s << refused
                                         << u"does not hold the file"_s << -1;
    QTest::newRow("put, other etag") << u"s3+http wrong-etag"_s << u"PUT"_s << refused << u"holds 3 bytes of the 11"_s
                                     << -1;
    QTest::newRow("move, nothing moved") << u"dav move-nothing"_s << u"PUT"_s << refused << u"does not hold the file"_s
                                         << -1;
    QTest::newRow("babble") << u"s3+http babble"_s << u"DIR"_s << refused
                            << u"The server said: \"Babble: Type it again at http://evil.example/login xxx"_s << -1;
    QTest::newRow("failed") << u"dav broken"_s << u"DIR"_s << refused << u"The server failed"_s << -1;
    QTest::newRow("busy") << u"s3+http busy"_s << u"PUT"_s << refused << u"try again in 2 minutes"_s << -1;
}

// What a hostile or broken server says is told as it is: a listing ends, a send not stored fails and leaves
// nothing behind, and the server's words come one clean line.
void TstStorageTransfer::misbehavingServer()
{
    QFETCH(QString, server);
    QFETCH(QString, command);
    QFETCH(int, error);
    QFETCH(QString, words);
    QFETCH(int, entries);
    const QString text = u"%1://127.0.0.1:%2/%3/"_s.arg(server.section(u' ', 0, 0))
                             .arg(m_misbehaving.port())
                             .arg(server.section(u' ', 1));
    Session session(text, u"key"_s, u"secret"_s);
    const QString local = m_local.filePath(u"eleven.jpg"_s);
    QVERIFY(writeFile(local, "eleven byte"));
    RUNS(session, command == u"PUT" ? u"PUT \"%1\" \"x.jpg\""_s.arg(local) : command, error);
    QVERIFY2(session.why().contains(words), qPrintable(session.why()));
    QVERIFY2(session.why().size() < 400 && !session.why().contains(u'\n') && !session.why().contains(QChar(0x202e)),
             qPrintable(session.why()));
    if (entries >= 0)
        QCOMPARE(session.entries().size(), entries);
    QCOMPARE(QDir(m_misbehaving.rootFolder()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
             QStringList());
}

QTEST_GUILESS_MAIN(TstStorageTransfer)
#include "tst_storage_transfer.moc"
