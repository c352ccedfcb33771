// SPDX-License-Identifier: GPL-3.0-or-later
#include "ftp/ftp_transfer.h"
#include "platform/qt_services.h"
#include "startup/app.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    lumaport::setUpApplication(app);
    lumaport::QtServices services;
    lumaport::Forms forms(services, [] { return std::make_unique<lumaport::FtpTransfer>(); });
    lumaport::startProgram(forms);
    return QApplication::exec();
}
