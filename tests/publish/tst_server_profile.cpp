// SPDX-License-Identifier: GPL-3.0-or-later
// Server profile files as the FTP window reads and writes them.
#include "publish/server_profile.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace lumaport;
using namespace Qt::StringLiterals;

class TstServerProfile : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void roundTrip();
    void fiveLines();
};

void TstServerProfile::roundTrip()
{
    QTemporaryDir folder;
    const QString path = folder.filePath(u"home.lbx"_s);
    const ServerProfile profile{u"ftp.example.com:2121"_s, u"me"_s,           u"p@ss wörd"_s,
                                u"example.com/pics/"_s,    u"example.com/"_s, u"example.com"_s};
    QString error;
    QVERIFY2(writeServerProfile(path, profile, &error), qPrintable(error));
    QStringList lines;
    QVERIFY2(readServerProfile(path, &lines, &error), qPrintable(error));
    QCOMPARE(lines, (QStringList{profile.server, profile.userName, profile.password, profile.urlName,
                                 profile.permanentUrl, profile.webServer}));
}

void TstServerProfile::fiveLines()
{
    QTemporaryDir folder;
    const QString path = folder.filePath(u"short.lbx"_s);
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("ftp.example.com\r\nme\r\nsecret\r\nexample.com/pics/\r\nexample.com/\r\n");
    file.close();
    QStringList lines;
    QString error;
    QVERIFY2(readServerProfile(path, &lines, &error), qPrintable(error));
    QCOMPARE(lines,
             (QStringList{u"ftp.example.com"_s, u"me"_s, u"secret"_s, u"example.com/pics/"_s, u"example.com/"_s}));
}

QTEST_GUILESS_MAIN(TstServerProfile)
#include "tst_server_profile.moc"
