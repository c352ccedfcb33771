// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QColor>
#include <QWidget>

namespace lumaport {

/// Rectangle outline drawn over whatever lies beneath; lets mouse clicks through.
class Shape : public QWidget
{
    Q_OBJECT
public:
    explicit Shape(QWidget* parent = nullptr, QColor color = Qt::black, int width = 1);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor m_color;
    int m_width;
};

} // namespace lumaport
