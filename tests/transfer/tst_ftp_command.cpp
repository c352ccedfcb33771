// SPDX-License-Identifier: GPL-3.0-or-later
// The command strings, server texts and folder moves of the transfer component: what reaches the server,
// and what never does.
#include "transfer/ftp_command.h"
#include "transfer/ftp_server_address.h"
#include "transfer/remote_folder.h"

#include <QTest>

using namespace lumaport;
using namespace Qt::StringLiterals;
using Kind = FtpCommand::Kind;

class TstFtpCommand : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void acceptsTheWindowsVocabulary_data();
    void acceptsTheWindowsVocabulary();
    void refusesWhatMustNotBeSent_data();
    void refusesWhatMustNotBeSent();
    void serverText_data();
    void serverText();
    void refusesServerText_data();
    void refusesServerText();
    void folderMoves_data();
    void folderMoves();
    void namesInsideAFolder();
};

void TstFtpCommand::acceptsTheWindowsVocabulary_data()
{
    QTest::addColumn<QString>("operation");
    QTest::addColumn<int>("kind");
    QTest::addColumn<QStringList>("names");

    const auto row = [](const char* tag, const QString& operation, Kind kind, const QStringList& names) {
        QTest::newRow(tag) << operation << int(kind) << names;
    };
    row("DIR", u"DIR"_s, Kind::Dir, {});
    row("keywords ignore case", u"dir"_s, Kind::Dir, {});
    row("CD folder entry", u"CD \"images/\""_s, Kind::Cd, {u"images/"_s});
    row("CD bare word", u"CD images/"_s, Kind::Cd, {u"images/"_s});
    row("CDUP", u"CDUP"_s, Kind::CdUp, {});
    row("MKDIR with blanks", u"MKDIR \"New Folder\""_s, Kind::MkDir, {u"New Folder"_s});
    row("RENAME", u"RENAME \"old\" \"new\""_s, Kind::Rename, {u"old"_s, u"new"_s});
    row("RENAME keeps blanks inside quotes", u"RENAME \"old/\" \"  new  \""_s, Kind::Rename, {u"old/"_s, u"  new  "_s});
    row("DELETE name holding quotes", u"DELETE \"say \"hi\".txt\""_s, Kind::Delete, {u"say \"hi\".txt"_s});
    row("RMDIR", u"RMDIR \"old/\""_s, Kind::RmDir, {u"old/"_s});
    row("SIZE with trailing blanks", u"SIZE \"a b.txt\"   "_s, Kind::Size, {u"a b.txt"_s});
    row("PUT", u"PUT \"/home/u/my pics/photo.jpg\" \"photo.jpg\""_s, Kind::Put,
        {u"/home/u/my pics/photo.jpg"_s, u"photo.jpg"_s});
    row("GET", u"GET \"photo.jpg\" \"/home/u/pics/photo.jpg\""_s, Kind::Get,
        {u"photo.jpg"_s, u"/home/u/pics/photo.jpg"_s});
    row("GET name outside the basic plane", u"GET \"\U0001F600.png\" \"/tmp/\U0001F600.png\""_s, Kind::Get,
        {u"\U0001F600.png"_s, u"/tmp/\U0001F600.png"_s});
    row("CLOSE", u"CLOSE"_s, Kind::Close, {});
}

void TstFtpCommand::acceptsTheWindowsVocabulary()
{
    QFETCH(QString, operation);
    QFETCH(int, kind);
    QFETCH(QStringList, names);
    FtpCommand command;
    QString error;
    QVERIFY2(parseFtpCommand(operation, &command, &error), qPrintable(error));
    QCOMPARE(int(command.kind), kind);
    QCOMPARE(command.arguments, names);
}

