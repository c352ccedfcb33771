// SPDX-License-Identifier: GPL-3.0-or-later
// The FTP transfer component against real servers (pyftpdlib with MLSD, also over TLS; vsftpd with LIST
// only; OpenSSH and paramiko for SFTP), driven the way the FTP window drives it: Execute, wait in the event
// loop, read the reply with GetChunk in the handler of state 12.
#include "support/ftp_servers.h"
#include "transfer/ftp_transfer.h"
#include "transfer/remote_listing.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTest>

#include <map>
#include <memory>

using namespace lumaport;
using namespace lumaport::test;
using namespace Qt::StringLiterals;

namespace {

constexpr int kRequestMs = 30000;
// Every server's certificate or host key, trusted for the sessions made from a server.
QString g_trustedServers;

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Every byte value, line ends of both kinds and a long random tail: a transfer in text mode would change it.
QByteArray binaryContent(qsizetype size)
{
    QByteArray bytes("\r\n\n\r\x00\x1a\xff", 7);
    for (int i = 0; i < 256; ++i)
        bytes.append(char(i));
    bytes.resize(size);
    QRandomGenerator random(42);
    random.fillRange(reinterpret_cast<quint32*>(bytes.data() + 512), (size - 512) / 4);
    return bytes;
}

// One component logged on to one server, with what its events delivered.
struct Session
{
    explicit Session(const QString& server, const QString& user, const QString& password, int timeoutSeconds = 10)
    {
        transfer.setProtocol(InternetTransfer::icFTP);
        transfer.setRemoteHost(server);
        transfer.setUserName(user);
        transfer.setPassword(password);
        transfer.setRequestTimeout(timeoutSeconds);
        QObject::connect(&transfer, &InternetTransfer::StateChanged, &transfer, [this](int state) { onState(state); });
        QObject::connect(&transfer, &InternetTransfer::TrustAsked, &transfer, [this](const ServerIdentity& identity) {
            questions.append(identity);
            if (trustAnswer)
                transfer.AnswerTrust(*trustAnswer);
        });
    }
    explicit Session(const FtpServer& server, int timeoutSeconds = 10)
        : Session(server.serverText(), server.userName(), server.password(), timeoutSeconds)
    {
        transfer.setTrustFile(g_trustedServers);
    }

    // Starts the request and waits in the event loop until it has ended.
    bool run(const QString& operation, int timeoutMs = kRequestMs)
    {
        clear();
        transfer.Execute(operation);
        return QTest::qWaitFor([this] { return !transfer.StillExecuting(); }, timeoutMs);
    }
    void clear()
    {
        states.clear();
        reply.clear();
        largestChunk = 0;
        finalHandlersWhileExecuting = 0;
    }
    int finals() const
    {
        return int(states.count(InternetTransfer::icError) + states.count(InternetTransfer::icResponseCompleted));
    }
    bool ended(int finalState) const
    {
        return !states.isEmpty() && states.last() == finalState && finals() == 1 && finalHandlersWhileExecuting == 1;
    }
    QString describe(const QString& operation) const
    {
        QStringList numbers;
        for (int state : states)
            numbers << QString::number(state);
        return QStringLiteral("%1: states [%2], error %3 \"%4\"")
            .arg(operation, numbers.join(u", "), QString::number(transfer.ResponseCode()), transfer.ResponseInfo());
    }
    QStringList entries() const { return reply.split(u"\r\n"_s, Qt::SkipEmptyParts); }

    // What the window's handler does: the reply is read in chunks on state 12, yielding between them.
    void onState(int state)
    {
        states.append(state);
        if (state == InternetTransfer::icResponseCompleted) {
            for (QString chunk = transfer.GetChunk(4096); !chunk.isEmpty(); chunk = transfer.GetChunk(4096)) {
                largestChunk = std::max(largestChunk, chunk.size());
                reply += chunk;
                QCoreApplication::processEvents();
            }
        }
        if ((state == InternetTransfer::icError || state == InternetTransfer::icResponseCompleted) &&
            transfer.StillExecuting())
            ++finalHandlersWhileExecuting;
    }

    FtpTransfer transfer;
    std::optional<bool> trustAnswer = true; // none: the question stays open
    QList<ServerIdentity> questions;
    QList<int> states;
    QString reply;
    qsizetype largestChunk = 0;
    int finalHandlersWhileExecuting = 0;
};

const QList<int> kNewConnection{1, 2, 3, 4, 5, 6, 7, 8, 12};
const QList<int> kReusedConnection{5, 6, 7, 8, 12};

} // namespace

#define COMPLETES(session, operation)                                                                                  \
    do {                                                                                                               \
        QVERIFY2((session).run(operation), qPrintable((session).describe(operation)));                                 \
        QVERIFY2((session).ended(InternetTransfer::icResponseCompleted), qPrintable((session).describe(operation)));   \
    } while (false)

#define FAILS(session, operation, code)                                                                                \
    do {                                                                                                               \
        QVERIFY2((session).run(operation), qPrintable((session).describe(operation)));                                 \
        QVERIFY2((session).ended(InternetTransfer::icError), qPrintable((session).describe(operation)));               \
        QCOMPARE((session).transfer.ResponseCode(), code);                                                             \
    } while (false)

