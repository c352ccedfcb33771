// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/safe_file_copy.h"

#include "platform/file_copy.h"
#include "platform/services.h"

namespace lumaport {

namespace {

constexpr int kAttempts = 3;

} // namespace

bool SafeFileCopy(const QString& source, const QString& destination, Services& services)
{
    for (int attempt = 1;; ++attempt) {
        if (copyFileReplacing(source, destination))
            return true;
        services.messageBox(QStringLiteral("Error copying File"));
        if (attempt == kAttempts)
            return false;
    }
}

} // namespace lumaport
