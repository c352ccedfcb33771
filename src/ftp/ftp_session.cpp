// SPDX-License-Identifier: GPL-3.0-or-later
#include "ftp/ftp_session.h"

#include "ftp/internet_transfer.h"
#include "ftp/remote_listing.h"
#include "platform/replacing_file.h"

#include <QFile>
#include <QFileInfo>

#include <curl/curl.h>
#include <sys/socket.h>

#include <memory>
#include <optional>

namespace lumaport {

using namespace Qt::StringLiterals;

namespace {

// The default 16 KiB buffers halve the throughput of large transfers.
constexpr long kBufferSize = 512 * 1024;
// A server that never ends its listing must not eat the memory.
constexpr qsizetype kMaxListingSize = 256 * 1024 * 1024;
constexpr long kNoLimitSeconds = 24 * 60 * 60;

struct SlistDeleter
{
    void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};

bool isReplyLine(QByteArrayView line)
{
    return line.size() >= 4 && std::isdigit(static_cast<unsigned char>(line[0])) &&
           std::isdigit(static_cast<unsigned char>(line[1])) && std::isdigit(static_cast<unsigned char>(line[2])) &&
           line[3] == ' ';
}

// The callbacks point into the last request, which is gone by now; libcurl says goodbye (QUIT) on cleanup.
void cleanUp(CURL* curl)
{
    curl_easy_reset(curl);
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_cleanup(curl);
}

QByteArray verbOf(QByteArrayView command)
{
    qsizetype end = 0;
    while (end < command.size() && command[end] != ' ' && command[end] != '\r' && command[end] != '\n')
        ++end;
    return command.first(end).toByteArray().toUpper();
}

} // namespace

struct FtpSession::Request
{
    Request(const StateSink& sink, const CancelCheck& cancelled) : sink(sink), cancelled(cancelled) {}

    const StateSink& sink;
    const CancelCheck& cancelled;
    int lastState = 0;

    bool commandSent = false; // in the current perform: the first reply before any command is the greeting
    QByteArray mainVerb;      // the command that is the request itself ("MLSD", "RETR", ...)
    bool mainSent = false;
    QList<QByteArray> ownVerbs; // commands of ours whose refusal curl is told to ignore
    QByteArray lastVerb;
    int lastReplyCode = 0;
    QString errorReply;        // the last reply of 400 or above
    QString ownCommandFailure; // the first refusal of one of our own commands

    QByteArray* listing = nullptr;
    std::unique_ptr<ReplacingFile> target;
    std::unique_ptr<QFile> source;
    std::optional<std::pair<FtpError, QString>> stoppedBecause; // our own callback ended the transfer

