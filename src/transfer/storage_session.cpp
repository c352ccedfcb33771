// SPDX-License-Identifier: GPL-3.0-or-later
#include "transfer/storage_session.h"

#include "platform/curl_multi.h"
#include "platform/file_digest.h"
#include "transfer/ftp_request.h"
#include "transfer/storage_error.h"
#include "transfer/storage_listing.h"
#include "transfer/storage_request.h"
#include "transfer/upload_temporary.h"

namespace lumaport {

using namespace Qt::StringLiterals;

namespace {

// A listing page or an error answer; a share that lists a folder of many thousand files answers in megabytes.
constexpr qsizetype kMaxAnswerSize = 64 * 1024 * 1024;
constexpr QByteArrayView kEmptySha256 = "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855";
constexpr QByteArrayView kPropfindBody =
    R"(<?xml version="1.0" encoding="utf-8"?>)"
    R"(<D:propfind xmlns:D="DAV:"><D:prop><D:resourcetype/><D:getlastmodified/><D:getcontentlength/></D:prop>)"
    R"(</D:propfind>)";

bool succeeded(long status)
{
    return status >= 200 && status < 300;
}

} // namespace

struct StorageSession::Call : FtpRequest
{
    using FtpRequest::FtpRequest;

    QByteArray answer;          // the body of an answer that is not a GET's file
    QByteArray sendBody;        // a small body of ours, when no file is sent
    qsizetype sendPosition = 0; // in sendBody
    bool sendingFile = false;   // the request sends the PUT's local file
    CurlList headers;
    QByteArray sha256; // S3: of what the request sends
};

struct StorageSession::Answer
{
    int curlCode = CURLE_OK;
    long status = 0;
    QByteArray contentType;
    QByteArray etag;
    QByteArray retryAfter;
    qint64 contentLength = -1;

