// SPDX-License-Identifier: GPL-3.0-or-later
#include "transfer/ftp_session.h"

#include "platform/curl_multi.h"
#include "transfer/ftp_reply.h"
#include "transfer/ftp_request.h"
#include "transfer/internet_transfer.h"
#include "transfer/remote_listing.h"

#include <poll.h>
#include <sys/socket.h>

#include <chrono>
#include <memory>
#include <optional>
#include <string_view>

namespace lumaport {

using namespace Qt::StringLiterals;

namespace {

// Logging off waits this long for the server's goodbye.
constexpr auto kQuitWait = std::chrono::seconds(2);
// Logging off gives the removal of what a broken send left this long.
constexpr auto kLeftoversWait = std::chrono::seconds(3);

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
        m_folder = m_startFolder;
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
    m_multi.reset();
    if (m_curl)
        curl_easy_cleanup(m_curl);
    m_curl = nullptr;
    m_connected = false;
}

FtpOutcome FtpSession::start(const FtpCommand& command, Request& request)
{
    if (!handlesReady(request))
        return {FtpError::Internal, QStringLiteral("The FTP library could not be started."), {}};
    if (!m_connected && !m_leftovers.isEmpty()) {
        if (auto failed = removeLeftovers(request))
            return *failed;
    }
    return dispatch(command, request);
}

bool FtpSession::handlesReady(Request& request)
{
    if (!m_curl)
        m_curl = curl_easy_init();
    if (!m_multi)
        m_multi = std::make_unique<CurlMulti>();
    request.curl = m_curl;
    return m_curl && m_multi->usable();
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
    // Up from the log-on folder or from the server's root, the server, not the name asked for, says where the
    // change led: one that keeps the user inside the log-on folder answers CDUP there with success and stays put.
    // Down into a folder by its name leads there, and asking would cost a round trip each time.
    const bool askWhere = !sftp() && !target.withinLogOnFolder();
    CurlList askFolder;
    if (askWhere) {
        askFolder.reset(curl_slist_append(nullptr, "*PWD"));
        curl_easy_setopt(m_curl, CURLOPT_PREQUOTE, askFolder.get());
    }
    request.mainVerb = "CWD";
    if (const int code = perform(request); code != CURLE_OK)
        return failure(code, request);
    if (!askWhere) {
        m_folder = target;
        return {};
    }
    const char* logOnPath = nullptr;
    curl_easy_getinfo(m_curl, CURLINFO_FTP_ENTRY_PATH, &logOnPath);
    m_folder =
        folderFromServerPaths(QString::fromUtf8(logOnPath), pathFromFolderReply(request.folderReply)).value_or(target);
    return {};
}

// Sent after the CWD into the current folder.
FtpOutcome FtpSession::sendCommands(const RemoteFolder& folder, const QStringList& commands, Request& request)
{
    prepare(folder.urlPath(), request);
    curl_easy_setopt(m_curl, CURLOPT_NOBODY, 1L);
    quoteOwnCommands(m_curl, CURLOPT_PREQUOTE, commands, request);
    request.mainVerb = request.ownVerbs.first();
    if (const int code = perform(request); code != CURLE_OK)
        return failure(code, request);
    return ownCommandsOutcome(request);
}

FtpOutcome FtpSession::ownCommandsOutcome(const Request& request)
{
    if (!request.ownCommandFailure.isEmpty())
        return {FtpError::ServerRefused, request.ownCommandFailure, {}};
    return {};
}

FtpOutcome FtpSession::sendSshCommands(const RemoteFolder& folder, const QStringList& commands, Request& request)
{
    prepare(urlPath(folder), request);
    curl_easy_setopt(m_curl, CURLOPT_NOBODY, 1L); // the folder is not listed after the commands
    CurlList list;
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
    return sendCommands(m_folder, renameCommands(from, to), request);
}

QStringList FtpSession::renameCommands(const QString& from, const QString& to)
{
    return {u"RNFR "_s + withoutFolderMark(from), u"RNTO "_s + withoutFolderMark(to)};
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

FtpOutcome FtpSession::close(const StateSink& sink, const CancelCheck& cancelled)
{
    sink(InternetTransfer::icDisconnecting);
    if (!m_leftovers.isEmpty())
        removeLeftoversBeforeClosing(cancelled);
    // Over TLS or SSH a goodbye in plain text would only be noise to the server.
    if (m_connected && m_logOn.server.scheme == FtpServerAddress::Scheme::Ftp)
        sayGoodbye(cancelled);
    drop();
    sink(InternetTransfer::icDisconnected);
    return {};
}

// Nothing of a send that Log Off broke stays on the server: its temporary goes now, over a new connection when the
// cancel dropped the old one, without a word of it in the states. The user who logs off does not wait long for a
// server that keeps silent; what is left then goes at the next log on.
void FtpSession::removeLeftoversBeforeClosing(const CancelCheck& cancelled)
{
    const auto deadline = std::chrono::steady_clock::now() + kLeftoversWait;
    const CancelCheck late = [&] { return cancelled() || std::chrono::steady_clock::now() >= deadline; };
    const StateSink quiet = [](int) {};
    Request request{quiet, late};
    request.identity.server = m_logOn.server;
    request.identity.trustedFingerprint = m_logOn.trustedFingerprint;
    if (handlesReady(request))
        removeLeftovers(request);
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
    prepareRequest(m_curl, m_logOn, urlPath, request, &m_peerHungUp);
}

int FtpSession::perform(Request& request)
{
    m_peerHungUp = false;
    const CurlMulti::Performed performed = m_multi->perform(
        m_curl, [&request] { return request.cancelled() || request.foreignGreeting(); }, kCancelCheckMs);
    m_connected = performed.socket >= 0;
    m_socket = performed.socket;
    return performed.code;
}

FtpOutcome FtpSession::failure(int curlCode, const Request& request) const
{
    // Over SSH a connection the server closed fails the request with whatever libssh2 makes of it.
    const bool sshLost = sftp() && (m_peerHungUp || (m_connected && peerHungUp(m_socket)));
    return requestFailure(curlCode, request, m_logOn, sshLost);
}

} // namespace lumaport
