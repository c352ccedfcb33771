// SPDX-License-Identifier: GPL-3.0-or-later
// The platform layer's rules: path joining, volumes, dialog filters, the timers' ticks, and a download's
// final rename.
#include "platform/paths.h"
#include "platform/replacing_file.h"
#include "platform/service_texts.h"
#include "platform/settings_text.h"
#include "platform/timer.h"
#include "platform/volumes.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace lumaport;

class TestPlatformRules : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void joinAlwaysInsertsOneSeparator_data()
    {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("joined");
        QTest::newRow("plain") << "/home/u/Pics"
                               << "photo.jpg"
                               << "/home/u/Pics/photo.jpg";
        QTest::newRow("root") << "/"
                              << "photo.jpg"
                              << "//photo.jpg";
        QTest::newRow("volume root") << "/media/usb/"
                                     << "a.jpg"
                                     << "/media/usb//a.jpg";
        QTest::newRow("empty name") << "/home/u"
                                    << ""
                                    << "/home/u/";
    }
    void joinAlwaysInsertsOneSeparator()
    {
        QFETCH(QString, folder);
        QFETCH(QString, name);
        QFETCH(QString, joined);
        QCOMPARE(joinPath(folder, name), joined);
    }

    void volumeRootsEndWithSeparator()
    {
        const std::vector<Volume> volumes = mountedVolumes();
        QVERIFY(!volumes.empty());
        QVERIFY(findVolume(QStringLiteral("/")).has_value());
        QCOMPARE(folderListForm(QStringLiteral("/")), QStringLiteral("/"));
        for (const Volume& v : volumes) {
            QVERIFY2(folderListForm(v.root).endsWith(QLatin1Char('/')), qPrintable(v.root));
            QCOMPARE(findVolume(v.displayName())->root, v.root);
        }
        QTemporaryDir dir;
        QVERIFY(!folderListForm(dir.path()).endsWith(QLatin1Char('/')));
        QCOMPARE(folderListForm(dir.path() + QStringLiteral("/sub/..")), dir.path());
    }

    void fileDialogFilters()
    {
        QCOMPARE(qtFileFilter(QStringLiteral("Settings(*.lbx)|*.lbx")), QStringLiteral("Settings(*.lbx)"));
        QCOMPARE(qtFileFilter(QStringLiteral("Pictures|*.jpg;*.gif|All|*.*")),
                 QStringLiteral("Pictures (*.jpg *.gif);;All (*.*)"));
    }

    // The splash hands over at 2 s: a tick that comes early would show the main window too soon.
    void timerNeverTicksEarly()
    {
        Timer timer(nullptr, 150, false, nullptr);
        QSignalSpy ticks(&timer, &Timer::timer);
        QElapsedTimer clock;
        QList<qint64> at;
        connect(&timer, &Timer::timer, &timer, [&] { at.append(clock.elapsed()); });
        clock.start();
        timer.setEnabled(true);
        QTRY_COMPARE(ticks.count(), 3);
        for (int i = 0; i < 3; ++i)
            QVERIFY2(at[i] >= 150 * (i + 1), qPrintable(QString::number(at[i])));
    }

    void clockTicksInTheOrderTimersFallDue()
    {
        TimerClock clock;
        Timer slow(nullptr, 300, true, &clock);
        Timer fast(nullptr, 200, true, &clock);
        QStringList order;
        connect(&slow, &Timer::timer, &slow, [&] { order.append(QStringLiteral("slow")); });
        connect(&fast, &Timer::timer, &fast, [&] { order.append(QStringLiteral("fast")); });
        clock.advance(650);
        QCOMPARE(order, (QStringList{"fast", "slow", "fast", "slow", "fast"}));
        // Enabling a running timer keeps its interval; enabling a stopped one starts it anew.
        fast.setEnabled(true);
        slow.setEnabled(false);
        clock.advance(150);
        QCOMPARE(order.size(), 6);
        slow.setEnabled(true);
        clock.advance(299);
        QCOMPARE(order.count(QStringLiteral("slow")), 2);
    }

    // A file made after the last look, while the bytes were arriving, survives the final rename.
    void keepExistingNeverReplacesALateFile()
    {
        QTemporaryDir folder;
        const QString target = folder.filePath(QStringLiteral("photo.jpg"));
        ReplacingFile file;
        QString error;
        QVERIFY(file.open(target, &error) && file.write("new", 3, &error));
        QFile late(target);
        QVERIFY(late.open(QIODevice::WriteOnly) && late.write("late") == 4);
        late.close();
        bool exists = false;
        QVERIFY(!file.commit(&error, ReplacingFile::Commit::KeepExisting, &exists));
        QVERIFY(exists);
        QVERIFY(late.open(QIODevice::ReadOnly));
        QCOMPARE(late.readAll(), QByteArray("late"));
    }

    // Other copies of the program read the single-byte code page; UTF-8 is kept for what it can't hold.
    void settingsKeepTheirCodePage_data()
    {
        QTest::addColumn<QString>("value");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("fits") << QStringLiteral("café €") << QByteArray("caf\xE9 \x80\r\n");
        QTest::newRow("beyond it") << QStringLiteral("café Ω") << QByteArray("caf\xC3\xA9 \xCE\xA9\r\n");
        QTest::newRow("would read as UTF-8") << QStringLiteral("Ã©") << QByteArray("\xC3\x83\xC2\xA9\r\n");
    }
    void settingsKeepTheirCodePage()
    {
        QFETCH(QString, value);
        QFETCH(QByteArray, bytes);
        QTemporaryDir folder;
        const QString path = folder.filePath(QStringLiteral("ooo.lbr"));
        QString error;
        QStringList lines;
        QVERIFY(writeSettingsLines(path, {value}, &error));
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), bytes);
        QVERIFY(readSettingsLines(path, 1, &lines, &error));
        QCOMPARE(lines, QStringList{value});
    }

    // Made read-only by its owner, a settings file is a save that fails, even for root.
    void readOnlyFileIsKeptWhole()
    {
        QTemporaryDir folder;
        const QString path = folder.filePath(QStringLiteral("ooo.lbr"));
        QString error;
        QVERIFY(writeSettingsLines(path, {QStringLiteral("old")}, &error));
        QVERIFY(QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
        QVERIFY(!writeSettingsLines(path, {QStringLiteral("new")}, &error));
        QVERIFY2(error.contains(path), qPrintable(error));
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), QByteArray("old\r\n"));
    }
};

QTEST_MAIN(TestPlatformRules)
#include "tst_platform_rules.moc"
