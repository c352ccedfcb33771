// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/service_texts.h"

#include <QLocale>
#include <QRegularExpression>
#include <QStringList>

namespace lumaport {

QString qtFileFilter(const QString& filter)
{
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList entries;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        const QString patterns =
            QLatin1Char('(') + QString(parts[i + 1]).replace(QLatin1Char(';'), QLatin1Char(' ')) + QLatin1Char(')');
        // A caption that already ends in its patterns is shown as it stands; Qt reads them from it.
        entries.append(parts[i].endsWith(patterns) ? parts[i] : parts[i] + QLatin1Char(' ') + patterns);
    }
    return entries.join(QStringLiteral(";;"));
}

QString localTimeOfDay(const QTime& time)
{
    const QLocale locale = QLocale::system();
    QString format = locale.timeFormat(QLocale::LongFormat);
    format.remove(QRegularExpression(QStringLiteral("\\s*t+")));
    return locale.toString(time, format.trimmed());
}

} // namespace lumaport
