// SPDX-License-Identifier: GPL-3.0-or-later
#include "command_line/console_services.h"

#include <QCoreApplication>
#include <QTime>

#include <cstdio>
#include <string>

#include <termios.h>
#include <unistd.h>

namespace lumaport {

void tellUser(const QString& line)
{
    std::fputs(qPrintable(line), stderr);
    std::fputc('\n', stderr);
}

bool inputIsTerminal()
{
    return ::isatty(STDIN_FILENO) == 1;
}

MsgAnswer ConsoleServices::messageBox(const QString& text, const QString& title, MsgIcon, MsgButtons buttons)
{
    tellUser((title.isEmpty() ? kAppTitle : title) + QStringLiteral(": ") + text);
    switch (buttons) {
    case MsgButtons::Ok:
        return MsgAnswer::Ok;
    case MsgButtons::OkCancel:
    case MsgButtons::UseLinkSendAgain:
        return MsgAnswer::Cancel;
    case MsgButtons::YesNo:
    case MsgButtons::YesNoDefaultNo:
    case MsgButtons::YesNoToAll:
        break;
    }
    return MsgAnswer::No;
}

QString ConsoleServices::inputBox(const QString&, const QString&, const QString&)
{
    return {};
}

QString ConsoleServices::passwordBox(const QString& prompt, const QString&)
{
    if (!inputIsTerminal())
        return {};
    std::fputs(qPrintable(prompt), stderr);
    std::fflush(stderr);
    termios kept{};
    const bool quiet = ::tcgetattr(STDIN_FILENO, &kept) == 0;
    if (quiet) {
        termios silent = kept;
        silent.c_lflag &= ~tcflag_t(ECHO);
        ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &silent);
    }
    std::string line;
    for (int c = std::getchar(); c != EOF && c != '\n'; c = std::getchar())
        line.push_back(char(c));
    if (quiet)
        ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &kept);
    // The typed line break was not echoed.
    std::fputc('\n', stderr);
    return QString::fromLocal8Bit(line);
}

QString ConsoleServices::openFileDialog(const QString&, const QString&)
{
    return {};
}

QString ConsoleServices::saveFileDialog(const QString&, const QString&)
{
    return {};
}

void ConsoleServices::setClipboardText(const QString&) {}

const QMimeData* ConsoleServices::clipboardData()
{
    return nullptr;
}

void ConsoleServices::openUrl(const QString&) {}

void ConsoleServices::beep() {}

QString ConsoleServices::timeOfDay()
{
    return QTime::currentTime().toString(Qt::TextDate);
}

QString ConsoleServices::programFolder()
{
    return QCoreApplication::applicationDirPath();
}

void ConsoleServices::endProgram()
{
    QCoreApplication::exit(0);
}

} // namespace lumaport
