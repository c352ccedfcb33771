// SPDX-License-Identifier: GPL-3.0-or-later
#include "transfer/transfer_rules.h"

#include "transfer/ftp_command.h"

namespace lumaport {

bool isPlainFileName(const QString& name)
{
    return !name.isEmpty() && name != u"." && name != u".." && !name.contains(u'/') && !name.contains(u'\\') &&
           !name.contains(u'\t') && !holdsControlCharacter(name);
}

QString transferProgressText(qint64 bytesDone, qint64 bytesTotal, qint64 elapsedMs, const QLocale& locale)
{
    const auto size = [&locale](qint64 bytes) {
        return locale.formattedDataSize(bytes, 1, QLocale::DataSizeTraditionalFormat);
    };
    QStringList parts;
    if (bytesTotal >= 0) {
        const qint64 percent = bytesTotal == 0 ? 100 : bytesDone * 100 / bytesTotal;
        parts << locale.toString(percent) + u'%' << size(bytesDone) + QStringLiteral(" of ") + size(bytesTotal);
    } else {
        parts << size(bytesDone);
    }
    if (elapsedMs > 0)
        parts << size(bytesDone * 1000 / elapsedMs) + QStringLiteral("/s");
    return parts.join(QStringLiteral(", "));
}

} // namespace lumaport
