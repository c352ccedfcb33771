// SPDX-License-Identifier: GPL-3.0-or-later
#include "transfer/trusted_servers.h"

#include "platform/settings_text.h"

#include <QFileInfo>

namespace lumaport {

namespace {

// Far more servers than anyone trusts by hand; a line longer than a settings line ends the reading anyway.
constexpr int kMaxLines = 10000;

} // namespace

QStringList TrustedServers::lines() const
{
    if (m_path.isEmpty())
        return m_memory;
    QStringList lines;
    QString error;
    if (QFileInfo::exists(m_path) && !readSettingsLines(m_path, kMaxLines, &lines, &error))
        qWarning("TrustedServers: %s", qPrintable(error));
    return lines;
}

QString TrustedServers::fingerprint(const QString& server) const
{
    for (const QString& line : lines()) {
        const QStringList fields = line.split(u' ', Qt::SkipEmptyParts);
        if (fields.size() == 2 && fields[0] == server)
            return fields[1];
    }
    return {};
}

bool TrustedServers::trust(const ServerIdentity& identity, QString* error)
{
    QStringList lines = this->lines();
    lines.append(identity.server + u' ' + identity.fingerprint);
    if (m_path.isEmpty()) {
        m_memory = lines;
        return true;
    }
    return writeSettingsLines(m_path, lines, error);
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
