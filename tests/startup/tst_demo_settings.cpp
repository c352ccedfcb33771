// SPDX-License-Identifier: GPL-3.0-or-later
// "./run --demo" opens on the settings file and profile its servers write: the program's own readers must find
// this run's servers and sample pictures there, on the lines they read them from.
#include "platform/directory_settings.h"
#include "platform/settings_text.h"
#include "platform/volumes.h"
#include "publish/server_profile.h"

#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

using namespace lumaport;
using namespace Qt::StringLiterals;

class TstDemoSettings : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void demoPointsAnEarlierRunsSettingsAtItsServersAndPictures()
    {
        QTemporaryDir folder;
        const QString settingsPath = directorySettingsPath(folder.path());
        // clang-format off
        const DirectorySettings earlier{u"/old"_s, u"/"_s, u"/saved"_s, u"/"_s, u"old.example.com"_s, u"olduser"_s,
            u"oldpass"_s, u"[img]"_s, u"[/img]"_s, u"old.example.com/"_s, u"Old link"_s, u"old.example.com/p/"_s,
            u"old.example.com"_s, {true, false, false, false, false, true}};
        // clang-format on
        QString error;
        QStringList expected;
        QVERIFY(writeDirectorySettings(settingsPath, earlier, &error));
        QVERIFY(readDirectorySettings(settingsPath, &expected, &error));

        QProcess demo;
        demo.start(u"/usr/bin/python3"_s, {qEnvironmentVariable("LUMAPORT_SOURCE_DIR") + u"/scripts/demo_servers.py"_s,
                                           u"--folder"_s, folder.path()});
        QTRY_VERIFY_WITH_TIMEOUT(demo.canReadLine() || demo.state() == QProcess::NotRunning, 60000);
        const QString ready = QString::fromUtf8(demo.readLine());
        demo.closeWriteChannel();
        QVERIFY(demo.waitForFinished());
        const auto said =
            QRegularExpression(u"FTP server (\\S+), user (\\S+), password (\\S+); web site http://(\\S+)/ "_s)
                .match(ready);
        QVERIFY2(said.hasMatch(), qPrintable(ready + QString::fromUtf8(demo.readAllStandardError())));

        const QString web = said.captured(4);
        const QStringList servers{said.captured(1), said.captured(2), said.captured(3), web + u'/', web + u'/', web};
        QStringList profile;
        QVERIFY2(readServerProfile(defaultProfilePath(folder.path()), &profile, &error), qPrintable(error));
        QCOMPARE(profile, servers);

        const QString pictures = folder.filePath(u"pictures"_s);
        const std::pair<DirectoryLine, QString> changed[] = {
            {DirectoryLine::MainFolder, pictures},     {DirectoryLine::MainDrive, volumeRootOf(pictures)},
            {DirectoryLine::Server, servers[0]},       {DirectoryLine::UserName, servers[1]},
            {DirectoryLine::Password, servers[2]},     {DirectoryLine::UrlName, servers[3]},
            {DirectoryLine::PermanentUrl, servers[4]}, {DirectoryLine::WebServer, servers[5]},
            {DirectoryLine::GifKind, u"False"_s},      {DirectoryLine::JpgKind, u"True"_s},
            {DirectoryLine::AllKind, u"False"_s},
        };
        for (const auto& [line, value] : changed)
            expected[static_cast<int>(line)] = value;
        QStringList lines;
        QVERIFY2(readDirectorySettings(settingsPath, &lines, &error), qPrintable(error));
        QCOMPARE(lines, expected);
    }
};

QTEST_GUILESS_MAIN(TstDemoSettings)
#include "tst_demo_settings.moc"