    // The request went through and the server did what was asked.
    bool succeeded() const { return curlCode == CURLE_OK && lumaport::succeeded(status); }
};

namespace {

size_t onData(char* data, size_t size, size_t count, void* user)
{
    auto& call = *static_cast<StorageSession::Call*>(user);
    const qint64 length = qint64(size * count);
    long status = 0;
    curl_easy_getinfo(call.curl, CURLINFO_RESPONSE_CODE, &status);
    call.bytesMoved += length;
    // Only a file that came whole goes to the local file; an error page is the answer.
    if (call.target && succeeded(status)) {
        if (QString error; !call.target->write(data, length, &error)) {
            call.stoppedBecause = {FtpError::LocalFile, error};
            return 0;
        }
        return size_t(length);
    }
    if (call.answer.size() + length > kMaxAnswerSize) {
        call.stoppedBecause = {FtpError::Internal, u"The server's answer is larger than 64 MiB."_s};
        return 0;
    }
    call.answer.append(data, qsizetype(length));
    return size_t(length);
}

// A small body of ours; a file goes through the FTP request's own reader.
size_t onReadBody(char* buffer, size_t size, size_t count, void* user)
{
    auto& call = *static_cast<StorageSession::Call*>(user);
    const qsizetype length = std::min<qsizetype>(qsizetype(size * count), call.sendBody.size() - call.sendPosition);
    std::memcpy(buffer, call.sendBody.constData() + call.sendPosition, size_t(length));
    call.sendPosition += length;
    return size_t(length);
}

int onSocketOption(void* user, curl_socket_t, curlsocktype)
{
    static_cast<StorageSession::Call*>(user)->advance(InternetTransfer::icConnecting);
    return CURL_SOCKOPT_OK;
}

void addHeader(CurlList& list, const QByteArray& line)
{
    list.reset(curl_slist_append(list.release(), line.constData()));
}

bool isFolderName(const QString& name)
{
    return name.endsWith(u'/');
}

QByteArray headerOf(CURL* curl, const char* name)
{
    curl_header* header = nullptr;
    return curl_easy_header(curl, name, 0, CURLH_HEADER, -1, &header) == CURLHE_OK ? QByteArray(header->value)
                                                                                   : QByteArray();
}

// The server answered a send as done, yet holds nothing of it, or not what was sent.
FtpOutcome notStored(const QString& name, qint64 held, qint64 sent)
{
    return {FtpError::ServerRefused,
            held < 0 ? QStringLiteral("The server answered the send of \"%1\" as done, but it does not hold the file: "
                                      "nothing was stored.")
                           .arg(name)
                     : QStringLiteral("The server answered the send of \"%1\" as done, but it holds %2 bytes of the %3 "
                                      "sent: the file was not stored as sent.")
                           .arg(name)
                           .arg(held)
                           .arg(sent),
            {}};
}

FtpOutcome unsafeName(const QString& name)
{
    return {FtpError::InvalidOperation,
            QStringLiteral("\"%1\" is not a name Lumaport sends to this server: it is empty, \".\" or \"..\", or holds "
                           "\"/\" or a control character.")
                .arg(name),
            {}};
}

} // namespace

StorageSession::StorageSession() = default;

StorageSession::~StorageSession()
{
    drop();
}

void StorageSession::drop()
{
    if (m_curl)
        curl_easy_cleanup(static_cast<CURL*>(m_curl));
    m_multi.reset();
    m_curl = nullptr;
    m_logOn = {};
    m_folder = {};
    m_sendsInPlace = false;
}

FtpOutcome StorageSession::run(const FtpCommand& command, const FtpLogOn& logOn, const StateSink& sink,
                               const ProgressSink& progress, const CancelCheck& cancelled)
{
    if (command.kind == FtpCommand::Kind::Close) {
        sink(InternetTransfer::icDisconnecting);
        drop();
        sink(InternetTransfer::icDisconnected);
        return {};
    }
    m_refusedIdentity.reset();
    // The public choice may change between requests without a new log-on.
    FtpLogOn sameChoice = logOn;
    sameChoice.publicSends = m_logOn.publicSends;
    if (sameChoice != m_logOn)
        drop();
    m_logOn = logOn;
    if (!m_curl)
        m_curl = curl_easy_init();
    if (!m_multi)
        m_multi = std::make_unique<CurlMulti>();
    Call call{sink, cancelled};
    call.curl = static_cast<CURL*>(m_curl);
    call.identity.server = logOn.server;
    call.identity.trustedFingerprint = logOn.trustedFingerprint;
    if (!m_curl || !m_multi->usable())
        return {FtpError::Internal, u"The HTTP library could not be started."_s, {}};
    if (auto failed = openLocalFile(command, call))
        return *failed;
    if (command.kind == FtpCommand::Kind::Put || command.kind == FtpCommand::Kind::Get)
        call.progress = &progress;
    FtpOutcome outcome = dispatch(command, call);
    if (call.identity.refusedIdentity)
        m_refusedIdentity = call.identity.refusedIdentity;
    if (outcome.error == FtpError::None)
        call.advance(InternetTransfer::icResponseReceived);
    return outcome;
}

FtpOutcome StorageSession::dispatch(const FtpCommand& command, Call& call)
{
    const QStringList& names = command.arguments;
    const bool s3 = m_logOn.server.isS3();
    // Every name but CD's is one entry of the current folder.
    const QString name = withoutFolderMark(names.value(command.kind == FtpCommand::Kind::Put ? 1 : 0));
    const bool oneName = command.kind != FtpCommand::Kind::Dir && command.kind != FtpCommand::Kind::Cd &&
                         command.kind != FtpCommand::Kind::CdUp;
    if (oneName && !isSafeEntryName(name))
        return unsafeName(name);
    switch (command.kind) {
    case FtpCommand::Kind::Dir:
        return list(call);
    case FtpCommand::Kind::Cd:
        return changeFolder(m_folder.entered(names[0]), call);
    case FtpCommand::Kind::CdUp:
        // At the server text's folder, CDUP stays there, as an FTP server does at its root.
        return changeFolder(m_folder.path().isEmpty() ? m_folder : m_folder.parent(), call);
    case FtpCommand::Kind::MkDir:
        return makeFolder(name, call);
    case FtpCommand::Kind::Delete:
        return removeFile(name, call);
    case FtpCommand::Kind::RmDir:
        return removeFolder(name, call);
    case FtpCommand::Kind::Rename:
        if (!isSafeEntryName(withoutFolderMark(names[1])))
            return unsafeName(names[1]);
        if (s3 && isFolderName(names[0]))
            return {FtpError::ServerRefused,
                    QStringLiteral("\"%1\" is a folder of a bucket, which is only the start of its files' names: "
                                   "renaming it would copy every file in it, so it is not renamed.")
                        .arg(name),
                    {}};
        return rename(names[0], names[1], call);
    case FtpCommand::Kind::Size:
        if (isFolderName(names[0]))
            return {FtpError::ServerRefused,
                    QStringLiteral("\"%1\" is a folder; only files have a size.").arg(names[0]),
                    {}};
        return size(name, call);
    case FtpCommand::Kind::Get:
        return get(name, call);
    case FtpCommand::Kind::Put:
        return s3 ? put(name, call) : davPut(name, call);
    case FtpCommand::Kind::Chmod:
        return makePublic(name, call);
    case FtpCommand::Kind::Close:
        break;
    }
    return {};
}

QString StorageSession::pathOf(const QString& name) const
{
    return storagePath(m_logOn.server, m_folder.path(), name);
}

// One request on a path from the server's root. What it sends and receives is set up in `call` beforehand:
// call.source or call.sendBody, call.headers, call.target.
StorageSession::Answer StorageSession::exchange(const char* method, const QString& path, Call& call,
                                                const QString& query)
{
    auto* curl = static_cast<CURL*>(m_curl);
    curl_easy_reset(curl);
    call.answer.clear();
    call.sendPosition = 0;
    call.errorText[0] = '\0';
    call.advance(InternetTransfer::icRequesting);
    const FtpLogOn& logOn = m_logOn;
    const QByteArray url = storageUrl(logOn.server, path, query);
    curl_easy_setopt(curl, CURLOPT_URL, url.constData());
    curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, logOn.server.usesTls() ? "https" : "http");
    curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, call.errorText);
    curl_easy_setopt(curl, CURLOPT_PATH_AS_IS, 1L);
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    checkServerIdentity(curl, call.identity);
    const QByteArray user = logOn.userName.toUtf8();
    const QByteArray password = logOn.password.toUtf8();
    curl_easy_setopt(curl, CURLOPT_USERNAME, user.constData());
    curl_easy_setopt(curl, CURLOPT_PASSWORD, password.constData());
    const QByteArray signing = "aws:amz:" + logOn.server.region.toLatin1() + ":s3";
    if (logOn.server.isS3()) {
        curl_easy_setopt(curl, CURLOPT_AWS_SIGV4, signing.constData());
        addHeader(call.headers,
                  "x-amz-content-sha256: " + (call.sha256.isEmpty() ? kEmptySha256.toByteArray() : call.sha256));
    } else {
        curl_easy_setopt(curl, CURLOPT_HTTPAUTH, long(CURLAUTH_BASIC));
    }
    curl_easy_setopt(curl, CURLOPT_HTTPHEADER, call.headers.get());

    const QByteArrayView verb(method);
    if (verb == "HEAD")
        curl_easy_setopt(curl, CURLOPT_NOBODY, 1L);
    else if (verb != "GET")
        curl_easy_setopt(curl, CURLOPT_CUSTOMREQUEST, method);
    if (call.sendingFile) {
        prepareUpload(curl, call, false);
    } else if (verb == "PUT" || !call.sendBody.isEmpty()) {
        curl_easy_setopt(curl, CURLOPT_UPLOAD, 1L);
        curl_easy_setopt(curl, CURLOPT_READFUNCTION, onReadBody);
        curl_easy_setopt(curl, CURLOPT_READDATA, &call);
        curl_easy_setopt(curl, CURLOPT_INFILESIZE_LARGE, curl_off_t(call.sendBody.size()));
    }
    if (verb == "PUT" || !call.sendBody.isEmpty()) {
        // The body follows the request at once: a wait for "100 Continue" costs a round trip on every file, and
        // an empty "Expect:" header breaks the signature of libcurl 7.88.
        curl_easy_setopt(curl, CURLOPT_EXPECT_100_TIMEOUT_MS, 0L);
    }

    prepareLimitsAndProgress(curl, logOn, call);
    curl_easy_setopt(curl, CURLOPT_SOCKOPTFUNCTION, onSocketOption);
    curl_easy_setopt(curl, CURLOPT_SOCKOPTDATA, &call);
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, onData);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &call);

    call.mainSent = true; // for the progress bar: there is nothing before the request itself
    call.advance(InternetTransfer::icRequestSent);
    Answer answer;
    answer.curlCode = m_multi
                          ->perform(
                              curl, [&call] { return call.cancelled(); }, kCancelCheckMs)
                          .code;
    curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &answer.status);
    const char* type = nullptr;
    curl_easy_getinfo(curl, CURLINFO_CONTENT_TYPE, &type);
    answer.contentType = QByteArray(type).toLower();
    answer.etag = headerOf(curl, "ETag");
    answer.retryAfter = headerOf(curl, "Retry-After");
    curl_off_t length = -1;
    curl_easy_getinfo(curl, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length);
    answer.contentLength = length;
    call.headers.reset();
    call.sendingFile = false;
    call.sendBody.clear();
    call.sha256.clear();
    if (answer.curlCode == CURLE_OK)
        call.advance(InternetTransfer::icReceivingResponse);
    return answer;
}

