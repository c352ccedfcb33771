// SPDX-License-Identifier: GPL-3.0-or-later
#include "transfer/trusted_servers.h"

#include "platform/settings_text.h"

#include <QFile>
#include <QFileInfo>

#include <optional>

namespace lumaport {

namespace {

struct Entry
{
    qsizetype lineStart; // after the blanks in front of the server
    qsizetype lineEnd;
    qsizetype fingerprintStart;
    qsizetype fingerprintEnd;
};

bool isLineBreak(char c)
{
    return c == '\r' || c == '\n';
}

// The server's name is searched for, not every line split, so a lookup in a file of many megabytes stays fast.
std::optional<Entry> findEntry(QByteArrayView file, QByteArrayView server)
{
    if (server.isEmpty())
        return std::nullopt;
    const qsizetype bom = file.startsWith("\xEF\xBB\xBF") ? 3 : 0;
    for (qsizetype at = file.indexOf(server, bom); at >= 0; at = file.indexOf(server, at + 1)) {
        qsizetype start = at;
        while (start > bom && file[start - 1] == ' ')
            --start;
        if (start > bom && !isLineBreak(file[start - 1]))
            continue;
        qsizetype i = at + server.size();
        const qsizetype afterServer = i;
        while (i < file.size() && file[i] == ' ')
            ++i;
        const qsizetype fingerprintStart = i;
        while (i < file.size() && file[i] > ' ' && file[i] < 0x7f)
            ++i;
        const qsizetype fingerprintEnd = i;
        while (i < file.size() && file[i] == ' ')
            ++i;
        if (afterServer == fingerprintStart || fingerprintStart == fingerprintEnd ||
            (i < file.size() && !isLineBreak(file[i])))
            continue;
        return Entry{start, i, fingerprintStart, fingerprintEnd};
    }
    return std::nullopt;
}

} // namespace

QString trustedFingerprint(QByteArrayView file, const QString& server)
{
    const std::optional<Entry> entry = findEntry(file, server.toUtf8());
    if (!entry)
        return {};
    return QString::fromLatin1(file.sliced(entry->fingerprintStart, entry->fingerprintEnd - entry->fingerprintStart));
}

QByteArray withTrustedFingerprint(QByteArrayView file, const QString& server, const QString& fingerprint)
{
    const QByteArray line = (server + u' ' + fingerprint).toUtf8();
    QByteArray result = file.toByteArray();
    if (const std::optional<Entry> entry = findEntry(file, server.toUtf8()))
        return result.replace(entry->lineStart, entry->lineEnd - entry->lineStart, line);
    if (!result.isEmpty() && !isLineBreak(result.back()))
        result += "\r\n";
    return result + line + "\r\n";
}

QString TrustedServers::fingerprint(const QString& server) const
{
    if (m_path.isEmpty())
        return trustedFingerprint(m_memory, server);
    QFile file(m_path);
    if (!file.exists())
        return {};
    // A pipe or a device could block the reader or never end.
    if (!QFileInfo(m_path).isFile() || !file.open(QIODevice::ReadOnly)) {
        qWarning("TrustedServers: cannot read \"%s\"", qPrintable(m_path));
        return {};
    }
    if (file.size() == 0)
        return {};
    if (const uchar* mapped = file.map(0, file.size()))
        return trustedFingerprint(QByteArrayView(mapped, file.size()), server);
    return trustedFingerprint(file.readAll(), server);
}

bool TrustedServers::trust(const ServerIdentity& identity, QString* error)
{
    if (m_path.isEmpty()) {
        m_memory = withTrustedFingerprint(m_memory, identity.server, identity.fingerprint);
        return true;
    }
    QByteArray data;
    if (QFileInfo::exists(m_path)) {
        // Whatever can't be read whole is not replaced by what could.
        if (!QFileInfo(m_path).isFile()) {
            *error = QStringLiteral("Cannot read \"%1\": it is not a file.").arg(m_path);
            return false;
        }
        QFile file(m_path);
        if (file.open(QIODevice::ReadOnly))
            data = file.readAll();
        if (!file.isOpen() || file.error() != QFileDevice::NoError) {
            *error = QStringLiteral("Cannot read \"%1\": %2").arg(m_path, file.errorString());
            return false;
        }
    }
    return writeSettingsFile(m_path, withTrustedFingerprint(data, identity.server, identity.fingerprint), error);
}

QString trustQuestion(const ServerIdentity& identity)
{
    const bool key = identity.kind == ServerIdentity::Kind::HostKey;
    return QStringLiteral("The server %1 showed a %2 that is not trusted: %3.\n\n%4: %5\nSHA-256 fingerprint: %6\n\n"
                          "Only trust it when you know it is your server's (ask its owner for the fingerprint). "
                          "Trust this %2 for %1 from now on?")
        .arg(identity.server, key ? QStringLiteral("host key") : QStringLiteral("certificate"), identity.reason,
             key ? QStringLiteral("Key type") : QStringLiteral("Subject"), identity.subject, identity.fingerprint);
}

QString changedIdentityText(const ServerIdentity& identity, const QString& trustedFingerprint, const QString& trustFile)
{
    const QString what =
        identity.kind == ServerIdentity::Kind::HostKey ? QStringLiteral("host key") : QStringLiteral("certificate");
    QString text = QStringLiteral("The %1 of %2 has changed since you trusted it (trusted: %3; now: %4). Someone may "
                                  "be in the way, so the log on was refused.")
                       .arg(what, identity.server, trustedFingerprint, identity.fingerprint);
    if (!trustFile.isEmpty())
        text += QStringLiteral(" If the server's owner did replace it, remove the line of %1 from \"%2\" and log on "
                               "again.")
                    .arg(identity.server, trustFile);
    return text;
}

} // namespace lumaport
