// SPDX-License-Identifier: GPL-3.0-or-later
// Services for tests: every box is recorded and answered from a script, and a box nobody expected fails the
// running test; or, in record-and-answer mode, every box is recorded and answered alike. The event loop is
// the real one; the windows' timers count on a clock the test advances.
#pragma once

#include "platform/services.h"
#include "platform/timer.h"

#include <QMimeData>
#include <QStringList>
#include <QTemporaryDir>
#include <deque>
#include <functional>
#include <memory>
#include <optional>

namespace lumaport::test {

struct BoxRecord
{
    QString kind; ///< "message", "input", "password", "open", "save"
    QString text; ///< message text or input prompt
    QString title;
    MsgIcon icon = MsgIcon::None;
    MsgButtons buttons = MsgButtons::Ok;
};

class ScriptedServices : public Services
{
public:
    /// The program folder is a fresh temporary folder unless one is given.
    explicit ScriptedServices(const QString& programFolder = {});

    /// Expects a message box with exactly this text (and title, when given) next; answers it.
    void expectMessage(const QString& text, MsgAnswer answer = MsgAnswer::Ok, std::optional<QString> title = {});
    /// Expects an input box (or a password box) whose prompt is this text next; answers it (empty text stands
    /// for Cancel).
    void expectInput(const QString& prompt, const QString& answer);
    /// Expects an open or save dialog next; answers it with a path (empty stands for Cancel).
    void expectOpenDialog(const QString& answer);
    void expectSaveDialog(const QString& answer);

    /// Record-and-answer mode, for boxes whose texts come from elsewhere (a server, the system): no script;
    /// message boxes get this answer, input boxes this text (empty: cancelled), dialogs are cancelled.
    void answerEveryBox(MsgAnswer answer = MsgAnswer::Ok, const QString& typed = {})
    {
        m_answerAll = answer;
        m_typed = typed;
    }
    /// Runs while each box is up, after it was recorded.
    void setWhileBoxShows(std::function<void()> action) { m_whileBoxShows = std::move(action); }

    /// Every box shown so far, in order.
    const std::vector<BoxRecord>& boxes() const { return m_boxes; }
    /// Boxes scripted but not shown yet; a test should end with none.
    int pendingExpectations() const { return static_cast<int>(m_script.size()); }
    /// Drops what is left of the script and what was recorded.
    void reset();

    QString clipboardText() const { return m_clipboard; }
    QStringList openedUrls() const { return m_urls; }
    int beeps() const { return m_beeps; }
    bool programEnded() const { return m_ended; }
    void setTimeOfDay(const QString& time) { m_time = time; }
    /// The windows' timers tick only when the test moves this clock.
    TimerClock& clock() { return m_clock; }

    MsgAnswer messageBox(const QString& text, const QString& title, MsgIcon icon, MsgButtons buttons) override;
    QString inputBox(const QString& prompt, const QString& title, const QString& defaultText) override;
    /// Recorded as an input box of the kind "password".
    QString passwordBox(const QString& prompt, const QString& title) override;
    QString openFileDialog(const QString& filter, const QString& initialFolder) override;
    QString saveFileDialog(const QString& filter, const QString& initialFolder) override;
    void setClipboardText(const QString& text) override { m_clipboard = text; }
    const QMimeData* clipboardData() override { return m_clipboardData.get(); }
    /// What the clipboard holds for the program to paste; null for nothing.
    void setClipboardData(std::unique_ptr<QMimeData> data) { m_clipboardData = std::move(data); }
    void openUrl(const QString& address) override { m_urls.append(address); }
    void beep() override { ++m_beeps; }
    QString timeOfDay() override { return m_time; }
    TimerClock* timerClock() override { return &m_clock; }
    QString programFolder() override { return m_programFolder; }
    void endProgram() override { m_ended = true; }

private:
    struct Expected
    {
        QString kind;
        QString text;
        std::optional<QString> title;
        MsgAnswer answer = MsgAnswer::Ok;
        QString reply;
    };
    std::optional<Expected> take(const QString& kind, const QString& text);
    void record(const BoxRecord& box);

    QTemporaryDir m_tempFolder;
    QString m_programFolder;
    std::deque<Expected> m_script;
    std::vector<BoxRecord> m_boxes;
    std::optional<MsgAnswer> m_answerAll;
    QString m_typed;
    std::function<void()> m_whileBoxShows;
    TimerClock m_clock;
    QString m_clipboard;
    std::unique_ptr<QMimeData> m_clipboardData;
    QStringList m_urls;
    QString m_time = QStringLiteral("12:00:00");
    int m_beeps = 0;
    bool m_ended = false;
};

} // namespace lumaport::test
