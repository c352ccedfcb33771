// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "session/publishing_session.h"

#include <initializer_list>
#include <utility>

class QLineEdit;

namespace lumaport {

/// Each box shows its text of the session from now on, and what is typed into it becomes the session's.
void bindSessionTexts(PublishingSession& session, std::initializer_list<std::pair<QLineEdit*, SessionText>> boxes);

} // namespace lumaport
