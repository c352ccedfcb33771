// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/password_keyring.h"

#include <libsecret/secret.h>

#include <memory>

namespace lumaport {

namespace {

// libsecret waits 25 seconds for an answer by default; a keyring that answers at all does so at once. Starting one
// on demand takes longer.
constexpr int kAnswerMs = 3000;
constexpr int kStartMs = 5000;
const char* const kKeyringName = "org.freedesktop.secrets";

const SecretSchema* passwordSchema()
{
    static const SecretSchema schema = [] {
        SecretSchema made{};
        made.name = "org.lumaport.Password";
        made.flags = SECRET_SCHEMA_NONE;
        made.attributes[0] = {"server", SECRET_SCHEMA_ATTRIBUTE_STRING};
        made.attributes[1] = {"user", SECRET_SCHEMA_ATTRIBUTE_STRING};
        return made;
    }();
    return &schema;
}

QString takeError(GError* error)
{
    const QString text = error ? QString::fromUtf8(error->message) : QStringLiteral("no reason given");
    g_clear_error(&error);
    return text;
}

template <class T> struct GUnref
{
    void operator()(T* object) const { g_object_unref(object); }
};
template <class T> using GPtr = std::unique_ptr<T, GUnref<T>>;

// Whether the keyring answers on the bus at all; the bus starts it first where it knows how to.
bool keyringAnswers(GDBusConnection* bus, GError** error)
{
    GVariant* reply =
        g_dbus_connection_call_sync(bus, kKeyringName, "/org/freedesktop/secrets", "org.freedesktop.DBus.Peer", "Ping",
                                    nullptr, nullptr, G_DBUS_CALL_FLAGS_NONE, kStartMs, nullptr, error);
    if (!reply)
        return false;
    g_variant_unref(reply);
    return true;
}

// The keyring's service, once it answers on the session bus. Asked with a short time-out first, so a bus without a
// keyring, or with one that hangs, doesn't hold the window for long.
GPtr<SecretService> keyringService(QString* error)
{
    GError* gerror = nullptr;
    const GPtr<GDBusConnection> bus(g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, &gerror));
    if (!bus) {
        *error = QStringLiteral("No keyring answers: there is no session bus (%1).").arg(takeError(gerror));
        return nullptr;
    }
    if (!keyringAnswers(bus.get(), &gerror)) {
        *error = QStringLiteral("No keyring answers on the session bus (%1).").arg(takeError(gerror));
        // The one that answered before, if any, is gone.
        secret_service_disconnect();
        return nullptr;
    }
    GPtr<SecretService> service(secret_service_get_sync(SECRET_SERVICE_NONE, nullptr, &gerror));
    if (!service) {
        *error = QStringLiteral("The keyring did not answer (%1).").arg(takeError(gerror));
        return nullptr;
    }
    // Every call libsecret makes on the service from now on waits this long at most.
    g_dbus_proxy_set_default_timeout(reinterpret_cast<GDBusProxy*>(service.get()), kAnswerMs);
    return service;
}

struct Attributes
{
    Attributes(const QString& server, const QString& user)
        : table(secret_attributes_build(passwordSchema(), "server", server.toUtf8().constData(), "user",
                                        user.toUtf8().constData(), nullptr))
    {}
    ~Attributes() { g_hash_table_unref(table); }
    Attributes(const Attributes&) = delete;
    Attributes& operator=(const Attributes&) = delete;
    GHashTable* table;
};

} // namespace

bool storeKeyringPassword(const QString& server, const QString& user, const QString& password, QString* error)
{
    const GPtr<SecretService> service = keyringService(error);
    if (!service)
        return false;
    const Attributes attributes(server, user);
    const QByteArray text = password.toUtf8();
    SecretValue* value = secret_value_new(text.constData(), text.size(), "text/plain");
    const QByteArray label = QStringLiteral("Lumaport: %1 on %2").arg(user, server).toUtf8();
    GError* gerror = nullptr;
    const bool stored =
        secret_service_store_sync(service.get(), passwordSchema(), attributes.table, SECRET_COLLECTION_DEFAULT,
                                  label.constData(), value, nullptr, &gerror);
    secret_value_unref(value);
    if (!stored) {
        *error = QStringLiteral("The keyring did not keep the password (%1).").arg(takeError(gerror));
        // A keyring started again since is asked afresh next time.
        secret_service_disconnect();
    }
    return stored;
}

bool lookupKeyringPassword(const QString& server, const QString& user, std::optional<QString>* password, QString* error)
{
    const GPtr<SecretService> service = keyringService(error);
    if (!service)
        return false;
    const Attributes attributes(server, user);
    GError* gerror = nullptr;
    SecretValue* value =
        secret_service_lookup_sync(service.get(), passwordSchema(), attributes.table, nullptr, &gerror);
    if (gerror) {
        *error = QStringLiteral("The keyring did not give the password (%1).").arg(takeError(gerror));
        secret_service_disconnect();
        return false;
    }
    password->reset();
    if (value) {
        gsize length = 0;
        const gchar* text = secret_value_get(value, &length);
        *password = QString::fromUtf8(text, qsizetype(length));
        secret_value_unref(value);
    }
    return true;
}

} // namespace lumaport
