// SPDX-License-Identifier: GPL-3.0-or-later
#include "transfer/ftp_request.h"

#include "transfer/ftp_reply.h"
#include "transfer/internet_transfer.h"
#include "transfer/remote_listing.h"

#include <QFileInfo>

#include <linux/tcp.h>
#include <netinet/in.h>
#include <sys/ioctl.h>
#include <sys/select.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace lumaport {

using namespace Qt::StringLiterals;

namespace {

// The default 16 KiB buffers halve the throughput of large transfers.
constexpr long kBufferSize = 512 * 1024;
// Over SSH a buffer is what libssh2 keeps in flight: a write's 30,000-byte pieces go out at once, and reads ahead
// run to four buffers. libcurl takes at most 2 MiB for sending.
constexpr long kSshBufferSize = 2 * 1024 * 1024;
// A server that never ends its listing must not eat the memory or the time.
constexpr qint64 kMaxListingSize = 256 * 1024 * 1024;
constexpr long kNoLimitSeconds = 24 * 60 * 60;
constexpr auto kProgressInterval = std::chrono::milliseconds(100);

int onDebug(CURL*, curl_infotype type, char* data, size_t size, void* user)
{
    auto& request = *static_cast<FtpRequest*>(user);
    const QByteArrayView text(data, qsizetype(size));
    if (type == CURLINFO_HEADER_OUT) {
        // The log-on commands (and the password) are not looked at beyond their verb.
        const QByteArray verb = verbOf(text);
        request.commandSent = true;
        request.lastVerb = verb;
        if (changesTheServer(verb))
            request.changedServer = true;
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
        if (request.commandSent && request.firstReplyCode == 0)
            request.firstReplyCode = code;
        if (request.lastVerb == "SIZE")
            request.sizeReply = line.toByteArray();
        if (request.lastVerb == "PWD")
            request.folderReply = code == 257 ? line.toByteArray() : QByteArray();
        if (code >= 400) {
            request.errorReply = QString::fromUtf8(line);
            if (request.ownVerbs.contains(request.lastVerb) && request.ownCommandFailure.isEmpty()) {
                request.ownCommandFailure = request.errorReply;
                request.refusedVerb = request.lastVerb;
            }
        } else if (request.mainSent) {
            request.advance(InternetTransfer::icReceivingResponse);
        }
    }
    return 0;
}

int onSocketOption(void* user, curl_socket_t socket, curlsocktype)
{
    auto& request = *static_cast<FtpRequest*>(user);
    if (request.identity.server.scheme == FtpServerAddress::Scheme::Sftp)
        request.greetingSocket = socket;
    if (!request.commandSent) // a new control connection; data connections come after commands
        request.advance(InternetTransfer::icConnecting);
    return CURL_SOCKOPT_OK;
}

size_t onData(char* data, size_t size, size_t count, void* user)
{
    auto& request = *static_cast<FtpRequest*>(user);
    const qint64 length = qint64(size * count);
    request.bytesMoved += length;
    if (!request.target) {
        request.listingBytes += length;
        if (request.listingBytes > kMaxListingSize) {
            request.stoppedBecause = {FtpError::Internal, QStringLiteral("The listing is larger than 256 MiB.")};
            return 0;
        }
        if (request.listing)
            request.listing->append(data, qsizetype(length));
    } else {
        if (QString error; !request.target->write(data, length, &error)) {
            request.stoppedBecause = {FtpError::LocalFile, error};
            return 0;
        }
    }
    return size_t(length);
}

size_t onRead(char* buffer, size_t size, size_t count, void* user)
{
    auto& request = *static_cast<FtpRequest*>(user);
    request.changedServer = true; // SFTP has no STOR line: the target is open on the server by now
    const qint64 length = request.source->read(buffer, qint64(size * count));
    request.bytesMoved += std::max<qint64>(length, 0);
    if (length < 0) {
        request.stoppedBecause = {
            FtpError::LocalFile,
            QStringLiteral("Cannot read \"%1\": %2").arg(request.source->fileName(), request.source->errorString())};
        return CURL_READFUNC_ABORT;
    }
    return size_t(length);
}

int onCloseSocket(void* peerHungUpFlag, curl_socket_t socket)
{
    if (peerHungUp(socket))
        *static_cast<bool*>(peerHungUpFlag) = true;
    return ::close(socket);
}

std::optional<FtpOutcome> refuseExistingFile(const QString& path)
{
    const QFileInfo file(path);
    if (!file.exists() && !file.isSymLink())
        return std::nullopt;
    return existingFileRefused(path);
}

} // namespace

