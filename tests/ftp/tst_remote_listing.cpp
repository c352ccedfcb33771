// SPDX-License-Identifier: GPL-3.0-or-later
// Server listings (MLSD facts, Unix and DOS LIST lines) becoming the lines of a "DIR" reply, and the names
// that must never reach one.
#include "ftp/remote_listing.h"

#include <QTest>

using namespace lumaport;
using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(std::optional<lumaport::RemoteEntry>)

namespace {

std::optional<RemoteEntry> file(const QString& name)
{
    return RemoteEntry{name, false};
}

std::optional<RemoteEntry> folder(const QString& name)
{
    return RemoteEntry{name, true};
}

} // namespace

class TstRemoteListing : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void mlsdLines_data();
    void mlsdLines();
    void listLines_data();
    void listLines();
    void unsafeNames_data();
    void unsafeNames();
    void dirReply_data();
    void dirReply();
};

void TstRemoteListing::mlsdLines_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<std::optional<RemoteEntry>>("entry");

    QTest::newRow("file") << u"type=file;size=12;modify=20200101120000; a file.txt"_s << file(u"a file.txt"_s);
    QTest::newRow("folder") << u"type=dir;perm=flcdmpe;modify=20200101120000; sub dir"_s << folder(u"sub dir"_s);
    QTest::newRow("fact names and values ignore case") << u"Size=1;TYPE=Dir; X"_s << folder(u"X"_s);
    QTest::newRow("blanks and semicolons belong to the name")
        << u"type=file;size=1;  two; semi;colons "_s << file(u" two; semi;colons "_s);
    QTest::newRow("symbolic link") << u"type=OS.unix=slink:/etc;size=4; link"_s << file(u"link"_s);
    QTest::newRow("no facts") << u" bare"_s << file(u"bare"_s);
    QTest::newRow("no type fact") << u"size=1; untyped"_s << file(u"untyped"_s);
    QTest::newRow("folder itself") << u"type=cdir;perm=el; ."_s << std::optional<RemoteEntry>();
    QTest::newRow("parent folder") << u"type=pdir;perm=el; .."_s << std::optional<RemoteEntry>();
    QTest::newRow("no blank") << u"type=file;size=1;name"_s << std::optional<RemoteEntry>();
    QTest::newRow("facts not ended by a semicolon") << u"type=file x"_s << std::optional<RemoteEntry>();
    QTest::newRow("fact without a value: the rest of a broken name") << u"DELE x"_s << std::optional<RemoteEntry>();
}

void TstRemoteListing::mlsdLines()
{
    QFETCH(QString, line);
    QFETCH(std::optional<RemoteEntry>, entry);
    QCOMPARE(parseMlsdLine(line), entry);
}

void TstRemoteListing::listLines_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<std::optional<RemoteEntry>>("entry");

    QTest::newRow("vsftpd folder") << u"drwxrwxrwx    2 0        0            4096 Dec 07 08:36 a dir"_s
                                   << folder(u"a dir"_s);
    QTest::newRow("year column, double blanks in the name")
        << u"-rw-r--r--   1 user     group        1234 Jan  1  2020 name with  two blanks"_s
        << file(u"name with  two blanks"_s);
    QTest::newRow("name starting with a blank") << u"-rw-r--r-- 1 u g 5 Jan 1 12:00  padded "_s << file(u" padded "_s);
    QTest::newRow("no group column") << u"-rw-r--r-- 1 owner 1234 Mar 3 12:00 nogroup.txt"_s << file(u"nogroup.txt"_s);
    QTest::newRow("numeric owner and group") << u"-rw-r--r-- 1 1000 1000 5 Feb 29 2020 numbers"_s << file(u"numbers"_s);
    QTest::newRow("a date inside the name")
        << u"-rw-r--r-- 1 u g 5 Jan 1 12:00 Jan 1 12:00 x"_s << file(u"Jan 1 12:00 x"_s);
    QTest::newRow("symbolic link") << u"lrwxrwxrwx 1 u g 11 Jan 1 12:00 current -> releases/7"_s << file(u"current"_s);
    QTest::newRow("access list mark") << u"drwxr-xr-x+ 3 u g 4096 Jun 30 23:59 shared"_s << folder(u"shared"_s);
    QTest::newRow("sticky folder") << u"drwxrwxrwt 3 u g 4096 Jun 30 23:59 tmp"_s << folder(u"tmp"_s);
    QTest::newRow("DOS folder") << u"01-31-20  09:15PM       <DIR>          Program Files"_s
                                << folder(u"Program Files"_s);
    QTest::newRow("DOS file, four-digit year")
        << u"01-31-2020  09:15AM                 1234 read me.txt"_s << file(u"read me.txt"_s);
    QTest::newRow("DOS 24-hour clock") << u"02-05-21  17:00                 77 late.txt"_s << file(u"late.txt"_s);
    QTest::newRow("total line") << u"total 24"_s << std::optional<RemoteEntry>();
    QTest::newRow("no date") << u"-rw-r--r-- 1 u g 5 name"_s << std::optional<RemoteEntry>();
    QTest::newRow("not a listing line") << u"Welcome to the server"_s << std::optional<RemoteEntry>();
}

