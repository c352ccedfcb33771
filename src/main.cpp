// SPDX-License-Identifier: GPL-3.0-or-later
#include "command_line/publish_command.h"
#include "command_line/watch_command.h"
#include "platform/command_line.h"
#include "startup/app.h"
#include "widgets/qt_services.h"

#include <QApplication>

int main(int argc, char** argv)
{
    // Publishing from the terminal needs no display: no window system is reached.
    if (argc > 1 && qstrcmp(argv[1], "publish") == 0)
        return lumaport::runPublish(argc, argv);
    if (argc > 1 && qstrcmp(argv[1], "watch") == 0)
        return lumaport::runWatch(argc, argv);
    if (argc > 1 && qstrcmp(argv[1], lumaport::kInstallActionsOption) == 0)
        return lumaport::runInstallActions(argc, argv);
    if (lumaport::asksForHelpOrVersion(argc, argv)) {
        const QCoreApplication terminal(argc, argv);
        lumaport::readCommandLine(terminal);
    }
    QApplication app(argc, argv);
    lumaport::setUpApplication(app);
    const lumaport::StartRequest start = lumaport::readCommandLine(app);
    lumaport::QtServices services;
    lumaport::Forms forms(services, lumaport::programTransfers(services));
    lumaport::startProgram(forms, start.files, start.history);
    return QApplication::exec();
}
