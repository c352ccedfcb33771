// SPDX-License-Identifier: GPL-3.0-or-later
// The settings file ooo.lbr and the text-file rules it shares with server profiles.
#include "platform/directory_settings.h"
#include "platform/settings_text.h"
#include "support/test_files.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

using namespace lumaport;
using namespace lumaport::test;
using namespace Qt::StringLiterals;

namespace {

bool writeBytes(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

} // namespace

class TstDirectorySettings : public QObject
{
    Q_OBJECT
    QTemporaryDir m_folder;
    QString m_path = m_folder.filePath(u"ooo.lbr"_s);
private Q_SLOTS:
    void initTestCase() { QVERIFY(QFile::setPermissions(m_folder.path(), QFile::Permissions(0x7755))); }

    void roundTrip()
    {
        // clang-format off
        const DirectorySettings settings{u"/home/me/été"_s, u"/"_s, u"/srv/pics"_s, u"/srv"_s, u"ftp.example.com"_s,
            u"me"_s, u"two\r\nlines\nor\rthree"_s, u"[url="_s, u"[/url]"_s, u""_s, u"My link"_s, u"example.com/"_s,
            u"example.com"_s, {false, false, false, true, false, true}};
        // clang-format on
        QString error;
        QVERIFY2(writeDirectorySettings(m_path, settings, &error), qPrintable(error));
        QCOMPARE(QFile::permissions(m_path) & 0x0077, QFile::Permissions());
        QFile file(m_path);
        QVERIFY(file.open(QIODevice::ReadOnly) && file.readAll().endsWith("example.com\r\nFalse\r\nTrue\r\n"));
        QStringList lines;
        QVERIFY2(readDirectorySettings(m_path, &lines, &error), qPrintable(error));
        QCOMPARE(lines, (QStringList{u"/home/me/été"_s, u"/"_s, u"/srv/pics"_s, u"/srv"_s, u"ftp.example.com"_s,
                                     u"me"_s, u"two lines or three"_s, u"[url="_s, u"[/url]"_s, u""_s, u"False"_s,
                                     u"False"_s, u"False"_s, u"True"_s, u"My link"_s, u"example.com/"_s,
                                     u"example.com"_s, u"False"_s, u"True"_s}));
        QCOMPARE(kindOfLine(DirectoryLine::ExeKind), 4);
    }

    void readsAnyLineEndingWindowsTextAndNoMore()
    {
        const std::pair<QByteArray, QStringList> cases[] = {
            {"a\nb\n", {u"a"_s, u"b"_s}},
            {"a\rb\r", {u"a"_s, u"b"_s}},
            {"a\r\n\n\rb", {u"a"_s, u""_s, u""_s, u"b"_s}},
            {"", {}},
            {"\xEF\xBB\xBF"
             "caf\xC3\xA9\r\n",
             {u"café"_s}},
            {"C:\\M\xFCller\r\n\x80 \x93q\x94\r\n", {u"C:\\Müller"_s, u"€ “q”"_s}},
            {QByteArray("x\n").repeated(1'000'000), QStringList(kDirectorySettingsLines, u"x"_s)},
            {"a\r\nb\r\n" + QByteArray(8 << 20, 'c') + "\r\nd\r\n", {u"a"_s, u"b"_s}},
        };
        for (const auto& [bytes, expected] : cases) {
            QVERIFY(writeBytes(m_path, bytes));
            QStringList lines;
            QString error;
            QVERIFY2(readDirectorySettings(m_path, &lines, &error), qPrintable(error));
            QCOMPARE(lines, expected);
        }
        QStringList lines;
        QString error;
        QVERIFY(!readDirectorySettings(u"/dev/zero"_s, &lines, &error) && error.contains(u"/dev/zero"));
    }

    void booleans()
    {
        const std::pair<QString, std::optional<bool>> cases[] = {
            {u"True"_s, true}, {u" fALSE "_s, false}, {u"-1"_s, true},  {u"2.5"_s, true}, {u"0.0"_s, false},
            {u""_s, {}},       {u"yes"_s, {}},        {u"Truee"_s, {}}, {u"nan"_s, {}},   {u"1 2"_s, {}}};
        for (const auto& [text, value] : cases)
            QVERIFY2(settingsBoolean(text) == value, qPrintable(text));
    }

    void readOnlyProgramFolder()
    {
        const QString program = m_folder.filePath(u"bin"_s), config = m_folder.filePath(u"config"_s);
        const QString path = program + u"/ooo.lbr"_s;
        QVERIFY(QDir().mkdir(program) && QDir().mkdir(config) && writeBytes(path, "old\r\n"));
        QVERIFY(QFile::setPermissions(config, QFile::Permissions(0x7777)));
        QCOMPARE(settingsFolder(program), program);
        QVERIFY(QFile::setPermissions(program, QFile::Permissions(0x5555)));
        qputenv("HOME", QFile::encodeName(config));
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(config));
        AsAnotherUser other;
        QString error;
        QVERIFY(!writeDirectorySettings(path, {}, &error));
        QVERIFY2(error.startsWith(u"Cannot write \"%1\": "_s.arg(path)) && error.size() > path.size() + 20,
                 qPrintable(error));
        QStringList lines;
        QVERIFY(readDirectorySettings(path, &lines, &error) && lines == QStringList{u"old"_s});
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
        QVERIFY(QDir().mkdir(config) && writeBytes(prefix + u"/share/lumaport/noPreview.jpg"_s, "x"));
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(config));
        QCOMPARE(settingsFolder(prefix + u"/bin"_s), config + u"/lumaport"_s);
    }
};

QTEST_GUILESS_MAIN(TstDirectorySettings)
#include "tst_directory_settings.moc"