FtpOutcome StorageSession::failed(const Answer& answer, const QString& what, Call& call) const
{
    if (answer.curlCode != CURLE_OK)
        return requestFailure(answer.curlCode, call, m_logOn, false);
    return storageFailure({answer.status, call.answer.left(64 * 1024), answer.contentType, m_logOn.server.isS3(), what,
                           answer.retryAfter});
}

FtpOutcome StorageSession::list(Call& call)
{
    ListingEntries entries;
    QStringList stale;
    const FtpOutcome listed = m_logOn.server.isS3()
                                  ? s3List(m_logOn.server.folder + m_folder.path(), 0, &entries, nullptr, call)
                                  : davList(u'/' + pathOf({}), "1", &entries, call, &stale);
    if (listed.error != FtpError::None)
        return listed;
    // Temporaries a send stopped long ago left on the share go as the folder is listed; the listing stands
    // whatever comes of that. A bucket never holds one.
    for (const QString& name : std::as_const(stale))
        exchange("DELETE", pathOf(name), call);
    // A listing cut short shows what came, and says why.
    return {FtpError::None, listed.info, storageDirReply(entries.entries())};
}

// The whole listing, page by page, as far as the bounds of a listing go (a note says where it stopped); with
// maxKeys, one page of at most that many keys. anyKey tells whether anything at all has the prefix, the folder's
// own marker too.
FtpOutcome StorageSession::s3List(const QString& prefix, int maxKeys, ListingEntries* entries, bool* anyKey, Call& call)
{
    QString token;
    QSet<QString> tokens;
    for (int pages = 1;; ++pages) {
        QList<std::pair<QString, QString>> parameters{{u"list-type"_s, u"2"_s}, {u"delimiter"_s, u"/"_s}};
        if (!prefix.isEmpty())
            parameters.append({u"prefix"_s, prefix});
        if (maxKeys > 0)
            parameters.append({u"max-keys"_s, QString::number(maxKeys)});
        if (!token.isEmpty())
            parameters.append({u"continuation-token"_s, token});
        const Answer answer = exchange("GET", m_logOn.server.bucket, call, canonicalQuery(parameters));
        const QString what = prefix.isEmpty() ? m_logOn.server.bucket : prefix;
        if (!answer.succeeded() || answer.contentType.startsWith("text/html"))
            return failed(answer, what, call);
        S3ListPage page;
        QString error;
        if (!readS3ListPage(call.answer, prefix, &page, &error))
            return {FtpError::ServerRefused, error, {}};
        const bool whole = entries->add(page.entries);
        if (anyKey)
            *anyKey = *anyKey || !page.entries.isEmpty() || call.answer.contains("<Key>");
        token = maxKeys > 0 ? QString() : page.nextToken;
        const auto cut = [&](const QString& why) {
            return FtpOutcome{FtpError::None,
                              u"The listing was cut short at %1 entries: %2."_s.arg(entries->entries().size()).arg(why),
                              {}};
        };
        if (!whole)
            return cut(
                u"a folder shows no more than %1; name a folder inside it in the server text to see the rest"_s.arg(
                    kMaxListingEntries));
        if (token.isEmpty())
            return {};
        if (tokens.contains(token))
            return cut(u"the server offered a page it had given before, and would have gone on for ever"_s);
        if (pages == kMaxListingPages)
            return cut(u"the server still said there was more after %1 pages"_s.arg(kMaxListingPages));
        tokens.insert(token);
    }
}

