// SPDX-License-Identifier: GPL-3.0-or-later
#include "widgets/address_box.h"

#include <algorithm>

namespace lumaport {

namespace {

constexpr int kOneLinePoints = 12;
constexpr int kBlockPoints = 8;

} // namespace

AddressBox::AddressBox(QWidget* parent) : QPlainTextEdit(parent)
{
    setWordWrapMode(QTextOption::WrapAnywhere);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setTabChangesFocus(true);
    document()->setDocumentMargin(1);
    setText({});
}

void AddressBox::setText(const QString& text)
{
    const bool block = text.contains(u'\n');
    // A single address too long for the box wraps too, into the rows the box grows by, rather than run out at the
    // right.
    setLineWrapMode(QPlainTextEdit::WidgetWidth);
    QFont shown = font();
    shown.setPointSize(block ? kBlockPoints : kOneLinePoints);
    setFont(shown);
    setPlainText(text);
    setToolTip(block ? text : QString());
}

int AddressBox::heightForText(int maxLines) const
{
    const QFontMetrics metrics(font());
    const int margins = 2 * (frameWidth() + int(document()->documentMargin()));
    const int lineWidth = std::max(1, width() - margins - metrics.averageCharWidth());
    int rows = 0;
    for (const QString& line : text().split(u'\n'))
        rows += std::max(1, (metrics.horizontalAdvance(line) + lineWidth - 1) / lineWidth);
    // Half a line to spare: the box scrolls by whole lines, and a last line short of a pixel brings a scroll bar.
    return std::min(rows, maxLines) * metrics.lineSpacing() + margins + metrics.lineSpacing() / 2;
}

} // namespace lumaport
