// SPDX-License-Identifier: GPL-3.0-or-later
// Rules of sends and receives that need no window.
#pragma once

#include <QLocale>
#include <QString>

namespace lumaport {

/// Whether a remote entry can be stored under its own name inside the local folder: not empty, not "." or
/// "..", no "/" or "\", no control character.
bool isPlainFileName(const QString& name);

/// What the progress bar of a running PUT or GET says: "42%, 430.0 MB of 1.0 GB, 85.3 MB/s"; without the
/// percent and the total when the total is unknown (negative), without the speed before any time has passed.
QString transferProgressText(qint64 bytesDone, qint64 bytesTotal, qint64 elapsedMs, const QLocale& locale = QLocale());

} // namespace lumaport
