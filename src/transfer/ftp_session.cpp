// SPDX-License-Identifier: GPL-3.0-or-later
#include "transfer/ftp_session.h"

#include "platform/replacing_file.h"
#include "transfer/ftp_reply.h"
#include "transfer/internet_transfer.h"
#include "transfer/remote_listing.h"
#include "transfer/server_identity.h"
#include "transfer/upload_temporary.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <QUrl>

#include <curl/curl.h>
#include <poll.h>
#include <sys/select.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <memory>
#include <optional>
#include <string_view>
#include <utility>

namespace lumaport {

using namespace Qt::StringLiterals;

namespace {

// The default 16 KiB buffers halve the throughput of large transfers.
constexpr long kBufferSize = 512 * 1024;
// A server that never ends its listing must not eat the memory or the time.
constexpr qint64 kMaxListingSize = 256 * 1024 * 1024;
constexpr long kNoLimitSeconds = 24 * 60 * 60;
// How long the transfer loop sleeps at most before it looks whether the request was cancelled.
constexpr int kCancelCheckMs = 100;
constexpr auto kProgressInterval = std::chrono::milliseconds(100);
// Logging off waits this long for the server's goodbye.
constexpr auto kQuitWait = std::chrono::seconds(2);

struct SlistDeleter
{
    void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};

} // namespace

struct FtpSession::Request
{
    Request(const StateSink& sink, const CancelCheck& cancelled) : sink(sink), cancelled(cancelled) {}

    const StateSink& sink;
    const CancelCheck& cancelled;
    const ProgressSink* progress = nullptr; // for PUT and GET
    int lastState = 0;
    CURL* curl = nullptr;

    bool commandSent = false; // in the current perform: the first reply before any command is the greeting
    QByteArray mainVerb;      // the command that is the request itself ("MLSD", "RETR", ...)
    bool mainSent = false;
    bool changedServer = false; // a command that changes the server has been sent
    int firstReplyCode = 0;     // in the current perform
    qint64 bytesMoved = 0;      // of the request's data, either way, since it began
    QList<QByteArray> ownVerbs; // commands of ours whose refusal curl is told to ignore
    QByteArray lastVerb;
    int lastReplyCode = 0;
    QString errorReply;        // the last reply of 400 or above
    QString ownCommandFailure; // the first refusal of one of our own commands
    QByteArray refusedVerb;    // the command of that refusal
    QByteArray sizeReply;      // the answer to SIZE, which libcurl reads too leniently
    QByteArray folderReply;    // the answer to the last PWD, when it named a folder

    DirReplyBuilder* listing = nullptr;
    qint64 listingBytes = 0; // a listing's, or the one an SFTP change of folder reads and drops
    std::unique_ptr<ReplacingFile> target;
    QString targetPath;
    std::unique_ptr<QFile> source;
    std::optional<std::pair<FtpError, QString>> stoppedBecause; // our own callback ended the transfer
    char errorText[CURL_ERROR_SIZE] = {};                       // libcurl's own words on the failure

    IdentityCheck identity;

    std::chrono::steady_clock::time_point progressShown;
    qint64 bytesShown = -1;

    // States only go forward, and none is skipped.
    void advance(int state)
    {
        while (lastState < state)
            sink(++lastState);
    }

    // Ten updates a second are plenty for a progress bar and cost the user-interface thread nothing.
    void showProgress(bool last)
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

    void startAgain()
    {
        changedServer = false;
        errorReply.clear();
        ownCommandFailure.clear();
        sizeReply.clear();
        if (source)
            source->seek(0);
    }