class TstFtpTransfer : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();

    void logsOnAndLists_data() { serverRows(); }
    void logsOnAndLists();
    void cdAndCdupMoveTheFolder_data() { serverRows(); }
    void cdAndCdupMoveTheFolder();
    void changesFilesAndFolders_data() { serverRows(); }
    void changesFilesAndFolders();
    void putAndGetAreByteExact_data() { serverRows(); }
    void putAndGetAreByteExact();
    void brokenSendLeavesTheOldFileWhole_data();
    void brokenSendLeavesTheOldFileWhole();
    void sendsWhatTheServerAllows_data();
    void sendsWhatTheServerAllows();
    void serverThatMisreadsPipeliningGetsOneCommandAtATime_data();
    void serverThatMisreadsPipeliningGetsOneCommandAtATime();
    void unknownIdentityIsAskedForOnce_data();
    void unknownIdentityIsAskedForOnce();
    void changedIdentityIsRefused_data();
    void changedIdentityIsRefused();
    void ftpesNeverFallsBackToPlainFtp();
    void cancelEndsAnOpenQuestion();
    void getNeverReplacesAndLeavesNothingOnFailure();
    void badLocalFilesNeverReachTheServer();
    void longReplyArrivesInChunks();

    void wrongPasswordIsRefusedAndNeverShown();
    void nothingListening();
    void sftpToAnFtpPortFailsAtOnce();
    void silentServerTimesOut();
    void movingTransferOutlastsTheTimeout();
    void killedServerAbortsTheConnection_data();
    void killedServerAbortsTheConnection();
    void idleDropLogsOnAgainOnce();
    void idleSftpDropLogsOnAgain();
    void sizeMustBeAPlainNumber_data();
    void sizeMustBeAPlainNumber();

    void injectedCommandsAreNeverSent_data();
    void injectedCommandsAreNeverSent();
    void cancelEndsTheRequestAtOnce();
    void cancelWhileWaitingForAGreeting();
    void closeSaysGoodbye();
    void closeWaitsBrieflyForASilentServer();

private:
    void serverRows();
    FtpServer& server();
    bool sftp() { return server().serverText().startsWith(u"sftp"_s); }

    std::map<FtpServer::Kind, std::unique_ptr<FtpServer>> m_servers;
    FtpServer* m_pyftpdlib = nullptr;
    QTemporaryDir m_local;
};

void TstFtpTransfer::serverRows()
{
    QTest::addColumn<FtpServer::Kind>("kind");
    QTest::newRow("pyftpdlib") << FtpServer::Kind::Pyftpdlib;
    QTest::newRow("vsftpd") << FtpServer::Kind::Vsftpd;
    QTest::newRow("ftpes") << FtpServer::Kind::PyftpdlibFtpes;
    QTest::newRow("ftps") << FtpServer::Kind::PyftpdlibFtps;
    QTest::newRow("sftp, OpenSSH, key") << FtpServer::Kind::Sshd;
    QTest::newRow("sftp, paramiko, password") << FtpServer::Kind::Paramiko;
}

FtpServer& TstFtpTransfer::server()
{
    QFETCH(FtpServer::Kind, kind);
    return *m_servers.at(kind);
}

void TstFtpTransfer::initTestCase()
{
    QVERIFY(m_local.isValid());
    // The user's SSH keys live here; OpenSSH's server takes only its own.
    QVERIFY(QDir(m_local.path()).mkpath(u"home/.ssh"_s));
    qputenv("HOME", m_local.filePath(u"home"_s).toLocal8Bit());
    for (auto kind : {FtpServer::Kind::Pyftpdlib, FtpServer::Kind::Vsftpd, FtpServer::Kind::PyftpdlibFtpes,
                      FtpServer::Kind::PyftpdlibFtps, FtpServer::Kind::Sshd, FtpServer::Kind::Paramiko}) {
        FtpServer* server = (m_servers[kind] = std::make_unique<FtpServer>(kind)).get();
        QVERIFY2(server->start(), qPrintable(server->errorString()));
        const QDir root(server->rootFolder());
        QVERIFY(root.mkpath(u"sub dir"_s));
        QVERIFY(writeFile(root.filePath(u"plain.txt"_s), "plain\n"));
        QVERIFY(writeFile(root.filePath(u"name with  two blanks.txt"_s), "blanks\n"));
        QVERIFY(writeFile(root.filePath(u"café.txt"_s), "utf-8\n"));
        QVERIFY(writeFile(root.filePath(u"sub dir/inner file.txt"_s), "inner\n"));
        // A name with a line feed would become two list entries, the second one made up.
        QVERIFY(writeFile(root.filePath(u"evil\nplain2.txt"_s), "evil\n"));
        QVERIFY(QFile::link(u"plain.txt"_s, root.filePath(u"link.txt"_s)));
    }
    m_pyftpdlib = m_servers.at(FtpServer::Kind::Pyftpdlib).get();
    QByteArray trusted;
    for (const auto& [kind, server] : m_servers) {
        if (!server->fingerprint().isEmpty())
            trusted += (server->serverText() + u' ' + server->fingerprint() + u"\r\n"_s).toUtf8();
    }
    g_trustedServers = m_local.filePath(u"trusted.lbr"_s);
    QVERIFY(writeFile(g_trustedServers, trusted));
    QVERIFY(QFile::copy(m_servers.at(FtpServer::Kind::Sshd)->clientKey(), m_local.filePath(u"home/.ssh/id_ed25519"_s)));
}

void TstFtpTransfer::logsOnAndLists()
{
    Session session(server());
    session.transfer.Execute(u"DIR"_s);
    QVERIFY(session.transfer.StillExecuting());
    QVERIFY2(session.states.isEmpty(), "states arrive through the event loop, never inside Execute");
    QVERIFY(QTest::qWaitFor([&] { return !session.transfer.StillExecuting(); }, kRequestMs));
    QVERIFY2(session.ended(InternetTransfer::icResponseCompleted), qPrintable(session.describe(u"DIR"_s)));
    QCOMPARE(session.states, kNewConnection);

    QVERIFY(session.reply.endsWith(u"\r\n"_s));
    QStringList entries = session.entries();
    for (const QString& entry : entries) {
        const QString name = entry.endsWith(u'/') ? entry.chopped(1) : entry;
        QVERIFY2(isSafeEntryName(name), qPrintable(entry));
    }
    entries.sort();
    const QStringList expected{u"café.txt"_s, u"link.txt"_s, u"name with  two blanks.txt"_s, u"plain.txt"_s,
                               u"sub dir/"_s};
    if (server().kind() == FtpServer::Kind::Vsftpd)
        QVERIFY(entries.removeOne(u"pub/"_s));
    QCOMPARE(entries, expected);

    COMPLETES(session, u"DIR"_s);
    QCOMPARE(session.states, kReusedConnection);
}

