// SPDX-License-Identifier: GPL-3.0-or-later
// The TLS certificates and SSH host keys the user chose to trust, remembered in a file beside the settings.
#pragma once

#include "transfer/internet_transfer.h"

#include <QString>

namespace lumaport {

/// One line per server, "<server> <fingerprint>" ("ftps://example.com:990 AB:CD:...",
/// "sftp://example.com:22 SHA256:..."), in UTF-8 with CR LF; readable by its owner only and replaced whole.
/// Without a file (an empty path) what is trusted is kept for the object's life only.
class TrustedServers
{
public:
    void setPath(const QString& path) { m_path = path; }
    QString path() const { return m_path; }

    /// The fingerprint trusted for the server as FtpServerAddress::name() gives it; empty when there is none.
    QString fingerprint(const QString& server) const;
    /// Remembers the identity for its server. Fails with a text naming the file when it can't be written.
    bool trust(const ServerIdentity& identity, QString* error);

private:
    QStringList lines() const;

    QString m_path;
    QStringList m_memory; // the lines, without a file
};

/// The question put to the user about an identity the server showed that nothing vouches for.
QString trustQuestion(const ServerIdentity& identity);

/// Why a log on was refused whose server showed another identity than the one trusted for it.
QString changedIdentityText(const ServerIdentity& identity, const QString& trustedFingerprint,
                            const QString& trustFile);

} // namespace lumaport