    // A server ends an idle session with a 421 before anything else, or just closes it. Only a request of which
    // nothing has been done is run again on a new connection: over SFTP a drop mid-way looks like one before
    // the start, so bytes tell, not replies. A GET run again has written nothing and starts its file afresh.
    bool foundSessionEnded(const FtpOutcome& outcome) const
    {
        return bytesMoved == 0 &&
               (firstReplyCode == 421 || (!changedServer && outcome.error == FtpError::ConnectionAborted));
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

int onSocketOption(void* user, curl_socket_t, curlsocktype)
{
    auto& request = *static_cast<Request*>(user);
    if (!request.commandSent) // a new control connection; data connections come after commands
        request.advance(InternetTransfer::icConnecting);
    return CURL_SOCKOPT_OK;
}

int onProgress(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t)
{
    auto& request = *static_cast<Request*>(user);
    request.showProgress(false);
    return request.cancelled() ? 1 : 0;
}

size_t onData(char* data, size_t size, size_t count, void* user)
{
    auto& request = *static_cast<Request*>(user);
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
    auto& request = *static_cast<Request*>(user);
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

// libssh2 calls a connection the server closed just an error of the SSH layer; the socket tells what it was.
bool peerHungUp(curl_socket_t socket)
{
    char byte = 0;
    const ssize_t peeked = ::recv(socket, &byte, 1, MSG_PEEK | MSG_DONTWAIT);
    return peeked == 0 || (peeked < 0 && errno != EAGAIN && errno != EWOULDBLOCK);
}

// The window's list may not show a file (hidden, or made since it was filled), so a download never takes the
// place of one.
FtpOutcome existingFileRefused(const QString& path)
{
    return {FtpError::LocalFile,
            QStringLiteral("\"%1\" already exists; a received file never replaces a local one.").arg(path),
            {}};
}

std::optional<FtpOutcome> refuseExistingFile(const QString& path)
{
    const QFileInfo file(path);
    if (!file.exists() && !file.isSymLink())
        return std::nullopt;
    return existingFileRefused(path);
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
        if (auto exists = refuseExistingFile(command.arguments[1]))
            return exists;
        request.targetPath = command.arguments[1];
        request.target = std::make_unique<ReplacingFile>();
        if (QString error; !request.target->open(request.targetPath, &error))
            return FtpOutcome{FtpError::LocalFile, error, {}};
    }
    return std::nullopt;
}

// A path in an SFTP command, quoted the way libcurl reads it back.
QString sshName(const RemoteFolder& folder, const QString& name)
{
    QString path = folder.sshPath(withoutFolderMark(name));
    path.replace(u'\\', u"\\\\"_s).replace(u'"', u"\\\""_s);
    return u'"' + path + u'"';
}

} // namespace

FtpSession::FtpSession() = default;

FtpSession::~FtpSession()
{
    drop();
}

FtpOutcome FtpSession::run(const FtpCommand& command, const FtpLogOn& logOn, const StateSink& sink,
                           const ProgressSink& progress, const CancelCheck& cancelled)
{
    if (command.kind == FtpCommand::Kind::Close)
        return close(sink, cancelled);

    m_refusedIdentity.reset();
    Request request{sink, cancelled};
    if (auto refused = openLocalFile(command, request))
        return *refused;
    request.identity.server = logOn.server;
    request.identity.trustedFingerprint = logOn.trustedFingerprint;
    if (command.kind == FtpCommand::Kind::Get || command.kind == FtpCommand::Kind::Put)
        request.progress = &progress;
    if (!(logOn == m_logOn)) {
        drop();
        m_logOn = logOn;
        m_mlsd = Mlsd::Unknown; // perhaps another server
        m_safeSend = SafeSend::Unknown;
        m_appendRefused = false;
        m_leftovers.clear();
    }
    const bool reused = m_connected;
    request.lastState = reused ? InternetTransfer::icConnected : 0;
    request.advance(reused ? InternetTransfer::icRequesting : InternetTransfer::icHostResolvingHost);
    FtpOutcome outcome = start(command, request);
    if (reused && !cancelled() && request.foundSessionEnded(outcome)) {
        // The server ended the session while it sat idle: log on again, in the same folder, and try once more.
        disconnect();
        request.startAgain();
        outcome = start(command, request);
    }
    if (cancelled()) {
        drop();
        return {};
    }
    if (outcome.error == FtpError::None)
        request.advance(InternetTransfer::icResponseReceived);
    m_refusedIdentity = request.identity.refusedIdentity;
    outcome.info = withoutPassword(outcome.info, logOn.password);
    return outcome;
}

int FtpSession::onCloseSocket(void* session, curl_socket_t socket)
{
    if (peerHungUp(socket))
        static_cast<FtpSession*>(session)->m_peerHungUp = true;
    return ::close(socket);
}

void FtpSession::drop()
{
    disconnect();
    m_folder = {};
}

void FtpSession::disconnect()
{
    // Shut the socket first so libcurl's goodbye to the server fails at once instead of waiting for an answer
    // that may never come.
    if (m_connected)
        ::shutdown(m_socket, SHUT_RDWR);
    if (m_multi)
        curl_multi_cleanup(m_multi);
    if (m_curl)
        curl_easy_cleanup(m_curl);
    m_multi = nullptr;
    m_curl = nullptr;
    m_connected = false;
}

FtpOutcome FtpSession::start(const FtpCommand& command, Request& request)
{
    if (!m_curl)
        m_curl = curl_easy_init();
    if (!m_multi)
        m_multi = curl_multi_init();
    if (!m_curl || !m_multi)
        return {FtpError::Internal, QStringLiteral("The FTP library could not be started."), {}};
    request.curl = m_curl;
    if (!m_connected && !m_leftovers.isEmpty()) {
        if (auto failed = removeLeftovers(request))
            return *failed;
    }
    return dispatch(command, request);
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
        if (sftp())
            return sendSshCommands(m_folder, {u"mkdir "_s + sshName(m_folder, names[0])}, request);
        return sendCommands(m_folder, {u"MKD "_s + withoutFolderMark(names[0])}, request);
    case FtpCommand::Kind::Delete:
        return removeFile(m_folder, names[0], request);
    case FtpCommand::Kind::RmDir:
        if (sftp())
            return sendSshCommands(m_folder, {u"rmdir "_s + sshName(m_folder, names[0])}, request);
        return sendCommands(m_folder, {u"RMD "_s + withoutFolderMark(names[0])}, request);
    case FtpCommand::Kind::Rename:
        return renameFile(names[0], names[1], request);
    case FtpCommand::Kind::Size:
        return size(sftp() ? names[0] : withoutFolderMark(names[0]), request);
    case FtpCommand::Kind::Get:
        return get(withoutFolderMark(names[0]), request);
    case FtpCommand::Kind::Put:
        return put(withoutFolderMark(names[1]), request);
    case FtpCommand::Kind::Chmod:
        if (sftp())
            return sendSshCommands(m_folder, {u"chmod 644 "_s + sshName(m_folder, names[0])}, request);
        return sendCommands(m_folder, {u"SITE CHMOD 644 "_s + withoutFolderMark(names[0])}, request);
    case FtpCommand::Kind::Close:
        break;
    }
    return {};
}

FtpOutcome FtpSession::list(Request& request)
{
    DirReplyBuilder listing(ListingFormat::List);
    request.listing = &listing;
    if (sftp()) {
        prepare(urlPath(m_folder), request);
        if (const int code = perform(request); code != CURLE_OK)
            return failure(code, request);
        return listed(listing, request);
    }
    if (m_mlsd != Mlsd::Missing) {
        listing = DirReplyBuilder(ListingFormat::Mlsd);
        prepare(m_folder.urlPath(), request);
        curl_easy_setopt(m_curl, CURLOPT_CUSTOMREQUEST, "MLSD");
        request.mainVerb = "MLSD";
        const int code = perform(request);
        if (code == CURLE_OK) {
            m_mlsd = Mlsd::Supported;
            return listed(listing, request);
        }
        // 500, 501, 502 and 504 say the server does not know MLSD; then LIST, for the rest of the session.
        const int reply = request.lastReplyCode;
        const bool unknown = request.lastVerb == "MLSD" && reply >= 500 && reply <= 504 && reply != 503;
        if (!unknown || m_mlsd == Mlsd::Supported || request.cancelled())
            return failure(code, request);
        m_mlsd = Mlsd::Missing;
        listing = DirReplyBuilder(ListingFormat::List);
    }
    prepare(m_folder.urlPath(), request);
    request.mainVerb = "LIST";
    if (const int code = perform(request); code != CURLE_OK)
        return failure(code, request);
    return listed(listing, request);
}

// Temporaries a copy of the program stopped mid-send left here go as the folder is listed; whatever comes of
// that, the listing stands.
FtpOutcome FtpSession::listed(DirReplyBuilder& listing, Request& request)
{
    const QString reply = listing.finish();
    request.listing = nullptr;
    QStringList commands;
    for (const QString& name : listing.staleTemporaries())
        commands << (sftp() ? u"*rm "_s + sshName(m_folder, name) : u"DELE "_s + name);
    if (!commands.isEmpty() && sftp())
        sendSshCommands(m_folder, commands, request);
    else if (!commands.isEmpty())
        sendCommands(m_folder, commands, request);
    return {FtpError::None, {}, reply};
}

// libcurl changes into the URL's folder before anything else, so asking for no body of a folder URL is a
// CWD that fails, with the server's reply, when the folder can't be entered.
// SFTP has no current folder: the target is listed to see that it can be entered.
FtpOutcome FtpSession::changeFolder(const RemoteFolder& target, Request& request)
{
    prepare(urlPath(target), request);
    if (!sftp())
        curl_easy_setopt(m_curl, CURLOPT_NOBODY, 1L);
    // The server, not the name asked for, says where the change led: one that keeps the user inside the
    // log-on folder answers CDUP there with success and stays put.
    std::unique_ptr<curl_slist, SlistDeleter> askFolder;
    if (!sftp()) {
        askFolder.reset(curl_slist_append(nullptr, "*PWD"));
        curl_easy_setopt(m_curl, CURLOPT_PREQUOTE, askFolder.get());
    }
    request.mainVerb = "CWD";
    if (const int code = perform(request); code != CURLE_OK)
        return failure(code, request);
    const char* logOnPath = nullptr;
    curl_easy_getinfo(m_curl, CURLINFO_FTP_ENTRY_PATH, &logOnPath);
    m_folder =
        folderFromServerPaths(QString::fromUtf8(logOnPath), pathFromFolderReply(request.folderReply)).value_or(target);
    return {};
}

// Sent after the CWD into the current folder. The "*" keeps libcurl from closing the connection when the
// server refuses; the refusal is taken from the reply instead.
FtpOutcome FtpSession::sendCommands(const RemoteFolder& folder, const QStringList& commands, Request& request)
{
    prepare(folder.urlPath(), request);
    curl_easy_setopt(m_curl, CURLOPT_NOBODY, 1L);
    request.ownVerbs.clear();
    request.ownCommandFailure.clear();
    request.refusedVerb.clear();
    std::unique_ptr<curl_slist, SlistDeleter> list;
    for (const QString& command : commands) {
        const QByteArray line = command.toUtf8();
        list.reset(curl_slist_append(list.release(), ('*' + line).constData()));
        request.ownVerbs.append(verbOf(line));
    }
    curl_easy_setopt(m_curl, CURLOPT_PREQUOTE, list.get());
    request.mainVerb = request.ownVerbs.first();
    if (const int code = perform(request); code != CURLE_OK)
        return failure(code, request);
    if (!request.ownCommandFailure.isEmpty())
        return {FtpError::ServerRefused, request.ownCommandFailure, {}};
    return {};
}

FtpOutcome FtpSession::sendSshCommands(const RemoteFolder& folder, const QStringList& commands, Request& request)
{
    prepare(urlPath(folder), request);
    curl_easy_setopt(m_curl, CURLOPT_NOBODY, 1L); // the folder is not listed after the commands
    std::unique_ptr<curl_slist, SlistDeleter> list;
    for (const QString& command : commands)
        list.reset(curl_slist_append(list.release(), command.toUtf8().constData()));
    curl_easy_setopt(m_curl, CURLOPT_QUOTE, list.get());
    if (const int code = perform(request); code != CURLE_OK)
        return failure(code, request);
    return {};
}

FtpOutcome FtpSession::removeFile(const RemoteFolder& folder, const QString& name, Request& request)
{
    if (sftp())
        return sendSshCommands(folder, {u"rm "_s + sshName(folder, name)}, request);
    return sendCommands(folder, {u"DELE "_s + withoutFolderMark(name)}, request);
}

FtpOutcome FtpSession::renameFile(const QString& from, const QString& to, Request& request)
{
    if (sftp())
        return sendSshCommands(m_folder, {u"rename "_s + sshName(m_folder, from) + u' ' + sshName(m_folder, to)},
                               request);
    return sendCommands(m_folder, {u"RNFR "_s + withoutFolderMark(from), u"RNTO "_s + withoutFolderMark(to)}, request);
}

FtpOutcome FtpSession::size(const QString& name, Request& request)
{
    if (sftp()) {
        // A folder would open like a file on many servers and tell a size of its own.
        if (name.endsWith(u'/'))
            return {
                FtpError::ServerRefused, QStringLiteral("\"%1\" is a folder; only files have a size.").arg(name), {}};
        prepare(urlPath(m_folder, name), request);
        curl_easy_setopt(m_curl, CURLOPT_NOBODY, 1L);
        if (const int code = perform(request); code != CURLE_OK)
            return failure(code, request);
        curl_off_t length = -1;
        curl_easy_getinfo(m_curl, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length);
        if (length < 0)
            return {
                FtpError::ServerRefused, QStringLiteral("The server did not tell the size of \"%1\".").arg(name), {}};
        return {FtpError::None, {}, QString::number(length)};
    }
    prepare(m_folder.urlPath(name), request);
    curl_easy_setopt(m_curl, CURLOPT_NOBODY, 1L);
    request.mainVerb = "SIZE";
    if (const int code = perform(request); code != CURLE_OK)
        return failure(code, request);
    if (!request.sizeReply.startsWith("213")) {
        const QString info = request.errorReply.isEmpty()
                                 ? QStringLiteral("The server did not tell the size of \"%1\".").arg(name)
                                 : request.errorReply;
        return {FtpError::ServerRefused, info, {}};
    }
    const std::optional<qint64> length = sizeFromReply(request.sizeReply);
    if (!length)
        return {FtpError::ServerRefused,
                QStringLiteral("The server's answer is not a size: %1").arg(QString::fromUtf8(request.sizeReply)),
                {}};
    return {FtpError::None, {}, QString::number(*length)};
}

FtpOutcome FtpSession::get(const QString& remoteName, Request& request)
{
    prepare(urlPath(m_folder, remoteName), request);
    request.mainVerb = "RETR";
    const int code = perform(request);
    request.showProgress(true);
    if (code != CURLE_OK)
        return failure(code, request);
    // The rename itself refuses a file that appeared while the bytes arrived.
    bool exists = false;
    if (QString error; !request.target->commit(&error, ReplacingFile::Commit::KeepExisting, &exists))
        return exists ? existingFileRefused(request.targetPath) : FtpOutcome{FtpError::LocalFile, error, {}};
    return {};
}

FtpOutcome FtpSession::put(const QString& remoteName, Request& request)
{
    // The bar follows the data only, not the renames and removals around it.
    const ProgressSink* const progress = std::exchange(request.progress, nullptr);
    if (m_safeSend == SafeSend::InPlace)
        return store(remoteName, progress, request);
    const QString temporary = uploadTemporaryName();
    const FtpOutcome sent = storeTemporary(temporary, progress, request);
    if (sent.error != FtpError::None) {
        // The server does not let the temporary be made there.
        if (refusedBeforeAByte(sent))
            return storeInPlace(remoteName, progress, u"the server refused its temporary file"_s, request);
        dropTemporary(temporary, request);
        return sent;
    }
    FtpOutcome renamed = renameFile(temporary, remoteName, request);
    // Some servers rename only onto a free name. A refused RNFR means no renames at all: the old file stays.
    if (renamed.error == FtpError::ServerRefused && request.refusedVerb != "RNFR" && m_connected) {
        removeFile(m_folder, remoteName, request);
        renamed = renameFile(temporary, remoteName, request);
    }
    if (renamed.error == FtpError::None) {
        m_safeSend = SafeSend::Works;
        return {};
    }
    dropTemporary(temporary, request);
    if (renamed.error != FtpError::ServerRefused || !m_connected)
        return renamed;
    return storeInPlace(remoteName, progress, u"the server refuses renames"_s, request);
}

// A server that truncates the file a STOR names may see it written out to disk at its close (ext4 does so for
// a file truncated and written again), and the rename after waits for that: about half a second a GiB. A new
// file appended to is never truncated.
FtpOutcome FtpSession::storeTemporary(const QString& temporary, const ProgressSink* progress, Request& request)
{
    if (sftp() || m_appendRefused)
        return store(temporary, progress, request);
    const FtpOutcome sent = store(temporary, progress, request, Store::Append);
    if (!refusedBeforeAByte(sent) || request.lastVerb != "APPE")
        return sent;
    m_appendRefused = true;
    request.startAgain();
    return store(temporary, progress, request);
}

FtpOutcome FtpSession::store(const QString& remoteName, const ProgressSink* progress, Request& request, Store how)
{
    request.progress = progress;
    prepare(urlPath(m_folder, remoteName), request);
    curl_easy_setopt(m_curl, CURLOPT_UPLOAD, 1L);
    curl_easy_setopt(m_curl, CURLOPT_APPEND, long(how == Store::Append));
    curl_easy_setopt(m_curl, CURLOPT_READFUNCTION, onRead);
    curl_easy_setopt(m_curl, CURLOPT_READDATA, &request);
    curl_easy_setopt(m_curl, CURLOPT_INFILESIZE_LARGE, curl_off_t(request.source->size()));
    request.mainVerb = how == Store::Append ? "APPE" : "STOR";
    const int code = perform(request);
    request.showProgress(true);
    request.progress = nullptr;
    if (code != CURLE_OK)
        return failure(code, request);
    return {};
}

// Nothing of the file reached the server and the connection is still there: another way may be tried.
bool FtpSession::refusedBeforeAByte(const FtpOutcome& sent) const
{
    curl_off_t bytes = 0;
    curl_easy_getinfo(m_curl, CURLINFO_SIZE_UPLOAD_T, &bytes);
    return sent.error == FtpError::ServerRefused && bytes == 0 && m_connected;
}

FtpOutcome FtpSession::storeInPlace(const QString& remoteName, const ProgressSink* progress, const QString& why,
                                    Request& request)
{
    request.startAgain();
    FtpOutcome outcome = store(remoteName, progress, request);
    if (outcome.error == FtpError::None) {
        m_safeSend = SafeSend::InPlace;
        outcome.info = u"Sent in place, as %1: a send that breaks now leaves a cut file."_s.arg(why);
    }
    return outcome;
}

void FtpSession::dropTemporary(const QString& temporary, Request& request)
{
    if (m_connected && !request.cancelled())
        removeFile(m_folder, temporary, request);
    if (!m_connected || request.cancelled())
        m_leftovers.append({m_folder, temporary});
}

std::optional<FtpOutcome> FtpSession::removeLeftovers(Request& request)
{
    while (!m_leftovers.isEmpty()) {
        const Leftover leftover = m_leftovers.first();
        const FtpOutcome removed = removeFile(leftover.folder, leftover.name, request);
        // A refusal means it is gone or never was; anything else is the log on failing, which is the request's.
        if (removed.error != FtpError::None && removed.error != FtpError::ServerRefused)
            return removed;
        m_leftovers.removeFirst();
    }
    return std::nullopt;
}

FtpOutcome FtpSession::close(const StateSink& sink, const CancelCheck& cancelled)
{
    sink(InternetTransfer::icDisconnecting);
    // Over TLS or SSH a goodbye in plain text would only be noise to the server.
    if (m_connected && m_logOn.server.scheme == FtpServerAddress::Scheme::Ftp)
        sayGoodbye(cancelled);
    drop();
    sink(InternetTransfer::icDisconnected);
    return {};
}

// libcurl would wait for the answer to QUIT as long as for any reply, and the user who logs off or leaves the
// program is not to wait for a server that keeps silent.
void FtpSession::sayGoodbye(const CancelCheck& cancelled)
{
    constexpr std::string_view quit = "QUIT\r\n";
    if (::send(m_socket, quit.data(), quit.size(), MSG_NOSIGNAL) != ssize_t(quit.size()))
        return;
    pollfd answer{m_socket, POLLIN, 0};
    const auto deadline = std::chrono::steady_clock::now() + kQuitWait;
    while (!cancelled() && std::chrono::steady_clock::now() < deadline) {
        if (::poll(&answer, 1, kCancelCheckMs / 2) != 0)
            return;
    }
}

QString FtpSession::urlPath(const RemoteFolder& folder, const QString& name) const
{
    if (sftp())
        return folder.sshUrlPath(name);
    return name.isEmpty() ? folder.urlPath() : folder.urlPath(name);
}

void FtpSession::prepare(const QString& urlPath, Request& request)
{
    CURL* curl = m_curl;
    curl_easy_reset(curl);
    request.commandSent = false;
    request.mainSent = false;
    request.errorReply.clear();
    request.firstReplyCode = 0;
    request.lastReplyCode = 0;
    request.listingBytes = 0;

    const QByteArray url = (m_logOn.server.url() + urlPath).toUtf8();
    curl_easy_setopt(curl, CURLOPT_URL, url.constData());
    request.errorText[0] = '\0';
    curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, request.errorText);
    const FtpServerAddress::Scheme scheme = m_logOn.server.scheme;
    curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR,
                     sftp()                                     ? "sftp"
                     : scheme == FtpServerAddress::Scheme::Ftps ? "ftps"
                                                                : "ftp");
    // Never plain FTP instead: the password would cross the network in clear.
    if (m_logOn.server.usesTls())
        curl_easy_setopt(curl, CURLOPT_USE_SSL, long(CURLUSESSL_ALL));
    checkServerIdentity(curl, request.identity);
    if (sftp()) {
        curl_easy_setopt(curl, CURLOPT_CLOSESOCKETFUNCTION, onCloseSocket);
        curl_easy_setopt(curl, CURLOPT_CLOSESOCKETDATA, this); // connections never outlive the session
        const QByteArray& key = m_logOn.keyFile;
        curl_easy_setopt(
            curl, CURLOPT_SSH_AUTH_TYPES,
            long((key.isEmpty() ? 0 : CURLSSH_AUTH_PUBLICKEY) | CURLSSH_AUTH_PASSWORD | CURLSSH_AUTH_KEYBOARD));
        curl_easy_setopt(curl, CURLOPT_SSH_PRIVATE_KEYFILE, key.isEmpty() ? nullptr : key.constData());
        curl_easy_setopt(curl, CURLOPT_KEYPASSWD,
                         m_logOn.keyPassphrase.isEmpty() ? nullptr : m_logOn.keyPassphrase.toUtf8().constData());
        // No command lines tell when the request itself is under way: progress counts from the start.
        request.mainSent = true;
        // Readable by the web server, whatever the server's own default.
        curl_easy_setopt(curl, CURLOPT_NEW_FILE_PERMS, 0644L);
    }
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

