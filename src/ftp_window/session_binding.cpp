// SPDX-License-Identifier: GPL-3.0-or-later
#include "ftp_window/session_binding.h"

#include <QLineEdit>

namespace lumaport {

void bindSessionTexts(PublishingSession& session, std::initializer_list<std::pair<QLineEdit*, SessionText>> boxes)
{
    for (const auto& [box, which] : boxes) {
        box->setText(session.text(which));
        QObject::connect(box, &QLineEdit::textChanged, &session,
                         [&session, which](const QString& text) { session.setText(which, text); });
        QObject::connect(&session, &PublishingSession::textChanged, box,
                         [box, which](SessionText changed, const QString& text) {
                             if (changed == which && box->text() != text)
                                 box->setText(text);
                         });
    }
}

} // namespace lumaport
