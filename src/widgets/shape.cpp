// SPDX-License-Identifier: GPL-3.0-or-later
#include "widgets/shape.h"

#include <QPainter>

namespace lumaport {

Shape::Shape(QWidget* parent, QColor color, int width) : QWidget(parent), m_color(color), m_width(width)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void Shape::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    QPen pen(m_color, m_width);
    pen.setJoinStyle(Qt::MiterJoin);
    painter.setPen(pen);
    const qreal half = m_width / 2.0;
    painter.drawRect(QRectF(rect()).adjusted(half, half, -half, -half));
}

} // namespace lumaport
