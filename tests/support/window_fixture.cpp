// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/window_fixture.h"

#include "support/fake_transfer.h"
#include "support/scripted_services.h"

#include <QFile>

namespace lumaport::test {

bool installPlaceholder(ScriptedServices& services)
{
    const QString source = qEnvironmentVariable("LUMAPORT_SOURCE_DIR") + QStringLiteral("/resources/noPreview.jpg");
    return QFile::copy(source, services.programFolder() + QStringLiteral("/noPreview.jpg"));
}

std::unique_ptr<Forms> makeForms(Services& services)
{
    return std::make_unique<Forms>(services, [] { return std::make_unique<FakeTransfer>(); });
}

} // namespace lumaport::test
