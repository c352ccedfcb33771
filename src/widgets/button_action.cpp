// SPDX-License-Identifier: GPL-3.0-or-later
#include "widgets/button_action.h"

#include <QEvent>
#include <QPushButton>

namespace lumaport {

ButtonAction::ButtonAction(QPushButton* button, const QKeySequence& key, QWidget* list)
    : QAction(button->toolTip(), list), m_button(button)
{
    setObjectName(button->objectName() + QStringLiteral("Action"));
    setShortcut(key);
    setShortcutContext(Qt::WidgetShortcut);
    setEnabled(button->isEnabled());
    connect(this, &QAction::triggered, button, &QPushButton::click);
    button->installEventFilter(this);
    list->addAction(this);
}

bool ButtonAction::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::EnabledChange)
        setEnabled(m_button->isEnabled());
    return QAction::eventFilter(watched, event);
}

} // namespace lumaport
