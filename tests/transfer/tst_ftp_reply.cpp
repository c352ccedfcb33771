// SPDX-License-Identifier: GPL-3.0-or-later
// What the session reads from the control connection: which lines end a reply, command words, the size a SIZE
// reply tells and the folder a PWD reply names.
#include "transfer/ftp_reply.h"

#include <QTest>

using namespace lumaport;
using namespace Qt::StringLiterals;

class TstFtpReply : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void lines_data();
    void lines();
    void sizes_data();
    void sizes();
    void folders_data();
    void folders();
};

void TstFtpReply::lines_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<bool>("endsReply");
    QTest::addColumn<QByteArray>("verb");
    QTest::newRow("last line") << "226 Transfer complete"_ba << true << "226"_ba;
    QTest::newRow("line that goes on") << "226-More follows"_ba << false << "226-MORE"_ba;
    QTest::newRow("too short") << "226"_ba << false << "226"_ba;
    QTest::newRow("letters") << "abc done"_ba << false << "ABC"_ba;
    QTest::newRow("command in small letters") << "rnfr old.jpg"_ba << false << "RNFR"_ba;
    QTest::newRow("bare command") << "PWD\r\n"_ba << false << "PWD"_ba;
}

void TstFtpReply::lines()
{
    QFETCH(QByteArray, line);
    QFETCH(bool, endsReply);
    QFETCH(QByteArray, verb);
    QCOMPARE(isReplyLine(line), endsReply);
    QCOMPARE(verbOf(line), verb);
}

void TstFtpReply::sizes_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<qint64>("size"); // -1: no size
    QTest::newRow("plain") << "213 1234"_ba << qint64(1234);
    QTest::newRow("blanks around") << "213  42 "_ba << qint64(42);
    QTest::newRow("beyond 4 GiB") << "213 5000000000"_ba << qint64(5000000000);
    QTest::newRow("empty") << "213 "_ba << qint64(-1);
    QTest::newRow("not a number") << "213 12a"_ba << qint64(-1);
    QTest::newRow("signed") << "213 -5"_ba << qint64(-1);
    QTest::newRow("too large") << "213 99999999999999999999"_ba << qint64(-1);
    QTest::newRow("shorter than a reply") << "213"_ba << qint64(-1);
}

void TstFtpReply::sizes()
{
    QFETCH(QByteArray, line);
    QFETCH(qint64, size);
    QCOMPARE(sizeFromReply(line).value_or(-1), size);
}

void TstFtpReply::folders_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<QString>("path");
    QTest::newRow("plain") << "257 \"/srv/www\" is the current directory"_ba << u"/srv/www"_s;
    QTest::newRow("doubled quotes") << "257 \"/a \"\"b\"\" c\" is current directory"_ba << u"/a \"b\" c"_s;
    QTest::newRow("UTF-8") << "257 \"/bilder/\xc3\xa9t\xc3\xa9\""_ba << u"/bilder/\u00e9t\u00e9"_s;
    QTest::newRow("no quotes") << "257 /srv/www"_ba << QString();
    QTest::newRow("quote never closed") << "257 \"/srv/www"_ba << QString();
}

void TstFtpReply::folders()
{
    QFETCH(QByteArray, line);
    QFETCH(QString, path);
    QCOMPARE(pathFromFolderReply(line), path);
}

QTEST_GUILESS_MAIN(TstFtpReply)
#include "tst_ftp_reply.moc"