namespace {

int onRequestProgress(void* request, curl_off_t, curl_off_t, curl_off_t, curl_off_t)
{
    auto& running = *static_cast<FtpRequest*>(request);
    running.showProgress(false);
    return running.cancelled() ? 1 : 0;
}

} // namespace

void FtpRequest::advance(int state)
{
    while (lastState < state)
        sink(++lastState);
}

void FtpRequest::showProgress(bool last)
{
    if (!progress || !mainSent)
        return;
    curl_off_t done = 0;
    curl_off_t total = -1;
    if (source) {
        curl_easy_getinfo(curl, CURLINFO_SIZE_UPLOAD_T, &done);
        total = source->size();
    } else {
        curl_easy_getinfo(curl, CURLINFO_SIZE_DOWNLOAD_T, &done);
        curl_easy_getinfo(curl, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &total);
    }
    const auto now = std::chrono::steady_clock::now();
    if (!last && (done == bytesShown || now - progressShown < kProgressInterval))
        return;
    progressShown = now;
    bytesShown = done;
    (*progress)(done, total);
}

bool FtpRequest::foreignGreeting()
{
    if (greetingSocket < 0)
        return false;
    // Only while nothing has been read off the connection does a look at it show the greeting's start.
    tcp_info info{};
    socklen_t infoSize = sizeof info;
    int waiting = 0;
    if (::getsockopt(greetingSocket, IPPROTO_TCP, TCP_INFO, &info, &infoSize) != 0 ||
        infoSize < offsetof(tcp_info, tcpi_bytes_received) + sizeof info.tcpi_bytes_received ||
        ::ioctl(greetingSocket, FIONREAD, &waiting) != 0 || info.tcpi_bytes_received > quint64(waiting)) {
        greetingSocket = -1;
        return false;
    }
    char head[128];
    const ssize_t got = ::recv(greetingSocket, head, sizeof head, MSG_PEEK | MSG_DONTWAIT);
    if (got <= 0)
        return false;
    const QByteArrayView seen(head, got);
    constexpr QByteArrayView ssh = "SSH-";
    if (seen.size() < ssh.size() && ssh.startsWith(seen))
        return false;
    const int socket = std::exchange(greetingSocket, -1);
    if (seen.startsWith(ssh))
        return false;
    const qsizetype end = seen.indexOf('\n');
    QString line = QString::fromUtf8(end >= 0 ? seen.first(end) : seen);
    line.removeIf([](QChar c) { return !c.isPrint(); });
    stoppedBecause = {FtpError::SecureChannel,
                      QStringLiteral("The server at %1 port %2 is not an SSH server; it greets with \"%3\". Is that "
                                     "the port of an FTP server?")
                          .arg(identity.server.host)
                          .arg(identity.server.port)
                          .arg(line.left(80))};
    ::shutdown(socket, SHUT_RDWR);
    return true;
}

void FtpRequest::startAgain()
{
    changedServer = false;
    errorReply.clear();
    ownCommandFailure.clear();
    sizeReply.clear();
    if (source)
        source->seek(0);
}

bool FtpRequest::foundSessionEnded(const FtpOutcome& outcome) const
{
    return bytesMoved == 0 &&
           (firstReplyCode == 421 || (!changedServer && outcome.error == FtpError::ConnectionAborted));
}

FtpOutcome existingFileRefused(const QString& path)
{
    return {FtpError::LocalFile,
            QStringLiteral("\"%1\" already exists; a received file never replaces a local one.").arg(path),
            {}};
}

