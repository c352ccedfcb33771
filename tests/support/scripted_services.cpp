// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/scripted_services.h"

#include <QAbstractEventDispatcher>
#include <QTest>

namespace lumaport::test {

ScriptedServices::ScriptedServices(const QString& programFolder)
    : m_programFolder(programFolder.isEmpty() ? m_tempFolder.path() : programFolder)
{}

void ScriptedServices::expectMessage(const QString& text, MsgAnswer answer, std::optional<QString> title)
{
    m_script.push_back({QStringLiteral("message"), text, std::move(title), answer, {}});
}

void ScriptedServices::expectInput(const QString& prompt, const QString& answer)
{
    m_script.push_back({QStringLiteral("input"), prompt, {}, MsgAnswer::Ok, answer});
}

void ScriptedServices::expectOpenDialog(const QString& answer)
{
    m_script.push_back({QStringLiteral("open"), {}, {}, MsgAnswer::Ok, answer});
}

void ScriptedServices::expectSaveDialog(const QString& answer)
{
    m_script.push_back({QStringLiteral("save"), {}, {}, MsgAnswer::Ok, answer});
}

void ScriptedServices::reset()
{
    m_script.clear();
    m_boxes.clear();
}

void ScriptedServices::record(const BoxRecord& box)
{
    m_boxes.push_back(box);
    if (m_whileBoxShows)
        m_whileBoxShows();
}

std::optional<ScriptedServices::Expected> ScriptedServices::take(const QString& kind, const QString& text)
{
    if (m_answerAll)
        return Expected{kind, text, {}, *m_answerAll, kind == QLatin1String("input") ? m_typed : QString()};
    if (m_script.empty()) {
        QTest::qFail(qPrintable(QStringLiteral("unexpected %1 box: \"%2\"").arg(kind, text)), __FILE__, __LINE__);
        return std::nullopt;
    }
    Expected next = m_script.front();
    m_script.pop_front();
    const bool textMatches = kind == QLatin1String("open") || kind == QLatin1String("save") || next.text == text;
    if (next.kind != kind || !textMatches) {
        QTest::qFail(
            qPrintable(
                QStringLiteral("expected %1 box \"%2\", got %3 box \"%4\"").arg(next.kind, next.text, kind, text)),
            __FILE__, __LINE__);
        return std::nullopt;
    }
    return next;
}

MsgAnswer ScriptedServices::messageBox(const QString& text, const QString& title, MsgIcon icon, MsgButtons buttons)
{
    const QString shownTitle = title.isEmpty() ? kAppTitle : title;
    record({QStringLiteral("message"), text, shownTitle, icon, buttons});
    const auto expected = take(QStringLiteral("message"), text);
    if (!expected)
        return buttons == MsgButtons::YesNo || buttons == MsgButtons::YesNoDefaultNo ||
                       buttons == MsgButtons::YesNoToAll
                   ? MsgAnswer::No
                   : (buttons == MsgButtons::OkCancel ? MsgAnswer::Cancel : MsgAnswer::Ok);
    if (expected->title && *expected->title != shownTitle)
        QTest::qFail(
            qPrintable(
                QStringLiteral("box \"%1\" titled \"%2\", expected \"%3\"").arg(text, shownTitle, *expected->title)),
            __FILE__, __LINE__);
    return expected->answer;
}

QString ScriptedServices::inputBox(const QString& prompt, const QString& title, const QString& defaultText)
{
    Q_UNUSED(defaultText);
    record({QStringLiteral("input"), prompt, title, MsgIcon::None, MsgButtons::OkCancel});
    const auto expected = take(QStringLiteral("input"), prompt);
    return expected ? expected->reply : QString();
}

QString ScriptedServices::passwordBox(const QString& prompt, const QString& title)
{
    record({QStringLiteral("password"), prompt, title, MsgIcon::None, MsgButtons::OkCancel});
    const auto expected = take(QStringLiteral("input"), prompt);
    return expected ? expected->reply : QString();
}

QString ScriptedServices::openFileDialog(const QString& filter, const QString& initialFolder)
{
    record({QStringLiteral("open"), filter, initialFolder, MsgIcon::None, MsgButtons::OkCancel});
    const auto expected = take(QStringLiteral("open"), filter);
    return expected ? expected->reply : QString();
}

QString ScriptedServices::saveFileDialog(const QString& filter, const QString& initialFolder)
{
    record({QStringLiteral("save"), filter, initialFolder, MsgIcon::None, MsgButtons::OkCancel});
    const auto expected = take(QStringLiteral("save"), filter);
    return expected ? expected->reply : QString();
}

} // namespace lumaport::test
