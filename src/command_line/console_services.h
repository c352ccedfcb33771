// SPDX-License-Identifier: GPL-3.0-or-later
// The services on a terminal, with no window system: a box's text goes to standard error and is answered no
// or cancel, since nobody is there to press a button; a password is read from the terminal when there is one.
#pragma once

#include "platform/services.h"

namespace lumaport {

class ConsoleServices : public Services
{
public:
    MsgAnswer messageBox(const QString& text, const QString& title, MsgIcon icon, MsgButtons buttons) override;
    QString inputBox(const QString& prompt, const QString& title, const QString& defaultText) override;
    /// Read without echo when standard input is a terminal; empty otherwise.
    QString passwordBox(const QString& prompt, const QString& title) override;
    QString openFileDialog(const QString& filter, const QString& initialFolder) override;
    QString saveFileDialog(const QString& filter, const QString& initialFolder) override;
    void setClipboardText(const QString& text) override;
    const QMimeData* clipboardData() override;
    void openUrl(const QString& address) override;
    void beep() override;
    QString timeOfDay() override;
    QString programFolder() override;
    void endProgram() override;
};

/// Whether standard input is a terminal someone can type into.
bool inputIsTerminal();
/// A line on standard error, where a box's text goes on a terminal.
void tellUser(const QString& line);

} // namespace lumaport
