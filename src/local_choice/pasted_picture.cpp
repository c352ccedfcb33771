// SPDX-License-Identifier: GPL-3.0-or-later
#include "local_choice/pasted_picture.h"

namespace lumaport {

QString pastedPictureName(const QDateTime& when, int attempt)
{
    const QString stem = QStringLiteral("Pasted ") + when.toString(QStringLiteral("yyyy-MM-dd HH-mm-ss"));
    return stem + (attempt > 1 ? QStringLiteral(" (%1)").arg(attempt) : QString()) + QStringLiteral(".png");
}

} // namespace lumaport
