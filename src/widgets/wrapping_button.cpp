// SPDX-License-Identifier: GPL-3.0-or-later
#include "widgets/wrapping_button.h"

#include "widgets/form.h"

#include <QStyleOptionButton>
#include <QStylePainter>

namespace lumaport {

void WrappingButton::paintEvent(QPaintEvent*)
{
    QStylePainter painter(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    const QString caption = option.text;
    option.text.clear();
    painter.drawControl(QStyle::CE_PushButtonBevel, option);
    const QRect area = style()->subElementRect(QStyle::SE_PushButtonContents, &option, this);
    painter.drawItemText(area, Qt::AlignCenter | Qt::TextWordWrap | Qt::TextShowMnemonic, option.palette, isEnabled(),
                         caption, QPalette::ButtonText);
}

QPushButton* addWrappingButton(QWidget* parent, const char* name, const QString& caption, const Twips& twips)
{
    auto* button = addControl<WrappingButton>(parent, name, twips);
    button->setText(caption);
    button->setAutoDefault(false);
    return button;
}

} // namespace lumaport
