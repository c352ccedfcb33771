// SPDX-License-Identifier: GPL-3.0-or-later
// The program's own options file (programOptionsPath): settings that the directory settings and the profiles
// don't hold, each under a "group/key" name.
#pragma once

#include <QString>
#include <QVariantMap>

namespace lumaport {

/// Every value of the options file by its "group/key" name; empty when the file is missing or unreadable.
QVariantMap readOptions(const QString& path);

/// Sets the values given, keeping the file's others. Fails with a text naming the file.
bool writeOptions(const QString& path, const QVariantMap& values, QString* error);

} // namespace lumaport