void TstFtpCommand::refusesWhatMustNotBeSent_data()
{
    QTest::addColumn<QString>("operation");
    QTest::addColumn<QString>("reason");

    QTest::newRow("CR LF injection") << u"DELETE \"a.txt\r\nDELE b.txt\""_s << u"control character"_s;
    QTest::newRow("LF in a name") << u"MKDIR \"x\ny\""_s << u"line break"_s;
    QTest::newRow("CR alone") << u"CD \"x\ry\""_s << u"line break"_s;
    QTest::newRow("NUL") << QString(u"SIZE \"a"_s + QChar(0) + u"b\""_s) << u"control character"_s;
    QTest::newRow("line break after the command") << u"CDUP\r\n"_s << u"line break"_s;
    QTest::newRow("empty") << QString() << u"No command"_s;
    QTest::newRow("unknown command") << u"LIST"_s << u"Unknown command \"LIST\""_s;
    QTest::newRow("raw FTP command") << u"DELE a.txt"_s << u"Unknown command"_s;
    QTest::newRow("opening quote only") << u"CD \"images/"_s << u"one name in double quotes"_s;
    QTest::newRow("closing quote only") << u"CD images/\""_s << u"one name in double quotes"_s;
    QTest::newRow("lone quote") << u"CD \""_s << u"one name in double quotes"_s;
    QTest::newRow("two bare words for one name") << u"CD my folder"_s << u"one name"_s;
    QTest::newRow("name missing") << u"CD"_s << u"one name"_s;
    QTest::newRow("name where none belongs") << u"DIR \"x\""_s << u"DIR takes no name"_s;
    QTest::newRow("one name where two belong") << u"RENAME \"a\""_s << u"two names"_s;
    QTest::newRow("three names where two belong") << u"RENAME \"a\" \"b\" \"c\""_s << u"two names"_s;
    QTest::newRow("second name unquoted") << u"PUT \"/tmp/a\" a"_s << u"two names"_s;
    QTest::newRow("empty name") << u"DELETE \"\""_s << u"empty name"_s;
    QTest::newRow("empty remote name") << u"GET \"\" \"/tmp/x\""_s << u"empty name"_s;
}

void TstFtpCommand::refusesWhatMustNotBeSent()
{
    QFETCH(QString, operation);
    QFETCH(QString, reason);
    FtpCommand command;
    QString error;
    QVERIFY(!parseFtpCommand(operation, &command, &error));
    QVERIFY2(error.contains(reason), qPrintable(error));
}

void TstFtpCommand::serverText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("host");
    QTest::addColumn<int>("port");
    QTest::addColumn<QString>("url");

    QTest::newRow("host") << u"ftp.example.com"_s << u"ftp.example.com"_s << 21 << u"ftp://ftp.example.com:21/"_s;
    QTest::newRow("blanks around") << u"  ftp.example.com "_s << u"ftp.example.com"_s << 21
                                   << u"ftp://ftp.example.com:21/"_s;
    QTest::newRow("scheme, port, slash") << u"ftp://ftp.example.com:2121/"_s << u"ftp.example.com"_s << 2121
                                         << u"ftp://ftp.example.com:2121/"_s;
    QTest::newRow("scheme in capitals") << u"FTP://files.example.org"_s << u"files.example.org"_s << 21
                                        << u"ftp://files.example.org:21/"_s;
    QTest::newRow("address and port") << u"127.0.0.1:40021"_s << u"127.0.0.1"_s << 40021 << u"ftp://127.0.0.1:40021/"_s;
    QTest::newRow("IPv6 with port") << u"[::1]:2121"_s << u"::1"_s << 2121 << u"ftp://[::1]:2121/"_s;
    QTest::newRow("IPv6 bare") << u"fe80::1"_s << u"fe80::1"_s << 21 << u"ftp://[fe80::1]:21/"_s;
    QTest::newRow("international name") << u"bücher.example"_s << u"xn--bcher-kva.example"_s << 21
                                        << u"ftp://xn--bcher-kva.example:21/"_s;
    QTest::newRow("explicit TLS") << u"ftpes://example.com"_s << u"example.com"_s << 21 << u"ftp://example.com:21/"_s;
    QTest::newRow("implicit TLS") << u"FTPS://example.com"_s << u"example.com"_s << 990 << u"ftps://example.com:990/"_s;
    QTest::newRow("SSH, port") << u"sftp://[::1]:2222"_s << u"::1"_s << 2222 << u"sftp://[::1]:2222/"_s;
}

void TstFtpCommand::serverText()
{
    QFETCH(QString, text);
    QFETCH(QString, host);
    QFETCH(int, port);
    QFETCH(QString, url);
    FtpServerAddress address;
    QString error;
    QVERIFY2(parseFtpServerAddress(text, &address, &error), qPrintable(error));
    QCOMPARE(address.host, host);
    QCOMPARE(address.port, port);
    QCOMPARE(address.url(), url);
}

