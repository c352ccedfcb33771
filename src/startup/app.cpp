// SPDX-License-Identifier: GPL-3.0-or-later
#include "startup/app.h"

#include "startup/frm_splash.h"
#include "transfer/program_transfer.h"
#include "widgets/qt_services.h"

#include <QApplication>
#include <QFont>
#include <QIcon>
#include <QStyleFactory>

namespace lumaport {

void setUpApplication(QApplication& app)
{
    QApplication::setApplicationName(QStringLiteral("Lumaport"));
    // Ties the windows to the installed desktop entry and its icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("org.lumaport.Lumaport"));
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    // The layouts are drawn for a small, narrow dialog font; wider ones clip the captions.
    QFont font(QStringLiteral("Liberation Sans"), 8);
    font.setStyleHint(QFont::SansSerif);
    QApplication::setFont(font);
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/lumaport/icon.png")));
    app.installEventFilter(new ObjectNameAccessibility(&app));
}

Forms::TransferFactory programTransfers(Services& services, const QString& trustFile)
{
    return [&services, trustFile] { return programTransfer(services.programFolder(), trustFile); };
}

void startProgram(Forms& forms, const QStringList& files, bool history)
{
    forms.frmSplash().setStartFiles(files, history);
    forms.frmSplash().Show();
}

} // namespace lumaport
