// SPDX-License-Identifier: GPL-3.0-or-later
// What every window test sets up: the placeholder picture in the program folder, and the windows.
#pragma once

#include "startup/forms.h"

#include <QWidget>
#include <memory>

namespace lumaport::test {

class ScriptedServices;

/// Copies the placeholder picture into the program folder, as the build does for the program.
bool installPlaceholder(ScriptedServices& services);

/// The windows over these services, the FTP window with a scripted transfer component.
std::unique_ptr<Forms> makeForms(Services& services);

/// The window's control of that design name; a missing one ends the test run.
template <class T = QWidget> T* control(QWidget& window, const char* name)
{
    T* found = window.findChild<T*>(QString::fromLatin1(name));
    if (!found)
        qFatal("no control named %s", name);
    return found;
}

} // namespace lumaport::test
