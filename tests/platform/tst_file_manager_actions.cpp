// SPDX-License-Identifier: GPL-3.0-or-later
// "Publish with Lumaport" installed in a temporary home: the user's own Thunar actions kept, ours there once
// however often it runs, a list it can't read left as it is, the entries valid for the desktop's validator.
#include "platform/file_manager_actions.h"
#include "support/test_files.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace lumaport;
using namespace lumaport::test;
using namespace Qt::StringLiterals;

class TestFileManagerActions : public QObject
{
    Q_OBJECT
    QTemporaryDir m_home;

private Q_SLOTS:
    void installedTwiceKeepsTheUsersActionsAndOursOnce()
    {
        qputenv("XDG_DATA_HOME", m_home.filePath(u"data"_s).toUtf8());
        qputenv("XDG_CONFIG_HOME", m_home.filePath(u"config"_s).toUtf8());
        QVERIFY(QDir().mkpath(m_home.filePath(u"config/Thunar"_s)));
        const QString uca = m_home.filePath(u"config/Thunar/uca.xml"_s);
        const QByteArray own = "<action><name>Öffnen</name><unique-id>1-2</unique-id><command>a %f</command></action>";
        writeFile(uca, "<?xml version=\"1.0\"?>\n<actions>\n" + own + "\n</actions>\n");
        QStringList installed;
        QString error;
        for (int run = 0; run < 2; ++run)
            QVERIFY2(installFileManagerActions(u"/opt/my apps/lumaport"_s, &installed, &error), qPrintable(error));
        const QByteArray merged = readFile(uca);
        QCOMPARE(merged.count(own), 1);
        QCOMPARE(merged.count("<unique-id>org.lumaport.Lumaport.publish</unique-id>"), 1);
        QVERIFY(merged.contains("<command>&quot;/opt/my apps/lumaport&quot; publish --copy --notify %F</command>"));
        QVERIFY(QFileInfo(installed[0]).isExecutable() && QFileInfo(installed[1]).isExecutable());

        // It knows KDE's service type, though not the keys KDE gives it.
        QProcess validator;
        validator.start(u"desktop-file-validate"_s, {installed[0], qEnvironmentVariable("LUMAPORT_SOURCE_DIR") +
                                                                       u"/resources/org.lumaport.Lumaport.desktop"_s});
        QVERIFY(validator.waitForFinished());
        for (const QByteArray& line : validator.readAllStandardOutput().split('\n'))
            QVERIFY2(!line.contains("error:") || line.contains("the type is \"Service\""), line.constData());

        writeFile(uca, "<actions><action>");
        QVERIFY(!installFileManagerActions(u"lumaport"_s, &installed, &error));
        QVERIFY2(error.startsWith(u"\"%1\" was left as it is: "_s.arg(uca)), qPrintable(error));
        QCOMPARE(readFile(uca), "<actions><action>");
    }
};

QTEST_MAIN(TestFileManagerActions)
#include "tst_file_manager_actions.moc"
