// SPDX-License-Identifier: GPL-3.0-or-later
// Where the settings files live: beside a copy of the program in a folder of the user's own, else in the user's
// configuration folder.
#include "platform/settings_text.h"
#include "support/test_files.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

using namespace lumaport;
using namespace lumaport::test;
using namespace Qt::StringLiterals;

class TstSettingsFolder : public QObject
{
    Q_OBJECT
    QTemporaryDir m_folder;
private Q_SLOTS:
    void initTestCase() { QVERIFY(QFile::setPermissions(m_folder.path(), QFile::Permissions(0x7755))); }

    void readOnlyProgramFolder()
    {
        const QString program = m_folder.filePath(u"bin"_s), config = m_folder.filePath(u"config"_s);
        const QString path = program + u"/ooo.lbr"_s;
        QVERIFY(QDir().mkdir(program) && QDir().mkdir(config));
        writeFile(path, "old\r\n");
        QVERIFY(QFile::setPermissions(config, QFile::Permissions(0x7777)));
        QCOMPARE(settingsFolder(program), program);
        QVERIFY(QFile::setPermissions(program, QFile::Permissions(0x5555)));
        qputenv("HOME", QFile::encodeName(config));
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(config));
        AsAnotherUser other;
        QString error;
        QVERIFY(!writeSettingsLines(path, {}, &error));
        QVERIFY2(error.startsWith(u"Cannot write \"%1\": "_s.arg(path)) && error.size() > path.size() + 20,
                 qPrintable(error));
        QStringList lines;
        QVERIFY(readSettingsLines(path, 1, &lines, &error) && lines == QStringList{u"old"_s});
        QCOMPARE(QDir(program).entryList(QDir::Files | QDir::Hidden), QStringList{u"ooo.lbr"_s});

        QCOMPARE(settingsFolder(program), config + u"/lumaport"_s);
        QCOMPARE(QFile::permissions(config + u"/lumaport"_s) & 0x0077, QFile::Permissions());
        qunsetenv("XDG_CONFIG_HOME");
        QCOMPARE(settingsFolder(program), config + u"/.config/lumaport"_s);
    }

    // Even where root can write it, an installed program's folder is shared with every other program.
    void installedCopyKeepsSettingsWithTheUser()
    {
        const QString prefix = m_folder.filePath(u"usr"_s), config = m_folder.filePath(u"home"_s);
        QVERIFY(QDir().mkpath(prefix + u"/bin"_s) && QDir().mkpath(prefix + u"/share/lumaport"_s));
        QVERIFY(QDir().mkdir(config));
        writeFile(prefix + u"/share/lumaport/noPreview.jpg"_s);
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(config));
        QCOMPARE(settingsFolder(prefix + u"/bin"_s), config + u"/lumaport"_s);
    }
};

QTEST_GUILESS_MAIN(TstSettingsFolder)
#include "tst_settings_folder.moc"