void TstFtpTransfer::cdAndCdupMoveTheFolder()
{
    Session session(server());
    COMPLETES(session, u"CD \"sub dir/\""_s);
    COMPLETES(session, u"DIR"_s);
    QCOMPARE(session.entries(), QStringList{u"inner file.txt"_s});
    COMPLETES(session, u"SIZE \"inner file.txt\""_s);
    QCOMPARE(session.reply, u"6"_s);

    QCOMPARE(session.transfer.CurrentFolder(), u"sub dir/"_s);

    COMPLETES(session, u"CDUP"_s);
    COMPLETES(session, u"DIR"_s);
    QVERIFY(session.entries().contains(u"sub dir/"_s));
    QCOMPARE(session.transfer.CurrentFolder(), u""_s);

    FAILS(session, u"CD \"missing/\""_s, 12003);
    QVERIFY2(session.transfer.ResponseInfo().startsWith(sftp() ? u"Could not open"_s : u"550"_s),
             qPrintable(session.transfer.ResponseInfo()));
    COMPLETES(session, u"DIR"_s);
    QVERIFY2(session.entries().contains(u"sub dir/"_s), "a failed CD leaves the folder where it was");

    // These FTP servers keep the user inside the log-on folder and say so; SFTP has no folder to ask about.
    COMPLETES(session, u"CDUP"_s);
    QCOMPARE(session.transfer.CurrentFolder(), sftp() ? u"../"_s : u""_s);
}

void TstFtpTransfer::changesFilesAndFolders()
{
    const QDir folder(server().writableFolder());
    QVERIFY(writeFile(folder.filePath(u"sized file.bin"_s), QByteArray(12345, 'x')));
    Session session(server());
    if (!server().writableEntry().isEmpty())
        COMPLETES(session, u"CD \"%1\""_s.arg(server().writableEntry()));

    COMPLETES(session, u"MKDIR \"new folder\""_s);
    QVERIFY(folder.exists(u"new folder"_s));
    FAILS(session, u"MKDIR \"new folder\""_s, 12003);
    QVERIFY2(session.transfer.ResponseInfo().startsWith(sftp() ? u"mkdir command failed"_s : u"550"_s),
             qPrintable(session.transfer.ResponseInfo()));
    // Listing the folder removes the temporaries a copy of the program stopped mid-send left two days ago,
    // never a fresh one nor a name merely like ours. vsftpd lists no hidden files.
    const QString old = u".lumaport-upload-0123456789abcdef.part"_s;
    const QString lookalike = u".lumaport-upload-0123456789ABCDEF.part"_s;
    const QString fresh = u".lumaport-upload-fedcba9876543210.part"_s;
    for (const QString& name : {old, lookalike, fresh}) {
        QFile file(folder.filePath(name));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write("left") == 4 && file.flush());
        if (name != fresh)
            QVERIFY(file.setFileTime(QDateTime::currentDateTime().addDays(-2), QFileDevice::FileModificationTime));
    }
    COMPLETES(session, u"DIR"_s);
    QCOMPARE(session.states, kReusedConnection); // a refusal keeps the connection
    QVERIFY(session.entries().contains(u"new folder/"_s));
    const QStringList left =
        server().kind() == FtpServer::Kind::Vsftpd ? QStringList{lookalike, old, fresh} : QStringList{lookalike, fresh};
    QCOMPARE(folder.entryList({u".lumaport-upload-*"_s}, QDir::Files | QDir::Hidden), left);
    for (const QString& name : left)
        QVERIFY(QFile::remove(folder.filePath(name)));

    COMPLETES(session, u"RENAME \"new folder/\" \"renamed folder\""_s);
    QVERIFY(folder.exists(u"renamed folder"_s));
    QVERIFY(!folder.exists(u"new folder"_s));

    COMPLETES(session, u"SIZE \"sized file.bin\""_s);
    QCOMPARE(session.reply, u"12345"_s);
    // A send over an existing file replaces it, also where renames go only onto free names (OpenSSH).
    const QString replacement = m_local.filePath(u"%1 replacement.bin"_s.arg(QTest::currentDataTag()));
    QVERIFY(writeFile(replacement, "replaced"));
    COMPLETES(session, u"PUT \"%1\" \"sized file.bin\""_s.arg(replacement));
    QCOMPARE(readFile(folder.filePath(u"sized file.bin"_s)), QByteArray("replaced"));
    QCOMPARE(session.transfer.ResponseInfo(), QString()); // no word of a send in place
    QCOMPARE(folder.entryList({u".lumaport-upload-*"_s}, QDir::Files | QDir::Hidden), QStringList());
    FAILS(session, u"SIZE \"renamed folder/\""_s, 12003);
    FAILS(session, u"SIZE \"missing.bin\""_s, 12003);

    COMPLETES(session, u"DELETE \"sized file.bin\""_s);
    QVERIFY(!folder.exists(u"sized file.bin"_s));
    FAILS(session, u"DELETE \"sized file.bin\""_s, 12003);
    QVERIFY2(session.transfer.ResponseInfo().startsWith(sftp() ? u"rm command failed"_s : u"550"_s),
             qPrintable(session.transfer.ResponseInfo()));

    COMPLETES(session, u"RMDIR \"renamed folder/\""_s);
    QVERIFY(!folder.exists(u"renamed folder"_s));
    FAILS(session, u"RENAME \"renamed folder/\" \"again\""_s, 12003);
}

