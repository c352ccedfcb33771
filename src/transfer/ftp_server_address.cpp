// SPDX-License-Identifier: GPL-3.0-or-later
#include "transfer/ftp_server_address.h"

#include <QUrl>

#include <arpa/inet.h>

#include <algorithm>
#include <array>
#include <optional>

namespace lumaport {

namespace {

bool isHostCharacter(QChar c)
{
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || c.isDigit() || c == u'-' || c == u'.' || c == u'_';
}

bool isIpv6Address(const QString& text)
{
    in6_addr address{};
    return !text.contains(QChar(0)) && ::inet_pton(AF_INET6, text.toLatin1().constData(), &address) == 1;
}

struct SchemeName
{
    FtpServerAddress::Scheme scheme;
    QStringView name;
    int port;
};

constexpr std::array kSchemes{
    SchemeName{FtpServerAddress::Scheme::Ftp, u"ftp", 21},
    SchemeName{FtpServerAddress::Scheme::Ftpes, u"ftpes", 21},
    SchemeName{FtpServerAddress::Scheme::Ftps, u"ftps", 990},
    SchemeName{FtpServerAddress::Scheme::Sftp, u"sftp", 22},
};

const SchemeName& schemeName(FtpServerAddress::Scheme scheme)
{
    return *std::find_if(kSchemes.begin(), kSchemes.end(), [&](const SchemeName& s) { return s.scheme == scheme; });
}

} // namespace

QString FtpServerAddress::url() const
{
    const QString shownHost = host.contains(u':') ? u'[' + host + u']' : host;
    const QStringView urlScheme = scheme == Scheme::Ftpes ? u"ftp" : schemeName(scheme).name;
    return QStringLiteral("%1://%2:%3/").arg(urlScheme, shownHost).arg(port);
}

QString FtpServerAddress::name() const
{
    const QString shownHost = host.contains(u':') ? u'[' + host + u']' : host;
    return QStringLiteral("%1://%2:%3").arg(schemeName(scheme).name, shownHost).arg(port);
}

bool parseFtpServerAddress(const QString& text, FtpServerAddress* address, QString* error)
{
    QString rest = text.trimmed();
    if (rest.isEmpty()) {
        *error = QStringLiteral("No server was given.");
        return false;
    }
    const SchemeName* scheme = &kSchemes.front();
    const qsizetype schemeEnd = rest.indexOf(u"://");
    if (schemeEnd >= 0) {
        const QString given = rest.left(schemeEnd);
        scheme = std::find_if(kSchemes.begin(), kSchemes.end(),
                              [&](const SchemeName& s) { return given.compare(s.name, Qt::CaseInsensitive) == 0; });
        if (scheme == kSchemes.end()) {
            *error = QStringLiteral("Only ftp://, ftpes://, ftps:// and sftp:// servers are supported, not \"%1\".")
                         .arg(text.trimmed());
            return false;
        }
        rest = rest.mid(schemeEnd + 3);
    }
    if (rest.endsWith(u'/'))
        rest.chop(1);
    if (rest.contains(u'/') || rest.contains(u'@') || rest.isEmpty()) {
        *error = QStringLiteral("\"%1\" is not a server name: give a host name or address, optionally with "
                                "\":port\" behind it.")
                     .arg(text.trimmed());
        return false;
    }

    QString host = rest;
    std::optional<QString> port;
    if (rest.startsWith(u'[')) {
        const qsizetype close = rest.indexOf(u']');
        host = rest.mid(1, close - 1);
        const QString after = rest.mid(close + 1);
        if (close < 0 || !isIpv6Address(host) || (!after.isEmpty() && !after.startsWith(u':'))) {
            *error = QStringLiteral("\"%1\" is not a valid IPv6 address.").arg(text.trimmed());
            return false;
        }
        if (!after.isEmpty())
            port = after.mid(1);
    } else if (rest.count(u':') == 1) {
        host = rest.section(u':', 0, 0);
        port = rest.section(u':', 1);
    } else if (rest.count(u':') > 1 && !isIpv6Address(rest)) {
        *error = QStringLiteral("\"%1\" is not a valid server name.").arg(text.trimmed());
        return false;
    }

    int portNumber = scheme->port;
    if (port) {
        const bool digits =
            !port->isEmpty() && std::all_of(port->begin(), port->end(), [](QChar c) { return c.isDigit(); });
        portNumber = digits && port->size() <= 5 ? port->toInt() : 0;
        if (portNumber < 1 || portNumber > 65535) {
            *error = QStringLiteral("The port of \"%1\" must be a number from 1 to 65535.").arg(text.trimmed());
            return false;
        }
    }
    if (!host.contains(u':')) {
        host = QString::fromLatin1(QUrl::toAce(host));
        if (host.isEmpty() || !std::all_of(host.begin(), host.end(), isHostCharacter)) {
            *error = QStringLiteral("\"%1\" is not a valid server name.").arg(text.trimmed());
            return false;
        }
    }
    address->scheme = scheme->scheme;
    address->host = host;
    address->port = portNumber;
    return true;
}

} // namespace lumaport
