// SPDX-License-Identifier: GPL-3.0-or-later
#include "transfer/ftp_transfer.h"

#include "platform/curl_library.h"
#include "platform/options_file.h"
#include "transfer/ftp_command.h"
#include "transfer/server_identity.h"
#include "transfer/storage_request.h"
#include "transfer/storage_session.h"

#include <QFile>
#include <QMetaMethod>
#include <QtDebug>

namespace lumaport {

namespace {

constexpr int kPassphraseTries = 3;

} // namespace

struct FtpTransfer::Job
{
    quint64 serial = 0;
    FtpCommand command;
    FtpLogOn logOn;
    QString trustFile;
    std::optional<QString> startFolder;
};

FtpTransfer::FtpTransfer(QObject* parent) : InternetTransfer(parent)
{
    if (!curlReady())
        qWarning("FtpTransfer: libcurl could not be initialised");
    m_worker = std::thread([this] { work(); });
}

FtpTransfer::~FtpTransfer()
{
    {
        std::lock_guard lock(m_mutex);
        m_stop = true;
        m_job.reset();
        m_liveSerial = 0; // no request has serial 0: a running one stops at its next progress check
    }
    m_wake.notify_one();
    m_worker.join();
}

void FtpTransfer::setProtocol(int protocol)
{
    m_protocol = protocol;
}

void FtpTransfer::setRemoteHost(const QString& server)
{
    m_server = server;
}

void FtpTransfer::setUserName(const QString& userName)
{
    m_userName = userName;
}

void FtpTransfer::setPassword(const QString& password)
{
    m_password = password;
}

void FtpTransfer::setRequestTimeout(int seconds)
{
    m_timeoutSeconds = seconds;
}

void FtpTransfer::setTrustFile(const QString& path)
{
    m_trustFile = path;
}

void FtpTransfer::setOptionsFile(const QString& path)
{
    m_optionsFile = path;
}

void FtpTransfer::AnswerTrust(bool trusted)
{
    {
        std::lock_guard lock(m_mutex);
        m_trustAnswer = {m_serial, trusted};
    }
    m_wake.notify_one();
}

void FtpTransfer::AnswerPassphrase(const QString& passphrase)
{
    {
        std::lock_guard lock(m_mutex);
        m_passphraseAnswer = {m_serial, passphrase};
    }
    m_wake.notify_one();
}

std::unique_ptr<InternetTransfer> FtpTransfer::makeSibling() const
{
    auto sibling = std::make_unique<FtpTransfer>();
    sibling->m_protocol = m_protocol;
    sibling->m_server = m_server;
    sibling->m_userName = m_userName;
    sibling->m_password = m_password;
    sibling->m_timeoutSeconds = m_timeoutSeconds;
    sibling->m_trustFile = m_trustFile;
    sibling->m_optionsFile = m_optionsFile;
    sibling->m_publicSends = m_publicSends;
    sibling->m_startFolder = m_folder;
    std::scoped_lock lock(m_mutex, sibling->m_mutex);
    sibling->m_passphrase = m_passphrase;
    return sibling;
}

void FtpTransfer::Execute(const QString& operation)
{
    if (m_executing) {
        qWarning("FtpTransfer: a request is still executing; \"%s\" was not started", qPrintable(operation));
        return;
    }
    ++m_serial;
    m_executing = true;
    m_code = 0;
    m_info.clear();
    m_reply.clear();
    m_replyPosition = 0;

    auto job = std::make_unique<Job>();
    job->serial = m_serial;
    QString error;
    if (m_protocol != icFTP)
        return refuse(FtpError::InvalidOperation, QStringLiteral("Only the FTP protocol is supported."));
    if (!parseFtpCommand(operation, &job->command, &error))
        return refuse(FtpError::InvalidOperation, error);
    if (job->command.kind != FtpCommand::Kind::Close) {
        if (!parseFtpServerAddress(m_server, &job->logOn.server, &error))
            return refuse(FtpError::InvalidServer, error);
        if (holdsControlCharacter(m_userName) || holdsControlCharacter(m_password))
            return refuse(FtpError::InvalidOperation,
                          QStringLiteral("The user name or the password holds a line break or another control "
                                         "character."));
    }
    job->logOn.userName = m_userName;
    job->logOn.password = m_password;
    job->logOn.timeoutSeconds = m_timeoutSeconds;
    if (job->logOn.server.isS3())
        job->logOn.publicSends =
            m_publicSends ||
            (!m_optionsFile.isEmpty() && readOptions(m_optionsFile).value(kPublicSendsOption.toString()).toBool());
    job->trustFile = m_trustFile;
    if (job->command.kind != FtpCommand::Kind::Close)
        job->startFolder = std::exchange(m_startFolder, std::nullopt);
    {
        std::lock_guard lock(m_mutex);
        m_job = std::move(job);
        m_liveSerial = m_serial;
    }
    m_wake.notify_one();
}

void FtpTransfer::Cancel()
{
    ++m_serial;
    m_executing = false;
    {
        std::lock_guard lock(m_mutex);
        m_job.reset();
        m_dropConnection = true;
        m_liveSerial = m_serial;
    }
    m_wake.notify_one();
}

QString FtpTransfer::GetChunk(int size, int dataType)
{
    if (dataType != icString || size <= 0)
        return {};
    const qsizetype left = m_reply.size() - m_replyPosition;
    qsizetype length = std::min<qsizetype>(size, left);
    if (length > 1 && length < left && m_reply.at(m_replyPosition + length - 1).isHighSurrogate())
        --length; // keep a character outside the basic plane in one chunk
    const QString chunk = m_reply.mid(m_replyPosition, length);
    m_replyPosition += length;
    return chunk;
}

// Bad input ends like any failed request, through a posted icError, without reaching the worker.
void FtpTransfer::refuse(FtpError error, const QString& info)
{
    post(m_serial, icError, FtpOutcome{error, info, {}});
}

void FtpTransfer::post(quint64 serial, int state, const FtpOutcome& outcome)
{
    QMetaObject::invokeMethod(
        this, [this, serial, state, outcome] { deliver(serial, state, outcome); }, Qt::QueuedConnection);
}

void FtpTransfer::deliver(quint64 serial, int state, const FtpOutcome& outcome)
{
    if (serial != m_serial || !m_executing)
        return;
    const bool final = state == icError || state == icResponseCompleted;
    if (final) {
        m_reply = outcome.reply;
        m_replyPosition = 0;
        m_code = int(outcome.error);
        m_info = outcome.info;
    }
    Q_EMIT StateChanged(state);
    // The handler may have cancelled this request and started another one.
    if (final && serial == m_serial)
        m_executing = false;
}

void FtpTransfer::work()
{
    FtpSession ftp;
    StorageSession storage;
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_wake.wait(lock, [this] { return m_stop || m_dropConnection || m_job; });
        if (m_stop)
            return;
        const bool drop = std::exchange(m_dropConnection, false);
        const std::unique_ptr<Job> job = std::move(m_job);
        lock.unlock();
        if (drop) {
            ftp.drop();
            storage.drop();
            std::lock_guard passphraseLock(m_mutex);
            m_passphrase.reset();
        }
        if (job && job->command.kind == FtpCommand::Kind::Close)
            storage.drop();
        const bool overHttp = job && (job->logOn.server.isS3() || job->logOn.server.isWebDav());
        if (job)
            run(overHttp ? static_cast<RemoteSession&>(storage) : ftp, *job);
        lock.lock();
    }
}

