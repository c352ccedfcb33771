// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QPixmap>
#include <QWidget>

namespace lumaport {

/// Shows its picture stretched to the whole box, whatever the picture's proportions. The picture is a
/// shared value, so one box can hand it to another.
class PictureBox : public QWidget
{
    Q_OBJECT
public:
    explicit PictureBox(QWidget* parent = nullptr);

    QPixmap picture() const { return m_picture; }
    /// A null pixmap blanks the box.
    void setPicture(const QPixmap& picture);

Q_SIGNALS:
    void clicked();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    QPixmap m_picture;
};

} // namespace lumaport
