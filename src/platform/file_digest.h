// SPDX-License-Identifier: GPL-3.0-or-later
// SHA-256 of files, by OpenSSL, which uses the processor's own instructions: several times faster than Qt's on
// the pictures a set sends.
#pragma once

#include <QByteArray>
#include <QIODevice>
#include <QString>

namespace lumaport {

/// The SHA-256 of what the device reads from where it stands to its end, in lower-case hexadecimal; empty when it
/// can't be read. With `md5`, its MD5 as well, from the same reading.
QByteArray sha256Hex(QIODevice& device, QByteArray* md5 = nullptr);

/// The SHA-256 of the file at `path`, as sha256Hex; empty when it can't be read.
QString fileSha256(const QString& path);

} // namespace lumaport