void FtpTransfer::run(RemoteSession& session, const Job& job)
{
    const quint64 serial = job.serial;
    const auto cancelled = [this, serial] { return m_liveSerial != serial; };
    const auto sink = [this, serial](int state) { post(serial, state, {}); };
    const auto progress = [this, serial](qint64 done, qint64 total) {
        QMetaObject::invokeMethod(
            this,
            [this, serial, done, total] {
                if (serial == m_serial && m_executing)
                    Q_EMIT TransferProgress(done, total);
            },
            Qt::QueuedConnection);
    };
    if (job.command.kind == FtpCommand::Kind::Close) {
        std::lock_guard lock(m_mutex);
        m_passphrase.reset();
    }
    if (job.startFolder)
        session.startIn(RemoteFolder().entered(*job.startFolder));
    const FtpOutcome outcome = runTrusting(session, job, sink, progress, cancelled);
    if (cancelled())
        return;
    // Known before the final state is handled, which may ask for it.
    const QString folder = session.folder();
    QMetaObject::invokeMethod(
        this,
        [this, serial, folder] {
            if (serial == m_serial)
                m_folder = folder;
        },
        Qt::QueuedConnection);
    post(serial, outcome.error == FtpError::None ? icResponseCompleted : icError, outcome);
}

FtpOutcome FtpTransfer::runTrusting(RemoteSession& session, const Job& job, const FtpSession::StateSink& sink,
                                    const FtpSession::ProgressSink& progress, const FtpSession::CancelCheck& cancelled)
{
    m_trusted.setPath(job.trustFile);
    FtpLogOn logOn = job.logOn;
    logOn.trustedFingerprint = m_trusted.fingerprint(logOn.server.name());
    if (logOn.server.scheme == FtpServerAddress::Scheme::Sftp)
        offerKey(job.serial, logOn);
    if (cancelled())
        return {};
    FtpOutcome outcome = session.run(job.command, logOn, sink, progress, cancelled);
    const std::optional<ServerIdentity> refused = session.refusedIdentity();
    if (!refused || cancelled())
        return outcome;
    const ServerIdentity identity = *refused;
    if (!logOn.trustedFingerprint.isEmpty())
        return {FtpError::NotTrusted, changedIdentityText(identity, logOn.trustedFingerprint, job.trustFile), {}};
    if (!ask(job.serial, identity))
        return outcome;
    if (QString error; !m_trusted.trust(identity, &error))
        return {FtpError::LocalFile, error, {}};
    logOn.trustedFingerprint = identity.fingerprint;
    return session.run(job.command, logOn, sink, progress, cancelled);
}