StorageSession::Answer StorageSession::propfind(const QString& path, const char* depth, Call& call)
{
    addHeader(call.headers, "Depth: "_ba + depth);
    addHeader(call.headers, "Content-Type: application/xml; charset=utf-8");
    call.sendBody = kPropfindBody.toByteArray();
    return exchange("PROPFIND", path, call);
}

FtpOutcome StorageSession::davList(const QString& folderPath, const char* depth, ListingEntries* entries, Call& call,
                                   QStringList* staleTemporaries)
{
    const Answer answer = propfind(folderPath.mid(1), depth, call);
    if (answer.curlCode != CURLE_OK || answer.status != 207)
        return failed(answer, folderPath, call);
    QString error;
    QList<RemoteEntry> read;
    if (!readDavListing(call.answer, folderPath, &read, &error, staleTemporaries))
        return {FtpError::ServerRefused, error, {}};
    if (!entries->add(read))
        return {FtpError::None,
                u"The listing was cut short at %1 entries: a folder shows no more than that."_s.arg(kMaxListingEntries),
                {}};
    return {};
}

FtpOutcome StorageSession::changeFolder(const RemoteFolder& target, Call& call)
{
    if (!target.withinLogOnFolder())
        return {FtpError::ServerRefused,
                u"Lumaport stays inside the folder the server text names; give another folder there to go elsewhere."_s,
                {}};
    ListingEntries entries;
    if (m_logOn.server.isS3()) {
        bool anyKey = false;
        const QString prefix = m_logOn.server.folder + target.path();
        if (const FtpOutcome listed = s3List(prefix, 1, &entries, &anyKey, call); listed.error != FtpError::None)
            return listed;
        if (!prefix.isEmpty() && !anyKey)
            return {
                FtpError::ServerRefused, QStringLiteral("There is no folder \"%1\" in the bucket.").arg(prefix), {}};
    } else {
        const QString path = u'/' + storagePath(m_logOn.server, target.path());
        if (const FtpOutcome listed = davList(path, "0", &entries, call); listed.error != FtpError::None)
            return listed;
    }
    m_folder = target;
    return {};
}

