// SPDX-License-Identifier: GPL-3.0-or-later
// The transfer component's error numbers, one per kind of failure, and where libcurl's codes land among them.
#pragma once

#include <QString>

namespace lumaport {

enum class FtpError {
    None = 0,
    TimedOut = 12002,          ///< the server did not answer within the request time-out
    ServerRefused = 12003,     ///< the server answered the request with an error reply
    Internal = 12004,          ///< anything the other kinds don't cover
    InvalidServer = 12005,     ///< the server text is empty or not a host with an optional port
    NameNotResolved = 12007,   ///< the host name is unknown
    LogOnRefused = 12014,      ///< wrong user name or password
    InvalidOperation = 12016,  ///< a command string that is never sent: unknown, malformed, control characters
    CannotConnect = 12029,     ///< nothing accepts connections there
    ConnectionAborted = 12030, ///< the server or the network dropped the connection
    NotTrusted = 12045,        ///< the server's certificate or host key is not trusted, or not the one trusted
    SecureChannel = 12157,     ///< TLS could not be set up, or the server does not offer it
    LocalFile = 110,           ///< the local file of PUT or GET cannot be read or written
};

/// The kind of a failed libcurl call (a CURLcode other than CURLE_OK).
FtpError ftpErrorForCurlCode(int curlCode);

/// What is known of a failed request, for its text.
struct FtpFailureFacts
{
    int curlCode = 0;
    QString reply;   ///< the server's error reply (over SFTP, libcurl's words); empty when none came
    QString library; ///< libcurl's words on the failure
    QString host;
    int port = 0;
    int timeoutSeconds = 0;
    bool sftp = false;
};

/// The sentence that tells the user why a request failed with this error.
QString ftpFailureText(FtpError error, const FtpFailureFacts& facts);

/// The text with the password masked, for a server that echoes what it was sent. Passwords shorter than three
/// characters are left: they would mangle ordinary words and can't be told from them anyway.
QString withoutPassword(QString text, const QString& password);

} // namespace lumaport
