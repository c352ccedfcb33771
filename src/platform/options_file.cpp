// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/options_file.h"

#include <QSettings>

namespace lumaport {

QVariantMap readOptions(const QString& path)
{
    const QSettings file(path, QSettings::IniFormat);
    QVariantMap values;
    for (const QString& key : file.allKeys())
        values.insert(key, file.value(key));
    return values;
}

bool writeOptions(const QString& path, const QVariantMap& values, QString* error)
{
    QSettings file(path, QSettings::IniFormat);
    for (auto value = values.cbegin(); value != values.cend(); ++value)
        file.setValue(value.key(), value.value());
    file.sync();
    if (file.status() == QSettings::NoError)
        return true;
    *error = QStringLiteral("Cannot write \"%1\".").arg(path);
    return false;
}

} // namespace lumaport
