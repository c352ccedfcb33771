// SPDX-License-Identifier: GPL-3.0-or-later
// The trust file: a new server's line is added, and nothing the reader could not make sense of is lost.
#include "transfer/trusted_servers.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace lumaport;
using namespace Qt::StringLiterals;

class TstTrustedServers : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void rewriteKeepsEveryOtherLine();
};

void TstTrustedServers::rewriteKeepsEveryOtherLine()
{
    QTemporaryDir folder;
    const QString path = folder.filePath(u"trusted.lbr"_s);
    QByteArray old =
        "# a note\r\nsftp://a:22 SHA256:a extra\r\n" + QByteArray(70000, 'x') + "\n\xff\xfe\rftps://b:990 AB\r\n";
    for (int i = 0; i < 10000; ++i)
        old += "sftp://host" + QByteArray::number(i) + ":22 SHA256:" + QByteArray::number(i) + "\r\n";
    old += "sftp://last:22 SHA256:last"; // no line break at the end
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(old) == old.size());
    file.close();

    TrustedServers trusted;
    trusted.setPath(path);
    QCOMPARE(trusted.fingerprint(u"sftp://last:22"_s), u"SHA256:last"_s);
    QCOMPARE(trusted.fingerprint(u"sftp://a:22"_s), QString()); // a line of three words is no entry
    QString error;
    QVERIFY2(trusted.trust({ServerIdentity::Kind::HostKey, u"sftp://a:22"_s, u"SHA256:new"_s, {}, {}}, &error),
             qPrintable(error));
    QVERIFY2(trusted.trust({ServerIdentity::Kind::Certificate, u"ftps://b:990"_s, u"CD"_s, {}, {}}, &error),
             qPrintable(error));

    QVERIFY(file.open(QIODevice::ReadOnly));
    QByteArray expected = old;
    expected.replace("ftps://b:990 AB", "ftps://b:990 CD");
    QCOMPARE(file.readAll(), expected + "\r\nsftp://a:22 SHA256:new\r\n");
    QCOMPARE(trusted.fingerprint(u"sftp://a:22"_s), u"SHA256:new"_s);
    QCOMPARE(trusted.fingerprint(u"sftp://host9999:22"_s), u"SHA256:9999"_s);
}

QTEST_GUILESS_MAIN(TstTrustedServers)
#include "tst_trusted_servers.moc"
