// SPDX-License-Identifier: GPL-3.0-or-later
#include "transfer/ftp_error.h"

#include <curl/curl.h>

#include <array>
#include <utility>

namespace lumaport {

using namespace Qt::StringLiterals;

FtpError ftpErrorForCurlCode(int curlCode)
{
    static constexpr std::array table{
        std::pair{CURLE_OPERATION_TIMEDOUT, FtpError::TimedOut},
        std::pair{CURLE_FTP_ACCEPT_TIMEOUT, FtpError::TimedOut},

        std::pair{CURLE_REMOTE_ACCESS_DENIED, FtpError::ServerRefused},
        std::pair{CURLE_FTP_COULDNT_RETR_FILE, FtpError::ServerRefused},
        std::pair{CURLE_REMOTE_FILE_NOT_FOUND, FtpError::ServerRefused},
        std::pair{CURLE_QUOTE_ERROR, FtpError::ServerRefused},
        std::pair{CURLE_UPLOAD_FAILED, FtpError::ServerRefused},
        std::pair{CURLE_FTP_COULDNT_SET_TYPE, FtpError::ServerRefused},
        std::pair{CURLE_FTP_COULDNT_USE_REST, FtpError::ServerRefused},
        std::pair{CURLE_FTP_WEIRD_PASV_REPLY, FtpError::ServerRefused},
        std::pair{CURLE_FTP_WEIRD_227_FORMAT, FtpError::ServerRefused},
        std::pair{CURLE_FTP_PRET_FAILED, FtpError::ServerRefused},
        std::pair{CURLE_WEIRD_SERVER_REPLY, FtpError::ServerRefused},
        std::pair{CURLE_REMOTE_DISK_FULL, FtpError::ServerRefused},
        std::pair{CURLE_REMOTE_FILE_EXISTS, FtpError::ServerRefused},
        std::pair{CURLE_FTP_BAD_FILE_LIST, FtpError::ServerRefused},

        std::pair{CURLE_URL_MALFORMAT, FtpError::InvalidOperation},
        std::pair{CURLE_COULDNT_RESOLVE_HOST, FtpError::NameNotResolved},
        std::pair{CURLE_LOGIN_DENIED, FtpError::LogOnRefused},
        std::pair{CURLE_FTP_WEIRD_PASS_REPLY, FtpError::LogOnRefused},
        std::pair{CURLE_COULDNT_CONNECT, FtpError::CannotConnect},
        std::pair{CURLE_FTP_CANT_GET_HOST, FtpError::CannotConnect}, // the data connection

        std::pair{CURLE_SEND_ERROR, FtpError::ConnectionAborted},
        std::pair{CURLE_RECV_ERROR, FtpError::ConnectionAborted},
        std::pair{CURLE_GOT_NOTHING, FtpError::ConnectionAborted},
        std::pair{CURLE_PARTIAL_FILE, FtpError::ConnectionAborted},

        std::pair{CURLE_PEER_FAILED_VERIFICATION, FtpError::NotTrusted},
        std::pair{CURLE_USE_SSL_FAILED, FtpError::SecureChannel},
        std::pair{CURLE_SSL_CONNECT_ERROR, FtpError::SecureChannel},
        std::pair{CURLE_SSL_CACERT_BADFILE, FtpError::SecureChannel},
        std::pair{CURLE_SSH, FtpError::ServerRefused}, // an SFTP request the server turned down

        // The read and write callbacks stop a transfer only when the local file fails.
        std::pair{CURLE_READ_ERROR, FtpError::LocalFile},
        std::pair{CURLE_WRITE_ERROR, FtpError::LocalFile},
        std::pair{CURLE_ABORTED_BY_CALLBACK, FtpError::LocalFile},
    };
    for (const auto& [code, error] : table) {
        if (code == curlCode)
            return error;
    }
    return FtpError::Internal;
}

QString ftpFailureText(FtpError error, const FtpFailureFacts& facts)
{
    const QString& reply = facts.reply;
    const QString& library = facts.library;
    switch (error) {
    case FtpError::TimedOut:
        return QStringLiteral("The server did not answer within %1 seconds.").arg(facts.timeoutSeconds);
    case FtpError::ServerRefused:
        return reply.isEmpty() ? QStringLiteral("The server refused the request (%1).").arg(library) : reply;
    case FtpError::NameNotResolved:
        return QStringLiteral("The server name \"%1\" could not be found.").arg(facts.host);
    case FtpError::LogOnRefused:
        return QStringLiteral("The server refused the log-on") + (reply.isEmpty() ? u"."_s : u": "_s + reply);
    case FtpError::CannotConnect:
        return QStringLiteral("Cannot connect to %1 on port %2.").arg(facts.host).arg(facts.port);
    case FtpError::ConnectionAborted:
        return QStringLiteral("The connection to the server was aborted") +
               (!reply.isEmpty() ? u": "_s + reply
                : facts.sftp     ? QStringLiteral(": the server closed it (%1).").arg(library)
                                 : u"."_s);
    case FtpError::SecureChannel:
        return facts.curlCode == CURLE_USE_SSL_FAILED
                   ? QStringLiteral("The server does not offer FTP over TLS, so the log on stopped before the password "
                                    "was sent: %1")
                         .arg(library)
                   : QStringLiteral("A secure connection to the server could not be made: %1").arg(library);
    default:
        return QStringLiteral("The request failed: %1.").arg(library);
    }
}

QString withoutPassword(QString text, const QString& password)
{
    if (password.size() >= 3)
        text.replace(password, QStringLiteral("****"));
    return text;
}

} // namespace lumaport