void TstFtpTransfer::putAndGetAreByteExact()
{
    const QByteArray content = binaryContent(3 * 1024 * 1024 + 17);
    const QString local = m_local.filePath(u"%1 upload.bin"_s.arg(QTest::currentDataTag()));
    const QString back = m_local.filePath(u"%1 download.bin"_s.arg(QTest::currentDataTag()));
    QVERIFY(writeFile(local, content));
    const qint64 size = content.size();

    Session session(server());
    QSignalSpy progress(&session.transfer, &InternetTransfer::TransferProgress);
    if (!server().writableEntry().isEmpty())
        COMPLETES(session, u"CD \"%1\""_s.arg(server().writableEntry()));
    COMPLETES(session, u"PUT \"%1\" \"up lóad #1.bin\""_s.arg(local));
    QCOMPARE(readFile(QDir(server().writableFolder()).filePath(u"up lóad #1.bin"_s)), content);
    QCOMPARE(progress.last(), (QVariantList{size, size}));

    progress.clear();
    COMPLETES(session, u"GET \"up lóad #1.bin\" \"%1\""_s.arg(back));
    QCOMPARE(readFile(back), content);
    QCOMPARE(progress.last(), (QVariantList{size, size}));
    const QString reference = back + u".reference"_s;
    QVERIFY(writeFile(reference, {}));
    QCOMPARE(QFile::permissions(back), QFile::permissions(reference)); // not left private like the temporary
    COMPLETES(session, u"DELETE \"up lóad #1.bin\""_s);
}

void TstFtpTransfer::brokenSendLeavesTheOldFileWhole_data()
{
    QTest::addColumn<FtpServer::Kind>("kind");
    QTest::addColumn<QString>("next"); // the request after the cancel
    QTest::newRow("ftp, pyftpdlib") << FtpServer::Kind::Pyftpdlib << u"DIR"_s;
    QTest::newRow("ftp, vsftpd") << FtpServer::Kind::Vsftpd << u"DIR"_s;
    QTest::newRow("ftp, vsftpd, Log Off") << FtpServer::Kind::Vsftpd << u"CLOSE"_s;
    // Not over SFTP: libssh2 leaks the session of an upload cancelled mid-way, which fails the sanitizer run.
}

void TstFtpTransfer::brokenSendLeavesTheOldFileWhole()
{
    QFETCH(FtpServer::Kind, kind);
    QFETCH(QString, next);
    FtpServer slow(kind, {.throttleBytesPerSecond = 256 * 1024});
    QVERIFY2(slow.start(), qPrintable(slow.errorString()));
    const QDir folder(slow.writableFolder());
    QVERIFY(writeFile(folder.filePath(u"photo.jpg"_s), "old picture"));
    const QString local = m_local.filePath(u"%1 broken.bin"_s.arg(QTest::currentDataTag()));
    QVERIFY(writeFile(local, binaryContent(4 * 1024 * 1024)));
    const QStringList temporaries{u".lumaport-upload-*.part"_s};

    Session session(slow);
    if (!slow.writableEntry().isEmpty())
        COMPLETES(session, u"CD \"%1\""_s.arg(slow.writableEntry()));
    session.transfer.Execute(u"PUT \"%1\" \"photo.jpg\""_s.arg(local));
    QTRY_VERIFY_WITH_TIMEOUT(!folder.entryList(temporaries, QDir::Files | QDir::Hidden).isEmpty(), kRequestMs);
    session.transfer.Cancel(); // the connection is gone with the send
    QCOMPARE(readFile(folder.filePath(u"photo.jpg"_s)), QByteArray("old picture"));

    // The next log on removes the temporary the broken send left behind, and so does Log Off, logging on again
    // for it unseen.
    COMPLETES(session, next);
    if (next == u"CLOSE")
        QCOMPARE(session.states, (QList<int>{9, 10, 12}));
    QCOMPARE(folder.entryList(temporaries, QDir::Files | QDir::Hidden), QStringList());
    QCOMPARE(readFile(folder.filePath(u"photo.jpg"_s)), QByteArray("old picture"));
}

void TstFtpTransfer::sendsWhatTheServerAllows_data()
{
    QTest::addColumn<bool>("renames");
    QTest::addColumn<QString>("note");
    QTest::addColumn<int>("inPlace");
    QTest::newRow("renames refused: in place") << false << u"Sent in place"_s << 2;
    QTest::newRow("APPE refused: the temporary by STOR") << true << QString() << 0;
}

void TstFtpTransfer::sendsWhatTheServerAllows()
{
    QFETCH(bool, renames);
    QFETCH(QString, note);
    QFETCH(int, inPlace);
    FtpServer server(FtpServer::Kind::Pyftpdlib, {.noRenames = !renames, .noAppends = renames});
    QVERIFY2(server.start(), qPrintable(server.errorString()));
    const QDir root(server.rootFolder());
    QVERIFY(writeFile(root.filePath(u"photo.jpg"_s), "old picture"));
    const QString local = m_local.filePath(u"in place.jpg"_s);
    QVERIFY(writeFile(local, "new picture"));
    Session session(server);
    COMPLETES(session, u"PUT \"%1\" \"photo.jpg\""_s.arg(local));
    QCOMPARE(readFile(root.filePath(u"photo.jpg"_s)), QByteArray("new picture"));
    QCOMPARE(session.transfer.ResponseInfo().left(note.size()), note);
    QCOMPARE(root.entryList(QDir::Files | QDir::Hidden), QStringList{u"photo.jpg"_s}); // the temporary is gone
    COMPLETES(session, u"PUT \"%1\" \"photo.jpg\""_s.arg(local));
    QCOMPARE(session.transfer.ResponseInfo(), QString()); // said once
    // The second send tries neither a refused APPE again nor a temporary where renames are refused.
    QCOMPARE(server.receivedCommands().filter(u"APPE"_s).size(), 1);
    QCOMPARE(server.receivedCommands().count(u"STOR photo.jpg"_s), inPlace);
}

void TstFtpTransfer::serverThatMisreadsPipeliningGetsOneCommandAtATime_data()
{
    QTest::addColumn<QString>("pipelining");
    QTest::newRow("refused") << u"refuse"_s;
    QTest::newRow("dropped: the server stalls") << u"drop"_s;
}

