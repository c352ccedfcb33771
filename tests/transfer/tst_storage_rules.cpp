// SPDX-License-Identifier: GPL-3.0-or-later
// The rules of S3 and WebDAV requests: the server text, the request's parts, the listings as both real servers
// send them and as a hostile one might, and the words for their errors.
#include "transfer/ftp_server_address.h"
#include "transfer/storage_error.h"
#include "transfer/storage_listing.h"
#include "transfer/storage_request.h"

#include <QTest>

using namespace lumaport;
using namespace Qt::StringLiterals;

class TstStorageRules : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void serverText_data();
    void serverText();
    void request_data();
    void request();
    void s3Listing_data();
    void s3Listing();
    void davListing_data();
    void davListing();
    void errors_data();
    void errors();
    void serverWords_data();
    void serverWords();
};

void TstStorageRules::serverText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("url");    // empty: refused
    QTest::addColumn<QString>("bucket"); // or the reason of a refusal
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("region");
    QTest::addColumn<QString>("publicBase");

    QTest::newRow("s3 bucket") << u"s3://s3.example.com/pics"_s << u"https://s3.example.com:443/"_s << u"pics"_s
                               << QString() << u"us-east-1"_s << u"https://s3.example.com/pics/"_s;
    QTest::newRow("s3 folder, port") << u"s3://s3.example.com:8443/pics/2026/12/"_s << u"https://s3.example.com:8443/"_s
                                     << u"pics"_s << u"2026/12/"_s << u"us-east-1"_s
                                     << u"https://s3.example.com:8443/pics/2026/12/"_s;
    QTest::newRow("aws region in host") << u"s3://s3.eu-central-1.amazonaws.com/b-1/"_s
                                        << u"https://s3.eu-central-1.amazonaws.com:443/"_s << u"b-1"_s << QString()
                                        << u"eu-central-1"_s << u"https://s3.eu-central-1.amazonaws.com/b-1/"_s;
    QTest::newRow("b2 region in host") << u"s3://s3.us-west-004.backblazeb2.com/pix"_s
                                       << u"https://s3.us-west-004.backblazeb2.com:443/"_s << u"pix"_s << QString()
                                       << u"us-west-004"_s << u"https://s3.us-west-004.backblazeb2.com/pix/"_s;
    QTest::newRow("region given") << u"s3+http://127.0.0.1:7480/pics/a b/?region=eu-west-3"_s
                                  << u"http://127.0.0.1:7480/"_s << u"pics"_s << u"a b/"_s << u"eu-west-3"_s
                                  << u"http://127.0.0.1:7480/pics/a%20b/"_s;
    QTest::newRow("dav root") << u"dav://nas.local"_s << u"http://nas.local:80/"_s << QString() << QString()
                              << QString() << u"http://nas.local/"_s;
    QTest::newRow("davs folder") << u"davs://example.com/remote.php/dav/files/joe/"_s << u"https://example.com:443/"_s
                                 << QString() << u"remote.php/dav/files/joe/"_s << QString()
                                 << u"https://example.com/remote.php/dav/files/joe/"_s;

    QTest::newRow("no bucket") << u"s3://s3.example.com/"_s << QString() << u"names no bucket"_s << QString()
                               << QString() << QString();
    QTest::newRow("bucket too short") << u"s3://h/ab/"_s << QString() << u"names no bucket"_s << QString() << QString()
                                      << QString();
    QTest::newRow("bucket with blank") << u"s3://h/my bucket/"_s << QString() << u"names no bucket"_s << QString()
                                       << QString() << QString();
    QTest::newRow("dot dot") << u"s3://h/pics/../x/"_s << QString() << u"\"..\""_s << QString() << QString()
                             << QString();
    QTest::newRow("empty name") << u"davs://h/a//b/"_s << QString() << u"empty name"_s << QString() << QString()
                                << QString();
    QTest::newRow("control character") << u"dav://h/a\tb/"_s << QString() << u"control character"_s << QString()
                                       << QString() << QString();
    QTest::newRow("bad region") << u"s3://h/pics/?region=EU West"_s << QString() << u"?region="_s << QString()
                                << QString() << QString();
    QTest::newRow("region on dav") << u"dav://h/a/?region=eu-west-3"_s << QString() << u"?region="_s << QString()
                                   << QString() << QString();
    QTest::newRow("user in host") << u"s3://key@h/pics/"_s << QString() << u"not a server name"_s << QString()
                                  << QString() << QString();
    QTest::newRow("bad port") << u"davs://h:99999/"_s << QString() << u"port"_s << QString() << QString() << QString();
}

