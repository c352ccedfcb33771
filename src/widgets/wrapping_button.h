// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QPushButton>

namespace lumaport {

struct Twips;

/// A command button whose caption breaks into lines at blanks when it is wider than the button, for the
/// FTP window's tall, narrow buttons. The caption stays one text; only the drawing wraps. For buttons
/// without a picture.
class WrappingButton : public QPushButton
{
    Q_OBJECT
public:
    using QPushButton::QPushButton;

protected:
    void paintEvent(QPaintEvent* event) override;
};

/// A button too narrow for its caption on one line.
QPushButton* addWrappingButton(QWidget* parent, const char* name, const QString& caption, const Twips& twips);

} // namespace lumaport
