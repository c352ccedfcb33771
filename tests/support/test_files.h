// SPDX-License-Identifier: GPL-3.0-or-later
// Files the suites write and read back. A file the set-up can't write ends the test run: nothing after it
// would mean anything.
#pragma once

#include <QByteArray>
#include <QString>
#include <Qt>

#include <sys/fsuid.h>
#include <unistd.h>

namespace lumaport::test {

/// Writes the file whole, replacing it; returns its path.
QString writeFile(const QString& path, const QByteArray& bytes = "x");
/// The file's bytes; "<unreadable>" when it can't be read, so that a comparison fails visibly.
QByteArray readFile(const QString& path);
/// A small picture of one colour in a format Qt writes ("JPG", "BMP", "PNG"); returns its path.
QString writePicture(const QString& path, Qt::GlobalColor color, const char* format = "JPG");

/// Root writes anywhere; while this lives, this thread's file accesses count as another user's, so a folder's
/// rights hold. For any other user it changes nothing.
struct AsAnotherUser
{
    const uid_t id = ::geteuid() == 0 ? 65534 : uid_t(-1);
    AsAnotherUser() { ::setfsgid(id), ::setfsuid(id); }
    ~AsAnotherUser() { ::setfsuid(::geteuid()), ::setfsgid(::getegid()); }
};

} // namespace lumaport::test
