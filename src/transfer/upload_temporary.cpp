// SPDX-License-Identifier: GPL-3.0-or-later
#include "transfer/upload_temporary.h"

#include <QRandomGenerator>

#include <algorithm>

namespace lumaport {

namespace {

const QString kPrefix = QStringLiteral(".lumaport-upload-");
const QString kSuffix = QStringLiteral(".part");
constexpr int kDigits = 16;

// A day: one being written is never that old, whatever the server's zone, which moves a listed time by 14 hours at
// most.
constexpr qint64 kStaleSeconds = 24 * 60 * 60;

} // namespace

QString uploadTemporaryName()
{
    return kPrefix + QStringLiteral("%1").arg(QRandomGenerator::system()->generate64(), kDigits, 16, QChar(u'0')) +
           kSuffix;
}

bool isUploadTemporary(QStringView name)
{
    if (name.size() != kPrefix.size() + kDigits + kSuffix.size() || !name.startsWith(kPrefix) ||
        !name.endsWith(kSuffix))
        return false;
    const QStringView digits = name.sliced(kPrefix.size(), kDigits);
    return std::all_of(digits.begin(), digits.end(),
                       [](QChar c) { return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f'); });
}

bool isStaleTemporaryTime(const QDateTime& written, const QDateTime& now)
{
    return written.isValid() && written.secsTo(now) > kStaleSeconds;
}

} // namespace lumaport