void TstStorageRules::serverText()
{
    QFETCH(QString, text);
    QFETCH(QString, url);
    QFETCH(QString, bucket);
    QFETCH(QString, folder);
    QFETCH(QString, region);
    QFETCH(QString, publicBase);
    FtpServerAddress address;
    QString error;
    const bool read = parseFtpServerAddress(text, &address, &error);
    QCOMPARE(storagePublicBase(text), publicBase);
    if (url.isEmpty()) {
        QVERIFY(!read);
        QVERIFY2(error.contains(bucket), qPrintable(error));
        return;
    }
    QVERIFY2(read, qPrintable(error));
    QCOMPARE(address.url(), url);
    QCOMPARE(address.bucket, bucket);
    QCOMPARE(address.folder, folder);
    QCOMPARE(address.region, region);
    FtpServerAddress again;
    QVERIFY(parseFtpServerAddress(address.text(), &again, &error));
    QCOMPARE(again, address);
}

void TstStorageRules::request_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QStringList>("query"); // name, value, name, value, ...
    QTest::addColumn<QString>("url");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("contentType");

    QTest::newRow("listing") << u"pics"_s
                             << QStringList{u"list-type"_s, u"2"_s, u"delimiter"_s, u"/"_s, u"prefix"_s, u"a b/"_s}
                             << u"https://h:443/pics?delimiter=%2F&list-type=2&prefix=a%20b%2F"_s << u"a.jpg"_s
                             << u"image/jpeg"_s;
    QTest::newRow("token") << u"pics"_s << QStringList{u"continuation-token"_s, u"1+/x="_s, u"list-type"_s, u"2"_s}
                           << u"https://h:443/pics?continuation-token=1%2B%2Fx%3D&list-type=2"_s << u"x.PNG"_s
                           << u"image/png"_s;
    QTest::newRow("names encoded") << u"pics/a b+c=%d/é.gif"_s << QStringList()
                                   << u"https://h:443/pics/a%20b%2Bc%3D%25d/%C3%A9.gif"_s << u"a.gif"_s
                                   << u"image/gif"_s;
    QTest::newRow("acl") << u"pics/a.webp"_s << QStringList{u"acl"_s, QString()} << u"https://h:443/pics/a.webp?acl="_s
                         << u"notes"_s << u"application/octet-stream"_s;
}

void TstStorageRules::request()
{
    QFETCH(QString, path);
    QFETCH(QStringList, query);
    QFETCH(QString, url);
    QFETCH(QString, name);
    QFETCH(QString, contentType);
    FtpServerAddress server;
    QString error;
    QVERIFY(parseFtpServerAddress(u"s3://h/pics/"_s, &server, &error));
    QList<std::pair<QString, QString>> parameters;
    for (qsizetype i = 0; i + 1 < query.size(); i += 2)
        parameters.append({query[i], query[i + 1]});
    QCOMPARE(QString::fromUtf8(storageUrl(server, path, canonicalQuery(parameters))), url);
    QCOMPARE(QString::fromLatin1(contentTypeOf(name)), contentType);
}

void TstStorageRules::s3Listing_data()
{
    QTest::addColumn<QByteArray>("xml");
    QTest::addColumn<QString>("entries"); // the DIR reply, or the start of the refusal
    QTest::addColumn<QString>("token");

    // As the RADOS Gateway answers, the folder's own marker and a temporary among the keys.
    const QByteArray ceph =
        R"(<?xml version="1.0" encoding="UTF-8"?><ListBucketResult xmlns="http://s3.amazonaws.com/doc/2006-03-01/">)"
        R"(<Name>pics</Name><Prefix>2026/</Prefix><MaxKeys>1000</MaxKeys><Delimiter>/</Delimiter>)"
        R"(<IsTruncated>true</IsTruncated><Contents><Key>2026/</Key><Size>0</Size></Contents>)"
        R"(<Contents><Key>2026/a &amp; b.jpg</Key><Size>3</Size></Contents>)"
        R"(<Contents><Key>2026/.lumaport-upload-0123456789abcdef.part</Key></Contents>)"
        R"(<Contents><Key>2026/..</Key></Contents><Contents><Key>2026/x&#10;y</Key></Contents>)"
        R"(<CommonPrefixes><Prefix>2026/12/</Prefix></CommonPrefixes><KeyCount>5</KeyCount>)"
        R"(<NextContinuationToken>1ZzP/+x=</NextContinuationToken></ListBucketResult>)";
    QTest::newRow("ceph page") << ceph << u"12/\r\na & b.jpg\r\n"_s << u"1ZzP/+x="_s;
    QTest::newRow("last page") << QByteArray(R"(<ListBucketResult><IsTruncated>false</IsTruncated>)"
                                             R"(<Contents><Key>2026/z.png</Key></Contents></ListBucketResult>)")
                               << u"z.png\r\n"_s << QString();
    QTest::newRow("truncated without token")
        << QByteArray("<ListBucketResult><IsTruncated>true</IsTruncated></ListBucketResult>")
        << u"The server's listing says"_s << QString();
    QTest::newRow("error instead") << QByteArray("<Error><Code>AccessDenied</Code></Error>")
                                   << u"The server's answer is not a bucket listing"_s << QString();
    QTest::newRow("entity bomb")
        << QByteArray(R"(<?xml version="1.0"?><!DOCTYPE l [<!ENTITY a "aaaaaaaaaa"><!ENTITY b "&a;&a;&a;&a;&a;">]>)"
                      R"(<ListBucketResult><Contents><Key>&b;</Key></Contents></ListBucketResult>)")
        << u"The server's listing declares"_s << QString();
    QTest::newRow("deep nesting") << QByteArray("<a>").repeated(100000) << u"The server's listing nests"_s << QString();
    QTest::newRow("cut short") << QByteArray("<ListBucketResult><Contents><Key>a") << u"The server's listing is not"_s
                               << QString();
}