void TstFtpTransfer::serverThatMisreadsPipeliningGetsOneCommandAtATime()
{
    QFETCH(QString, pipelining);
    FtpServer server(FtpServer::Kind::Pyftpdlib, {.pipelining = pipelining});
    QVERIFY2(server.start(), qPrintable(server.errorString()));
    const QDir root(server.rootFolder());
    const QString local = m_local.filePath(u"pipelined.bin"_s);
    QVERIFY(writeFile(local, binaryContent(64 * 1024)));
    Session session(server);
    for (const QString& name : {u"a.jpg"_s, u"b.jpg"_s, u"c.jpg"_s})
        COMPLETES(session, u"PUT \"%1\" \"%2\""_s.arg(local, name));
    for (const QString& name : {u"a.jpg"_s, u"b.jpg"_s, u"c.jpg"_s})
        QCOMPARE(readFile(root.filePath(name)), readFile(local));
    QCOMPARE(root.entryList(QDir::Files | QDir::Hidden).size(), 3);         // no temporary left
    QCOMPARE(server.receivedCommands().count(u"(pipelined command)"_s), 1); // learnt at the first file
}

void TstFtpTransfer::unknownIdentityIsAskedForOnce_data()
{
    QTest::addColumn<FtpServer::Kind>("kind");
    QTest::newRow("ftpes, certificate") << FtpServer::Kind::PyftpdlibFtpes;
    QTest::newRow("sftp, host key") << FtpServer::Kind::Paramiko;
}

void TstFtpTransfer::unknownIdentityIsAskedForOnce()
{
    const QString trustFile = m_local.filePath(u"trust %1.lbr"_s.arg(QTest::currentDataTag()));
    const qsizetype before = server().receivedCommands().size();
    Session session(server());
    session.transfer.setTrustFile(trustFile);
    session.trustAnswer = false;
    FAILS(session, u"DIR"_s, 12045);
    QCOMPARE(session.questions.size(), 1);
    const ServerIdentity asked = session.questions.first();
    QCOMPARE(asked.server, server().serverText());
    QCOMPARE(asked.fingerprint, server().fingerprint());
    QVERIFY2(!asked.subject.isEmpty() && !asked.reason.isEmpty(), qPrintable(asked.subject + asked.reason));
    QVERIFY2(server().receivedCommands().mid(before).filter(u"PASS"_s).isEmpty(), "no password to an unknown server");
    QVERIFY(!QFile::exists(trustFile));

    session.trustAnswer = true;
    COMPLETES(session, u"DIR"_s);
    QCOMPARE(session.questions.size(), 2);
    QVERIFY(session.entries().contains(u"plain.txt"_s));
    QCOMPARE(QFile::permissions(trustFile).toInt() & 0x0077, 0); // no rights for group and others
    QCOMPARE(readFile(trustFile), (server().serverText() + u' ' + server().fingerprint() + u"\r\n"_s).toUtf8());

    Session again(server());
    again.transfer.setTrustFile(trustFile);
    COMPLETES(again, u"DIR"_s);
    QCOMPARE(again.questions.size(), 0);
}

void TstFtpTransfer::changedIdentityIsRefused_data()
{
    QTest::addColumn<FtpServer::Kind>("kind");
    QTest::newRow("ftps, certificate") << FtpServer::Kind::PyftpdlibFtps;
    QTest::newRow("sftp, host key") << FtpServer::Kind::Sshd;
}

void TstFtpTransfer::changedIdentityIsRefused()
{
    const QString trustFile = m_local.filePath(u"changed %1.lbr"_s.arg(QTest::currentDataTag()));
    const QString other = server().fingerprint().startsWith(u"SHA256:"_s) ? u"SHA256:b3RoZXIga2V5"_s : u"AB:CD"_s;
    QVERIFY(writeFile(trustFile, (server().serverText() + u' ' + other + u"\r\n"_s).toUtf8()));
    Session session(server());
    session.transfer.setTrustFile(trustFile);
    FAILS(session, u"DIR"_s, 12045);
    QVERIFY2(session.transfer.ResponseInfo().contains(u"has changed"_s), qPrintable(session.transfer.ResponseInfo()));
    QCOMPARE(session.questions.size(), 0);
}

void TstFtpTransfer::ftpesNeverFallsBackToPlainFtp()
{
    const qsizetype before = m_pyftpdlib->receivedCommands().size();
    Session session(u"ftpes://"_s + m_pyftpdlib->serverText(), m_pyftpdlib->userName(), m_pyftpdlib->password());
    FAILS(session, u"DIR"_s, 12157);
    const QStringList sent = m_pyftpdlib->receivedCommands().mid(before);
    QVERIFY2(!sent.isEmpty() && sent.filter(u"AUTH"_s) == sent, qPrintable(sent.join(u", "_s)));
}

void TstFtpTransfer::cancelEndsAnOpenQuestion()
{
    FtpServer& server = *m_servers.at(FtpServer::Kind::PyftpdlibFtpes);
    auto session = std::make_unique<Session>(server.serverText(), server.userName(), server.password());
    session->trustAnswer.reset();
    session->transfer.Execute(u"DIR"_s);
    QTRY_COMPARE_WITH_TIMEOUT(session->questions.size(), 1, kRequestMs);
    session->transfer.Cancel();
    QVERIFY(!session->transfer.StillExecuting());
    session->trustAnswer = true; // the next request asks again and goes on
    COMPLETES(*session, u"DIR"_s);

    session = std::make_unique<Session>(server.serverText(), server.userName(), server.password());
    session->trustAnswer.reset();
    session->transfer.Execute(u"DIR"_s);
    QTRY_COMPARE_WITH_TIMEOUT(session->questions.size(), 1, kRequestMs);
    QElapsedTimer clock;
    clock.start();
    session.reset();
    QVERIFY2(clock.elapsed() < 1500, "the component goes at once, without waiting for an answer");
}