    // States only go forward, and none is skipped.
    void advance(int state)
    {
        while (lastState < state)
            sink(++lastState);
    }
};

namespace {

using Request = FtpSession::Request;

int onDebug(CURL*, curl_infotype type, char* data, size_t size, void* user)
{
    auto& request = *static_cast<Request*>(user);
    const QByteArrayView text(data, qsizetype(size));
    if (type == CURLINFO_HEADER_OUT) {
        // The log-on commands (and the password) are not looked at beyond their verb.
        const QByteArray verb = verbOf(text);
        request.commandSent = true;
        request.lastVerb = verb;
        if (verb != "USER" && verb != "PASS" && verb != "ACCT" && verb != "PWD")
            request.advance(InternetTransfer::icRequesting);
        if (verb == request.mainVerb) {
            request.mainSent = true;
            request.advance(InternetTransfer::icRequestSent);
        }
    } else if (type == CURLINFO_HEADER_IN) {
        if (!request.commandSent)
            request.advance(InternetTransfer::icConnected);
        QByteArrayView line = text;
        while (line.endsWith('\n') || line.endsWith('\r'))
            line.chop(1);
        if (!isReplyLine(line))
            return 0;
        const int code = line.first(3).toByteArray().toInt();
        request.lastReplyCode = code;
        if (code >= 400) {
            request.errorReply = QString::fromUtf8(line);
            if (request.ownVerbs.contains(request.lastVerb) && request.ownCommandFailure.isEmpty())
                request.ownCommandFailure = request.errorReply;
        } else if (request.mainSent) {
            request.advance(InternetTransfer::icReceivingResponse);
        }
    }
    return 0;
}

int onSocketOption(void* user, curl_socket_t, curlsocktype)
{
    auto& request = *static_cast<Request*>(user);
    if (!request.commandSent) // a new control connection; data connections come after commands
        request.advance(InternetTransfer::icConnecting);
    return CURL_SOCKOPT_OK;
}

int onProgress(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t)
{
    return static_cast<Request*>(user)->cancelled() ? 1 : 0;
}

size_t onData(char* data, size_t size, size_t count, void* user)
{
    auto& request = *static_cast<Request*>(user);
    const qint64 length = qint64(size * count);
    if (request.listing) {
        if (request.listing->size() + length > kMaxListingSize) {
            request.stoppedBecause = {FtpError::Internal, QStringLiteral("The listing is larger than 256 MiB.")};
            return 0;
        }
        request.listing->append(data, length);
    } else if (request.target) {
        if (QString error; !request.target->write(data, length, &error)) {
            request.stoppedBecause = {FtpError::LocalFile, error};
            return 0;
        }
    }
    return size_t(length);
}

size_t onRead(char* buffer, size_t size, size_t count, void* user)
{
    auto& request = *static_cast<Request*>(user);
    const qint64 length = request.source->read(buffer, qint64(size * count));
    if (length < 0) {
        request.stoppedBecause = {
            FtpError::LocalFile,
            QStringLiteral("Cannot read \"%1\": %2").arg(request.source->fileName(), request.source->errorString())};
        return CURL_READFUNC_ABORT;
    }
    return size_t(length);
}

// A server that echoes what it was sent must not show the password to whoever reads the error.
// Shorter passwords would mangle ordinary words and can't be told from them anyway.
QString withoutPassword(QString text, const QString& password)
{
    if (password.size() >= 3)
        text.replace(password, QStringLiteral("****"));
    return text;
}

// Opens the local side of PUT and GET before anything is sent, so a bad path costs no request.
std::optional<FtpOutcome> openLocalFile(const FtpCommand& command, Request& request)
{
    if (command.kind == FtpCommand::Kind::Put) {
        const QString path = command.arguments[0];
        if (!QFileInfo(path).isFile())
            return FtpOutcome{
                FtpError::LocalFile, QStringLiteral("\"%1\" is not a file that can be sent.").arg(path), {}};
        request.source = std::make_unique<QFile>(path);
        if (!request.source->open(QIODevice::ReadOnly | QIODevice::Unbuffered))
            return FtpOutcome{FtpError::LocalFile,
                              QStringLiteral("Cannot read \"%1\": %2").arg(path, request.source->errorString()),
                              {}};
    } else if (command.kind == FtpCommand::Kind::Get) {
        request.target = std::make_unique<ReplacingFile>();
        if (QString error; !request.target->open(command.arguments[1], &error))
            return FtpOutcome{FtpError::LocalFile, error, {}};
    }
    return std::nullopt;
}

} // namespace

FtpSession::FtpSession() = default;

FtpSession::~FtpSession()
{
    drop();
}

FtpOutcome FtpSession::run(const FtpCommand& command, const FtpLogOn& logOn, const StateSink& sink,
                           const CancelCheck& cancelled)
{
    if (command.kind == FtpCommand::Kind::Close)
        return close(sink);

    Request request{sink, cancelled};
    if (auto refused = openLocalFile(command, request))
        return *refused;
    if (!(logOn == m_logOn)) {
        drop();
        m_logOn = logOn;
        m_mlsd = Mlsd::Unknown; // perhaps another server
    }
    if (!m_curl)
        m_curl = curl_easy_init();
    if (!m_curl)
        return {FtpError::Internal, QStringLiteral("The FTP library could not be started."), {}};

    request.lastState = m_connected ? InternetTransfer::icConnected : 0;
    request.advance(m_connected ? InternetTransfer::icRequesting : InternetTransfer::icHostResolvingHost);
    FtpOutcome outcome = dispatch(command, request);
    if (cancelled()) {
        drop();
        return {};
    }
    if (outcome.error == FtpError::None)
        request.advance(InternetTransfer::icResponseReceived);
    outcome.info = withoutPassword(outcome.info, logOn.password);
    return outcome;
}

void FtpSession::drop()
{
    if (m_curl) {
        // Shut the socket first so libcurl's goodbye to the server fails at once instead of waiting for an
        // answer that may never come.
        curl_socket_t socket = CURL_SOCKET_BAD;
        if (m_connected && curl_easy_getinfo(m_curl, CURLINFO_ACTIVESOCKET, &socket) == CURLE_OK &&
            socket != CURL_SOCKET_BAD)
            ::shutdown(socket, SHUT_RDWR);
        cleanUp(m_curl);
        m_curl = nullptr;
    }
    m_connected = false;
    m_folder = {};
}

FtpOutcome FtpSession::dispatch(const FtpCommand& command, Request& request)
{
    const QStringList& names = command.arguments;
    switch (command.kind) {
    case FtpCommand::Kind::Dir:
        return list(request);
    case FtpCommand::Kind::Cd:
        return changeFolder(m_folder.entered(names[0]), request);
    case FtpCommand::Kind::CdUp:
        return changeFolder(m_folder.parent(), request);
    case FtpCommand::Kind::MkDir:
        return sendCommands({u"MKD "_s + withoutFolderMark(names[0])}, request);
    case FtpCommand::Kind::Delete:
        return sendCommands({u"DELE "_s + withoutFolderMark(names[0])}, request);
    case FtpCommand::Kind::RmDir:
        return sendCommands({u"RMD "_s + withoutFolderMark(names[0])}, request);
    case FtpCommand::Kind::Rename:
        return sendCommands({u"RNFR "_s + withoutFolderMark(names[0]), u"RNTO "_s + withoutFolderMark(names[1])},
                            request);
    case FtpCommand::Kind::Size:
        return size(withoutFolderMark(names[0]), request);
    case FtpCommand::Kind::Get:
        return get(withoutFolderMark(names[0]), request);
    case FtpCommand::Kind::Put:
        return put(withoutFolderMark(names[1]), request);
    case FtpCommand::Kind::Close:
        break;
    }
    return {};
}

FtpOutcome FtpSession::list(Request& request)
{
    QByteArray listing;
    request.listing = &listing;
    if (m_mlsd != Mlsd::Missing) {
        prepare(m_folder.urlPath(), request);
        curl_easy_setopt(m_curl, CURLOPT_CUSTOMREQUEST, "MLSD");
        request.mainVerb = "MLSD";
        const int code = perform();
        if (code == CURLE_OK) {
            m_mlsd = Mlsd::Supported;
            return {FtpError::None, {}, buildDirReply(listing, ListingFormat::Mlsd)};
        }
        // 500, 501, 502 and 504 say the server does not know MLSD; then LIST, for the rest of the session.
        const int reply = request.lastReplyCode;
        const bool unknown = request.lastVerb == "MLSD" && reply >= 500 && reply <= 504 && reply != 503;
        if (!unknown || m_mlsd == Mlsd::Supported || request.cancelled())
            return failure(code, request);
        m_mlsd = Mlsd::Missing;
        listing.clear();
        request.errorReply.clear();
    }
    prepare(m_folder.urlPath(), request);
    request.mainVerb = "LIST";
    if (const int code = perform(); code != CURLE_OK)
        return failure(code, request);
    return {FtpError::None, {}, buildDirReply(listing, ListingFormat::List)};
}

// libcurl changes into the URL's folder before anything else, so asking for no body of a folder URL is a
// CWD that fails, with the server's reply, when the folder can't be entered.
FtpOutcome FtpSession::changeFolder(const RemoteFolder& target, Request& request)
{
    prepare(target.urlPath(), request);
    curl_easy_setopt(m_curl, CURLOPT_NOBODY, 1L);
    request.mainVerb = "CWD";
    if (const int code = perform(); code != CURLE_OK)
        return failure(code, request);
    m_folder = target;
    return {};
}

// Sent after the CWD into the current folder. The "*" keeps libcurl from closing the connection when the
// server refuses; the refusal is taken from the reply instead.
FtpOutcome FtpSession::sendCommands(const QStringList& commands, Request& request)
{
    prepare(m_folder.urlPath(), request);
    curl_easy_setopt(m_curl, CURLOPT_NOBODY, 1L);
    std::unique_ptr<curl_slist, SlistDeleter> list;
    for (const QString& command : commands) {
        const QByteArray line = command.toUtf8();
        list.reset(curl_slist_append(list.release(), ('*' + line).constData()));
        request.ownVerbs.append(verbOf(line));
    }
    curl_easy_setopt(m_curl, CURLOPT_PREQUOTE, list.get());
    request.mainVerb = request.ownVerbs.first();
    if (const int code = perform(); code != CURLE_OK)
        return failure(code, request);
    if (!request.ownCommandFailure.isEmpty())
        return {FtpError::ServerRefused, request.ownCommandFailure, {}};
    return {};
}

FtpOutcome FtpSession::size(const QString& name, Request& request)
{
    prepare(m_folder.urlPath(name), request);
    curl_easy_setopt(m_curl, CURLOPT_NOBODY, 1L);
    request.mainVerb = "SIZE";
    if (const int code = perform(); code != CURLE_OK)
        return failure(code, request);
    curl_off_t length = -1;
    curl_easy_getinfo(m_curl, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length);
    if (length < 0) {
        const QString info = request.errorReply.isEmpty()
                                 ? QStringLiteral("The server did not tell the size of \"%1\".").arg(name)
                                 : request.errorReply;
        return {FtpError::ServerRefused, info, {}};
    }
    return {FtpError::None, {}, QString::number(length)};
}

FtpOutcome FtpSession::get(const QString& remoteName, Request& request)
{
    prepare(m_folder.urlPath(remoteName), request);
    request.mainVerb = "RETR";
    if (const int code = perform(); code != CURLE_OK)
        return failure(code, request);
    if (QString error; !request.target->commit(&error))
        return {FtpError::LocalFile, error, {}};
    return {};
}

FtpOutcome FtpSession::put(const QString& remoteName, Request& request)
{
    prepare(m_folder.urlPath(remoteName), request);
    curl_easy_setopt(m_curl, CURLOPT_UPLOAD, 1L);
    curl_easy_setopt(m_curl, CURLOPT_READFUNCTION, onRead);
    curl_easy_setopt(m_curl, CURLOPT_READDATA, &request);
    curl_easy_setopt(m_curl, CURLOPT_INFILESIZE_LARGE, curl_off_t(request.source->size()));
    request.mainVerb = "STOR";
    if (const int code = perform(); code != CURLE_OK)
        return failure(code, request);
    return {};
}

FtpOutcome FtpSession::close(const StateSink& sink)
{
    sink(InternetTransfer::icDisconnecting);
    if (m_curl) {
        cleanUp(m_curl);
        m_curl = nullptr;
    }
    m_connected = false;
    m_folder = {};
    sink(InternetTransfer::icDisconnected);
    return {};
}

void FtpSession::prepare(const QString& urlPath, Request& request)
{
    CURL* curl = m_curl;
    curl_easy_reset(curl);
    request.commandSent = false;
    request.mainSent = false;

    const QByteArray url = (m_logOn.server.url() + urlPath).toUtf8();
    curl_easy_setopt(curl, CURLOPT_URL, url.constData());
    curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "ftp");
    curl_easy_setopt(curl, CURLOPT_PATH_AS_IS, 1L); // ".." is a folder name to the server, not to libcurl
    curl_easy_setopt(curl, CURLOPT_USERNAME, m_logOn.userName.toUtf8().constData());
    curl_easy_setopt(curl, CURLOPT_PASSWORD, m_logOn.password.toUtf8().constData());
    curl_easy_setopt(curl, CURLOPT_FTP_FILEMETHOD, long(CURLFTPMETHOD_SINGLECWD));
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);

    // A silent server ends the request; a transfer that keeps moving bytes is never cut off.
    const long timeout = m_logOn.timeoutSeconds > 0 ? m_logOn.timeoutSeconds : kNoLimitSeconds;
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, timeout);
    curl_easy_setopt(curl, CURLOPT_SERVER_RESPONSE_TIMEOUT, timeout);
    curl_easy_setopt(curl, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(curl, CURLOPT_LOW_SPEED_TIME, timeout);

    curl_easy_setopt(curl, CURLOPT_BUFFERSIZE, kBufferSize);
    curl_easy_setopt(curl, CURLOPT_UPLOAD_BUFFERSIZE, kBufferSize);

    curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, onProgress);
    curl_easy_setopt(curl, CURLOPT_XFERINFODATA, &request);
    // The command and reply lines drive the progress states and give the server's reply for errors.
    curl_easy_setopt(curl, CURLOPT_VERBOSE, 1L);
    curl_easy_setopt(curl, CURLOPT_DEBUGFUNCTION, onDebug);
    curl_easy_setopt(curl, CURLOPT_DEBUGDATA, &request);
    curl_easy_setopt(curl, CURLOPT_SOCKOPTFUNCTION, onSocketOption);
    curl_easy_setopt(curl, CURLOPT_SOCKOPTDATA, &request);
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, onData);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &request);
}