void TstStorageRules::s3Listing()
{
    QFETCH(QByteArray, xml);
    QFETCH(QString, entries);
    QFETCH(QString, token);
    S3ListPage page;
    QString error;
    if (!readS3ListPage(xml, u"2026/"_s, &page, &error)) {
        QVERIFY2(error.startsWith(entries), qPrintable(error));
        return;
    }
    QCOMPARE(storageDirReply(page.entries), entries);
    QCOMPARE(page.nextToken, token);
}

void TstStorageRules::davListing_data()
{
    QTest::addColumn<QByteArray>("xml");
    QTest::addColumn<QString>("entries"); // the DIR reply, or the start of the refusal

    // As Apache's mod_dav answers: hrefs from the server's root, encoded.
    QTest::newRow("apache") << QByteArray(
                                   R"(<?xml version="1.0" encoding="utf-8"?><D:multistatus xmlns:D="DAV:">)"
                                   R"(<D:response><D:href>/dav/pics/</D:href><D:propstat><D:prop><D:resourcetype>)"
                                   R"(<D:collection/></D:resourcetype></D:prop></D:propstat></D:response>)"
                                   R"(<D:response><D:href>/dav/pics/a%20b.jpg</D:href><D:propstat><D:prop>)"
                                   R"(<D:resourcetype/></D:prop></D:propstat></D:response>)"
                                   R"(<D:response><D:href>/dav/pics/sub/</D:href><D:propstat><D:prop>)"
                                   R"(<D:resourcetype><D:collection/></D:resourcetype></D:prop></D:propstat>)"
                                   R"(</D:response></D:multistatus>)")
                            << u"sub/\r\na b.jpg\r\n"_s;
    // As rclone answers: whole addresses, a folder told by its resource type alone, names that must not pass.
    QTest::newRow("rclone") << QByteArray(R"(<D:multistatus xmlns:D="DAV:"><D:response><D:href>)"
                                          R"(http://127.0.0.1:8080/dav/pics/x%C3%A9</D:href><D:propstat><D:prop>)"
                                          R"(<D:resourcetype><D:collection xmlns:D="DAV:"/></D:resourcetype></D:prop>)"
                                          R"(</D:propstat></D:response><D:response><D:href>/dav/pics/a%2Fb</D:href>)"
                                          R"(</D:response><D:response><D:href>/dav/pics/%0A</D:href></D:response>)"
                                          R"(<D:response><D:href>/dav/other/c.jpg</D:href></D:response>)"
                                          R"(</D:multistatus>)")
                            << u"xé/\r\n"_s;
    QTest::newRow("not a listing") << QByteArray("<html><body>Log in</body></html>")
                                   << u"The server's answer is not a WebDAV"_s;
    QTest::newRow("external entity")
        << QByteArray(R"(<!DOCTYPE m [<!ENTITY x SYSTEM "file:///etc/passwd">]><multistatus>&x;</multistatus>)")
        << u"The server's listing declares"_s;
}

void TstStorageRules::davListing()
{
    QFETCH(QByteArray, xml);
    QFETCH(QString, entries);
    QList<RemoteEntry> read;
    QString error;
    if (!readDavListing(xml, u"/dav/pics/"_s, &read, &error)) {
        QVERIFY2(error.startsWith(entries), qPrintable(error));
        return;
    }
    QCOMPARE(storageDirReply(read), entries);
}

void TstStorageRules::errors_data()
{
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QByteArray>("contentType");
    QTest::addColumn<bool>("s3");
    QTest::addColumn<int>("error");
    QTest::addColumn<QString>("words");

    const int refused = int(FtpError::ServerRefused);
    QTest::newRow("wrong secret") << 403 << QByteArray("<Error><Code>SignatureDoesNotMatch</Code></Error>")
                                  << QByteArray("application/xml") << true << int(FtpError::LogOnRefused)
                                  << u"secret key is wrong"_s;
    QTest::newRow("unknown key") << 403 << QByteArray("<Error><Code>InvalidAccessKeyId</Code></Error>")
                                 << QByteArray("application/xml") << true << int(FtpError::LogOnRefused)
                                 << u"no such access key"_s;
    QTest::newRow("dav password") << 401 << QByteArray() << QByteArray("text/html") << false
                                  << int(FtpError::LogOnRefused) << u"password is wrong"_s;
    QTest::newRow("no bucket") << 404 << QByteArray("<Error><Code>NoSuchBucket</Code></Error>")
                               << QByteArray("application/xml") << true << refused << u"bucket"_s;
    QTest::newRow("denied") << 403 << QByteArray("<Error><Code>AccessDenied</Code></Error>")
                            << QByteArray("application/xml") << true << refused << u"denied access to \"a.jpg\""_s;
    QTest::newRow("full") << 507 << QByteArray() << QByteArray() << false << refused << u"no room left"_s;
    QTest::newRow("locked") << 423 << QByteArray() << QByteArray() << false << refused << u"locked"_s;
    QTest::newRow("server's own 500") << 500 << QByteArray("<html>Internal Server Error</html>")
                                      << QByteArray("text/html") << false << refused << u"The server failed"_s;
    QTest::newRow("busy, for seconds") << 503 << QByteArray("<Error><Code>SlowDown</Code></Error>")
                                       << QByteArray("application/xml") << true << refused
                                       << u"busy and did not take the request on \"a.jpg\" (503 Service "
                                          u"Unavailable): try again in 30 seconds."_s;
    QTest::newRow("busy, till a date") << 503 << QByteArray() << QByteArray("text/html") << false << refused
                                       << u"try again after 9 Dec 2026, 15:30 UTC."_s;
    QTest::newRow("unknown code") << 400 << QByteArray("<Error><Code>Odd</Code><Message>Said \"so\".</Message></Error>")
                                  << QByteArray("application/xml") << true << refused
                                  << u"The server said: \"Odd: Said 'so'.\""_s;
    QTest::newRow("proxy page") << 502 << QByteArray("<html>Bad gateway</html>") << QByteArray("text/html") << true
                                << refused << u"A web page answered instead of the S3 server (502)"_s;
}

void TstStorageRules::errors()
{
    QFETCH(int, status);
    QFETCH(QByteArray, body);
    QFETCH(QByteArray, contentType);
    QFETCH(bool, s3);
    QFETCH(int, error);
    QFETCH(QString, words);
    const QByteArray retryAfter = s3 ? "30" : "Wed, 09 Dec 2026 15:30:00 GMT";
    const FtpOutcome outcome = storageFailure({status, body, contentType, s3, u"a.jpg"_s, retryAfter});
    QCOMPARE(int(outcome.error), error);
    QVERIFY2(outcome.info.contains(words), qPrintable(outcome.info));
}

void TstStorageRules::serverWords_data()
{
    QTest::addColumn<QString>("said");
    QTest::addColumn<QString>("shown");

    QTest::newRow("plain") << u"Please reduce your request rate."_s << u"Please reduce your request rate."_s;
    QTest::newRow("lines and blanks") << u"one\r\ntwo\t three\u2028four "_s << u"one two three four"_s;
    QTest::newRow("bidirectional") << u"abc\u202egpj.exe\u2066x\u200f"_s << u"abcgpj.exex"_s;
    QTest::newRow("quotes") << u"say \"yes\""_s << u"say 'yes'"_s;
    QTest::newRow("long") << u"x"_s.repeated(30158) << u"x"_s.repeated(199) + u'…';
    QTest::newRow("pair at the cut") << u"x"_s.repeated(198) + u"\U0001F600yy"_s << u"x"_s.repeated(198) + u'…';
}

void TstStorageRules::serverWords()
{
    QFETCH(QString, said);
    QFETCH(QString, shown);
    QCOMPARE(lumaport::serverWords(said), shown);
}

QTEST_GUILESS_MAIN(TstStorageRules)
#include "tst_storage_rules.moc"