void TstFtpTransfer::getNeverReplacesAndLeavesNothingOnFailure()
{
    const QDir folder(m_local.filePath(u"keep"_s));
    QVERIFY(folder.mkpath(u"."_s));
    QVERIFY(writeFile(folder.filePath(u".precious.txt"_s), "precious"));
    Session session(*m_pyftpdlib);
    const qsizetype before = m_pyftpdlib->receivedCommands().size();
    FAILS(session, u"GET \"plain.txt\" \"%1\""_s.arg(folder.filePath(u".precious.txt"_s)), 110);
    QVERIFY2(session.transfer.ResponseInfo().contains(u"already exists"_s),
             qPrintable(session.transfer.ResponseInfo()));
    QCOMPARE(m_pyftpdlib->receivedCommands().size(), before);

    FAILS(session, u"GET \"missing.txt\" \"%1\""_s.arg(folder.filePath(u"missing.txt"_s)), 12003);
    QVERIFY2(session.transfer.ResponseInfo().startsWith(u"550"_s), qPrintable(session.transfer.ResponseInfo()));
    QCOMPARE(readFile(folder.filePath(u".precious.txt"_s)), QByteArray("precious"));
    QCOMPARE(folder.entryList(QDir::Files | QDir::Hidden), QStringList{u".precious.txt"_s}); // no temporary left
}

void TstFtpTransfer::badLocalFilesNeverReachTheServer()
{
    Session session(*m_pyftpdlib);
    const qsizetype before = m_pyftpdlib->receivedCommands().size();
    FAILS(session, u"PUT \"%1\" \"x.bin\""_s.arg(m_local.filePath(u"no such file"_s)), 110);
    QCOMPARE(session.states, QList<int>{InternetTransfer::icError});
    FAILS(session, u"PUT \"%1\" \"x.bin\""_s.arg(m_local.path()), 110); // a folder
    FAILS(session, u"GET \"plain.txt\" \"%1\""_s.arg(m_local.filePath(u"no such folder/plain.txt"_s)), 110);
    QVERIFY2(session.transfer.ResponseInfo().contains(u"no such folder"_s),
             qPrintable(session.transfer.ResponseInfo()));
    QCOMPARE(m_pyftpdlib->receivedCommands().size(), before);
}

void TstFtpTransfer::longReplyArrivesInChunks()
{
    const QDir many(QDir(m_pyftpdlib->rootFolder()).filePath(u"many"_s));
    QVERIFY(many.mkpath(u"."_s));
    for (int i = 0; i < 1500; ++i)
        QVERIFY(writeFile(many.filePath(u"file number %1.txt"_s.arg(i, 4, 10, QChar(u'0'))), {}));
    Session session(*m_pyftpdlib);
    COMPLETES(session, u"CD \"many/\""_s);
    COMPLETES(session, u"DIR"_s);
    QCOMPARE(session.largestChunk, 4096);
    QStringList entries = session.entries();
    entries.sort();
    QCOMPARE(entries.size(), 1500);
    QCOMPARE(entries.first(), u"file number 0000.txt"_s);
    QCOMPARE(entries.last(), u"file number 1499.txt"_s);
}

void TstFtpTransfer::wrongPasswordIsRefusedAndNeverShown()
{
    const QString wrong = u"wrong-Passw0rd"_s;
    Session session(m_pyftpdlib->serverText(), m_pyftpdlib->userName(), wrong);
    FAILS(session, u"DIR"_s, 12014);
    QVERIFY2(session.transfer.ResponseInfo().contains(u"530"_s), qPrintable(session.transfer.ResponseInfo()));
    QVERIFY(!session.transfer.ResponseInfo().contains(wrong));

    // New log-on data: the next request logs on afresh.
    session.transfer.setPassword(m_pyftpdlib->password());
    COMPLETES(session, u"DIR"_s);
    QCOMPARE(session.states, kNewConnection);
}

void TstFtpTransfer::nothingListening()
{
    Session session(u"127.0.0.1:%1"_s.arg(unusedLoopbackPort()), u"anonymous"_s, u"guest"_s);
    FAILS(session, u"DIR"_s, 12029);
}

void TstFtpTransfer::sftpToAnFtpPortFailsAtOnce()
{
    Session session(u"sftp://"_s + m_pyftpdlib->serverText(), u"user"_s, u"password"_s, 40);
    QElapsedTimer elapsed;
    elapsed.start();
    FAILS(session, u"DIR"_s, 12157);
    QVERIFY2(elapsed.elapsed() < 5000, "far sooner than the 40 seconds of the time-out");
    QVERIFY2(session.transfer.ResponseInfo().contains(u"not an SSH server"_s),
             qPrintable(session.transfer.ResponseInfo()));
}

void TstFtpTransfer::silentServerTimesOut()
{
    SilentServer silent;
    Session session(silent.serverText(), u"anonymous"_s, u"guest"_s, 1);
    FAILS(session, u"DIR"_s, 12002);
    QVERIFY2(session.transfer.ResponseInfo().contains(u"1 second"_s), qPrintable(session.transfer.ResponseInfo()));
}

void TstFtpTransfer::movingTransferOutlastsTheTimeout()
{
    // About three seconds of data against a two-second time-out: only silence ends a request.
    FtpServer slow(FtpServer::Kind::Pyftpdlib, {.throttleBytesPerSecond = 128 * 1024});
    QVERIFY2(slow.start(), qPrintable(slow.errorString()));
    const QByteArray content = binaryContent(384 * 1024);
    QVERIFY(writeFile(QDir(slow.rootFolder()).filePath(u"slow.bin"_s), content));
    const QString target = m_local.filePath(u"slow.bin"_s);
    Session session(slow, 2);
    QSignalSpy progress(&session.transfer, &InternetTransfer::TransferProgress);
    QElapsedTimer clock;
    clock.start();
    COMPLETES(session, u"GET \"slow.bin\" \"%1\""_s.arg(target));
    QCOMPARE(readFile(target), content);
    QVERIFY2(progress.size() >= 3 && progress.size() <= clock.elapsed() / 100 + 2, "about ten a second");
    QCOMPARE(progress.last(), (QVariantList{qint64(content.size()), qint64(content.size())}));
}