FtpOutcome StorageSession::makeFolder(const QString& name, Call& call)
{
    const bool s3 = m_logOn.server.isS3();
    // A bucket's folder is an empty object whose key ends in "/", as the providers' consoles make it.
    const Answer answer = exchange(s3 ? "PUT" : "MKCOL", pathOf(name) + u'/', call);
    if (!answer.succeeded())
        return failed(answer, name, call);
    return {};
}

FtpOutcome StorageSession::s3FileExists(const QString& name, Call& call)
{
    const Answer answer = exchange("HEAD", pathOf(name), call);
    if (answer.succeeded())
        return {};
    if (answer.curlCode != CURLE_OK || answer.status != 404)
        return failed(answer, name, call);
    // HEAD has no body to say why: the listing does.
    ListingEntries entries;
    bool anyKey = false;
    const QString prefix = m_logOn.server.folder + m_folder.path();
    if (const FtpOutcome listed = s3List(prefix + name + u'/', 1, &entries, &anyKey, call);
        listed.error != FtpError::None)
        return listed;
    if (anyKey)
        return {FtpError::ServerRefused, QStringLiteral("\"%1\" is a folder, not a file.").arg(name), {}};
    return {FtpError::ServerRefused, QStringLiteral("\"%1\" is not on the server.").arg(name), {}};
}

FtpOutcome StorageSession::removeFile(const QString& name, Call& call)
{
    // S3 answers a DELETE of nothing with success; the user is to hear that there was nothing.
    if (m_logOn.server.isS3()) {
        if (const FtpOutcome exists = s3FileExists(name, call); exists.error != FtpError::None)
            return exists;
    }
    const Answer answer = exchange("DELETE", pathOf(name), call);
    if (!answer.succeeded())
        return failed(answer, name, call);
    return {};
}