// curl_easy_perform would do, but libcurl 7.88 now and then leaves a transfer with nothing to wait for right
// after a quick passive-mode reply (parked until the data connection is to be opened, with no socket to watch
// and only far timers), and curl_easy_perform then sleeps a full second before it looks again. This loop goes
// on at once instead, and looks for a cancel between its waits.
int FtpSession::perform(Request& request)
{
    m_peerHungUp = false;
    CURLM* multi = m_multi;
    CURL* curl = m_curl;
    curl_multi_add_handle(multi, curl);
    CURLcode code = CURLE_OK;
    for (;;) {
        int running = 0;
        if (curl_multi_perform(multi, &running) != CURLM_OK) {
            code = CURLE_OUT_OF_MEMORY;
            break;
        }
        if (running == 0) {
            int left = 0;
            const CURLMsg* message = curl_multi_info_read(multi, &left);
            code = message && message->msg == CURLMSG_DONE ? message->data.result : CURLE_OK;
            break;
        }
        if (request.cancelled()) {
            // Nothing is to wait for the server on the way out.
            curl_socket_t socket = CURL_SOCKET_BAD;
            if (curl_easy_getinfo(curl, CURLINFO_ACTIVESOCKET, &socket) == CURLE_OK && socket != CURL_SOCKET_BAD)
                ::shutdown(socket, SHUT_RDWR);
            code = CURLE_ABORTED_BY_CALLBACK;
            break;
        }
        long timeoutMs = -1;
        curl_multi_timeout(multi, &timeoutMs);
        fd_set read, write, error;
        FD_ZERO(&read);
        FD_ZERO(&write);
        FD_ZERO(&error);
        int highest = -1;
        curl_multi_fdset(multi, &read, &write, &error, &highest);
        // Without a socket to wait for, the transfer is parked (or a name lookup runs): look again soon.
        const long waitMs = highest < 0     ? 1
                            : timeoutMs < 0 ? kCancelCheckMs
                                            : std::min<long>(timeoutMs, kCancelCheckMs);
        if (waitMs > 0)
            curl_multi_poll(multi, nullptr, 0, int(waitMs), nullptr);
    }
    // Only a finished transfer leaves a connection for the next request.
    curl_socket_t socket = CURL_SOCKET_BAD;
    m_connected = code != CURLE_ABORTED_BY_CALLBACK && code != CURLE_OUT_OF_MEMORY &&
                  curl_easy_getinfo(curl, CURLINFO_ACTIVESOCKET, &socket) == CURLE_OK && socket != CURL_SOCKET_BAD;
    m_socket = m_connected ? int(socket) : -1;
    curl_multi_remove_handle(multi, curl);
    return code;
}

FtpOutcome FtpSession::failure(int curlCode, const Request& request) const
{
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
    const QString reply = sftp() ? QString::fromUtf8(request.errorText) : request.errorReply;
    const QString library = request.errorText[0] ? QString::fromUtf8(request.errorText)
                                                 : QString::fromUtf8(curl_easy_strerror(CURLcode(curlCode)));
    // libcurl takes a 421 for a time-out, but the server said it is closing the session. Over SSH a connection
    // the server closed fails the request with whatever libssh2 makes of it.
    const bool sshLost = sftp() && (m_peerHungUp || (m_connected && peerHungUp(m_socket)));
    if (request.lastReplyCode == 421 || (sshLost && (error == FtpError::ServerRefused || error == FtpError::Internal)))
        error = FtpError::ConnectionAborted;
    const FtpFailureFacts facts{
        curlCode, reply, library, m_logOn.server.host, m_logOn.server.port, m_logOn.timeoutSeconds, sftp()};
    return {error, ftpFailureText(error, facts), {}};
}

} // namespace lumaport