void TstFtpTransfer::idleDropLogsOnAgainOnce()
{
    FtpServer server(FtpServer::Kind::Pyftpdlib, {.idleTimeoutSeconds = 1});
    QVERIFY2(server.start(), qPrintable(server.errorString()));
    QVERIFY(QDir(server.rootFolder()).mkpath(u"inner"_s));
    Session session(server);
    COMPLETES(session, u"CD \"inner/\""_s);
    QVERIFY(writeFile(QDir(server.rootFolder()).filePath(u"inner/inside.txt"_s), "x"));
    QTRY_VERIFY_WITH_TIMEOUT(server.receivedCommands().contains(u"(idle timeout)"_s), kRequestMs);
    COMPLETES(session, u"DIR"_s);
    QCOMPARE(session.entries(), QStringList{u"inside.txt"_s}); // back in the folder it was in
    QCOMPARE(server.receivedCommands().filter(u"USER"_s).size(), 2);

    // Only a new log-on that fails too ends the request in an error.
    QTRY_VERIFY_WITH_TIMEOUT(server.receivedCommands().count(u"(idle timeout)"_s) == 2, kRequestMs);
    server.stop();
    FAILS(session, u"DIR"_s, 12029);
}

void TstFtpTransfer::idleSftpDropLogsOnAgain()
{
    FtpServer server(FtpServer::Kind::Paramiko);
    QVERIFY2(server.start(), qPrintable(server.errorString()));
    QVERIFY(QDir(server.rootFolder()).mkpath(u"inner"_s));
    QVERIFY(writeFile(QDir(server.rootFolder()).filePath(u"inner/inside.txt"_s), "x"));
    Session session(server);
    COMPLETES(session, u"CD \"inner/\""_s);
    for (int drop = 0; drop < 2; ++drop) {
        QVERIFY(server.dropSessions());
        COMPLETES(session, u"DIR"_s);
        QCOMPARE(session.entries(), QStringList{u"inside.txt"_s}); // back in the folder it was in
    }
}

void TstFtpTransfer::sizeMustBeAPlainNumber_data()
{
    QTest::addColumn<QString>("reply");
    QTest::addColumn<QString>("size"); // empty when refused
    QTest::newRow("plain") << u"213 12345"_s << u"12345"_s;
    QTest::newRow("largest") << u"213 9223372036854775807"_s << u"9223372036854775807"_s;
    QTest::newRow("letters") << u"213 abc"_s << QString();
    QTest::newRow("negative") << u"213 -5"_s << QString();
    QTest::newRow("twenty digits") << u"213 12345678901234567890"_s << QString();
    QTest::newRow("hexadecimal") << u"213 0x10"_s << QString();
}

void TstFtpTransfer::sizeMustBeAPlainNumber()
{
    QFETCH(QString, reply);
    QFETCH(QString, size);
    m_pyftpdlib->answerSizeWith(reply);
    Session session(*m_pyftpdlib);
    const bool ended = session.run(u"SIZE \"plain.txt\""_s);
    m_pyftpdlib->answerSizeWith({});
    QVERIFY(ended);
    if (size.isEmpty()) {
        QVERIFY2(session.ended(InternetTransfer::icError), qPrintable(session.describe(reply)));
        QCOMPARE(session.transfer.ResponseCode(), 12003);
        QVERIFY2(session.transfer.ResponseInfo().contains(reply), qPrintable(session.transfer.ResponseInfo()));
    } else {
        QVERIFY2(session.ended(InternetTransfer::icResponseCompleted), qPrintable(session.describe(reply)));
        QCOMPARE(session.reply, size);
    }
}

void TstFtpTransfer::killedServerAbortsTheConnection_data()
{
    QTest::addColumn<FtpServer::Kind>("kind");
    QTest::newRow("ftp") << FtpServer::Kind::Pyftpdlib;
    QTest::newRow("sftp") << FtpServer::Kind::Paramiko;
    // Only the session dies and a new log on would work: a GET run again would add to what had arrived.
    QTest::newRow("sftp, OpenSSH session") << FtpServer::Kind::Sshd;
}

void TstFtpTransfer::killedServerAbortsTheConnection()
{
    QFETCH(FtpServer::Kind, kind);
    const bool sessionOnly = kind == FtpServer::Kind::Sshd;
    // OpenSSH takes the key of the suite's own server only, and can't be slowed: a large file instead, a hole.
    FtpServer slow(kind, {.throttleBytesPerSecond = 256 * 1024});
    FtpServer& server = sessionOnly ? *m_servers.at(kind) : slow;
    QVERIFY2(server.start(), qPrintable(server.errorString()));
    QFile big(QDir(server.rootFolder()).filePath(u"big.bin"_s));
    QVERIFY(big.open(QIODevice::WriteOnly));
    QVERIFY(sessionOnly ? big.resize(qint64(1) << 30) : big.write(binaryContent(8 * 1024 * 1024)) > 0);
    big.close();
    const QString target = m_local.filePath(u"killed.bin"_s);

    Session session(server);
    COMPLETES(session, u"DIR"_s); // the GET goes over a connection already there, as after an idle time
    session.clear();
    QSignalSpy progress(&session.transfer, &InternetTransfer::TransferProgress);
    session.transfer.Execute(u"GET \"big.bin\" \"%1\""_s.arg(target));
    QTRY_VERIFY_WITH_TIMEOUT(!progress.isEmpty() && progress.last().at(0).toLongLong() > 0, kRequestMs);
    if (sessionOnly)
        QVERIFY(server.killSessions() > 0);
    else
        server.kill();
    QTRY_VERIFY_WITH_TIMEOUT(!session.transfer.StillExecuting(), kRequestMs);
    big.remove();
    QVERIFY2(session.ended(InternetTransfer::icError), qPrintable(session.describe(u"GET"_s)));
    QCOMPARE(session.transfer.ResponseCode(), 12030);
    QVERIFY2(session.transfer.ResponseInfo().startsWith(u"The connection to the server was aborted"_s),
             qPrintable(session.transfer.ResponseInfo()));
    QVERIFY2(!QFile::exists(target), "no half-written file");
    QCOMPARE(QDir(m_local.path()).entryList({u"killed*"_s}, QDir::Files | QDir::Hidden), QStringList());
}

