// SPDX-License-Identifier: GPL-3.0-or-later
// A session with an S3-compatible bucket or a WebDAV share on libcurl: the FTP window's commands carried out in
// HTTP requests, driven from the transfer component's worker thread like an FTP session.
#pragma once

#include "transfer/ftp_session.h"
#include "transfer/remote_listing.h"

#include <QByteArray>
#include <QString>

namespace lumaport {

class ListingEntries;

/// S3 requests are signed by libcurl (SigV4) with the user name as access key and the password as secret, and
/// name the bucket in the path. A folder of a bucket is the common prefix of its keys; New Folder makes the
/// empty "name/" marker object; a folder is never renamed, since that would copy every file in it. A send is one
/// PUT, which S3 carries out whole or not at all, with the file's type and its SHA-256; its reply's ETag (or the
/// object's size) confirms it was stored.
///
/// WebDAV requests log on with Basic authentication. A send goes to a hidden temporary in the target's folder,
/// moved over the target once complete (sent in place where the server refuses the temporary or the move, as
/// the FTP session does); the file's size on the share confirms it. A listing shows one entry per name and stops
/// at the bounds of a listing (kMaxListingEntries), saying so.
///
/// A session never leaves the folder the server text names; CDUP there stays put, as an FTP server does at its
/// root. Every request carries the keys or the password: there is no log-on of its own, and the first listing
/// shows whether they hold.
class StorageSession final : public RemoteSession
{
public:
    StorageSession();
    ~StorageSession() override;
    StorageSession(const StorageSession&) = delete;
    StorageSession& operator=(const StorageSession&) = delete;

    FtpOutcome run(const FtpCommand& command, const FtpLogOn& logOn, const StateSink& sink,
                   const ProgressSink& progress, const CancelCheck& cancelled) override;
    void drop() override;
    QString folder() const override { return m_folder.path(); }
    void startIn(const RemoteFolder& folder) override { m_folder = folder; }
    std::optional<ServerIdentity> refusedIdentity() const override { return m_refusedIdentity; }

    /// What one run gathers, shared with libcurl's callbacks.
    struct Call;

private:
    struct Answer;

    FtpOutcome dispatch(const FtpCommand& command, Call& call);
    Answer exchange(const char* method, const QString& path, Call& call, const QString& query = {});

    FtpOutcome list(Call& call);
    FtpOutcome s3List(const QString& prefix, int maxKeys, ListingEntries* entries, bool* anyKey, Call& call);
    Answer propfind(const QString& path, const char* depth, Call& call);
    FtpOutcome davList(const QString& folderPath, const char* depth, ListingEntries* entries, Call& call,
                       QStringList* staleTemporaries = nullptr);
    FtpOutcome changeFolder(const RemoteFolder& target, Call& call);
    FtpOutcome makeFolder(const QString& name, Call& call);
    FtpOutcome removeFile(const QString& name, Call& call);
    FtpOutcome removeFolder(const QString& name, Call& call);
    FtpOutcome rename(const QString& from, const QString& to, Call& call);
    FtpOutcome size(const QString& name, Call& call);
    FtpOutcome get(const QString& name, Call& call);
    FtpOutcome put(const QString& name, Call& call);
    FtpOutcome davPut(const QString& name, Call& call);
    FtpOutcome davConfirm(const QString& name, Call& call);
    FtpOutcome makePublic(const QString& name, Call& call);
    FtpOutcome davMove(const QString& from, const QString& to, bool overwrite, Call& call);
    // The S3 object exists; else the outcome that says why not (a folder, nothing, or the request's failure).
    FtpOutcome s3FileExists(const QString& name, Call& call);

    QString pathOf(const QString& name) const;
    FtpOutcome failed(const Answer& answer, const QString& what, Call& call) const;

    void* m_curl = nullptr;             // CURL*
    std::unique_ptr<CurlMulti> m_multi; // keeps the connection between requests
    FtpLogOn m_logOn;
    RemoteFolder m_folder;
    std::optional<ServerIdentity> m_refusedIdentity;
    bool m_sendsInPlace = false; // WebDAV: the server took no temporary or no move
};

} // namespace lumaport
