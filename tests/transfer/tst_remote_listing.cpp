// SPDX-License-Identifier: GPL-3.0-or-later
// Server listings (MLSD facts, Unix and DOS LIST lines) becoming the lines of a "DIR" reply, and the names
// that must never reach one.
#include "transfer/remote_listing.h"

#include <QDateTime>
#include <QTest>

#include <ctime>

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
    void hostileListings();
    void replyBuiltAsItArrives();
    void staleTemporaries_data();
    void staleTemporaries();
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
    QTest::newRow("TAB after the facts") << u"type=file;size=5;\tbetween tabs\t"_s << file(u"between tabs\t"_s);
    QTest::newRow("TAB after the blank") << u"type=file; \tx"_s << file(u"\tx"_s);
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
    QTest::newRow("owner and group of several words")
        << u"-rw-r--r-- 1 Jane Roe Domain Users 7 Sep 9 10:11 x"_s << file(u"x"_s);
    QTest::newRow("size glued to the group")
        << u"-rw-r--r-- 1 ann staffmembers12345678 Oct 5 07:00 glued"_s << file(u"glued"_s);
    QTest::newRow("human size") << u"-rw-r--r-- 1 ann staff 7.2M Oct 5 07:00 big.zip"_s << file(u"big.zip"_s);
    QTest::newRow("ISO date") << u"-rw-r--r-- 1 u g 9 2024-12-31 23:59 new year"_s << file(u"new year"_s);
    QTest::newRow("numeric date") << u"drwxr-xr-x 2 u g 9 12-31 2024 old"_s << folder(u"old"_s);
    QTest::newRow("day before month, year in the name")
        << u"drwxr-xr-x 1 0 0 0 5 May 10:00 1999 Cup"_s << folder(u"1999 Cup"_s);
    QTest::newRow("seconds, then the year") << u"-rw-r--r-- 1 u g 5 Apr  2 10:20:30 2021 bsd"_s << file(u"bsd"_s);
    QTest::newRow("German") << u"-rw-r--r-- 1 u g 5 3. Okt. 2019 einheit"_s << file(u"einheit"_s);
    QTest::newRow("German, full month") << u"-rw-r--r-- 1 u g 5 26. Juli, 12:00 sommer"_s << file(u"sommer"_s);
    QTest::newRow("French") << u"-rw-r--r-- 1 u g 5 févr. 14 09:30 février"_s << file(u"février"_s);
    QTest::newRow("Spanish") << u"-rw-r--r-- 1 u g 5 ene 14 09:30 enero"_s << file(u"enero"_s);
    QTest::newRow("Italian") << u"-rw-r--r-- 1 u g 5 14 giu 2023 giugno"_s << file(u"giugno"_s);
    QTest::newRow("Dutch") << u"-rw-r--r-- 1 u g 5 mrt 14 09:30 maart"_s << file(u"maart"_s);
    QTest::newRow("Polish") << u"-rw-r--r-- 1 u g 5 paź 14 09:30 jesień"_s << file(u"jesień"_s);
    QTest::newRow("Finnish") << u"-rw-r--r-- 1 u g 5 huhti 14 09:30 huhtikuu"_s << file(u"huhtikuu"_s);
    QTest::newRow("numbered month") << u"-rw-r--r-- 1 u g 5 3月 14 09:30 写真.jpg"_s << file(u"写真.jpg"_s);
    QTest::newRow("DOS folder starting with a blank")
        << u"01-31-20  09:15PM       <DIR>           lead"_s << folder(u" lead"_s);
    QTest::newRow("DOS ISO date, thousands")
        << u"2021-02-05  17:00               12,345 sep.txt"_s << file(u"sep.txt"_s);
    QTest::newRow("DOS file starting with a blank") << u"02-05-21  05:00 PM        77  lead "_s << file(u" lead "_s);
    QTest::newRow("EPLF file") << u"+i8.9,m82,r,s280,\teplf file"_s << file(u"eplf file"_s);
    QTest::newRow("EPLF folder") << u"+/,m82,\tpub"_s << folder(u"pub"_s);
    QTest::newRow("NetWare folder") << u"d [RWCEAFMS] admin        512 Mar 02 11:20    novell"_s << folder(u"novell"_s);
    QTest::newRow("VMS folder") << u"WWW.DIR;1   1  14-MAR-2026 09:12:44  [WEB]  (RWE,RWE,RE,)"_s << folder(u"WWW"_s);
    QTest::newRow("VMS file") << u"INDEX.HTML;12  4/6  9-JUN-2025 17:01:02.50  [WEB,X]  (RWED,RWED,R,)"_s
                              << file(u"INDEX.HTML;12"_s);
    QTest::newRow("OS/2 folder") << u"     0           DIR   01-02-103  10:11  warp"_s << folder(u"warp"_s);
    QTest::newRow("OS/2 file") << u"  2048      A   01-02-103  10:11  os2.cmd"_s << file(u"os2.cmd"_s);
    QTest::newRow("AS/400 folder") << u"QSYS    8192 14.03.26 09:12:44 *DIR       lib/"_s << folder(u"lib"_s);
    QTest::newRow("AS/400 file") << u"QSYS    4096 03/14/26 09:12:44 *STMF      a b.txt"_s << file(u"a b.txt"_s);
    QTest::newRow("MVS partitioned data set")
        << u"WORK01 3390   2026/03/14  1   15  FB      80  3120  PO  USER.JCL"_s << folder(u"USER.JCL"_s);
    QTest::newRow("MVS member") << u"MEMBER1   01.01 2026/03/14 2026/03/14 09:12    10    10     0 ME"_s
                                << file(u"MEMBER1"_s);
    QTest::newRow("total line") << u"total 24"_s << std::optional<RemoteEntry>();
    QTest::newRow("no date") << u"-rw-r--r-- 1 u g 5 name"_s << std::optional<RemoteEntry>();
    QTest::newRow("date without a name") << u"-rw-r--r-- 1 u g 5 Jan 1 12:00"_s << std::optional<RemoteEntry>();
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
    QTest::newRow("tab") << u"a\tb"_s << true;
    QTest::newRow("tabs at the ends") << u"\ta\t"_s << true;
    QTest::newRow("next line") << u"a\u0085b"_s << false;
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
    QTest::newRow("LIST, a line that begins like its neighbour but can't be read hides no neighbour")
        << QByteArray("-rw-r--r-- 1 u g 1 Jan 1 12:00 a\r\n-rw-r--r-- 1 u g 1 Xyz 1 12:00 odd\r\n"
                      "01-31-20  09:15PM  <DIR>  b\r\n01-31-20  xx  c\r\n")
        << false << u"a\r\nb/\r\n"_s;
    QTest::newRow("LIST, VMS name continued on the next line")
        << QByteArray(
               "Directory WEB$DISK:[WEB]\r\n\r\nA_RATHER_LONG_NAME.HTML;2\r\n    4  1-MAR-2026 09:13:01  [WEB]\r\n"
               "WWW.DIR;1  1  1-MAR-2026 09:12:44  [WEB]\r\n\r\nTotal of 2 files.\r\n")
        << false << u"A_RATHER_LONG_NAME.HTML;2\r\nWWW/\r\n"_s;
    QTest::newRow("MLSD, names leaving the folder are left out")
        << QByteArray("type=dir; ../up\r\ntype=file; /etc/passwd\r\ntype=dir; ..\r\ntype=file;    \r\n") << true
        << QString();
    QTest::newRow("MLSD, upload temporaries are left out")
        << QByteArray("type=file; .lumaport-upload-0123456789abcdef.part\r\ntype=file; .lumaport-upload-x.part\r\n")
        << true << u".lumaport-upload-x.part\r\n"_s;
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

