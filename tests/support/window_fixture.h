// SPDX-License-Identifier: GPL-3.0-or-later
// What every window suite sets up: scripted services over a program folder holding the placeholder picture,
// and the windows over them, the FTP window with a scripted transfer component.
#pragma once

#include "startup/forms.h"
#include "support/fake_transfer.h"
#include "support/scripted_services.h"

#include <QObject>
#include <QWidget>
#include <memory>

namespace lumaport::test {

/// Copies the placeholder picture into the program folder, as the build does for the program.
bool installPlaceholder(ScriptedServices& services);

/// The windows over these services, the FTP window with a scripted transfer component and the link check off.
std::unique_ptr<Forms> makeForms(Services& services, FakeTransfer** transfer = nullptr);

/// The window's control of that name; a missing one ends the test run.
template <class T = QWidget> T* control(QWidget& window, const char* name)
{
    T* found = window.findChild<T*>(QString::fromLatin1(name));
    if (!found)
        qFatal("no control named %s", name);
    return found;
}

/// Base of the window suites: fresh services and windows before each test; after it, a check that every
/// scripted box was shown, and the windows closed. A suite with steps of its own calls these from its own.
class WindowTest : public QObject
{
    Q_OBJECT

protected:
    /// The FTP window's transfer component; exists once the FTP window does.
    FakeTransfer& transfer() { return *m_transfer; }

    std::unique_ptr<ScriptedServices> m_services;
    std::unique_ptr<Forms> m_forms;
    FakeTransfer* m_transfer = nullptr;

protected Q_SLOTS:
    void init();
    void cleanup();
};

} // namespace lumaport::test
