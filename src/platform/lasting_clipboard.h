// SPDX-License-Identifier: GPL-3.0-or-later
// Text on the clipboard that stays there after the program ends. An X11 or Wayland clipboard is served by the
// program that set it, so it goes with that program; and a Wayland compositor drops what a program without a
// focused window sets. wl-copy and xclip stay behind and serve it until another program takes the clipboard.
#pragma once

#include <QString>

namespace lumaport {

struct ClipboardCopy
{
    bool copied = false;  ///< the text is on the clipboard
    bool lasting = false; ///< and stays there after the program ends
    QString why;          ///< why it was not copied, or does not last; empty when it does
};

/// On Wayland (WAYLAND_DISPLAY set) through wl-copy, on X11 (DISPLAY set) through `xclip -selection clipboard`;
/// where the tool is missing or fails, through the application's own clipboard, which lasts only while it runs,
/// and only when it is a GUI application.
ClipboardCopy copyLasting(const QString& text);

} // namespace lumaport
