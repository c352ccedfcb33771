// SPDX-License-Identifier: GPL-3.0-or-later
// The settings file ooo.lbr and the text-file rules it shares with server profiles.
#include "main_window/directory_settings.h"
#include "platform/settings_text.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <sys/fsuid.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace lumaport;
using namespace Qt::StringLiterals;

namespace {

// Root may write anywhere; taking another user's file-system identity (this thread only) makes a folder's
// rights count again.
class AsAnotherUser
{
public:
    AsAnotherUser() : m_root(::geteuid() == 0)
    {
        if (m_root) {
            ::setfsgid(65534);
            ::setfsuid(65534);
        }
    }
    ~AsAnotherUser()
    {
        if (m_root) {
            ::setfsuid(0);
            ::setfsgid(0);
        }
    }

private:
    bool m_root;
};

bool writeBytes(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

} // namespace

class TstDirectorySettings : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void roundTrip();
    void readsAnyLineEndingAndWindowsText_data();
    void readsAnyLineEndingAndWindowsText();
    void readingIsBounded();
    void booleans_data();
    void booleans();
    void failedWriteKeepsTheOldFile_data();
    void failedWriteKeepsTheOldFile();
    void settingsMoveOutOfAReadOnlyProgramFolder();

private:
    std::unique_ptr<QTemporaryDir> m_folder;
};

void TstDirectorySettings::init()
{
    m_folder = std::make_unique<QTemporaryDir>();
    QVERIFY(QFile::setPermissions(m_folder->path(),
                                  QFile::permissions(m_folder->path()) | QFile::ReadOther | QFile::ExeOther));
}

void TstDirectorySettings::roundTrip()
{
    const QString path = m_folder->filePath(u"ooo.lbr"_s);
    DirectorySettings settings{u"/home/me/Bilder/été"_s,
                               u"/"_s,
                               u"/srv/pics"_s,
                               u"/srv"_s,
                               u"ftp.example.com"_s,
                               u"me"_s,
                               u"two\r\nlines\nor\rthree"_s,
                               u"[url="_s,
                               u"[/url]"_s,
                               u""_s,
                               u"My link"_s,
                               u"example.com/"_s,
                               u"example.com"_s,
                               {false, false, false, true, false, true}};
    QString error;
    QVERIFY2(writeDirectorySettings(path, settings, &error), qPrintable(error));

    QStringList lines;
    QVERIFY2(readDirectorySettings(path, &lines, &error), qPrintable(error));
    QCOMPARE(lines,
             (QStringList{u"/home/me/Bilder/été"_s, u"/"_s, u"/srv/pics"_s, u"/srv"_s, u"ftp.example.com"_s, u"me"_s,
                          u"two lines or three"_s, u"[url="_s, u"[/url]"_s, u""_s, u"False"_s, u"False"_s, u"False"_s,
                          u"True"_s, u"My link"_s, u"example.com/"_s, u"example.com"_s, u"False"_s, u"True"_s}));
    for (int line = 0; line < kDirectorySettingsLines; ++line) {
        if (const auto kind = kindOfLine(DirectoryLine(line)))
            QCOMPARE(settingsBoolean(lines[line]), settings.kinds[*kind]);
    }
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    QCOMPARE(bytes.count("\r\n"), kDirectorySettingsLines);
    QVERIFY(bytes.endsWith("True\r\n"));
    QCOMPARE(int(file.permissions() & 0x7777),
             int(QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser));
}

void TstDirectorySettings::readsAnyLineEndingAndWindowsText_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("lines");

    QTest::newRow("CR LF") << "a\r\nb\r\n"_ba << QStringList{u"a"_s, u"b"_s};
    QTest::newRow("LF only") << "a\nb\n"_ba << QStringList{u"a"_s, u"b"_s};
    QTest::newRow("CR only") << "a\rb\r"_ba << QStringList{u"a"_s, u"b"_s};
    QTest::newRow("mixed, empty lines, no final break") << "a\r\n\n\rb"_ba << QStringList{u"a"_s, u""_s, u""_s, u"b"_s};
    QTest::newRow("empty file") << ""_ba << QStringList{};
    QTest::newRow("UTF-8 with a byte-order mark") << "\xEF\xBB\xBF"
                                                     "caf\xC3\xA9\r\n"_ba
                                                  << QStringList{u"café"_s};
    QTest::newRow("Windows-1252") << "C:\\Eigene Dateien\\M\xFCller\r\n\x80 5 \x93quoted\x94\r\n"_ba
                                  << QStringList{u"C:\\Eigene Dateien\\Müller"_s, u"€ 5 “quoted”"_s};
}

void TstDirectorySettings::readsAnyLineEndingAndWindowsText()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, lines);
    const QString path = m_folder->filePath(u"ooo.lbr"_s);
    QVERIFY(writeBytes(path, bytes));
    QStringList read;
    QString error;
    QVERIFY2(readDirectorySettings(path, &read, &error), qPrintable(error));
    QCOMPARE(read, lines);
}

