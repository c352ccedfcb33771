// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/form.h"

#include <QCloseEvent>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>
#include <cmath>

namespace lumaport {

int twipsToPixels(int twips)
{
    return static_cast<int>(std::lround(twips / 15.0));
}

QRect toPixels(const Twips& twips)
{
    return {twipsToPixels(twips.left), twipsToPixels(twips.top), twipsToPixels(twips.width),
            twipsToPixels(twips.height)};
}

Form::Form(const QString& name, const QString& caption, int clientWidthTwips, int clientHeightTwips, bool withMenuBar)
{
    setObjectName(name);
    setWindowTitle(caption);
    const QSize clientSize(twipsToPixels(clientWidthTwips), twipsToPixels(clientHeightTwips));
    if (withMenuBar) {
        auto* layout = new QVBoxLayout(this);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->setSpacing(0);
        m_menuBar = new QMenuBar(this);
        layout->setMenuBar(m_menuBar);
        m_client = new QWidget(this);
        m_client->setFixedSize(clientSize);
        layout->addWidget(m_client);
        layout->setSizeConstraint(QLayout::SetFixedSize);
    } else {
        resize(clientSize);
    }
}

void Form::unload()
{
    if (m_unloading)
        return;
    m_unloading = true;
    bool cancel = false;
    Form_Unload(cancel);
    if (!cancel && m_destroyer)
        m_destroyer(this);
    m_unloading = false;
}

void Form::setFixedSingleBorder(bool minimizeButton)
{
    Qt::WindowFlags flags =
        Qt::Window | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint;
    if (minimizeButton)
        flags |= Qt::WindowMinimizeButtonHint;
    setWindowFlags(flags);
    if (!m_menuBar)
        setFixedSize(size());
}

void Form::Show()
{
    if (m_startCentered) {
        m_startCentered = false;
        adjustSize();
        if (const QScreen* screen = this->screen())
            move(screen->availableGeometry().center() - rect().center());
    }
    show();
    raise();
    activateWindow();
}

void Form::closeEvent(QCloseEvent* event)
{
    // The registry decides what a close means; Qt must never destroy or hide the window by itself.
    event->ignore();
    unload();
}

OptionButton::OptionButton(QWidget* parent) : QRadioButton(parent)
{
    setAutoExclusive(false);
    connect(this, &QAbstractButton::toggled, this, [this](bool on) {
        if (!on || !parentWidget())
            return;
        for (OptionButton* sibling : parentWidget()->findChildren<OptionButton*>(Qt::FindDirectChildrenOnly)) {
            if (sibling != this)
                sibling->setChecked(false);
        }
    });
}

void OptionButton::nextCheckState()
{
    setChecked(true);
}

void place(QWidget* widget, const Twips& twips)
{
    widget->setGeometry(toPixels(twips));
}

void setBackColor(QWidget* widget, const QColor& color)
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, color);
    palette.setColor(QPalette::Button, color);
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

void setForeColor(QWidget* widget, const QColor& color)
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::WindowText, color);
    palette.setColor(QPalette::Text, color);
    palette.setColor(QPalette::ButtonText, color);
    widget->setPalette(palette);
}

QLabel* addLabel(QWidget* parent, const char* name, const QString& caption, const Twips& twips)
{
    auto* label = addControl<QLabel>(parent, name, twips);
    label->setText(caption);
    return label;
}

QLineEdit* addTextBox(QWidget* parent, const char* name, const Twips& twips, const QString& text)
{
    auto* box = addControl<QLineEdit>(parent, name, twips);
    box->setText(text);
    return box;
}

QPushButton* addButton(QWidget* parent, const char* name, const QString& caption, const Twips& twips)
{
    auto* button = addControl<QPushButton>(parent, name, twips);
    button->setText(caption);
    button->setAutoDefault(false);
    return button;
}

OptionButton* addOption(QWidget* parent, const char* name, const QString& caption, const Twips& twips)
{
    auto* option = addControl<OptionButton>(parent, name, twips);
    option->setText(caption);
    return option;
}

QGroupBox* addFrame(QWidget* parent, const char* name, const QString& caption, const Twips& twips)
{
    auto* frame = addControl<QGroupBox>(parent, name, twips);
    frame->setTitle(caption);
    return frame;
}

void setBuddy(QLabel* label, QWidget* buddy)
{
    label->setBuddy(buddy);
    if (buddy->accessibleName().isEmpty())
        buddy->setAccessibleName(label->text());
}

void fitCaption(QLabel* label)
{
    // Below this a caption is no longer readable; it is cut off instead.
    constexpr qreal kSmallestPoints = 6;
    QFont font = label->font();
    while (QFontMetrics(font).horizontalAdvance(label->text()) > label->width() &&
           font.pointSizeF() - 1 >= kSmallestPoints)
        font.setPointSizeF(font.pointSizeF() - 1);
    label->setFont(font);
}

} // namespace lumaport
