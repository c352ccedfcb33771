// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/file_copy.h"

#include "platform/replacing_file.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace lumaport {

namespace {

// Large enough that the kernel copies in few calls, small enough to stay within what one call may move.
constexpr size_t kKernelChunk = size_t{1} << 30;
constexpr size_t kBufferSize = size_t{1} << 20;

QString systemError()
{
    return QString::fromLocal8Bit(std::strerror(errno));
}

class Descriptor
{
public:
    explicit Descriptor(int fd) : m_fd(fd) {}
    ~Descriptor()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;

    int get() const { return m_fd; }
    bool isOpen() const { return m_fd >= 0; }
    // Closes now, so that a late write error is seen.
    bool close()
    {
        const int fd = m_fd;
        m_fd = -1;
        return ::close(fd) == 0;
    }

private:
    int m_fd;
};

enum class KernelCopy { Done, Unsupported, Failed };

// Lets the kernel move the bytes: nothing passes through our memory, and a file system that can share blocks
// does so.
KernelCopy copyInKernel(int from, int to)
{
    bool copiedAny = false;
    for (;;) {
        const ssize_t n = ::copy_file_range(from, nullptr, to, nullptr, kKernelChunk, 0);
        if (n > 0) {
            copiedAny = true;
            continue;
        }
        if (n == 0)
            // Some files report no size and give nothing here; plain reads find out whether they are empty.
            return copiedAny ? KernelCopy::Done : KernelCopy::Unsupported;
        if (errno == EINTR)
            continue;
        if (errno == EXDEV || errno == ENOSYS || errno == EINVAL || errno == EOPNOTSUPP)
            return KernelCopy::Unsupported;
        return KernelCopy::Failed;
    }
}

// Goes on from wherever copyInKernel() stopped, since both move the files' own offsets.
bool copyByReading(int from, int to)
{
    std::vector<char> buffer(kBufferSize);
    for (;;) {
        const ssize_t got = ::read(from, buffer.data(), buffer.size());
        if (got == 0)
            return true;
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        for (ssize_t done = 0; done < got;) {
            const ssize_t put = ::write(to, buffer.data() + done, static_cast<size_t>(got - done));
            if (put < 0) {
                if (errno == EINTR)
                    continue;
                return false;
            }
            done += put;
        }
    }
}

bool copyContents(int from, int to)
{
    switch (copyInKernel(from, to)) {
    case KernelCopy::Done:
        return true;
    case KernelCopy::Unsupported:
        return copyByReading(from, to);
    case KernelCopy::Failed:
        break;
    }
    return false;
}

bool sameFile(const struct stat& a, const struct stat& b)
{
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

} // namespace

bool copyFileReplacing(const QString& source, const QString& destination, QString* error)
{
    const auto fail = [error](const QString& why) {
        if (error)
            *error = why;
        return false;
    };
    if (source.isEmpty())
        return fail(QStringLiteral("No file to copy was named."));
    if (destination.isEmpty())
        return fail(QStringLiteral("No place to copy to was named."));

    // Only a regular file is opened: opening a FIFO would wait for a writer, and a device may never end.
    const QByteArray sourcePath = QFile::encodeName(source);
    struct stat sourceInfo = {};
    if (::stat(sourcePath.constData(), &sourceInfo) != 0)
        return fail(QStringLiteral("Cannot read %1: %2").arg(source, systemError()));
    if (!S_ISREG(sourceInfo.st_mode))
        return fail(QStringLiteral("%1 is not a file.").arg(source));
    Descriptor in(::open(sourcePath.constData(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    if (!in.isOpen() || ::fstat(in.get(), &sourceInfo) != 0)
        return fail(QStringLiteral("Cannot read %1: %2").arg(source, systemError()));
    if (!S_ISREG(sourceInfo.st_mode))
        return fail(QStringLiteral("%1 is not a file.").arg(source));

    // Writing a file onto itself would first empty it.
    struct stat targetInfo = {};
    if (::stat(QFile::encodeName(destination).constData(), &targetInfo) == 0 && sameFile(sourceInfo, targetInfo))
        return true;

    ReplacingFile out;
    QString why;
    if (!out.open(destination, &why))
        return fail(why);
    if (!copyContents(in.get(), out.descriptor()))
        return fail(QStringLiteral("Cannot copy %1 to %2: %3").arg(source, destination, systemError()));
    if (!out.commit(&why))
        return fail(why);
    return true;
}

} // namespace lumaport
