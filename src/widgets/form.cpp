// SPDX-License-Identifier: GPL-3.0-or-later
#include "widgets/form.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QFontMetrics>
#include <QGroupBox>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QSpinBox>
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

void makeBold(QWidget* widget)
{
    QFont font = widget->font();
    font.setBold(true);
    widget->setFont(font);
}

void setPicture(QPushButton* button, const QString& resource)
{
    button->setIcon(QIcon(resource));
    button->setIconSize(QSize(16, 16));
}

QLabel* addLabel(QWidget* parent, const char* name, const QString& caption, const Twips& twips)
{
    auto* label = addControl<QLabel>(parent, name, twips);
    label->setText(caption);
    return label;
}

QLabel* addFittedLabel(QWidget* parent, const char* name, const QString& caption, const Twips& twips)
{
    QLabel* label = addLabel(parent, name, caption, twips);
    fitCaption(label);
    return label;
}

QLineEdit* addTextBox(QWidget* parent, const char* name, const Twips& twips, const QString& text)
{
    auto* box = addControl<QLineEdit>(parent, name, twips);
    box->setText(text);
    return box;
}

QLineEdit* addNamedTextBox(QWidget* parent, const char* name, const Twips& twips, const QString& accessibleName)
{
    QLineEdit* box = addTextBox(parent, name, twips);
    box->setAccessibleName(accessibleName);
    return box;
}

QPushButton* addButton(QWidget* parent, const char* name, const QString& caption, const Twips& twips)
{
    auto* button = addControl<QPushButton>(parent, name, twips);
    button->setText(caption);
    button->setAutoDefault(false);
    return button;
}

QPushButton* addTipButton(QWidget* parent, const char* name, const QString& caption, const Twips& twips,
                          const QString& toolTip)
{
    QPushButton* button = addButton(parent, name, caption, twips);
    button->setToolTip(toolTip);
    return button;
}

QCheckBox* addCheckBox(QWidget* parent, const char* name, const QString& caption, const Twips& twips,
                       const QString& accessibleName)
{
    auto* box = addControl<QCheckBox>(parent, name, twips);
    box->setText(caption);
    box->setToolTip(accessibleName);
    box->setAccessibleName(accessibleName);
    return box;
}

QSpinBox* addNumberBox(QWidget* parent, const char* name, const Twips& twips, int smallest, int largest,
                       const QString& unit, const QString& accessibleName)
{
    auto* box = addControl<QSpinBox>(parent, name, twips);
    box->setRange(smallest, largest);
    box->setSuffix(QLatin1Char(' ') + unit);
    if (smallest == 0)
        box->setSpecialValueText(QStringLiteral("any"));
    box->setToolTip(accessibleName);
    box->setAccessibleName(accessibleName);
    // Its text box is what takes the typing and what a screen reader lands on.
    box->findChild<QLineEdit*>()->setAccessibleName(accessibleName);
    return box;
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

QString withLongWordsElided(const QString& text, qsizetype most)
{
    QString shown;
    qsizetype start = 0;
    while (start < text.size()) {
        qsizetype end = start;
        while (end < text.size() && !text[end].isSpace())
            ++end;
        const qsizetype length = end - start;
        if (length > most) {
            const qsizetype kept = (most - 1) / 2;
            shown += text.mid(start, kept) + QChar(0x2026) + text.mid(end - kept, kept);
        } else {
            shown += text.mid(start, length);
        }
        while (end < text.size() && text[end].isSpace())
            shown += text[end++];
        start = end;
    }
    return shown;
}

} // namespace lumaport
