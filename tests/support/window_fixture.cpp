// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/window_fixture.h"

#include "platform/options_file.h"
#include "platform/settings_text.h"

#include <QFile>
#include <QTest>

namespace lumaport::test {

bool installPlaceholder(ScriptedServices& services)
{
    const QString source = qEnvironmentVariable("LUMAPORT_SOURCE_DIR") + QStringLiteral("/resources/noPreview.jpg");
    return QFile::copy(source, services.programFolder() + QStringLiteral("/noPreview.jpg"));
}

std::unique_ptr<Forms> makeForms(Services& services, FakeTransfer** transfer)
{
    // The suites' made-up web addresses are never asked for: no test reaches beyond loopback.
    QString error;
    writeOptions(programOptionsPath(services.programFolder()), {{QStringLiteral("LinkCheck/Enabled"), false}}, &error);
    return std::make_unique<Forms>(services, [transfer] {
        auto made = std::make_unique<FakeTransfer>();
        if (transfer)
            *transfer = made.get();
        return made;
    });
}

void WindowTest::init()
{
    m_services = std::make_unique<ScriptedServices>();
    QVERIFY(installPlaceholder(*m_services));
    m_forms = makeForms(*m_services, &m_transfer);
}

void WindowTest::cleanup()
{
    const int pending = m_services->pendingExpectations();
    m_forms.reset();
    m_transfer = nullptr;
    m_services.reset();
    QCOMPARE(pending, 0);
}

} // namespace lumaport::test
