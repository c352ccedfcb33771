// SPDX-License-Identifier: GPL-3.0-or-later
// Modal boxes and system services the windows use, behind one interface so tests can script them.
#pragma once

#include <QString>

class QMimeData;

namespace lumaport {

class TimerClock;

enum class MsgIcon { None, Critical, Question, Exclamation, Information };
// YesNoToAll: "Yes", "No", "Yes to All" and "No to All", for a question asked of each file of several.
// UseLinkSendAgain: "Use the Link" (answers Yes), "Send Again" (No) and "Cancel".
enum class MsgButtons { Ok, OkCancel, YesNo, YesNoDefaultNo, YesNoToAll, UseLinkSendAgain };
enum class MsgAnswer { Ok, Cancel, Yes, No, YesToAll, NoToAll };

inline const QString kAppTitle = QStringLiteral("Lumaport");

class Services
{
public:
    virtual ~Services() = default;

    /// Modal message box. An empty title means the application title.
    virtual MsgAnswer messageBox(const QString& text, const QString& title = {}, MsgIcon icon = MsgIcon::None,
                                 MsgButtons buttons = MsgButtons::Ok) = 0;
    /// Modal input box; empty when cancelled.
    virtual QString inputBox(const QString& prompt, const QString& title, const QString& defaultText = {}) = 0;
    /// Modal input box that shows what is typed as bullets; empty when cancelled.
    virtual QString passwordBox(const QString& prompt, const QString& title) = 0;
    /// File dialogs with a filter such as "Settings(*.lbx)|*.lbx"; empty when cancelled.
    virtual QString openFileDialog(const QString& filter, const QString& initialFolder) = 0;
    virtual QString saveFileDialog(const QString& filter, const QString& initialFolder) = 0;

    /// Replaces the clipboard's text, and the selection's where the window system has one.
    virtual void setClipboardText(const QString& text) = 0;
    /// What the clipboard holds now (a picture, a file manager's list of files, text); null when nothing.
    virtual const QMimeData* clipboardData() = 0;
    /// Hands the address to the default browser and returns at once.
    virtual void openUrl(const QString& address) = 0;
    virtual void beep() = 0;

    /// Current time of day in the system's format.
    virtual QString timeOfDay() = 0;
    /// The clock the windows' timers count on; null, the default, for the system's time.
    virtual TimerClock* timerClock() { return nullptr; }
    /// Folder holding the program and its settings files.
    virtual QString programFolder() = 0;
    /// Ends the program: every window goes at once, without its close handling, and the application shuts down
    /// normally once the running handlers return, so the desktop's clipboard manager can take the clipboard.
    /// Callers return right after it.
    virtual void endProgram() = 0;
};

} // namespace lumaport
