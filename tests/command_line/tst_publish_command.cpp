// SPDX-License-Identifier: GPL-3.0-or-later
// "lumaport publish" run as the user runs it, with no display, against pyftpdlib and Python's web server showing
// the same folder, and Apache's share: what it prints, its exit status and the history it keeps.
#include "command_line/publish_options.h"
#include "history/published_store.h"
#include "support/ftp_servers.h"
#include "support/storage_servers.h"
#include "support/test_files.h"

#include <QDir>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

using namespace lumaport;
using namespace lumaport::test;
using namespace Qt::StringLiterals;

class TestPublishCommand : public QObject
{
    Q_OBJECT

private:
    struct Run
    {
        int status = -1;
        QStringList lines;
        QString errors;
    };
    // The program copied into a folder of its own, which then holds its settings and history.
    Run publish(const QStringList& arguments, const QString& password)
    {
        QProcess program;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const QString& name : {u"DISPLAY"_s, u"WAYLAND_DISPLAY"_s, u"QT_QPA_PLATFORM"_s})
            environment.remove(name);
        environment.insert(u"LUMAPORT_PASSWORD"_s, password);
        program.setProcessEnvironment(environment);
        program.start(m_program.filePath(u"lumaport"_s), QStringList{u"publish"_s} + arguments);
        program.closeWriteChannel();
        if (!program.waitForFinished(60000))
            return {};
        const QString out = QString::fromUtf8(program.readAllStandardOutput());
        return {program.exitCode(), out.split(u'\n', Qt::SkipEmptyParts),
                QString::fromUtf8(program.readAllStandardError())};
    }
    QStringList toPics() const
    {
        return {u"--server"_s, m_ftp.serverText(), u"--user"_s, m_ftp.userName(), u"--folder"_s, u"pics"_s};
    }
    QString web(const QString& name) const { return m_web.serverText() + u"/pics/"_s + name; }

    FtpServer m_ftp{FtpServer::Kind::Pyftpdlib};
    FtpServer m_web{FtpServer::Kind::Web, {.servedFolder = m_ftp.rootFolder()}};
    QTemporaryDir m_program;
    QStringList m_files;
    QString m_taken;

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY2(m_ftp.start(), qPrintable(m_ftp.errorString()));
        QVERIFY2(m_web.start(), qPrintable(m_web.errorString()));
        QVERIFY(QDir(m_ftp.rootFolder()).mkdir(u"pics"_s));
        writeFile(m_ftp.rootFolder() + u"/pics/taken.jpg"_s, "kept");
        m_taken = writePicture(m_program.filePath(u"taken.jpg"_s), Qt::black);
        QVERIFY(QFile::copy(qEnvironmentVariable("LUMAPORT_BUILD_DIR") + u"/lumaport"_s,
                            m_program.filePath(u"lumaport"_s)));
        for (const auto& [name, color] :
             {std::pair{u"c.jpg"_s, Qt::red}, {u"a.jpg"_s, Qt::green}, {u"b.jpg"_s, Qt::blue}})
            m_files.append(writePicture(m_program.filePath(name), color));
    }

    void setOfThreeInEachForm_data()
    {
        QTest::addColumn<QString>("form");
        QTest::addColumn<QString>("first");
        QTest::newRow("address") << u"address"_s << web(u"c.jpg"_s);
        QTest::newRow("tags") << u"tags"_s << u"[img]%1[/img]"_s.arg(web(u"c.jpg"_s));
        QTest::newRow("markdown") << u"markdown"_s << u"![c](%1)"_s.arg(web(u"c.jpg"_s));
        QTest::newRow("html") << u"html"_s << u"<a href=\"%1\"><img src=\"%1\" alt=\"c\"></a>"_s.arg(web(u"c.jpg"_s));
    }
    void setOfThreeInEachForm()
    {
        QFETCH(QString, form);
        QFETCH(QString, first);
        const Run run = publish(
            toPics() + QStringList{u"--web-address"_s, m_web.serverText(), u"--form"_s, form, u"--send-again"_s} +
                m_files,
            m_ftp.password());
        QCOMPARE(run.status, 0);
        QCOMPARE(run.lines.size(), 3);
        QCOMPARE(run.lines[0], first);
        // In the order given, not the order they reached the server.
        QVERIFY2(run.lines[1].contains(web(u"a.jpg"_s)), qPrintable(run.lines[1]));
        QVERIFY2(run.lines[2].contains(web(u"b.jpg"_s)), qPrintable(run.lines[2]));
    }

    void jsonAndHistory()
    {
        const Run run = publish(toPics() + QStringList{u"--web-address"_s, m_web.serverText(), u"--json"_s,
                                                       u"--send-again"_s, m_files.first()},
                                m_ftp.password());
        QCOMPARE(run.status, 0);
        QCOMPARE(run.lines.size(), 1);
        const QJsonObject object = QJsonDocument::fromJson(run.lines.first().toUtf8()).object();
        QCOMPARE(object.value(u"file"_s).toString(), m_files.first());
        QCOMPARE(object.value(u"address"_s).toString(), web(u"c.jpg"_s));
        QCOMPARE(object.value(u"bytes"_s).toInteger(), QFileInfo(m_files.first()).size());
        QCOMPARE(object.value(u"check"_s).toString(), u"works"_s);
        QVERIFY(object.value(u"thumbnail"_s).isNull());

        PublishedStore store(m_program.filePath(u"published.sqlite"_s));
        QString error;
        QVERIFY2(store.open(&error), qPrintable(error));
        const QList<PublishedRecord> rows = store.page(u"c.jpg"_s, 0, 1);
        QCOMPARE(rows.size(), 1);
        QCOMPARE(rows.first().remotePath, u"pics/c.jpg"_s);
        QCOMPARE(rows.first().verdict, std::optional(LinkVerdict::Works));
    }

    void failures_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("password");
        QTest::addColumn<int>("status");
        QTest::addColumn<int>("printed");
        // The web server shows another folder: the file went, its link doesn't answer.
        QTest::newRow("broken link") << QStringList{u"--web-address"_s, m_web.serverText() + u"/elsewhere"_s,
                                                    u"--send-again"_s}
                                     << m_ftp.password() << 1 << 1;
        QTest::newRow("wrong password") << QStringList{u"--web-address"_s, m_web.serverText(), u"--send-again"_s}
                                        << u"wrong"_s << 1 << 0;
        // Not replaced unasked; the file the history holds goes out as its link.
        QTest::newRow("name taken") << QStringList{u"--web-address"_s, m_web.serverText(), m_taken} << m_ftp.password()
                                    << 1 << 1;
        QTest::newRow("missing file") << QStringList{u"--web-address"_s, m_web.serverText(), u"missing.jpg"_s}
                                      << m_ftp.password() << 2 << 0;
    }
    void failures()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, password);
        QFETCH(int, status);
        QFETCH(int, printed);
        const Run run = publish(toPics() + arguments + QStringList{m_files.first()}, password);
        QCOMPARE(run.status, status);
        QCOMPARE(run.lines.size(), printed);
        QVERIFY2(!run.errors.isEmpty(), "a failure is told on standard error");
    }

    // A share's web side serves what was sent.
    void apacheShare()
    {
        StorageServer share(StorageServer::Kind::Apache);
        QVERIFY2(share.start(), qPrintable(share.errorString()));
        const Run run = publish({u"--server"_s, share.serverText(QString()), u"--user"_s, share.userName(),
                                 u"--web-address"_s, share.webAddress(), u"--send-again"_s, m_files.first()},
                                share.password());
        QCOMPARE(run.status, 0);
        QCOMPARE(run.lines, QStringList{share.webAddress() + u"c.jpg"_s});
    }

    void options_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<bool>("taken");
        QTest::addColumn<int>("side");
        QTest::addColumn<int>("kilobytes");
        QTest::newRow("fit side") << QStringList{u"--fit"_s, u"1024"_s} << true << 1024 << 0;
        QTest::newRow("fit side and size") << QStringList{u"--fit"_s, u"800,300"_s} << true << 800 << 300;
        QTest::newRow("fit of nothing") << QStringList{u"--fit"_s, u"0"_s} << false << 0 << 0;
        QTest::newRow("too many connections") << QStringList{u"--connections"_s, u"11"_s} << false << 0 << 0;
        QTest::newRow("unknown form") << QStringList{u"--form"_s, u"bbcode"_s} << false << 0 << 0;
        QTest::newRow("folder above") << QStringList{u"--folder"_s, u"../www"_s} << false << 0 << 0;
        QTest::newRow("a password") << QStringList{u"--password"_s, u"x"_s} << false << 0 << 0;
    }
    void options()
    {
        QFETCH(QStringList, arguments);
        QFETCH(bool, taken);
        PublishOptions options;
        QString error;
        QCOMPARE(readPublishOptions(arguments + QStringList{u"a.jpg"_s}, &options, &error),
                 taken ? PublishRequest::Publish : PublishRequest::Refused);
        QCOMPARE(error.isEmpty(), taken);
        if (taken) {
            QTEST(options.choices.maxSide, "side");
            QTEST(options.choices.maxKilobytes, "kilobytes");
        }
    }
};

QTEST_GUILESS_MAIN(TestPublishCommand)
#include "tst_publish_command.moc"
