// SPDX-License-Identifier: GPL-3.0-or-later
// What an S3 or WebDAV server's error answer means, in the transfer component's error numbers and in words.
#pragma once

#include "transfer/ftp_session.h"

#include <QByteArray>
#include <QString>

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
};

/// The outcome for the user: a wrong key, secret or password is a refused log-on; a missing bucket, a denied
/// request, a full disk, a locked file and a web page (a proxy or a log-in page in the way) each get their own
/// sentence.
FtpOutcome storageFailure(const StorageAnswer& answer);

} // namespace lumaport
