// SPDX-License-Identifier: GPL-3.0-or-later
// The session's PUT: to a temporary name, renamed over the target once every byte has arrived, and sent in place
// where the server allows no other way.
#include "transfer/ftp_reply.h"
#include "transfer/ftp_request.h"
#include "transfer/ftp_session.h"
#include "transfer/upload_temporary.h"

#include <QSet>

#include <poll.h>
#include <sys/socket.h>

#include <chrono>
#include <mutex>
#include <utility>

namespace lumaport {

using namespace Qt::StringLiterals;

namespace {

// A server that answered the first of two commands sent together, but not the second within this long, reads one
// command at a time and drops the rest of what came with it.
constexpr auto kPipelineStall = std::chrono::seconds(2);

// Servers that misread or stalled on commands sent together, by address, for as long as the program runs: every
// session of one server learns it once.
std::mutex g_pipelineMutex;
QSet<QString> g_noPipelining;

bool takesPipelining(const QString& server)
{
    std::lock_guard lock(g_pipelineMutex);
    return !g_noPipelining.contains(server);
}

void refusePipelining(const QString& server)
{
    std::lock_guard lock(g_pipelineMutex);
    g_noPipelining.insert(server);
}

// The last lines of the next `count` replies on the control connection, fewer where it ends, the request is
// cancelled or the server goes quiet: `firstWait` before the first reply, kPipelineStall after each.
QList<QByteArray> readReplies(int socket, int count, std::chrono::seconds firstWait,
                              const FtpSession::CancelCheck& cancelled)
{
    QList<QByteArray> replies;
    QByteArray pending;
    auto deadline = std::chrono::steady_clock::now() + firstWait;
    while (replies.size() < count && !cancelled() && std::chrono::steady_clock::now() < deadline) {
        pollfd ready{socket, POLLIN, 0};
        const int polled = ::poll(&ready, 1, kCancelCheckMs);
        if (polled < 0)
            break;
        if (polled == 0)
            continue;
        char buffer[1024];
        const ssize_t got = ::recv(socket, buffer, sizeof buffer, 0);
        if (got <= 0)
            break;
        pending.append(buffer, got);
        for (qsizetype end = pending.indexOf('\n'); end >= 0 && replies.size() < count; end = pending.indexOf('\n')) {
            QByteArray line = pending.left(end);
            pending.remove(0, end + 1);
            if (line.endsWith('\r'))
                line.chop(1);
            if (isReplyLine(line)) {
                replies.append(line);
                deadline = std::chrono::steady_clock::now() + kPipelineStall;
            }
        }
    }
    return replies;
}

} // namespace

FtpOutcome FtpSession::put(const QString& remoteName, Request& request)
{
    // The bar follows the data only, not the renames and removals around it.
    const ProgressSink* const progress = std::exchange(request.progress, nullptr);
    if (m_safeSend == SafeSend::InPlace)
        return store(remoteName, progress, request);
    const QString temporary = uploadTemporaryName();
    // Over FTP the rename goes out in the send's own request, right after the server has confirmed the last byte:
    // a set of many files saves a round of the transfer loop on each. In plain text both its commands go out
    // together, where the server takes that.
    const bool together =
        m_logOn.server.scheme == FtpServerAddress::Scheme::Ftp && takesPipelining(m_logOn.server.url());
    const FtpOutcome sent = storeTemporary(temporary, sftp() || together ? QString() : remoteName, progress, request);
    if (sent.error != FtpError::None) {
        // The server does not let the temporary be made there.
        if (refusedBeforeAByte(sent))
            return storeInPlace(remoteName, progress, u"the server refused its temporary file"_s, request);
        dropTemporary(temporary, request);
        return sent;
    }
    FtpOutcome renamed = sftp()     ? renameFile(temporary, remoteName, request)
                         : together ? renameTogether(temporary, remoteName, request)
                                    : ownCommandsOutcome(request);
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

// RNFR and RNTO in one write cost one round trip instead of two. A server that misreads that (refuses the RNTO, or
// never answers it) gets them one at a time, now and from then on; a refused RNTO gets that too, as the same pair
// one at a time may be taken.
FtpOutcome FtpSession::renameTogether(const QString& from, const QString& to, Request& request)
{
    const QStringList commands = renameCommands(from, to);
    const QByteArray lines = (commands.join(u"\r\n"_s) + u"\r\n"_s).toUtf8();
    const long limit = m_logOn.timeoutSeconds > 0 ? m_logOn.timeoutSeconds : 24 * 60 * 60;
    QList<QByteArray> replies;
    if (m_connected && ::send(m_socket, lines.constData(), size_t(lines.size()), MSG_NOSIGNAL) == lines.size())
        replies = readReplies(m_socket, 2, std::chrono::seconds(limit), request.cancelled);
    if (request.cancelled())
        return {FtpError::ConnectionAborted, {}, {}};
    if (replies.size() == 2 && replies[0].startsWith('3') && replies[1].startsWith('2'))
        return {};
    if (replies.size() == 2 && !replies[0].startsWith('3')) {
        request.ownCommandFailure = QString::fromUtf8(replies[0]);
        request.refusedVerb = "RNFR";
        return {FtpError::ServerRefused, request.ownCommandFailure, {}};
    }
    // Whatever the server made of the pair, nothing more is to be read from it on this connection.
    if (replies.size() < 2) {
        disconnect();
        if (!handlesReady(request))
            return {FtpError::Internal, QStringLiteral("The FTP library could not be started."), {}};
    }
    request.startAgain();
    FtpOutcome renamed = renameFile(from, to, request);
    if (renamed.error == FtpError::None && !replies.isEmpty())
        refusePipelining(m_logOn.server.url());
    return renamed;
}

// A server that truncates the file a STOR names may see it written out to disk at its close (ext4 does so for
// a file truncated and written again), and the rename after waits for that: about half a second a GiB. A new
// file appended to is never truncated.
FtpOutcome FtpSession::storeTemporary(const QString& temporary, const QString& renameTo, const ProgressSink* progress,
                                      Request& request)
{
    if (sftp() || m_appendRefused)
        return store(temporary, progress, request, Store::Replace, renameTo);
    const FtpOutcome sent = store(temporary, progress, request, Store::Append, renameTo);
    if (!refusedBeforeAByte(sent) || request.lastVerb != "APPE")
        return sent;
    m_appendRefused = true;
    request.startAgain();
    return store(temporary, progress, request, Store::Replace, renameTo);
}

FtpOutcome FtpSession::store(const QString& remoteName, const ProgressSink* progress, Request& request, Store how,
                             const QString& renameTo)
{
    request.progress = progress;
    prepare(urlPath(m_folder, remoteName), request);
    prepareUpload(m_curl, request, how == Store::Append);
    quoteOwnCommands(m_curl, CURLOPT_POSTQUOTE,
                     renameTo.isEmpty() ? QStringList() : renameCommands(remoteName, renameTo), request);
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

} // namespace lumaport