// Parsing takes time linear in a listing's length whatever it holds, and what comes after a blank line or
// after the hostile lines is still read. The bound is loose and counts this thread's processor time, so a busy
// machine does not trip it: quadratic work took seconds for one of these lines.
void TstRemoteListing::hostileListings()
{
    const QByteArray blanks(100'000, ' ');
    QByteArray junk(1 << 20, '\0');
    quint32 seed = 1;
    for (char& c : junk)
        c = char((seed = seed * 1103515245 + 12345) >> 24);
    const QByteArray hostile[] = {
        blanks,
        "-rw-r--r--" + blanks + "1" + blanks + "u g 5 Jan 1",
        "01-31-20  09:15" + blanks + "x",
        "-rw-r--r-- " + QByteArray("1 Jan 1 ").repeated(20'000),
        "type=file;" + QByteArray("a=b;").repeated(200'000),
        QByteArray("A;1\r\n").repeated(20'000) + "A;1",
        junk,
    };
    const auto cpuMs = [] {
        timespec now{};
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
        return qint64(now.tv_sec) * 1000 + now.tv_nsec / 1'000'000;
    };
    const qint64 start = cpuMs();
    for (const QByteArray& lines : hostile) {
        QCOMPARE(buildDirReply("type=file; a\r\n\r\n" + lines + "\r\ntype=dir; b\r\n", ListingFormat::Mlsd),
                 u"a\r\nb/\r\n"_s);
        QCOMPARE(buildDirReply("+,\ta\r\n\r\n" + lines + "\r\n+/,\tb\r\n", ListingFormat::List), u"a\r\nb/\r\n"_s);
    }
    const qint64 spent = cpuMs() - start;
    QVERIFY2(spent < 2000, qPrintable(u"%1 ms"_s.arg(spent)));
}

// Pieces cut anywhere, even inside a CR LF or after a lone LF in a name, give the reply of the whole listing.
void TstRemoteListing::replyBuiltAsItArrives()
{
    QByteArray crLf, lineFeed;
    for (int i = 0; i < 12'000; ++i) {
        const QByteArray line = "-rw-r--r-- 1 u g 5 Jan  1 12:00 picture " + QByteArray::number(i);
        crLf += line + (i % 2 == 0 ? "\nbroken\r\n" : "\r\n");
        lineFeed += line + '\n';
    }
    // The line that joins its neighbour ends just where the first piece is cut.
    const auto straddling = [](const QByteArray& first, const QByteArray& second) {
        const QByteArray entry = "-rw-r--r-- 1 u g 5 Jan  1 12:00 ";
        const qsizetype cut = 256 * 1024 - 1;
        QByteArray listing;
        while (listing.size() < cut - 1000)
            listing += entry + "filler\r\n";
        listing += entry + QByteArray(cut - listing.size() - entry.size() - 2 - first.size(), 'x') + "\r\n";
        return listing + first + second + entry + "after\r\n";
    };
    const QByteArray brokenName = straddling("-rw-r--r-- 1 u g 5 Jan  1 12:00 evil\r\n", "rest of its name\r\n");
    const QByteArray vmsName = straddling("A_RATHER_LONG_NAME.HTML;2\r\n", "    4  1-MAR-2026 09:13:01  [WEB]\r\n");
    for (const QByteArray& listing : {crLf, lineFeed, brokenName, vmsName}) {
        const QString whole = buildDirReply(listing, ListingFormat::List);
        for (const qsizetype piece : {qsizetype(1), qsizetype(999), qsizetype(16'384)}) {
            DirReplyBuilder builder(ListingFormat::List);
            for (qsizetype at = 0; at < listing.size(); at += piece)
                builder.append(listing.constData() + at, std::min(piece, listing.size() - at));
            QCOMPARE(builder.finish(), whole);
        }
    }
}

// The shapes of dates the real servers of the transfer tests don't write.
void TstRemoteListing::staleTemporaries_data()
{
    QTest::addColumn<QByteArray>("line"); // of the temporary, its name at the end
    QTest::addColumn<bool>("stale");
    const QDateTime now = QDateTime::currentDateTimeUtc();
    const auto unixLine = [](const QDateTime& time, const QString& format) {
        return "-rw-r--r-- 1 u g 5 " + time.toString(format).toLatin1() + ' ';
    };
    QTest::newRow("a year") << QByteArray("-rw-r--r-- 1 u g 5 Jan  1  2020 ") << true;
    QTest::newRow("day first, two days old") << unixLine(now.addDays(-2), u"d MMM hh:mm"_s) << true;
    QTest::newRow("a minute old: this year's") << unixLine(now.addSecs(-60), u"MMM d hh:mm"_s) << false;
    QTest::newRow("DOS: no date read") << QByteArray("01-31-20  09:15PM  5 ") << false;
}

void TstRemoteListing::staleTemporaries()
{
    QFETCH(QByteArray, line);
    QFETCH(bool, stale);
    const QString name = u".lumaport-upload-0123456789abcdef.part"_s;
    DirReplyBuilder builder(ListingFormat::List);
    const QByteArray listing = line + name.toLatin1() + "\r\n";
    builder.append(listing.constData(), listing.size());
    QCOMPARE(builder.finish(), QString());
    QCOMPARE(builder.staleTemporaries(), stale ? QStringList{name} : QStringList());
}

QTEST_GUILESS_MAIN(TstRemoteListing)
#include "tst_remote_listing.moc"
