// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/settings_text.h"
#include "startup/app.h"
#include "startup/command_line.h"
#include "transfer/ftp_transfer.h"
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
    lumaport::Forms forms(services, [&services] {
        auto transfer = std::make_unique<lumaport::FtpTransfer>();
        transfer->setTrustFile(lumaport::trustFilePath(services.programFolder()));
        transfer->setOptionsFile(lumaport::programOptionsPath(services.programFolder()));
        return transfer;
    });
    lumaport::startProgram(forms, files);
    return QApplication::exec();
}
