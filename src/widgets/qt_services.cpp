// SPDX-License-Identifier: GPL-3.0-or-later
#include "widgets/qt_services.h"

#include "platform/lasting_clipboard.h"
#include "platform/service_texts.h"
#include "widgets/form.h"

#include <QAbstractButton>
#include <QApplication>
#include <QClipboard>
#include <QDesktopServices>
#include <QEvent>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QUrl>
#include <QWidget>

namespace lumaport {

namespace {

QMessageBox::Icon toQt(MsgIcon icon)
{
    switch (icon) {
    case MsgIcon::Critical:
        return QMessageBox::Critical;
    case MsgIcon::Question:
        return QMessageBox::Question;
    case MsgIcon::Exclamation:
        return QMessageBox::Warning;
    case MsgIcon::Information:
        return QMessageBox::Information;
    case MsgIcon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

} // namespace

// A few hundred pixels: a box stays well inside the screen.
constexpr qsizetype kLongestWord = 80;

MsgAnswer QtServices::messageBox(const QString& text, const QString& title, MsgIcon icon, MsgButtons buttons)
{
    QMessageBox box(toQt(icon), title.isEmpty() ? kAppTitle : title, withLongWordsElided(text, kLongestWord));
    switch (buttons) {
    case MsgButtons::Ok:
        box.setStandardButtons(QMessageBox::Ok);
        break;
    case MsgButtons::OkCancel:
        box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
        box.setDefaultButton(QMessageBox::Ok);
        break;
    case MsgButtons::YesNo:
    case MsgButtons::YesNoDefaultNo:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(buttons == MsgButtons::YesNo ? QMessageBox::Yes : QMessageBox::No);
        break;
    case MsgButtons::YesNoToAll:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::YesToAll | QMessageBox::NoToAll);
        box.setDefaultButton(QMessageBox::Yes);
        break;
    case MsgButtons::UseLinkSendAgain:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        box.button(QMessageBox::Yes)->setText(QStringLiteral("Use the Link"));
        box.button(QMessageBox::No)->setText(QStringLiteral("Send Again"));
        box.setDefaultButton(QMessageBox::Yes);
        break;
    }
    switch (box.exec()) {
    case QMessageBox::Cancel:
        return MsgAnswer::Cancel;
    case QMessageBox::Yes:
        return MsgAnswer::Yes;
    case QMessageBox::No:
        return MsgAnswer::No;
    case QMessageBox::YesToAll:
        return MsgAnswer::YesToAll;
    case QMessageBox::NoToAll:
        return MsgAnswer::NoToAll;
    default:
        // Escape on a yes/no box counts as no, on an OK/Cancel box as cancel.
        if (buttons != MsgButtons::Ok && buttons != MsgButtons::OkCancel && box.clickedButton() == nullptr)
            return MsgAnswer::No;
        return box.clickedButton() ? MsgAnswer::Ok : MsgAnswer::Cancel;
    }
}

QString QtServices::inputBox(const QString& prompt, const QString& title, const QString& defaultText)
{
    bool ok = false;
    const QString answer =
        QInputDialog::getText(QApplication::activeWindow(), title.isEmpty() ? kAppTitle : title,
                              withLongWordsElided(prompt, kLongestWord), QLineEdit::Normal, defaultText, &ok);
    return ok ? answer : QString();
}

QString QtServices::passwordBox(const QString& prompt, const QString& title)
{
    QInputDialog box(QApplication::activeWindow());
    box.setObjectName(QStringLiteral("dlgPassword"));
    box.setWindowTitle(title.isEmpty() ? kAppTitle : title);
    box.setLabelText(withLongWordsElided(prompt, kLongestWord));
    box.setTextEchoMode(QLineEdit::Password);
    return box.exec() == QDialog::Accepted ? box.textValue() : QString();
}

QString QtServices::openFileDialog(const QString& filter, const QString& initialFolder)
{
    return QFileDialog::getOpenFileName(QApplication::activeWindow(), QString(), initialFolder, qtFileFilter(filter));
}

QString QtServices::saveFileDialog(const QString& filter, const QString& initialFolder)
{
    return QFileDialog::getSaveFileName(QApplication::activeWindow(), QString(), initialFolder, qtFileFilter(filter));
}

const QMimeData* QtServices::clipboardData()
{
    return QGuiApplication::clipboard()->mimeData();
}

void QtServices::setClipboardText(const QString& text)
{
    // A Wayland compositor drops what a program without a focused window sets; a tool that stays behind serves it.
    const bool screen = QGuiApplication::platformName() == QLatin1String("wayland") ||
                        QGuiApplication::platformName() == QLatin1String("xcb");
    if (screen && !text.isEmpty() && QGuiApplication::focusWindow() == nullptr && copyLasting(text).lasting)
        return;
    QClipboard* clipboard = QGuiApplication::clipboard();
    for (const QClipboard::Mode mode : {QClipboard::Clipboard, QClipboard::Selection}) {
        if (mode == QClipboard::Selection && !clipboard->supportsSelection())
            continue;
        clipboard->clear(mode);
        if (!text.isEmpty())
            clipboard->setText(text, mode);
    }
}

void QtServices::openUrl(const QString& address)
{
    QDesktopServices::openUrl(QUrl(address));
}

void QtServices::beep()
{
    QApplication::beep();
}

QString QtServices::timeOfDay()
{
    return localTimeOfDay(QTime::currentTime());
}

QString QtServices::programFolder()
{
    return QCoreApplication::applicationDirPath();
}

void QtServices::endProgram()
{
    // Gone at once for the user; the normal shutdown then hands the clipboard over to a clipboard manager.
    for (QWidget* window : QApplication::topLevelWidgets())
        window->hide();
    QCoreApplication::exit(0);
}

bool ObjectNameAccessibility::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::Polish && watched->isWidgetType()) {
        auto* widget = static_cast<QWidget*>(watched);
        if (widget->accessibleDescription().isEmpty() && !widget->objectName().isEmpty())
            widget->setAccessibleDescription(widget->objectName());
    }
    return false;
}

} // namespace lumaport
