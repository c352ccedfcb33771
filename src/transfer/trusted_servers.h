// SPDX-License-Identifier: GPL-3.0-or-later
// The TLS certificates and SSH host keys the user chose to trust, remembered in a file beside the settings.
#pragma once

#include "transfer/internet_transfer.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

namespace lumaport {

/// One line per server, "<server> <fingerprint>" ("ftps://example.com:990 AB:CD:...",
/// "sftp://example.com:22 SHA256:..."), ended by CR LF; readable by its owner only. Trusting a server changes
/// its line, or adds one, and keeps every other line byte for byte, whatever it holds. Without a file (an
/// empty path) what is trusted is kept for the object's life only.
class TrustedServers
{
public:
    void setPath(const QString& path) { m_path = path; }
    QString path() const { return m_path; }

    /// The fingerprint trusted for the server as FtpServerAddress::name() gives it; empty when there is none.
    QString fingerprint(const QString& server) const;
    /// Remembers the identity for its server. Fails with a text naming the file when it can't be read or
    /// written, and then leaves it as it was.
    bool trust(const ServerIdentity& identity, QString* error);

private:
    QString m_path;
    QByteArray m_memory; // the file's bytes, without a file
};

/// The fingerprint on the first line of the trust file's bytes that names the server and a fingerprint (printable
/// ASCII) and nothing else; empty when there is none. Time linear in the size of the file.
QString trustedFingerprint(QByteArrayView file, const QString& server);

/// The trust file's bytes with the server's line (the one trustedFingerprint reads) changed to the new
/// fingerprint, or the line added at the end; all the rest stays as it was.
QByteArray withTrustedFingerprint(QByteArrayView file, const QString& server, const QString& fingerprint);

/// The question put to the user about an identity the server showed that nothing vouches for.
QString trustQuestion(const ServerIdentity& identity);

/// Why a log on was refused whose server showed another identity than the one trusted for it.
QString changedIdentityText(const ServerIdentity& identity, const QString& trustedFingerprint,
                            const QString& trustFile);

} // namespace lumaport