void TstFtpTransfer::injectedCommandsAreNeverSent_data()
{
    QTest::addColumn<QString>("operation");
    QTest::addColumn<QString>("server");
    QTest::addColumn<int>("code");

    QTest::newRow("CR LF in DELETE") << u"DELETE \"victim.txt\r\nDELE bystander.txt\""_s << QString() << 12016;
    QTest::newRow("LF in MKDIR") << u"MKDIR \"x\nMKD injected\""_s << QString() << 12016;
    QTest::newRow("CR LF in RENAME") << u"RENAME \"victim.txt\" \"y\r\nDELE victim.txt\""_s << QString() << 12016;
    QTest::newRow("NUL in GET") << u"GET \"victim.txt\0\" \"/tmp/x\""_s << QString() << 12016;
    QTest::newRow("unknown command") << u"DELE victim.txt"_s << QString() << 12016;
    QTest::newRow("unbalanced quotes") << u"DELETE \"victim.txt"_s << QString() << 12016;
    QTest::newRow("empty server") << u"DELETE \"victim.txt\""_s << u" "_s << 12005;
    QTest::newRow("server with a folder") << u"DELETE \"victim.txt\""_s << u"127.0.0.1/x"_s << 12005;
}

void TstFtpTransfer::injectedCommandsAreNeverSent()
{
    QFETCH(QString, operation);
    QFETCH(QString, server);
    QFETCH(int, code);
    const QDir root(m_pyftpdlib->rootFolder());
    QVERIFY(writeFile(root.filePath(u"victim.txt"_s), "victim"));
    QVERIFY(writeFile(root.filePath(u"bystander.txt"_s), "bystander"));
    Session session(*m_pyftpdlib);
    COMPLETES(session, u"DIR"_s); // logged on: a slip would reach the server at once
    if (!server.isEmpty())
        session.transfer.setRemoteHost(server);
    const QStringList before = m_pyftpdlib->receivedCommands();

    FAILS(session, operation, code);
    QCOMPARE(session.states, QList<int>{InternetTransfer::icError});
    QVERIFY(!session.transfer.ResponseInfo().isEmpty());
    QCOMPARE(m_pyftpdlib->receivedCommands(), before);
    QVERIFY(root.exists(u"victim.txt"_s));
    QVERIFY(root.exists(u"bystander.txt"_s));
    QVERIFY(!root.exists(u"injected"_s));
}

void TstFtpTransfer::cancelEndsTheRequestAtOnce()
{
    FtpServer slow(FtpServer::Kind::Pyftpdlib, {.throttleBytesPerSecond = 256 * 1024});
    QVERIFY2(slow.start(), qPrintable(slow.errorString()));
    QVERIFY(writeFile(QDir(slow.rootFolder()).filePath(u"big.bin"_s), binaryContent(8 * 1024 * 1024)));
    const QString target = m_local.filePath(u"cancelled.bin"_s);

    Session session(slow);
    session.transfer.Execute(u"GET \"big.bin\" \"%1\""_s.arg(target));
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(u"still executing"_s));
    session.transfer.Execute(u"DIR"_s); // turned away: one request at a time
    QTRY_VERIFY_WITH_TIMEOUT(session.states.contains(InternetTransfer::icReceivingResponse), kRequestMs);
    session.transfer.Cancel();
    QVERIFY(!session.transfer.StillExecuting());

    // The next request logs on afresh, and nothing of the cancelled one turns up among its states.
    COMPLETES(session, u"DIR"_s);
    QCOMPARE(session.states, kNewConnection);
    QVERIFY(session.entries().contains(u"big.bin"_s));
    QVERIFY2(!QFile::exists(target), "no half-written file");
    QCOMPARE(QDir(m_local.path()).entryList({u"cancelled*"_s}, QDir::Files | QDir::Hidden), QStringList());
}

void TstFtpTransfer::cancelWhileWaitingForAGreeting()
{
    SilentServer silent;
    Session session(silent.serverText(), m_pyftpdlib->userName(), m_pyftpdlib->password(), 40);
    session.transfer.Execute(u"DIR"_s);
    QTRY_VERIFY_WITH_TIMEOUT(session.states.contains(InternetTransfer::icConnecting), kRequestMs);
    session.transfer.Cancel();
    QVERIFY(!session.transfer.StillExecuting());

    // Far sooner than the 40 seconds the silent server would have held it.
    session.transfer.setRemoteHost(m_pyftpdlib->serverText());
    QVERIFY(session.run(u"DIR"_s, 10000));
    QVERIFY2(session.ended(InternetTransfer::icResponseCompleted), qPrintable(session.describe(u"DIR"_s)));
    QCOMPARE(session.states, kNewConnection);
}

void TstFtpTransfer::closeSaysGoodbye()
{
    Session session(*m_pyftpdlib);
    COMPLETES(session, u"CD \"sub dir/\""_s);
    COMPLETES(session, u"CLOSE"_s);
    QCOMPARE(session.states, (QList<int>{9, 10, 12}));
    QCOMPARE(m_pyftpdlib->receivedCommands().last(), u"QUIT"_s);
    COMPLETES(session, u"DIR"_s);
    QCOMPARE(session.states, kNewConnection);
    QVERIFY2(session.entries().contains(u"sub dir/"_s), "a new log-on starts in the starting folder");
}

void TstFtpTransfer::closeWaitsBrieflyForASilentServer()
{
    FtpServer silent(FtpServer::Kind::Pyftpdlib, {.silentQuit = true});
    QVERIFY2(silent.start(), qPrintable(silent.errorString()));
    Session session(silent, 40);
    COMPLETES(session, u"DIR"_s);
    QVERIFY(session.run(u"CLOSE"_s, 10000)); // far sooner than the 40 seconds of a request

    auto closing = std::make_unique<Session>(silent, 40);
    COMPLETES(*closing, u"DIR"_s);
    closing->transfer.Execute(u"CLOSE"_s);
    QTRY_COMPARE_WITH_TIMEOUT(silent.receivedCommands().count(u"QUIT"_s), 2, kRequestMs);
    QElapsedTimer clock;
    clock.start();
    closing.reset();
    QVERIFY2(clock.elapsed() < 1500, "the component goes at once, without waiting for the goodbye");
}

QTEST_GUILESS_MAIN(TstFtpTransfer)
#include "tst_ftp_transfer.moc"
