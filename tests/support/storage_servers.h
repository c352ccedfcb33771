// SPDX-License-Identifier: GPL-3.0-or-later
// Real S3 and WebDAV servers for the tests: Ceph's RADOS Gateway on a one-node cluster, Apache with mod_dav and
// rclone's WebDAV server, each on free loopback ports in a temporary folder of its own (see object_servers.py).
// The gateway's user owns the bucket "pics". A server of our own misbehaves on demand (see misbehaving_server.py);
// its bucket or share folder says how.
#pragma once

#include <QProcess>
#include <QString>
#include <QTemporaryDir>

namespace lumaport::test {

class StorageServer
{
public:
    enum class Kind { Ceph, Apache, ApacheTls, Rclone, RcloneTls, Misbehaving };

    explicit StorageServer(Kind kind);
    /// Stops the server.
    ~StorageServer();
    StorageServer(const StorageServer&) = delete;
    StorageServer& operator=(const StorageServer&) = delete;

    /// Starts the server and waits until it answers (Ceph takes some 15 seconds: start it once a suite). On
    /// failure errorString() says why, with the server's own output.
    bool start();
    QString errorString() const { return m_error; }
    /// Ends the server and waits until every process of it is gone.
    void stop();

    quint16 port() const { return m_port; }
    /// The server text as a user would type it for `folder` ("bucket/" or "bucket/pics/" for S3, a folder of the
    /// share for WebDAV): "s3+http://127.0.0.1:<port>/bucket/", "davs://127.0.0.1:<port>/dav/". The gateway
    /// answers over HTTPS too, on a port of its own: "s3://..." with `tls`.
    QString serverText(const QString& folder, bool tls = false) const;
    QString userName() const;
    QString password() const;
    /// WebDAV and the misbehaving server: the local folder the share shows; empty for Ceph.
    QString rootFolder() const;
    /// Apache: the address of the share's folder as the web sees it without a password ("http://.../web/").
    QString webAddress() const;
    /// The SHA-256 fingerprint of the TLS certificate ("AB:CD:..."); empty for a WebDAV server without TLS.
    QString fingerprint() const;

private:
    bool tls() const { return m_kind == Kind::ApacheTls || m_kind == Kind::RcloneTls; }

    Kind m_kind;
    QTemporaryDir m_dir;
    QProcess m_process;
    quint16 m_port = 0;
    quint16 m_tlsPort = 0; // the gateway's HTTPS
    QString m_error;
};

} // namespace lumaport::test
