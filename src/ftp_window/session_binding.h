// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "session/publishing_session.h"

class QLineEdit;

namespace lumaport {

/// The box shows the session's text from now on, and what is typed into it becomes the session's.
void bindSessionText(QLineEdit* box, PublishingSession& session, SessionText which);

} // namespace lumaport
