// SPDX-License-Identifier: GPL-3.0-or-later
// One request of an FTP session on libcurl: what its callbacks gather, the options that set it up, and the loop
// that drives it to its end.
#pragma once

#include "platform/replacing_file.h"
#include "transfer/ftp_session.h"
#include "transfer/server_identity.h"

#include <QFile>

#include <curl/curl.h>

#include <chrono>
#include <memory>
#include <optional>
#include <utility>

namespace lumaport {

class DirReplyBuilder;

// How long the transfer loop sleeps at most before it looks whether the request was cancelled.
inline constexpr int kCancelCheckMs = 100;

struct SlistDeleter
{
    void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};
using CurlList = std::unique_ptr<curl_slist, SlistDeleter>;

struct FtpRequest
{
    FtpRequest(const FtpSession::StateSink& sink, const FtpSession::CancelCheck& cancelled)
        : sink(sink), cancelled(cancelled)
    {}

    const FtpSession::StateSink& sink;
    const FtpSession::CancelCheck& cancelled;
    const FtpSession::ProgressSink* progress = nullptr; // for PUT and GET
    int lastState = 0;
    CURL* curl = nullptr;

    bool commandSent = false; // in the current perform: the first reply before any command is the greeting
    QByteArray mainVerb;      // the command that is the request itself ("MLSD", "RETR", ...)
    bool mainSent = false;
    bool changedServer = false; // a command that changes the server has been sent
    int firstReplyCode = 0;     // in the current perform
    qint64 bytesMoved = 0;      // of the request's data, either way, since it began
    CurlList ownCommands;       // see quoteOwnCommands
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
    int greetingSocket = -1; // over SSH, the new connection whose greeting is yet to be seen

    // Whether the server of a new SSH connection greeted as something else (an FTP port, say); sets stoppedBecause.
    // libssh2 takes any first line for the SSH greeting and then waits for ever, so this looks before it reads.
    bool foreignGreeting();

    std::chrono::steady_clock::time_point progressShown;
    qint64 bytesShown = -1;

    // States only go forward, and none is skipped.
    void advance(int state);
    // Ten updates a second are plenty for a progress bar and cost the user-interface thread nothing.
    void showProgress(bool last);
    void startAgain();
    // A server ends an idle session with a 421 before anything else, or just closes it. Only a request of which
    // nothing has been done is run again on a new connection: over SFTP a drop mid-way looks like one before
    // the start, so bytes tell, not replies. A GET run again has written nothing and starts its file afresh.
    bool foundSessionEnded(const FtpOutcome& outcome) const;
};

/// Opens the local side of PUT and GET before anything is sent, so a bad path costs no request.
std::optional<FtpOutcome> openLocalFile(const FtpCommand& command, FtpRequest& request);

/// The window's list may not show a file (hidden, or made since it was filled), so a download never takes the
/// place of one.
FtpOutcome existingFileRefused(const QString& path);

/// Sets curl up afresh for a request on this URL path of the log-on's server. A connection of the session that
/// libcurl closes after the server had closed it sets *peerHungUpFlag, which outlives the request.
void prepareRequest(CURL* curl, const FtpLogOn& logOn, const QString& urlPath, FtpRequest& request,
                    bool* peerHungUpFlag);

/// Sets the log-on's time limits, the buffers and the progress callback (the progress bar, and a cancel) on a
/// request of any protocol.
void prepareLimitsAndProgress(CURL* curl, const FtpLogOn& logOn, FtpRequest& request);

/// Makes the prepared request send the source file (appending to the remote file where append says so).
void prepareUpload(CURL* curl, FtpRequest& request, bool append);

/// Makes the prepared FTP request send these commands of ours before its own command (CURLOPT_PREQUOTE) or after
/// its data (CURLOPT_POSTQUOTE, only when the transfer succeeded). A refusal neither fails the request nor closes
/// the connection: the first one is kept in request.ownCommandFailure, with its verb in request.refusedVerb.
void quoteOwnCommands(CURL* curl, CURLoption when, const QStringList& commands, FtpRequest& request);

/// The outcome of a request that failed with this CURLcode: the kind and the text for the user. sshLost tells
/// that the server closed the SFTP connection, which libssh2 reports as just an error of its own.
FtpOutcome requestFailure(int curlCode, const FtpRequest& request, const FtpLogOn& logOn, bool sshLost);

/// libssh2 calls a connection the server closed just an error of the SSH layer; the socket tells what it was.
bool peerHungUp(int socket);

} // namespace lumaport