// A question goes to the user-interface thread, where it is asked while its request still runs: through the
// signal, or answered at once when nobody receives it.
void FtpTransfer::putQuestion(quint64 serial, const QMetaMethod& signal, const std::function<void()>& emitIt,
                              const std::function<void()>& answerWithoutReceiver)
{
    QMetaObject::invokeMethod(
        this,
        [=, this] {
            if (serial != m_serial || !m_executing)
                return;
            if (isSignalConnected(signal))
                emitIt();
            else
                answerWithoutReceiver();
        },
        Qt::QueuedConnection);
}

bool FtpTransfer::ask(quint64 serial, const ServerIdentity& identity)
{
    putQuestion(
        serial, QMetaMethod::fromSignal(&InternetTransfer::TrustAsked),
        [this, identity] { Q_EMIT TrustAsked(identity); }, [this] { AnswerTrust(false); });
    return waitForAnswer(serial, m_trustAnswer).value_or(false);
}

// The passphrase is asked for once for each log-on, and only the key's own log-on data hold it. One that does
// not open the key is asked for again, twice at most; then the key is left out and the password logs on.
void FtpTransfer::offerKey(quint64 serial, FtpLogOn& logOn)
{
    logOn.keyFile = userKeyFile();
    if (logOn.keyFile.isEmpty() || !keyNeedsPassphrase(logOn.keyFile))
        return;
    const QString keyFile = QFile::decodeName(logOn.keyFile);
    const QStringList keyUse{logOn.server.name(), logOn.userName, keyFile};
    std::optional<std::pair<QStringList, QString>> known;
    {
        std::lock_guard lock(m_mutex);
        known = m_passphrase;
    }
    if (!known || known->first != keyUse) {
        QString opening;
        for (int attempt = 0; attempt < kPassphraseTries; ++attempt) {
            putQuestion(
                serial, QMetaMethod::fromSignal(&InternetTransfer::PassphraseAsked),
                [this, keyFile, attempt] { Q_EMIT PassphraseAsked(keyFile, attempt > 0); },
                [this] { AnswerPassphrase({}); });
            const std::optional<QString> answer = waitForAnswer(serial, m_passphraseAnswer);
            if (!answer)
                return; // cancelled
            if (answer->isEmpty() || passphraseOpensKey(logOn.keyFile, *answer)) {
                opening = *answer;
                break;
            }
        }
        known = {keyUse, opening};
        std::lock_guard lock(m_mutex);
        m_passphrase = known;
    }
    if (known->second.isEmpty())
        logOn.keyFile.clear();
    else
        logOn.keyPassphrase = known->second;
}

// Waits for the answer to the question of the request with this serial, a cancel or the end of the component.
template <typename Answer>
std::optional<Answer> FtpTransfer::waitForAnswer(quint64 serial, std::optional<std::pair<quint64, Answer>>& answer)
{
    std::unique_lock lock(m_mutex);
    m_wake.wait(lock, [&] { return m_stop || m_liveSerial != serial || (answer && answer->first == serial); });
    std::optional<Answer> given;
    if (!m_stop && m_liveSerial == serial)
        given = answer->second;
    answer.reset();
    return given;
}

} // namespace lumaport
