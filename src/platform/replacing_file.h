// SPDX-License-Identifier: GPL-3.0-or-later
// A file written beside its target and renamed over it only once complete, so a failed or cancelled write
// leaves whatever was there and no half-written file. The file copy and downloads both write this way.
#pragma once

#include <QByteArray>
#include <QString>

#include <sys/types.h>

namespace lumaport {

/// Follows the rules of the program's file copy: a replaced file keeps its permission bits and its old data
/// stays on the disk until the new data is there; a new file gets the default bits (the umask) and is left
/// to the usual write-back, as curl and cp do. A target that is a symbolic link is followed.
class ReplacingFile
{
public:
    ReplacingFile() = default;
    /// Removes the temporary file unless it was committed.
    ~ReplacingFile();
    ReplacingFile(const ReplacingFile&) = delete;
    ReplacingFile& operator=(const ReplacingFile&) = delete;

    /// Creates the temporary file. Fails when the target is something other than a regular file, is read-only,
    /// or its folder cannot be written.
    bool open(const QString& target, QString* error);
    bool write(const char* data, qint64 length, QString* error);
    /// The temporary file, for writers that move bytes by descriptor.
    int descriptor() const { return m_descriptor; }
    /// Puts the complete file in the target's place. With KeepExisting it fails, leaving both files as they
    /// are, when a file of the target's name appeared meanwhile; alreadyExists then tells why.
    enum class Commit { Replace, KeepExisting };
    bool commit(QString* error, Commit mode = Commit::Replace, bool* alreadyExists = nullptr);

private:
    QString m_target;
    QByteArray m_targetPath;
    QByteArray m_temporaryPath;
    int m_descriptor = -1;
    bool m_replacing = false;
    mode_t m_mode = 0;
};

} // namespace lumaport
