// SPDX-License-Identifier: GPL-3.0-or-later
// "Publish with Lumaport" installed for a user of a temporary home: the user's own Thunar actions kept, ours
// there once however often it runs, the entries valid for the desktop's validator.
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

namespace {

// desktop-file-validate knows KDE's service type but not the keys KDE gives it: those lines are KDE's format.
QStringList validatorErrors(const QString& path)
{
    QProcess validator;
    validator.start(u"desktop-file-validate"_s, {path});
    validator.waitForFinished();
    QStringList errors;
    for (const QString& line : QString::fromUtf8(validator.readAllStandardOutput()).split(u'\n'))
        if (line.contains(u"error:"_s) && !line.contains(u"the type is \"Service\""_s))
            errors.append(line);
    return errors;
}

} // namespace

class TestFileManagerActions : public QObject
{
    Q_OBJECT
    QTemporaryDir m_home;

private Q_SLOTS:
    void initTestCase()
    {
        qputenv("XDG_DATA_HOME", m_home.filePath(u"data"_s).toUtf8());
        qputenv("XDG_CONFIG_HOME", m_home.filePath(u"config"_s).toUtf8());
        QVERIFY(QDir().mkpath(m_home.filePath(u"config/Thunar"_s)));
    }

    void installedTwiceKeepsTheUsersActionsAndOursOnce()
    {
        const QString uca = m_home.filePath(u"config/Thunar/uca.xml"_s);
        const QByteArray own = "<action><name>Öffnen</name><unique-id>1-2</unique-id><command>a %f</command></action>";
        writeFile(uca, "<?xml version=\"1.0\"?>\n<actions>\n" + own + "\n</actions>\n");
        QStringList installed;
        QString error;
        QVERIFY2(installFileManagerActions(u"/opt/my apps/lumaport"_s, &installed, &error), qPrintable(error));
        QVERIFY2(installFileManagerActions(u"/opt/my apps/lumaport"_s, &installed, &error), qPrintable(error));
        const QByteArray merged = readFile(uca);
        QCOMPARE(merged.count(own), 1);
        QCOMPARE(merged.count("<unique-id>org.lumaport.Lumaport.publish</unique-id>"), 1);
        QVERIFY(merged.contains("<command>&quot;/opt/my apps/lumaport&quot; publish --copy --notify %F</command>"));
        QCOMPARE(installed.size(), 6);
        for (const QString& menu : {installed[0], installed[1]})
            QVERIFY(QFileInfo(menu).isExecutable());
        QCOMPARE(validatorErrors(installed[0]), QStringList());
        const QString entry =
            qEnvironmentVariable("LUMAPORT_SOURCE_DIR") + u"/resources/org.lumaport.Lumaport.desktop"_s;
        QCOMPARE(validatorErrors(entry), QStringList());
    }

    void aListThatIsNotOneIsLeftAsItIs()
    {
        const QString uca = writeFile(m_home.filePath(u"config/Thunar/uca.xml"_s), "<actions><action>");
        QStringList installed;
        QString error;
        QVERIFY(!installFileManagerActions(u"lumaport"_s, &installed, &error));
        QVERIFY2(error.startsWith(u"\"%1\" was left as it is: "_s.arg(uca)), qPrintable(error));
        QCOMPARE(readFile(uca), "<actions><action>");
        QCOMPARE(installed.size(), 2);
    }
};

QTEST_MAIN(TestFileManagerActions)
#include "tst_file_manager_actions.moc"
