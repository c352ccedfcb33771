// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/replacing_file.h"

#include <QFile>
#include <QRandomGenerator>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace lumaport {

namespace {

QString systemError()
{
    return QString::fromLocal8Bit(std::strerror(errno));
}

// Leaves room in the file name for the temporary name's prefix and suffix.
constexpr qsizetype kMaxTempStem = NAME_MAX - 24;

// Atomic, so a file made between the caller's last look and this moment is never replaced.
int renameNoReplace(const char* from, const char* to)
{
    if (::renameat2(AT_FDCWD, from, AT_FDCWD, to, RENAME_NOREPLACE) == 0)
        return 0;
    if (errno != EINVAL && errno != ENOSYS)
        return -1;
    // File systems without the flag: a hard link is just as exclusive.
    if (::link(from, to) != 0)
        return -1;
    ::unlink(from);
    return 0;
}

} // namespace

ReplacingFile::~ReplacingFile()
{
    if (m_descriptor >= 0)
        ::close(m_descriptor);
    if (!m_temporaryPath.isEmpty())
        ::unlink(m_temporaryPath.constData());
}

bool ReplacingFile::open(const QString& target, QString* error)
{
    m_target = target;
    m_targetPath = QFile::encodeName(target);
    struct stat info = {};
    m_replacing = ::stat(m_targetPath.constData(), &info) == 0;
    if (m_replacing) {
        if (!S_ISREG(info.st_mode)) {
            *error = QStringLiteral("\"%1\" is not a file and is not replaced.").arg(target);
            return false;
        }
        m_mode = info.st_mode & 07777;
        // A file made read-only is kept as it is, even by a user (root) whom its bits would not stop.
        if ((m_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0 ||
            ::faccessat(AT_FDCWD, m_targetPath.constData(), W_OK, AT_EACCESS) != 0) {
            *error = QStringLiteral("Cannot write \"%1\": the file is read-only.").arg(target);
            return false;
        }
        if (char* resolved = ::realpath(m_targetPath.constData(), nullptr)) {
            m_targetPath = resolved;
            std::free(resolved);
        }
    }
    // Beside the target, so the rename stays within one file system; private until it replaces a file.
    const qsizetype slash = m_targetPath.lastIndexOf('/');
    const QByteArray folder = slash < 0 ? QByteArray(".") : m_targetPath.left(slash == 0 ? 1 : slash);
    const QByteArray stem = m_targetPath.mid(slash + 1).left(kMaxTempStem);
    for (;;) {
        const QByteArray path =
            folder + "/." + stem + '.' + QByteArray::number(QRandomGenerator::global()->generate(), 36) + ".part";
        m_descriptor = ::open(path.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY,
                              m_replacing ? S_IRUSR | S_IWUSR : 0666);
        if (m_descriptor >= 0) {
            m_temporaryPath = path;
            return true;
        }
        if (errno != EEXIST) {
            *error = QStringLiteral("Cannot write \"%1\": %2").arg(target, systemError());
            return false;
        }
    }
}

bool ReplacingFile::write(const char* data, qint64 length, QString* error)
{
    while (length > 0) {
        const ssize_t written = ::write(m_descriptor, data, size_t(length));
        if (written < 0) {
            if (errno == EINTR)
                continue;
            *error = QStringLiteral("Cannot write \"%1\": %2").arg(m_target, systemError());
            return false;
        }
        data += written;
        length -= written;
    }
    return true;
}

bool ReplacingFile::commit(QString* error, Commit mode, bool* alreadyExists)
{
    const auto fail = [&] {
        *error = QStringLiteral("Cannot write \"%1\": %2").arg(m_target, systemError());
        return false;
    };
    if (m_replacing && (::fdatasync(m_descriptor) != 0 || ::fchmod(m_descriptor, m_mode) != 0))
        return fail();
    const int descriptor = std::exchange(m_descriptor, -1);
    if (::close(descriptor) != 0)
        return fail();
    const int renamed = mode == Commit::Replace
                            ? ::rename(m_temporaryPath.constData(), m_targetPath.constData())
                            : renameNoReplace(m_temporaryPath.constData(), m_targetPath.constData());
    if (renamed != 0) {
        if (alreadyExists)
            *alreadyExists = errno == EEXIST;
        return fail();
    }
    m_temporaryPath.clear();
    return true;
}

} // namespace lumaport
