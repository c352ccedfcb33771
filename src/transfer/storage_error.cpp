// SPDX-License-Identifier: GPL-3.0-or-later
#include "transfer/storage_error.h"

#include "transfer/storage_listing.h"

namespace lumaport {

FtpOutcome storageFailure(const StorageAnswer& answer)
{
    const QString code = answer.s3 ? s3ErrorCode(answer.body) : QString();
    const auto refused = [](const QString& text) { return FtpOutcome{FtpError::ServerRefused, text, {}}; };
    if (code == u"InvalidAccessKeyId" || code == u"SignatureDoesNotMatch" || (!answer.s3 && answer.status == 401))
        return {FtpError::LogOnRefused,
                answer.s3 ? QStringLiteral("The server refused the log-on: it knows no such access key, or the "
                                           "secret key is wrong (%1).")
                                .arg(code)
                          : QStringLiteral("The server refused the log-on: the user name or the password is wrong."),
                {}};
    if (code == u"NoSuchBucket")
        return refused(QStringLiteral("The bucket named in the server text does not exist on this server."));
    if (code == u"AccessDenied" || (code.isEmpty() && answer.status == 403))
        return refused(QStringLiteral("The server denied access to \"%1\": the key or user may not do this there.")
                           .arg(answer.what));
    if (code == u"NoSuchKey" || answer.status == 404)
        return refused(QStringLiteral("\"%1\" is not on the server.").arg(answer.what));
    if (answer.status == 507 || code == u"QuotaExceeded")
        return refused(
            QStringLiteral("The server has no room left for \"%1\" (507 Insufficient Storage).").arg(answer.what));
    if (answer.status == 423)
        return refused(
            QStringLiteral("\"%1\" is locked on the server by another program (423 Locked).").arg(answer.what));
    if (answer.status == 407 || answer.contentType.startsWith("text/html"))
        return refused(QStringLiteral("A web page answered instead of the %1 server (%2): a proxy or a log-in page "
                                      "is in the way, or the server text names no %1 server.")
                           .arg(answer.s3 ? QStringLiteral("S3") : QStringLiteral("WebDAV"))
                           .arg(answer.status));
    if (!code.isEmpty())
        return refused(QStringLiteral("The server refused the request on \"%1\": %2 (%3).")
                           .arg(answer.what, code)
                           .arg(answer.status));
    return refused(
        QStringLiteral("The server refused the request on \"%1\" with %2.").arg(answer.what).arg(answer.status));
}

} // namespace lumaport
