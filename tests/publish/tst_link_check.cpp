// SPDX-License-Identifier: GPL-3.0-or-later
// The link check against Python's web server, over http and https, and a port that never answers.
#include "publish/link_check.h"
#include "support/ftp_servers.h"

#include <QDir>
#include <QFile>
#include <QTest>

#include <optional>

using namespace lumaport;
using namespace lumaport::test;
using namespace Qt::StringLiterals;

namespace {

std::optional<LinkCheckResult> check(const LinkCheckRequest& request)
{
    LinkCheck check(request);
    std::optional<LinkCheckResult> result;
    QObject::connect(&check, &LinkCheck::finished, &check, [&](const LinkCheckResult& got) { result = got; });
    return QTest::qWaitFor([&] { return result.has_value(); }, request.timeoutMs + 10000) ? result : std::nullopt;
}

bool writeFile(const QString& path, const QByteArray& bytes, QFile::Permissions permissions)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.setPermissions(permissions);
}

const auto kReadable = QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther;

} // namespace

class TstLinkCheck : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase()
    {
        for (FtpServer* server : {&m_web, &m_secure}) {
            QVERIFY2(server->start(), qPrintable(server->errorString()));
            const QDir root(server->rootFolder());
            QVERIFY(writeFile(root.filePath(u"photo.jpg"_s), QByteArray(1000, 'p'), kReadable));
            QVERIFY(writeFile(root.filePath(u"private.jpg"_s), "p", QFile::ReadOwner | QFile::WriteOwner));
        }
    }

    void reportsWhatTheWebSideSees_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<qint64>("expectedSize");
        QTest::addColumn<bool>("works");
        QTest::addColumn<QString>("text");
        const QString works = u"Link works: %1, 1,000 bytes, image/jpeg"_s;
        QTest::newRow("works") << u"/photo.jpg"_s << qint64(1000) << true << works.arg(200);
        QTest::newRow("size not known") << u"/photo.jpg"_s << qint64(-1) << true << works.arg(200);
        QTest::newRow("HEAD refused: one byte") << u"/nohead/photo.jpg"_s << qint64(1000) << true << works.arg(206);
        QTest::newRow("redirect") << u"/redirect/photo.jpg"_s << qint64(1000) << true << works.arg(200);
        QTest::newRow("404") << u"/missing.jpg"_s << qint64(1000) << false
                             << u"Link broken: 404 Not Found \u2014 the web address may not match this folder; check "
                                u"Permanente URL"_s;
        QTest::newRow("403") << u"/private.jpg"_s << qint64(1) << false
                             << u"Link broken: 403 Forbidden \u2014 the file may not be readable by the web server"_s;
        QTest::newRow("size differs") << u"/photo.jpg"_s << qint64(728333) << false
                                      << u"Link broken: size differs: 1,000 of 728,333 bytes"_s;
        QTest::newRow("HTML page") << u"/login/photo.jpg"_s << qint64(1000) << false
                                   << u"Link broken: an HTML page came back instead of the picture"_s;
        QTest::newRow("endless redirects")
            << u"/loop/photo.jpg"_s << qint64(1000) << false << u"Link broken: more than 5 redirects"_s;
    }

    void reportsWhatTheWebSideSees()
    {
        QFETCH(QString, path);
        QFETCH(qint64, expectedSize);
        QFETCH(bool, works);
        QFETCH(QString, text);
        const auto result = check({m_web.serverText() + path, expectedSize, true});
        QVERIFY(result);
        QCOMPARE(result->text, text);
        QCOMPARE(result->works, works);
    }

    void selfSignedCertificateIsNotTrusted()
    {
        const auto result = check({m_secure.serverText() + u"/photo.jpg"_s, 1000, true});
        QVERIFY(result);
        QCOMPARE(result->text, u"Link broken: https certificate not trusted"_s);
    }

    void silentServerEndsAtTheLimit()
    {
        SilentServer silent;
        const auto result = check({u"http://"_s + silent.serverText() + u"/a.jpg"_s, 1, true, 1000});
        QVERIFY(result);
        QCOMPARE(result->text, u"Link broken: no answer in 1 s"_s);
    }

private:
    FtpServer m_web{FtpServer::Kind::Web};
    FtpServer m_secure{FtpServer::Kind::WebTls};
};

QTEST_GUILESS_MAIN(TstLinkCheck)
#include "tst_link_check.moc"