std::optional<FtpOutcome> openLocalFile(const FtpCommand& command, FtpRequest& request)
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
        if (auto exists = refuseExistingFile(command.arguments[1]))
            return exists;
        request.targetPath = command.arguments[1];
        request.target = std::make_unique<ReplacingFile>();
        if (QString error; !request.target->open(request.targetPath, &error))
            return FtpOutcome{FtpError::LocalFile, error, {}};
    }
    return std::nullopt;
}

void prepareRequest(CURL* curl, const FtpLogOn& logOn, const QString& urlPath, FtpRequest& request,
                    bool* peerHungUpFlag)
{
    curl_easy_reset(curl);
    request.commandSent = false;
    request.mainSent = false;
    request.errorReply.clear();
    request.firstReplyCode = 0;
    request.lastReplyCode = 0;
    request.listingBytes = 0;

    const QByteArray url = (logOn.server.url() + urlPath).toUtf8();
    curl_easy_setopt(curl, CURLOPT_URL, url.constData());
    request.errorText[0] = '\0';
    curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, request.errorText);
    const FtpServerAddress::Scheme scheme = logOn.server.scheme;
    const bool sftp = scheme == FtpServerAddress::Scheme::Sftp;
    curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR,
                     sftp                                       ? "sftp"
                     : scheme == FtpServerAddress::Scheme::Ftps ? "ftps"
                                                                : "ftp");
    // Never plain FTP instead: the password would cross the network in clear.
    if (logOn.server.usesTls())
        curl_easy_setopt(curl, CURLOPT_USE_SSL, long(CURLUSESSL_ALL));
    checkServerIdentity(curl, request.identity);
    if (sftp) {
        curl_easy_setopt(curl, CURLOPT_CLOSESOCKETFUNCTION, onCloseSocket);
        curl_easy_setopt(curl, CURLOPT_CLOSESOCKETDATA, peerHungUpFlag); // connections never outlive the session
        const QByteArray& key = logOn.keyFile;
        curl_easy_setopt(
            curl, CURLOPT_SSH_AUTH_TYPES,
            long((key.isEmpty() ? 0 : CURLSSH_AUTH_PUBLICKEY) | CURLSSH_AUTH_PASSWORD | CURLSSH_AUTH_KEYBOARD));
        curl_easy_setopt(curl, CURLOPT_SSH_PRIVATE_KEYFILE, key.isEmpty() ? nullptr : key.constData());
        curl_easy_setopt(curl, CURLOPT_KEYPASSWD,
                         logOn.keyPassphrase.isEmpty() ? nullptr : logOn.keyPassphrase.toUtf8().constData());
        // No command lines tell when the request itself is under way: progress counts from the start.
        request.mainSent = true;
        // Readable by the web server, whatever the server's own default.
        curl_easy_setopt(curl, CURLOPT_NEW_FILE_PERMS, 0644L);
    }
    curl_easy_setopt(curl, CURLOPT_PATH_AS_IS, 1L); // ".." is a folder name to the server, not to libcurl
    curl_easy_setopt(curl, CURLOPT_USERNAME, logOn.userName.toUtf8().constData());
    curl_easy_setopt(curl, CURLOPT_PASSWORD, logOn.password.toUtf8().constData());
    curl_easy_setopt(curl, CURLOPT_FTP_FILEMETHOD, long(CURLFTPMETHOD_SINGLECWD));
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);

    prepareLimitsAndProgress(curl, logOn, request);
    // The command and reply lines drive the progress states and give the server's reply for errors.
    curl_easy_setopt(curl, CURLOPT_VERBOSE, 1L);
    curl_easy_setopt(curl, CURLOPT_DEBUGFUNCTION, onDebug);
    curl_easy_setopt(curl, CURLOPT_DEBUGDATA, &request);
    curl_easy_setopt(curl, CURLOPT_SOCKOPTFUNCTION, onSocketOption);
    curl_easy_setopt(curl, CURLOPT_SOCKOPTDATA, &request);
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, onData);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &request);
}

