// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/lasting_clipboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QProcess>

namespace lumaport {

using namespace Qt::StringLiterals;

namespace {

// The tool forks a server and ends as soon as it has read the text.
constexpr int kToolMs = 5000;

// Empty when the tool took the text; why not otherwise.
QString runTool(const QString& program, const QStringList& arguments, const QString& text)
{
    QProcess tool;
    // The server it leaves behind must not hold on to pipes of ours.
    tool.setStandardOutputFile(QProcess::nullDevice());
    tool.setStandardErrorFile(QProcess::nullDevice());
    tool.start(program, arguments);
    if (!tool.waitForStarted(kToolMs))
        return u"%1 is not installed"_s.arg(program);
    tool.write(text.toUtf8());
    tool.closeWriteChannel();
    if (!tool.waitForFinished(kToolMs)) {
        tool.kill();
        tool.waitForFinished(kToolMs);
        return u"%1 did not end"_s.arg(program);
    }
    if (tool.exitStatus() != QProcess::NormalExit || tool.exitCode() != 0)
        return u"%1 failed with exit code %2"_s.arg(program).arg(tool.exitCode());
    return {};
}

} // namespace

ClipboardCopy copyLasting(const QString& text)
{
    QString why;
    if (!qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")) {
        why = runTool(u"wl-copy"_s, {u"--type"_s, u"text/plain;charset=utf-8"_s}, text);
        if (why.isEmpty())
            return {true, true, {}};
    } else if (!qEnvironmentVariableIsEmpty("DISPLAY")) {
        why = runTool(u"xclip"_s, {u"-selection"_s, u"clipboard"_s}, text);
        if (why.isEmpty())
            return {true, true, {}};
    } else {
        why = u"no display is set"_s;
    }
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()) == nullptr)
        return {false, false, u"The text is not on the clipboard: %1."_s.arg(why)};
    QGuiApplication::clipboard()->setText(text);
    return {true, false, u"The text is on the clipboard only while Lumaport runs: %1."_s.arg(why)};
}

} // namespace lumaport
