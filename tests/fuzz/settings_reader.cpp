// SPDX-License-Identifier: GPL-3.0-or-later
// The reader of ooo.lbr (19 lines) and of server profiles (6 lines) on any file.
#include "fuzz_check.h"
#include "platform/directory_settings.h"
#include "platform/settings_text.h"
#include "publish/server_profile.h"

using namespace lumaport;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzz::quiet();
    const QByteArray file = fuzz::bytes(data, size);
    const QStringList settings = settingsLines(file, true, kDirectorySettingsLines);
    const QStringList profile = settingsLines(file, true, kServerProfileLines);

    fuzz::check(settings.size() <= kDirectorySettingsLines, "at most 19 settings lines");
    for (const QString& line : settings) {
        fuzz::check(!line.contains(u'\r') && !line.contains(u'\n'), "a value is one line");
        fuzz::check(!line.contains(QChar(0)), "no value holds a NUL");
        settingsBoolean(line);
    }
    // Fewer lines, or a file read only in part, give the first lines of the whole, and never a line cut short.
    // (Which code page is read depends on the lines read, so only a file that is UTF-8 throughout compares.)
    if (file.isValidUtf8()) {
        fuzz::check(settings.mid(0, profile.size()) == profile, "a profile reads as the settings' first lines");
        const QStringList part = settingsLines(file.first(file.size() / 2), false, kDirectorySettingsLines);
        fuzz::check(settings.mid(0, part.size()) == part, "a part gives the first lines of the whole");
    }
    return 0;
}
