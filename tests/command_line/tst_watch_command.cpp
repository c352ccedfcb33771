// SPDX-License-Identifier: GPL-3.0-or-later
// "lumaport watch" run as the user runs it, with no display, against pyftpdlib and Python's web server showing the
// same folder: what appears in the folder watched is published once, whole, and nothing else is.
#include "command_line/watch_command.h"
#include "support/ftp_servers.h"
#include "support/test_files.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>

using namespace lumaport;
using namespace lumaport::test;
using namespace Qt::StringLiterals;

class TestWatchCommand : public QObject
{
    Q_OBJECT

private:
    QString web(const QString& name) const { return m_web.serverText() + u"/pics/"_s + name; }
    QString watched(const QString& name) const { return m_program.filePath(u"watched/"_s + name); }
    QString onServer(const QString& name) const { return m_ftp.rootFolder() + u"/pics/"_s + name; }
    // A line of standard output, not standard error's that names the link it checks.
    bool printed(const QString& line) const { return m_lines.split(u'\n').contains(line); }

    // Ends the log-on between the files, as servers do to a session left idle: each is sent after a new one.
    FtpServer m_ftp{FtpServer::Kind::Pyftpdlib, {.idleTimeoutSeconds = 1}};
    FtpServer m_web{FtpServer::Kind::Web, {.servedFolder = m_ftp.rootFolder()}};
    QTemporaryDir m_program;
    QProcess m_watch;
    QString m_lines;

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY2(m_ftp.start(), qPrintable(m_ftp.errorString()));
        QVERIFY2(m_web.start(), qPrintable(m_web.errorString()));
        QVERIFY(QDir(m_ftp.rootFolder()).mkdir(u"pics"_s));
        QVERIFY(QDir(m_program.path()).mkdir(u"watched"_s));
        writePicture(watched(u"old.jpg"_s), Qt::gray);
        QVERIFY(QFile::copy(qEnvironmentVariable("LUMAPORT_BUILD_DIR") + u"/lumaport"_s,
                            m_program.filePath(u"lumaport"_s)));

        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const QString& name : {u"DISPLAY"_s, u"WAYLAND_DISPLAY"_s, u"QT_QPA_PLATFORM"_s})
            environment.remove(name);
        environment.insert(u"LUMAPORT_PASSWORD"_s, m_ftp.password());
        m_watch.setProcessEnvironment(environment);
        m_watch.setProcessChannelMode(QProcess::MergedChannels);
        connect(&m_watch, &QProcess::readyReadStandardOutput, this,
                [this] { m_lines += QString::fromUtf8(m_watch.readAllStandardOutput()); });
        m_watch.start(m_program.filePath(u"lumaport"_s),
                      {u"watch"_s, m_program.filePath(u"watched"_s), u"--server"_s, m_ftp.serverText(), u"--user"_s,
                       m_ftp.userName(), u"--folder"_s, u"pics"_s, u"--web-address"_s, m_web.serverText()});
        QVERIFY(m_watch.waitForStarted());
        // What appears before it watches counts as there before.
        QTRY_VERIFY_WITH_TIMEOUT(m_lines.contains(u"Watching"_s), 20000);
    }

    void cleanupTestCase()
    {
        // Stopped as a service manager stops it.
        ::kill(pid_t(m_watch.processId()), SIGTERM);
        QVERIFY(m_watch.waitForFinished(10000));
        QCOMPARE(m_watch.exitStatus(), QProcess::NormalExit);
        QCOMPARE(m_watch.exitCode(), 0);
    }

    void writtenInPiecesIsPublishedWhole()
    {
        const QByteArray bytes = readFile(writePicture(m_program.filePath(u"p.jpg"_s), Qt::red));
        QFile file(watched(u"pieces.jpg"_s));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(bytes.left(bytes.size() / 2));
        file.flush();
        QTest::qWait(400);
        file.write(bytes.mid(bytes.size() / 2));
        file.close();
        QTRY_VERIFY_WITH_TIMEOUT(printed(web(u"pieces.jpg"_s)), 20000);
        QCOMPARE(readFile(onServer(u"pieces.jpg"_s)), bytes);

        // The same picture under another name is the one published: its link again, nothing sent.
        QVERIFY(QFile::copy(watched(u"pieces.jpg"_s), watched(u"again.jpg"_s)));
        QTRY_COMPARE_WITH_TIMEOUT(m_lines.split(u'\n').count(web(u"pieces.jpg"_s)), 2, 20000);
        QVERIFY(!QFile::exists(onServer(u"again.jpg"_s)));
    }

    void temporaryNameWaitsForItsRename()
    {
        const QString part = writePicture(watched(u"shot.png.part"_s), Qt::blue, "PNG");
        QTest::qWait(1600);
        QVERIFY(!QFile::exists(onServer(u"shot.png.part"_s)));
        QVERIFY(QFile::rename(part, watched(u"shot.png"_s)));
        QTRY_VERIFY_WITH_TIMEOUT(printed(web(u"shot.png"_s)), 20000);
        // Left alone without --existing.
        QVERIFY(!QFile::exists(onServer(u"old.jpg"_s)));
    }

    void temporaryNames_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("temporary");
        for (const QString& name : {u".hidden.png"_s, u"shot.png~"_s, u"a.part"_s, u"a.crdownload"_s, u"a.tmp"_s,
                                    u".goutputstream-X1Y2"_s, u"#notes.txt#"_s, u"notes.txt.kate-swp"_s})
            QTest::newRow(qPrintable(name)) << name << true;
        QTest::newRow("picture") << u"shot.png"_s << false;
    }
    void temporaryNames()
    {
        QFETCH(QString, name);
        QTEST(isTemporaryName(name), "temporary");
    }
};

QTEST_GUILESS_MAIN(TestWatchCommand)
#include "tst_watch_command.moc"
