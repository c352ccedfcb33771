// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QAction>

class QPushButton;

namespace lumaport {

/// A menu entry and key of a list that presses a button: same handler, and off whenever the button is. The
/// list shows it in its context menu once its context menu policy is Qt::ActionsContextMenu.
class ButtonAction : public QAction
{
public:
    ButtonAction(QPushButton* button, const QKeySequence& key, QWidget* list);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QPushButton* m_button;
};

} // namespace lumaport
