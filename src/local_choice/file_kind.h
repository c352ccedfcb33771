// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <array>

namespace lumaport {

/// A file kind of the main window: picture kinds lead to the save-picture window, the others straight to
/// the FTP window with a preset forum tag.
struct FileKind
{
    const char* caption;
    const char* pattern;
    bool picture;
    const char* tag; ///< tag keyword given to the FTP window; nullptr leaves it as it is
};

/// GIF, JPG, BMP, ZIP, EXE, ALL: the kinds of Option1 to Option6, in that order.
inline constexpr std::array<FileKind, 6> kFileKinds = {{
    {"GIF", "*.gif", true, nullptr},
    {"JPG", "*.jpg", true, nullptr},
    {"BMP", "*.bmp", true, nullptr},
    {"ZIP", "*.zip", false, "url"},
    {"EXE", "*.exe", false, "url"},
    {"ALL", "*.*", false, "img"},
}};

} // namespace lumaport