int FtpSession::perform()
{
    const CURLcode code = curl_easy_perform(m_curl);
    curl_socket_t socket = CURL_SOCKET_BAD;
    m_connected = curl_easy_getinfo(m_curl, CURLINFO_ACTIVESOCKET, &socket) == CURLE_OK && socket != CURL_SOCKET_BAD;
    return code;
}

FtpOutcome FtpSession::failure(int curlCode, const Request& request) const
{
    if (request.stoppedBecause)
        return {request.stoppedBecause->first, request.stoppedBecause->second, {}};
    const FtpError error = ftpErrorForCurlCode(curlCode);
    const QString reply = request.errorReply;
    const QString library = QString::fromUtf8(curl_easy_strerror(CURLcode(curlCode)));
    QString info;
    switch (error) {
    case FtpError::TimedOut:
        info = QStringLiteral("The server did not answer within %1 seconds.").arg(m_logOn.timeoutSeconds);
        break;
    case FtpError::ServerRefused:
        info = reply.isEmpty() ? QStringLiteral("The server refused the request (%1).").arg(library) : reply;
        break;
    case FtpError::NameNotResolved:
        info = QStringLiteral("The server name \"%1\" could not be found.").arg(m_logOn.server.host);
        break;
    case FtpError::LogOnRefused:
        info = QStringLiteral("The server refused the log-on") + (reply.isEmpty() ? u"."_s : u": "_s + reply);
        break;
    case FtpError::CannotConnect:
        info = QStringLiteral("Cannot connect to %1 on port %2.").arg(m_logOn.server.host).arg(m_logOn.server.port);
        break;
    case FtpError::ConnectionAborted:
        info =
            QStringLiteral("The connection to the server was aborted") + (reply.isEmpty() ? u"."_s : u": "_s + reply);
        break;
    default:
        info = QStringLiteral("The request failed: %1.").arg(library);
        break;
    }
    return {error, info, {}};
}

} // namespace lumaport
