// SPDX-License-Identifier: GPL-3.0-or-later
// Log-on passwords kept in the desktop's keyring (the Secret Service that GNOME Keyring, KWallet and KeePassXC
// answer), one per server and user name, instead of in plain text in the settings files.
#pragma once

#include <QString>

#include <optional>

namespace lumaport {

/// Keeps the password for the server and user, replacing the one kept before. Fails with a text saying why when
/// no keyring answers on the session bus, or it is locked and the user refused to open it.
bool storeKeyringPassword(const QString& server, const QString& user, const QString& password, QString* error);

/// The keyring's password for the server and user: nullopt in *password when it keeps none. Fails as the store does.
bool lookupKeyringPassword(const QString& server, const QString& user, std::optional<QString>* password,
                           QString* error);

} // namespace lumaport
