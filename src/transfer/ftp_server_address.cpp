// SPDX-License-Identifier: GPL-3.0-or-later
#include "transfer/ftp_server_address.h"

#include <QRegularExpression>
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
    SchemeName{FtpServerAddress::Scheme::S3, u"s3", 443},
    SchemeName{FtpServerAddress::Scheme::S3Http, u"s3+http", 80},
    SchemeName{FtpServerAddress::Scheme::Dav, u"dav", 80},
    SchemeName{FtpServerAddress::Scheme::Davs, u"davs", 443},
};

const SchemeName& schemeName(FtpServerAddress::Scheme scheme)
{
    return *std::find_if(kSchemes.begin(), kSchemes.end(), [&](const SchemeName& s) { return s.scheme == scheme; });
}

bool isPlainName(QStringView name, bool bucket)
{
    if (name.isEmpty() || name == u"." || name == u"..")
        return false;
    return std::all_of(name.begin(), name.end(), [bucket](QChar c) {
        return bucket ? isHostCharacter(c) : c >= u' ' && c != u'\\' && c != QChar(0x7f);
    });
}

// The part behind the host of an S3 or WebDAV server text: "bucket/folder/" and "?region=name".
bool readStoragePath(QString path, const QString& text, FtpServerAddress* address, QString* error)
{
    const qsizetype query = path.indexOf(u'?');
    if (query >= 0) {
        static const QRegularExpression regionForm(QStringLiteral("^region=([a-z0-9-]{1,32})$"));
        const QRegularExpressionMatch match = regionForm.match(path.mid(query + 1));
        if (!address->isS3() || !match.hasMatch()) {
            *error = QStringLiteral("\"%1\" ends in something other than \"?region=\" and a region such as "
                                    "\"eu-west-3\".")
                         .arg(text);
            return false;
        }
        address->region = match.captured(1);
        path.truncate(query);
    }
    QStringList names = path.split(u'/');
    if (names.last().isEmpty())
        names.removeLast();
    if (address->isS3()) {
        if (names.isEmpty() || names.first().size() < 3 || names.first().size() > 63 ||
            !isPlainName(names.first(), true)) {
            *error = QStringLiteral("\"%1\" names no bucket: give it behind the host, as in "
                                    "\"s3://host/bucket/\" (3 to 63 letters, digits, dots and dashes).")
                         .arg(text);
            return false;
        }
        address->bucket = names.takeFirst();
    }
    for (const QString& name : names) {
        if (!isPlainName(name, false)) {
            *error = QStringLiteral("The folder of \"%1\" holds an empty name, \".\", \"..\", a backslash or a "
                                    "control character.")
                         .arg(text);
            return false;
        }
        address->folder += name + u'/';
    }
    return true;
}

} // namespace

QString regionOfHost(const QString& host)
{
    // "s3.REGION.amazonaws.com", "s3-REGION.amazonaws.com", "s3.REGION.backblazeb2.com", "s3.REGION.wasabisys.com"
    static const QRegularExpression named(QStringLiteral("^s3[.-]([a-z]{2}(?:-[a-z0-9]+)+-\\d+)\\."),
                                          QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch match = named.match(host);
    return match.hasMatch() ? match.captured(1).toLower() : QStringLiteral("us-east-1");
}

QString FtpServerAddress::url() const
{
    const QString shownHost = host.contains(u':') ? u'[' + host + u']' : host;
    QStringView urlScheme = scheme == Scheme::Ftpes ? u"ftp" : schemeName(scheme).name;
    if (scheme == Scheme::S3Http || scheme == Scheme::Dav)
        urlScheme = u"http";
    else if (scheme == Scheme::S3 || scheme == Scheme::Davs)
        urlScheme = u"https";
    return QStringLiteral("%1://%2:%3/").arg(urlScheme, shownHost).arg(port);
}

QString FtpServerAddress::name() const
{
    const QString shownHost = host.contains(u':') ? u'[' + host + u']' : host;
    return QStringLiteral("%1://%2:%3").arg(schemeName(scheme).name, shownHost).arg(port);
}

QString FtpServerAddress::text() const
{
    if (!isS3() && !isWebDav())
        return name();
    const QString path = isS3() ? bucket + u'/' + folder : folder;
    return name() + u'/' + path +
           (isS3() && region != regionOfHost(host) ? QStringLiteral("?region=") + region : QString());
}

bool parseFtpServerAddress(const QString& text, FtpServerAddress* address, QString* error)
{
    FtpServerAddress read;
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
            *error = QStringLiteral("Only ftp://, ftpes://, ftps://, sftp://, s3://, s3+http://, dav:// and davs:// "
                                    "servers are supported, not \"%1\".")
                         .arg(text.trimmed());
            return false;
        }
        rest = rest.mid(schemeEnd + 3);
    }
    read.scheme = scheme->scheme;
    QString storagePath;
    if (read.isS3() || read.isWebDav()) {
        const qsizetype slash = rest.indexOf(u'/');
        storagePath = slash < 0 ? QString() : rest.mid(slash + 1);
        if (slash >= 0)
            rest.truncate(slash);
        if (!readStoragePath(storagePath, text.trimmed(), &read, error))
            return false;
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
    read.host = host;
    read.port = portNumber;
    if (read.isS3() && read.region.isEmpty())
        read.region = regionOfHost(host);
    *address = read;
    return true;
}

} // namespace lumaport