void TstFtpCommand::refusesServerText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("reason");

    QTest::newRow("empty") << QString() << u"No server"_s;
    QTest::newRow("blanks") << u"   "_s << u"No server"_s;
    QTest::newRow("other scheme") << u"http://example.com"_s << u"Only ftp://, ftpes://"_s;
    QTest::newRow("port zero") << u"example.com:0"_s << u"port"_s;
    QTest::newRow("port too big") << u"example.com:65536"_s << u"port"_s;
    QTest::newRow("port missing") << u"example.com:"_s << u"port"_s;
    QTest::newRow("port not a number") << u"example.com:21x"_s << u"port"_s;
    QTest::newRow("user in the server") << u"joe@example.com"_s << u"not a server name"_s;
    QTest::newRow("folder in the server") << u"example.com/pub"_s << u"not a server name"_s;
    QTest::newRow("blank inside") << u"exa mple.com"_s << u"not a valid server name"_s;
    QTest::newRow("unclosed bracket") << u"[::1"_s << u"IPv6"_s;
    QTest::newRow("not an IPv6 address") << u"[zz]:21"_s << u"IPv6"_s;
    QTest::newRow("second colon") << u"host:21:1"_s << u"not a valid server name"_s;
    QTest::newRow("second colon, hex digits") << u"cafe.be:21:1"_s << u"not a valid server name"_s;
}

void TstFtpCommand::refusesServerText()
{
    QFETCH(QString, text);
    QFETCH(QString, reason);
    FtpServerAddress address;
    QString error;
    QVERIFY(!parseFtpServerAddress(text, &address, &error));
    QVERIFY2(error.contains(reason), qPrintable(error));
}

void TstFtpCommand::folderMoves_data()
{
    QTest::addColumn<QStringList>("moves"); // CD names, ".." for CDUP
    QTest::addColumn<QString>("urlPath");

    QTest::newRow("log-on folder") << QStringList{} << QString();
    QTest::newRow("folder entry") << QStringList{u"images/"_s} << u"images/"_s;
    QTest::newRow("nested, encoded") << QStringList{u"a b/"_s, u"100%/"_s} << u"a%20b/100%25/"_s;
    QTest::newRow("in and up") << QStringList{u"a/"_s, u".."_s} << QString();
    QTest::newRow("above the log-on folder") << QStringList{u".."_s} << u"../"_s;
    QTest::newRow("above and back down") << QStringList{u".."_s, u"home/"_s} << u"../home/"_s;
    QTest::newRow("path in one name") << QStringList{u"a/b/./c/"_s} << u"a/b/c/"_s;
    QTest::newRow("from the root") << QStringList{u"x/"_s, u"/pub/"_s} << u"%2Fpub/"_s;
    QTest::newRow("root") << QStringList{u"/"_s} << u"%2F"_s;
    QTest::newRow("nothing above the root") << QStringList{u"/"_s, u".."_s} << u"%2F"_s;
    QTest::newRow("dots are names to the server") << QStringList{u"..."_s, u"#?;/"_s} << u".../%23%3F%3B/"_s;
}

void TstFtpCommand::folderMoves()
{
    QFETCH(QStringList, moves);
    QFETCH(QString, urlPath);
    RemoteFolder folder;
    for (const QString& move : moves)
        folder = move == u".." ? folder.parent() : folder.entered(move);
    QCOMPARE(folder.urlPath(), urlPath);
}

void TstFtpCommand::namesInsideAFolder()
{
    const RemoteFolder folder = RemoteFolder().entered(u"my pics/"_s);
    QCOMPARE(folder.urlPath(u"photo 1.jpg"_s), u"my%20pics/photo%201.jpg"_s);
    QCOMPARE(RemoteFolder().urlPath(u"a#b?.txt"_s), u"a%23b%3F.txt"_s);
    QCOMPARE(folder.entered(u"12/"_s).path(), u"my pics/12/"_s);
    QCOMPARE(folder.parent().parent().path(), u"../"_s);
    QCOMPARE(RemoteFolder().path(), QString());
    QCOMPARE(withoutFolderMark(u"old/"_s), u"old"_s);
    QCOMPARE(withoutFolderMark(u"file"_s), u"file"_s);
    QCOMPARE(withoutFolderMark(u"/"_s), u"/"_s);
}

QTEST_GUILESS_MAIN(TstFtpCommand)
#include "tst_ftp_command.moc"
