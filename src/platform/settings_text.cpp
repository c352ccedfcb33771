// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/settings_text.h"

#include "platform/paths.h"
#include "platform/program_files.h"
#include "platform/replacing_file.h"

#include <QByteArrayView>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

namespace lumaport {

namespace {

// Far beyond any folder, address or password the boxes hold; a longer line is taken for a broken file.
constexpr qsizetype kMaxLineBytes = 64 * 1024;

// Windows-1252 differs from Latin-1 only here; its five unused codes map to the control characters as Windows
// itself maps them.
constexpr std::array<char16_t, 32> kWindows1252High = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                                       0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                                       0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                                       0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

QString fromWindows1252(QByteArrayView bytes)
{
    QString text(bytes.size(), Qt::Uninitialized);
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const auto byte = static_cast<unsigned char>(bytes[i]);
        text[i] = byte >= 0x80 && byte < 0xA0 ? QChar(kWindows1252High[byte - 0x80]) : QChar(byte);
    }
    return text;
}

// Nothing when a character has no place in the code page, or when the bytes would be read back as UTF-8
// (which the reader tries first) and so as other text.
std::optional<QByteArray> toWindows1252(const QString& text)
{
    QByteArray bytes;
    bytes.reserve(text.size());
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        const auto high = std::find(kWindows1252High.begin(), kWindows1252High.end(), u);
        if (u < 0x80 || (u >= 0xA0 && u <= 0xFF))
            bytes += char(u);
        else if (high != kWindows1252High.end())
            bytes += char(0x80 + (high - kWindows1252High.begin()));
        else
            return std::nullopt;
    }
    if (bytes.isValidUtf8() && bytes != text.toUtf8())
        return std::nullopt;
    return bytes;
}

QString singleLine(QString value)
{
    value.replace(QLatin1String("\r\n"), QLatin1String(" "));
    value.replace(u'\r', u' ');
    value.replace(u'\n', u' ');
    return value;
}

} // namespace

QStringList settingsLines(QByteArrayView data, bool whole, int maxLines)
{
    struct Range
    {
        qsizetype start;
        qsizetype length;
    };
    QList<Range> ranges;
    qsizetype start = data.startsWith("\xEF\xBB\xBF") ? 3 : 0;
    while (ranges.size() < maxLines && start < data.size()) {
        qsizetype stop = start;
        while (stop < data.size() && data[stop] != '\r' && data[stop] != '\n')
            ++stop;
        if (stop - start > kMaxLineBytes || (stop == data.size() && !whole))
            break;
        ranges.append({start, stop - start});
        start = stop + (data.sliced(stop).startsWith("\r\n") ? 2 : 1);
    }

    const QByteArrayView read = data.first(ranges.isEmpty() ? 0 : ranges.last().start + ranges.last().length);
    const bool utf8 = read.isValidUtf8();
    QStringList lines;
    for (const Range& range : ranges) {
        // A NUL would end the text halfway in every file dialog and path the value reaches.
        QByteArray line = read.sliced(range.start, range.length).toByteArray();
        line.removeIf([](char c) { return c == '\0'; });
        lines.append(utf8 ? QString::fromUtf8(line) : fromWindows1252(line));
    }
    return lines;
}

bool readSettingsLines(const QString& path, int maxLines, QStringList* lines, QString* error)
{
    lines->clear();
    // A pipe or a device could block the reader or never end.
    if (!QFileInfo(path).isFile()) {
        *error = QStringLiteral("Cannot read \"%1\": it is not a file.").arg(path);
        return false;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("Cannot read \"%1\": %2").arg(path, file.errorString());
        return false;
    }
    const QByteArray data = file.read(maxLines * (kMaxLineBytes + 2));
    *lines = settingsLines(data, file.atEnd(), maxLines);
    return true;
}

bool writeSettingsLines(const QString& path, const QStringList& values, QString* error)
{
    QString text;
    for (const QString& value : values)
        text += singleLine(value) + QStringLiteral("\r\n");
    // The files' own code page, which other copies of the program read; UTF-8 only for what it can't hold.
    return writeSettingsFile(path, toWindows1252(text).value_or(text.toUtf8()), error);
}

bool writeSettingsFile(const QString& path, const QByteArray& data, QString* error)
{
    ReplacingFile file;
    if (!file.open(path, error))
        return false;
    // The temporary file is ours until it is renamed: a new settings file keeps its password from other users,
    // while a replaced one gets its own bits back on commit.
    if (::fchmod(file.descriptor(), S_IRUSR | S_IWUSR) != 0) {
        *error = QStringLiteral("Cannot write \"%1\": %2").arg(path, QString::fromLocal8Bit(std::strerror(errno)));
        return false;
    }
    return file.write(data.constData(), data.size(), error) && file.commit(error);
}

QString settingsFolder(const QString& programFolder)
{
    // Effective rights decide, as they decide the writing itself. An installed program's folder is shared with
    // every other program, even where it can be written (by root).
    if (!isInstalledCopy(programFolder) &&
        ::faccessat(AT_FDCWD, QFile::encodeName(programFolder).constData(), W_OK | X_OK, AT_EACCESS) == 0)
        return programFolder;
    QString base = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (!QDir::isAbsolutePath(base))
        base = QDir::homePath() + QStringLiteral("/.config");
    const QString folder = base + QStringLiteral("/lumaport");
    if (QFileInfo(folder).isDir())
        return folder;
    if (!QDir().mkpath(base) || !QDir().mkdir(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner))
        return programFolder;
    return folder;
}

QString directorySettingsPath(const QString& programFolder)
{
    return joinPath(settingsFolder(programFolder), QStringLiteral("ooo.lbr"));
}

QString defaultProfilePath(const QString& programFolder)
{
    return joinPath(settingsFolder(programFolder), QStringLiteral("oof.lbr"));
}

QString trustFilePath(const QString& programFolder)
{
    return joinPath(settingsFolder(programFolder), QStringLiteral("trusted.lbr"));
}

QString programOptionsPath(const QString& programFolder)
{
    return joinPath(settingsFolder(programFolder), QStringLiteral("lumaport.ini"));
}

} // namespace lumaport