void TstDirectorySettings::readingIsBounded()
{
    const QString path = m_folder->filePath(u"ooo.lbr"_s);
    QStringList lines;
    QString error;

    QVERIFY(writeBytes(path, QByteArray("x\n").repeated(1'000'000)));
    QVERIFY(readDirectorySettings(path, &lines, &error));
    QCOMPARE(lines, QStringList(kDirectorySettingsLines, u"x"_s));

    QVERIFY(writeBytes(path, "a\r\nb\r\n" + QByteArray(8 << 20, 'c') + "\r\nd\r\n"));
    QVERIFY(readDirectorySettings(path, &lines, &error));
    QCOMPARE(lines, (QStringList{u"a"_s, u"b"_s}));

    QVERIFY(!readDirectorySettings(m_folder->path(), &lines, &error));
    QVERIFY(error.contains(m_folder->path()));
    QVERIFY(!readDirectorySettings(u"/dev/zero"_s, &lines, &error));
}

void TstDirectorySettings::booleans_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("value"); // -1: no Boolean

    for (const auto& [text, value] : std::initializer_list<std::pair<QString, int>>{{u"True"_s, 1},
                                                                                    {u"FALSE"_s, 0},
                                                                                    {u"tRuE"_s, 1},
                                                                                    {u" False "_s, 0},
                                                                                    {u"1"_s, 1},
                                                                                    {u"-1"_s, 1},
                                                                                    {u"0"_s, 0},
                                                                                    {u"0.0"_s, 0},
                                                                                    {u"2.5"_s, 1},
                                                                                    {u""_s, -1},
                                                                                    {u"yes"_s, -1},
                                                                                    {u"Truee"_s, -1},
                                                                                    {u"nan"_s, -1},
                                                                                    {u"1 2"_s, -1}})
        QTest::newRow(qPrintable(u'"' + text + u'"')) << text << value;
}

void TstDirectorySettings::booleans()
{
    QFETCH(QString, text);
    QFETCH(int, value);
    const std::optional<bool> read = settingsBoolean(text);
    QCOMPARE(read.has_value() ? int(*read) : -1, value);
}

void TstDirectorySettings::failedWriteKeepsTheOldFile_data()
{
    QTest::addColumn<bool>("folderInTheWay");
    QTest::newRow("read-only folder") << false;
    QTest::newRow("a folder of that name") << true;
}

void TstDirectorySettings::failedWriteKeepsTheOldFile()
{
    QFETCH(bool, folderInTheWay);
    const QString path = m_folder->filePath(u"ooo.lbr"_s);
    if (folderInTheWay)
        QVERIFY(QDir().mkdir(path));
    else
        QVERIFY(writeBytes(path, "old\r\n"));
    QVERIFY(QFile::setPermissions(m_folder->path(),
                                  QFile::ReadOwner | QFile::ExeOwner | QFile::ReadOther | QFile::ExeOther));
    QString error;
    bool written = true;
    {
        AsAnotherUser other;
        written = writeDirectorySettings(path, DirectorySettings{}, &error);
    }
    QVERIFY(QFile::setPermissions(m_folder->path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    QVERIFY(!written);
    QVERIFY2(error.contains(path) && error.size() > path.size() + 12, qPrintable(error));
    QCOMPARE(QDir(m_folder->path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
             QStringList{u"ooo.lbr"_s});
    if (!folderInTheWay) {
        QFile old(path);
        QVERIFY(old.open(QIODevice::ReadOnly));
        QCOMPARE(old.readAll(), "old\r\n"_ba);
    }
}

void TstDirectorySettings::settingsMoveOutOfAReadOnlyProgramFolder()
{
    const QString program = m_folder->filePath(u"bin"_s);
    const QString config = m_folder->filePath(u"config"_s);
    const QString home = m_folder->filePath(u"home"_s);
    for (const QString& folder : {program, config, home})
        QVERIFY(QDir().mkdir(folder) && QFile::setPermissions(folder, QFile::Permissions(0x7777)));
    const QByteArray savedXdg = qgetenv("XDG_CONFIG_HOME");
    const QByteArray savedHome = qgetenv("HOME");
    qputenv("HOME", QFile::encodeName(home));

    QCOMPARE(settingsFolder(program), program);
    QVERIFY(QFile::setPermissions(program, QFile::ReadOwner | QFile::ExeOwner | QFile::ReadOther | QFile::ExeOther));
    {
        AsAnotherUser other;
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(config));
        QCOMPARE(settingsFolder(program), config + u"/lumaport"_s);
        qunsetenv("XDG_CONFIG_HOME");
        QCOMPARE(settingsFolder(program), home + u"/.config/lumaport"_s);
        QCOMPARE(settingsFolder(program), home + u"/.config/lumaport"_s);
    }
    QCOMPARE(QFile::permissions(config + u"/lumaport"_s) & 0x0077, QFile::Permissions{});
    qputenv("XDG_CONFIG_HOME", savedXdg);
    qputenv("HOME", savedHome);
}

QTEST_GUILESS_MAIN(TstDirectorySettings)
#include "tst_directory_settings.moc"
