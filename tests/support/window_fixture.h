// SPDX-License-Identifier: GPL-3.0-or-later
// What every window test sets up: the placeholder picture in the program folder, and the windows.
#pragma once

#include "startup/forms.h"

#include <memory>

namespace lumaport::test {

class ScriptedServices;

/// Copies the placeholder picture into the program folder, as the build does for the program.
bool installPlaceholder(ScriptedServices& services);

/// The windows over these services, the FTP window with a scripted transfer component.
std::unique_ptr<Forms> makeForms(Services& services);

} // namespace lumaport::test
