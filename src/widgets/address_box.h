// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QPlainTextEdit>

namespace lumaport {

/// A text box for one address or a block of them, one per line: one line reads large, as a single-line box; a
/// block reads smaller and shows whole in its tooltip. A line too long for the box wraps rather than be cut.
class AddressBox : public QPlainTextEdit
{
    Q_OBJECT
public:
    explicit AddressBox(QWidget* parent = nullptr);

    QString text() const { return toPlainText(); }
    void setText(const QString& text);
    /// The height that shows every line of the text whole at the box's width, as wrapped, at most maxLines rows.
    int heightForText(int maxLines) const;
};

} // namespace lumaport
