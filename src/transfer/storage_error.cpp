// SPDX-License-Identifier: GPL-3.0-or-later
#include "transfer/storage_error.h"

#include "transfer/storage_listing.h"
#include "transfer/storage_request.h"

#include <QLocale>

namespace lumaport {

namespace {

QString busy(const StorageAnswer& answer)
{
    const QString when = retryAfterWords(answer.retryAfter);
    return QStringLiteral("The server is busy and did not take the request on \"%1\" (503 Service Unavailable): "
                          "try again %2.")
        .arg(answer.what, when.isEmpty() ? QStringLiteral("in a while") : when);
}

} // namespace

FtpOutcome storageFailure(const StorageAnswer& answer)
{
    QString message;
    const QString code = answer.s3 ? s3ErrorCode(answer.body, &message) : QString();
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
    if (code == u"RequestTimeTooSkewed")
        return refused(QStringLiteral("The server refused the request: this computer's clock is too far from the "
                                      "server's. Set the clock right and try again."));
    if (code == u"EntityTooLarge")
        return refused(QStringLiteral("\"%1\" is larger than the server takes in one send.").arg(answer.what));
    if (answer.status == 503 || code == u"SlowDown" || code == u"ServiceUnavailable")
        return refused(busy(answer));
    if (answer.status == 500 || code == u"InternalError")
        return refused(QStringLiteral("The server failed on the request on \"%1\" (500 Internal Server Error): the "
                                      "fault is the server's. Try again later, or tell its keeper if it goes on.")
                           .arg(answer.what));
    if (answer.status == 407 || answer.contentType.startsWith("text/html"))
        return refused(QStringLiteral("A web page answered instead of the %1 server (%2): a proxy or a log-in page "
                                      "is in the way, or the server text names no %1 server.")
                           .arg(answer.s3 ? QStringLiteral("S3") : QStringLiteral("WebDAV"))
                           .arg(answer.status));
    if (!code.isEmpty())
        return refused(QStringLiteral("The server refused the request on \"%1\" (%2). The server said: \"%3\"")
                           .arg(answer.what)
                           .arg(answer.status)
                           .arg(serverWords(message.isEmpty() ? code : code + QStringLiteral(": ") + message)));
    return refused(
        QStringLiteral("The server refused the request on \"%1\" with %2.").arg(answer.what).arg(answer.status));
}

QString serverWords(QStringView text, qsizetype maxLength)
{
    QString words;
    for (const char32_t c : text.toUcs4()) {
        switch (QChar::category(c)) {
        case QChar::Other_Control:
        case QChar::Separator_Line:
        case QChar::Separator_Paragraph:
            words += u' ';
            break;
        case QChar::Other_Format: // the bidirectional overrides and marks, and the invisible joiners
            break;
        default:
            words += c == U'"' ? QStringLiteral("'") : QString::fromUcs4(&c, 1);
        }
    }
    words = words.simplified();
    if (words.size() <= maxLength)
        return words;
    qsizetype cut = maxLength - 1;
    if (words.at(cut - 1).isHighSurrogate())
        --cut;
    return words.left(cut) + u'…';
}

QString retryAfterWords(const QByteArray& header)
{
    bool number = false;
    const qint64 seconds = header.trimmed().toLongLong(&number);
    if (number && seconds >= 0) {
        if (seconds <= 90)
            return QStringLiteral("in %1 seconds").arg(seconds);
        if (seconds <= 90 * 60)
            return QStringLiteral("in %1 minutes").arg((seconds + 59) / 60);
        return QStringLiteral("in %1 hours").arg((seconds + 3599) / 3600);
    }
    const QDateTime date = httpDate(QString::fromLatin1(header.trimmed()));
    return date.isValid() ? QStringLiteral("after %1 UTC").arg(QLocale::c().toString(date, u"d MMM yyyy, HH:mm"))
                          : QString();
}

} // namespace lumaport
