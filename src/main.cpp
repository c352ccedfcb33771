// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/command_line.h"
#include "startup/app.h"
#include "widgets/qt_services.h"

#include <QApplication>

int main(int argc, char** argv)
{
    if (lumaport::asksForHelpOrVersion(argc, argv)) {
        const QCoreApplication terminal(argc, argv);
        lumaport::readCommandLine(terminal);
    }
    QApplication app(argc, argv);
    lumaport::setUpApplication(app);
    const QStringList files = lumaport::readCommandLine(app);
    lumaport::QtServices services;
    lumaport::Forms forms(services, lumaport::programTransfers(services));
    lumaport::startProgram(forms, files);
    return QApplication::exec();
}
