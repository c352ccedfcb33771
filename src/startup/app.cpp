// SPDX-License-Identifier: GPL-3.0-or-later
#include "startup/app.h"

#include "platform/qt_services.h"
#include "startup/frm_splash.h"

#include <QApplication>
#include <QIcon>
#include <QStyleFactory>

namespace lumaport {

void setUpApplication(QApplication& app)
{
    QApplication::setApplicationName(QStringLiteral("Lumaport"));
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/lumaport/icon.png")));
    app.installEventFilter(new ObjectNameAccessibility(&app));
}

void startProgram(Forms& forms)
{
    forms.frmSplash().Show();
}

} // namespace lumaport
