// SPDX-License-Identifier: GPL-3.0-or-later
// What an S3 or WebDAV server's error answer means, in the transfer component's error numbers and in words.
#pragma once

#include "transfer/ftp_session.h"

#include <QByteArray>
#include <QString>
#include <QStringView>

namespace lumaport {

/// An answer of 300 or above (or one that is not what the request expects) to a request on `what` (a name
/// or a folder as the user knows it).
struct StorageAnswer
{
    long status = 0;
    QByteArray body;        ///< the start of the answer's body
    QByteArray contentType; ///< as the server told it
    bool s3 = false;
    QString what;
    QByteArray retryAfter; ///< the Retry-After header: seconds, or an HTTP date
};

/// The outcome for the user: a wrong key, secret or password is a refused log-on; a missing bucket, a denied
/// request, a full disk, a locked file, a failed or busy server and a web page (a proxy or a log-in page in the
/// way) each get their own sentence. Any other error code is told as the server's words, cleaned.
FtpOutcome storageFailure(const StorageAnswer& answer);

/// A server's text made fit for a sentence of ours: one line of at most `maxLength` characters (cut with "…"),
/// without control or bidirectional-format characters, blanks run together, its double quotes made single so
/// that it cannot close the quotes it is shown in.
QString serverWords(QStringView text, qsizetype maxLength = 200);

/// When to try again after a Retry-After header: "in 2 minutes", "after 9 Dec 2026, 15:30 UTC"; empty when the
/// header tells neither.
QString retryAfterWords(const QByteArray& header);

} // namespace lumaport