void prepareLimitsAndProgress(CURL* curl, const FtpLogOn& logOn, FtpRequest& request)
{
    // A silent server ends the request; a transfer that keeps moving bytes is never cut off.
    const long timeout = logOn.timeoutSeconds > 0 ? logOn.timeoutSeconds : kNoLimitSeconds;
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, timeout);
    curl_easy_setopt(curl, CURLOPT_SERVER_RESPONSE_TIMEOUT, timeout);
    curl_easy_setopt(curl, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(curl, CURLOPT_LOW_SPEED_TIME, timeout);

    const long buffer = logOn.server.scheme == FtpServerAddress::Scheme::Sftp ? kSshBufferSize : kBufferSize;
    curl_easy_setopt(curl, CURLOPT_BUFFERSIZE, buffer);
    curl_easy_setopt(curl, CURLOPT_UPLOAD_BUFFERSIZE, buffer);

    curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, onRequestProgress);
    curl_easy_setopt(curl, CURLOPT_XFERINFODATA, &request);
}

void prepareUpload(CURL* curl, FtpRequest& request, bool append)
{
    curl_easy_setopt(curl, CURLOPT_UPLOAD, 1L);
    curl_easy_setopt(curl, CURLOPT_APPEND, long(append));
    curl_easy_setopt(curl, CURLOPT_READFUNCTION, onRead);
    curl_easy_setopt(curl, CURLOPT_READDATA, &request);
    curl_easy_setopt(curl, CURLOPT_INFILESIZE_LARGE, curl_off_t(request.source->size()));
}

void quoteOwnCommands(CURL* curl, CURLoption when, const QStringList& commands, FtpRequest& request)
{
    request.ownVerbs.clear();
    request.ownCommandFailure.clear();
    request.refusedVerb.clear();
    CurlList list;
    for (const QString& command : commands) {
        const QByteArray line = command.toUtf8();
        // The "*" keeps libcurl from failing the request and closing the connection when the server refuses.
        list.reset(curl_slist_append(list.release(), ('*' + line).constData()));
        request.ownVerbs.append(verbOf(line));
    }
    curl_easy_setopt(curl, when, list.get());
    request.ownCommands = std::move(list);
}

bool peerHungUp(int socket)
{
    char byte = 0;
    const ssize_t peeked = ::recv(socket, &byte, 1, MSG_PEEK | MSG_DONTWAIT);
    return peeked == 0 || (peeked < 0 && errno != EAGAIN && errno != EWOULDBLOCK);
}

FtpOutcome requestFailure(int curlCode, const FtpRequest& request, const FtpLogOn& logOn, bool sshLost)
{
    const bool sftp = logOn.server.scheme == FtpServerAddress::Scheme::Sftp;
    if (request.stoppedBecause)
        return {request.stoppedBecause->first, request.stoppedBecause->second, {}};
    if (request.identity.refusedIdentity) {
        const ServerIdentity& identity = *request.identity.refusedIdentity;
        const QString what = identity.kind == ServerIdentity::Kind::HostKey ? u"host key"_s : u"certificate"_s;
        return {FtpError::NotTrusted,
                QStringLiteral("The %1 of %2 is not trusted: %3.").arg(what, identity.server, identity.reason),
                {}};
    }
    FtpError error = ftpErrorForCurlCode(curlCode);
    // An SFTP server sends no reply lines; libcurl's words are the nearest to one.
    const QString reply = sftp ? QString::fromUtf8(request.errorText) : request.errorReply;
    const QString library = request.errorText[0] ? QString::fromUtf8(request.errorText)
                                                 : QString::fromUtf8(curl_easy_strerror(CURLcode(curlCode)));
    // libcurl takes a 421 for a time-out, but the server said it is closing the session.
    if (request.lastReplyCode == 421 || (sshLost && (error == FtpError::ServerRefused || error == FtpError::Internal)))
        error = FtpError::ConnectionAborted;
    const FtpFailureFacts facts{curlCode, reply, library, logOn.server.host, logOn.server.port, logOn.timeoutSeconds,
                                sftp};
    return {error, ftpFailureText(error, facts), {}};
}

} // namespace lumaport