// Only an empty folder goes, as over FTP: WebDAV would delete everything in it, and S3 has nothing to delete but
// the marker.
FtpOutcome StorageSession::removeFolder(const QString& name, Call& call)
{
    ListingEntries entries;
    bool anyKey = false;
    const FtpOutcome listed = m_logOn.server.isS3() ? s3List(m_logOn.server.folder + m_folder.path() + name + u'/', 2,
                                                             &entries, &anyKey, call)
                                                    : davList(u'/' + pathOf(name) + u'/', "1", &entries, call);
    if (listed.error != FtpError::None)
        return listed;
    if (!entries.entries().isEmpty())
        return {FtpError::ServerRefused, QStringLiteral("The folder \"%1\" is not empty.").arg(name), {}};
    if (m_logOn.server.isS3() && !anyKey)
        return {FtpError::ServerRefused, QStringLiteral("There is no folder \"%1\".").arg(name), {}};
    const Answer answer = exchange("DELETE", pathOf(name) + u'/', call);
    if (!answer.succeeded())
        return failed(answer, name, call);
    return {};
}

FtpOutcome StorageSession::rename(const QString& from, const QString& to, Call& call)
{
    const QString source = withoutFolderMark(from);
    const QString target = withoutFolderMark(to);
    if (!m_logOn.server.isS3())
        return davMove(isFolderName(from) ? source + u'/' : source, isFolderName(from) ? target + u'/' : target, false,
                       call);
    if (const FtpOutcome exists = s3FileExists(source, call); exists.error != FtpError::None)
        return exists;
    // S3 renames nothing: the object is copied on the server, then the old one removed.
    addHeader(call.headers, "x-amz-copy-source: /" + encodedPath(pathOf(source)).toUtf8());
    if (m_logOn.publicSends)
        addHeader(call.headers, "x-amz-acl: public-read");
    Answer copied = exchange("PUT", pathOf(target), call);
    // A copy can fail after its 200 has gone out; the body then holds the error.
    if (copied.succeeded() && call.answer.contains("<Error>"))
        copied.status = 500;
    if (!copied.succeeded())
        return failed(copied, source, call);
    const Answer removed = exchange("DELETE", pathOf(source), call);
    if (!removed.succeeded())
        return failed(removed, source, call);
    return {};
}

FtpOutcome StorageSession::davMove(const QString& from, const QString& to, bool overwrite, Call& call)
{
    addHeader(call.headers, "Destination: " + storageUrl(m_logOn.server, pathOf(to)));
    addHeader(call.headers, overwrite ? "Overwrite: T" : "Overwrite: F");
    const Answer answer = exchange("MOVE", pathOf(from), call);
    if (!answer.succeeded())
        return failed(answer, from, call);
    return {};
}

FtpOutcome StorageSession::size(const QString& name, Call& call)
{
    const Answer answer = exchange("HEAD", pathOf(name), call);
    if (!answer.succeeded())
        return failed(answer, name, call);
    if (answer.contentLength < 0)
        return {FtpError::ServerRefused, QStringLiteral("The server did not tell the size of \"%1\".").arg(name), {}};
    return {FtpError::None, {}, QString::number(answer.contentLength)};
}

FtpOutcome StorageSession::get(const QString& name, Call& call)
{
    const Answer answer = exchange("GET", pathOf(name), call);
    call.showProgress(true);
    if (!answer.succeeded())
        return failed(answer, name, call);
    bool exists = false;
    if (QString error; !call.target->commit(&error, ReplacingFile::Commit::KeepExisting, &exists))
        return exists ? existingFileRefused(call.targetPath) : FtpOutcome{FtpError::LocalFile, error, {}};
    return {};
}

