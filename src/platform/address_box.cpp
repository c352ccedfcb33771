// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/address_box.h"

namespace lumaport {

namespace {

constexpr int kOneLinePoints = 12;
constexpr int kBlockPoints = 8;

} // namespace

AddressBox::AddressBox(QWidget* parent) : QPlainTextEdit(parent)
{
    setLineWrapMode(QPlainTextEdit::NoWrap);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setTabChangesFocus(true);
    document()->setDocumentMargin(1);
    setText({});
}

void AddressBox::setText(const QString& text)
{
    setPlainText(text);
    const bool block = text.contains(u'\n');
    QFont shown = font();
    shown.setPointSize(block ? kBlockPoints : kOneLinePoints);
    setFont(shown);
    setToolTip(block ? text : QString());
}

} // namespace lumaport