void TstRemoteListing::listLines()
{
    QFETCH(QString, line);
    QFETCH(std::optional<RemoteEntry>, entry);
    QCOMPARE(parseListLine(line), entry);
}

void TstRemoteListing::unsafeNames_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("safe");

    QTest::newRow("plain") << u"photo.jpg"_s << true;
    QTest::newRow("blanks around") << u" a b "_s << true;
    QTest::newRow("three dots") << u"..."_s << true;
    QTest::newRow("leading dash") << u"-rf"_s << true;
    QTest::newRow("quotes") << u"say \"hi\""_s << true;
    QTest::newRow("this folder") << u"."_s << false;
    QTest::newRow("parent folder") << u".."_s << false;
    QTest::newRow("empty") << QString() << false;
    QTest::newRow("blanks only") << u"   "_s << false;
    QTest::newRow("slash") << u"../etc/passwd"_s << false;
    QTest::newRow("slash alone") << u"/"_s << false;
    QTest::newRow("carriage return") << u"a\rb"_s << false;
    QTest::newRow("line feed") << u"a\nb"_s << false;
    QTest::newRow("NUL") << QString(u"a"_s + QChar(0) + u"b"_s) << false;
    QTest::newRow("tab") << u"a\tb"_s << false;
}

void TstRemoteListing::unsafeNames()
{
    QFETCH(QString, name);
    QFETCH(bool, safe);
    QCOMPARE(isSafeEntryName(name), safe);
}

void TstRemoteListing::dirReply_data()
{
    QTest::addColumn<QByteArray>("listing");
    QTest::addColumn<bool>("mlsd");
    QTest::addColumn<QString>("reply");

    QTest::newRow("MLSD, server order kept, . and .. left out")
        << QByteArray("type=cdir; .\r\ntype=pdir; ..\r\ntype=file; zeta\r\ntype=dir; alpha\r\ntype=file; mid dle\r\n")
        << true << u"zeta\r\nalpha/\r\nmid dle\r\n"_s;
    QTest::newRow("MLSD, a name holding a line feed is left out whole")
        << QByteArray("type=file; evil\nDELE x\r\ntype=file; ok\r\n") << true << u"ok\r\n"_s;
    QTest::newRow("MLSD, a name broken in text mode is left out whole")
        << QByteArray("type=file; first\r\ntype=file; evil\r\nDELE x\r\ntype=file; ok\r\n\r\n") << true
        << u"first\r\nok\r\n"_s;
    QTest::newRow("LIST, a name broken in text mode is left out whole")
        << QByteArray("total 2\r\n-rw-r--r-- 1 u g 1 Jan 1 12:00 evil\r\nrest.txt\r\n"
                      "-rw-r--r-- 1 u g 1 Jan 1 12:00 ok\r\n")
        << false << u"ok\r\n"_s;
    QTest::newRow("MLSD, names leaving the folder are left out")
        << QByteArray("type=dir; ../up\r\ntype=file; /etc/passwd\r\ntype=dir; ..\r\ntype=file;    \r\n") << true
        << QString();
    QTest::newRow("MLSD, UTF-8 names") << QByteArray("type=file; caf\xc3\xa9.jpg\r\n") << true << u"café.jpg\r\n"_s;
    QTest::newRow("LIST, Unix lines") << QByteArray("total 8\r\n"
                                                    "drwxr-xr-x 2 u g 4096 Jan  1 12:00 .\r\n"
                                                    "drwxr-xr-x 2 u g 4096 Jan  1 12:00 ..\r\n"
                                                    "drwxr-xr-x 2 u g 4096 Jan  1 12:00 my pics\r\n"
                                                    "-rw-r--r-- 1 u g   10 Jan  1  2020 a b.txt\r\n"
                                                    "lrwxrwxrwx 1 u g    3 Jan  1 12:00 up -> ..\r\n")
                                      << false << u"my pics/\r\na b.txt\r\nup\r\n"_s;
    QTest::newRow("LIST, line feeds only")
        << QByteArray("-rw-r--r-- 1 u g 1 Jan 1 12:00 one\n-rw-r--r-- 1 u g 1 Jan 1 12:00 two") << false
        << u"one\r\ntwo\r\n"_s;
    QTest::newRow("LIST, DOS lines")
        << QByteArray("01-31-20  09:15PM       <DIR>          web\r\n01-31-20  09:15PM                 12 i.htm\r\n")
        << false << u"web/\r\ni.htm\r\n"_s;
    QTest::newRow("empty folder") << QByteArray() << true << QString();
}

void TstRemoteListing::dirReply()
{
    QFETCH(QByteArray, listing);
    QFETCH(bool, mlsd);
    QFETCH(QString, reply);
    QCOMPARE(buildDirReply(listing, mlsd ? ListingFormat::Mlsd : ListingFormat::List), reply);
}

QTEST_GUILESS_MAIN(TstRemoteListing)
#include "tst_remote_listing.moc"