// One PUT: S3 stores an object whole or not at all, so no temporary is needed.
FtpOutcome StorageSession::put(const QString& name, Call& call)
{
    QByteArray md5;
    call.sha256 = sha256Hex(*call.source, &md5);
    if (call.sha256.isEmpty() || !call.source->seek(0))
        return {FtpError::LocalFile,
                QStringLiteral("Cannot read \"%1\": %2").arg(call.source->fileName(), call.source->errorString()),
                {}};
    addHeader(call.headers, "Content-Type: " + contentTypeOf(name));
    if (m_logOn.publicSends)
        addHeader(call.headers, "x-amz-acl: public-read");
    call.sendingFile = true;
    const Answer answer = exchange("PUT", pathOf(name), call);
    call.showProgress(true);
    if (!answer.succeeded())
        return failed(answer, name, call);
    // A file reported sent is there: a single PUT's ETag is the file's MD5 in quotes. A reply without it, or
    // with another (as some encryptions give), is checked by the object's size.
    if (answer.etag.toLower() == '"' + md5 + '"')
        return {};
    const Answer head = exchange("HEAD", pathOf(name), call);
    if (head.curlCode == CURLE_OK && head.status == 404)
        return notStored(name, -1, call.source->size());
    if (!head.succeeded())
        return failed(head, name, call);
    if (head.contentLength != call.source->size())
        return notStored(name, head.contentLength, call.source->size());
    return {};
}

// After a send, the file on the share is the size of the one sent; a server may answer 201 and keep nothing.
FtpOutcome StorageSession::davConfirm(const QString& name, Call& call)
{
    const Answer answer = propfind(pathOf(name), "0", call);
    const qint64 sent = call.source->size();
    if (answer.curlCode == CURLE_OK && answer.status == 404)
        return notStored(name, -1, sent);
    if (answer.curlCode != CURLE_OK || answer.status != 207)
        return failed(answer, name, call);
    // A share that tells no size is taken at its word that the file is there.
    if (const qint64 held = readDavLength(call.answer); held >= 0 && held != sent)
        return notStored(name, held, sent);
    return {};
}

FtpOutcome StorageSession::davPut(const QString& name, Call& call)
{
    const auto sendInPlace = [&](const QString& why) {
        call.source->seek(0);
        addHeader(call.headers, "Content-Type: " + contentTypeOf(name));
        call.sendingFile = true;
        const Answer answer = exchange("PUT", pathOf(name), call);
        call.showProgress(true);
        if (!answer.succeeded())
            return failed(answer, name, call);
        if (FtpOutcome confirmed = davConfirm(name, call); confirmed.error != FtpError::None)
            return confirmed;
        const bool first = !std::exchange(m_sendsInPlace, true);
        return FtpOutcome{FtpError::None,
                          first ? u"Sent in place, as %1: a send that breaks now leaves a cut file."_s.arg(why)
                                : QString(),
                          {}};
    };
    if (m_sendsInPlace)
        return sendInPlace({});
    const QString temporary = uploadTemporaryName();
    call.sendingFile = true;
    const Answer sent = exchange("PUT", pathOf(temporary), call);
    call.showProgress(true);
    if (sent.curlCode == CURLE_OK && (sent.status == 403 || sent.status == 405))
        return sendInPlace(u"the server refused its temporary file"_s);
    const auto dropTemporary = [&] {
        if (!call.cancelled())
            exchange("DELETE", pathOf(temporary), call);
    };
    if (!sent.succeeded()) {
        FtpOutcome outcome = failed(sent, name, call);
        dropTemporary();
        return outcome;
    }
    const FtpOutcome moved = davMove(temporary, name, true, call);
    if (moved.error == FtpError::None) {
        const FtpOutcome confirmed = davConfirm(name, call);
        // A move that did not happen leaves the temporary behind.
        if (confirmed.error != FtpError::None)
            dropTemporary();
        return confirmed;
    }
    dropTemporary();
    if (moved.error != FtpError::ServerRefused)
        return moved;
    return sendInPlace(u"the server refuses to move it over the file"_s);
}

FtpOutcome StorageSession::makePublic(const QString& name, Call& call)
{
    if (!m_logOn.server.isS3())
        return {FtpError::ServerRefused,
                u"A WebDAV share has no file modes: its web server alone decides who may read \"%1\"."_s.arg(name),
                {}};
    addHeader(call.headers, "x-amz-acl: public-read");
    const Answer answer = exchange("PUT", pathOf(name), call, u"acl="_s);
    if (!answer.succeeded())
        return failed(answer, name, call);
    return {};
}

} // namespace lumaport
