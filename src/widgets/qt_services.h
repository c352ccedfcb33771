// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/services.h"

#include <QObject>

namespace lumaport {

/// The services on the desktop: real modal boxes, dialogs, clipboard and browser.
class QtServices : public Services
{
public:
    MsgAnswer messageBox(const QString& text, const QString& title, MsgIcon icon, MsgButtons buttons) override;
    QString inputBox(const QString& prompt, const QString& title, const QString& defaultText) override;
    QString passwordBox(const QString& prompt, const QString& title) override;
    QString openFileDialog(const QString& filter, const QString& initialFolder) override;
    QString saveFileDialog(const QString& filter, const QString& initialFolder) override;
    void setClipboardText(const QString& text) override;
    const QMimeData* clipboardData() override;
    void openUrl(const QString& address) override;
    void beep() override;
    QString timeOfDay() override;
    QString programFolder() override;
    void endProgram() override;
};

/// Copies each widget's objectName into its accessible description when first polished, so automation
/// tools find every control by its name while screen readers keep reading captions.
class ObjectNameAccessibility : public QObject
{
public:
    using QObject::QObject;
    bool eventFilter(QObject* watched, QEvent* event) override;
};

} // namespace lumaport
