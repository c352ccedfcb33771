// SPDX-License-Identifier: GPL-3.0-or-later
// Whether a server is the one the user means: its TLS certificate or SSH host key, checked inside libcurl's
// handshake before any password is sent.
#pragma once

#include "transfer/ftp_server_address.h"
#include "transfer/internet_transfer.h"

#include <QByteArray>
#include <QString>

#include <curl/curl.h>

#include <optional>

namespace lumaport {

/// The checks of one request's connection: what is trusted going in, what was turned down coming out.
struct IdentityCheck
{
    FtpServerAddress server;
    QString trustedFingerprint;                    ///< a certificate or host key the user trusted for this server
    std::optional<ServerIdentity> refusedIdentity; ///< the certificate or host key the checks turned down
};

/// Sets up the checks on a handle about to connect to `check.server`; `check` must outlive the transfer.
void checkServerIdentity(CURL* curl, IdentityCheck& check);

/// The SSH key the user made, offered before the password as ssh does ("~/.ssh/id_ed25519", then "id_rsa");
/// empty when there is none.
QByteArray userKeyFile();

/// Whether the SSH private key in the file is protected by a passphrase (OpenSSH's own format or PEM).
bool keyNeedsPassphrase(const QByteArray& keyFile);
/// Whether the passphrase opens the SSH private key in the file, found out here, before anything is sent.
bool passphraseOpensKey(const QByteArray& keyFile, const QString& passphrase);

} // namespace lumaport
