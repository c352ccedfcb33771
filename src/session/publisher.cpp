// SPDX-License-Identifier: GPL-3.0-or-later
#include "session/publisher.h"

#include "picture_prep/prepared_picture.h"
#include "platform/options_file.h"
#include "publish/link_address.h"
#include "session/remote_requests.h"
#include "transfer/ftp_command.h"
#include "transfer/ftp_error.h"
#include "transfer/internet_transfer.h"
#include "transfer/listing_entries.h"
#include "transfer/remote_folder.h"
#include "transfer/send_lanes.h"

#include <QFileInfo>

#include <algorithm>
#include <deque>
#include <map>
#include <numeric>

namespace lumaport {

using namespace Qt::StringLiterals;

namespace {

// A reply (a size) is not wanted.
void dropReply(InternetTransfer& transfer, bool replied)
{
    while (replied && !transfer.GetChunk(4096).isEmpty()) {
    }
}

QString wholeReply(InternetTransfer& transfer)
{
    QString reply;
    for (QString chunk = transfer.GetChunk(4096, InternetTransfer::icString); !chunk.isEmpty();
         chunk = transfer.GetChunk(4096, InternetTransfer::icString))
        reply += chunk;
    return reply;
}

// What a file sent is known by: its addresses on the web, built as its link would be, and its sizes as sent.
SentFile sentFileAt(const SendOrder& order, const FileToSend& file, qint64 bytes, qint64 thumbnailBytes)
{
    const TagFields& link = order.link;
    // Sent all the same, but with no address to check or keep.
    if (!namesTypedHost(link.urlName, link.typedBase))
        return {file.localPath, order.remoteFolder, file.name, {}, {}, bytes, thumbnailBytes, {}};
    TagFields fields = link;
    fields.fileName = file.name;
    fields.hasThumbnail = thumbnailBytes >= 0;
    return {file.localPath,
            order.remoteFolder,
            file.name,
            bareAddress(link.urlName, file.name, link.typedBase),
            thumbnailBytes >= 0 ? bareAddress(link.urlName, thumbnailName(file.name), link.typedBase) : QString(),
            bytes,
            thumbnailBytes,
            taggedAddress(fields).text};
}

} // namespace

int connectionsOption(const QString& optionsPath)
{
    return std::clamp(readOptions(optionsPath).value(u"sending/connections"_s, 3).toInt(), 1, kMostConnections);
}

// What a send knows while its files are in flight.
struct Publisher::Sending
{
    SendOrder order;
    std::deque<qsizetype> waiting;                                  // over several connections: not started yet
    std::map<qsizetype, std::shared_ptr<PreparedPicture>> prepared; // made once, kept until the file has ended
    std::map<qsizetype, SentFile> sent; // by place in the order: what was sent is told in the order given
    qsizetype lastStarted = -1;
    QStringList notSent;
    QString firstFailed;           // the files never started name it
    QStringList thumbnailsNotSent; // their pictures went
    qint64 bytesDone = 0;          // of the files ended, as the local files measure
    qint64 bytesTotal = 1;
    std::unique_ptr<QObject> guard = std::make_unique<QObject>(); // the lanes' signals reach this send only
    bool starting = false;                                        // a start of more files is posted
    bool atOnce = false;
};

Publisher::Publisher(std::unique_ptr<InternetTransfer> transfer, const LogOn& logOn, QObject* parent)
    : QObject(parent), m_ownRequests(std::make_unique<RemoteRequests>(std::move(transfer))),
      m_requests(m_ownRequests.get())
{
    InternetTransfer& own = m_requests->transfer();
    connect(&own, &InternetTransfer::TrustAsked, this, &Publisher::trustAsked);
    connect(&own, &InternetTransfer::PassphraseAsked, this, &Publisher::passphraseAsked);
    keepErrors();
    setLogOn(logOn);
}

Publisher::Publisher(RemoteRequests& requests, QObject* parent) : QObject(parent), m_requests(&requests)
{
    keepErrors();
}

void Publisher::keepErrors()
{
    connect(m_requests, &RemoteRequests::stateChanged, this, [this](int state) {
        if (state == InternetTransfer::icError)
            m_lastError = m_requests->transfer().ResponseInfo();
    });
}

Publisher::~Publisher() = default;

void Publisher::setLogOn(const LogOn& logOn)
{
    InternetTransfer& transfer = m_requests->transfer();
    transfer.setProtocol(InternetTransfer::icFTP);
    transfer.setRemoteHost(logOn.server);
    transfer.setUserName(logOn.user);
    transfer.setPassword(logOn.password);
    transfer.setRequestTimeout(logOn.timeoutSeconds);
}

void Publisher::run(const FtpCommand& command, QObject* context, Then then)
{
    m_requests->run(command, context, std::move(then));
}

void Publisher::list(QObject* context, Then then)
{
    run({FtpCommand::Kind::Dir, {}}, context, std::move(then));
}

void Publisher::openFolder(const QString& entry, QObject* context, Then then)
{
    run({FtpCommand::Kind::Cd, {entry}}, context, std::move(then));
}

void Publisher::leaveFolder(QObject* context, Then then)
{
    run({FtpCommand::Kind::CdUp, {}}, context, std::move(then));
}

void Publisher::makeFolder(const QString& name, QObject* context, Then then)
{
    run({FtpCommand::Kind::MkDir, {name}}, context, std::move(then));
}

void Publisher::rename(const QString& entry, const QString& name, QObject* context, Then then)
{
    run({FtpCommand::Kind::Rename, {entry, name}}, context, std::move(then));
}

void Publisher::remove(const QString& entry, QObject* context, Then then)
{
    run({entry.endsWith(u'/') ? FtpCommand::Kind::RmDir : FtpCommand::Kind::Delete, {entry}}, context, std::move(then));
}

void Publisher::askSize(const QString& entry, QObject* context, Then then)
{
    run({FtpCommand::Kind::Size, {entry}}, context, std::move(then));
}

void Publisher::receive(const QString& entry, const QString& localPath, QObject* context, Then then)
{
    run({FtpCommand::Kind::Get, {entry, localPath}}, context, std::move(then));
}

void Publisher::makeReadable(const QStringList& names, QObject* context, Then then)
{
    if (names.isEmpty()) {
        then(true);
        return;
    }
    run({FtpCommand::Kind::Chmod, {names.first()}}, context,
        [this, rest = names.mid(1), context, then = std::move(then)](bool replied) {
            if (replied)
                makeReadable(rest, context, then);
            else
                then(false);
        });
}

void Publisher::logOff()
{
    run({FtpCommand::Kind::Close, {}});
}

void Publisher::answerTrust(bool trusted)
{
    m_requests->transfer().AnswerTrust(trusted);
}

void Publisher::answerPassphrase(const QString& passphrase)
{
    m_requests->transfer().AnswerPassphrase(passphrase);
}

void Publisher::cancel(const QString& why)
{
    m_next = m_files.size(); // the file in flight ends the delete
    if (m_sending)
        m_cut = why;
    if (m_pictureAnswer)
        answerPicture(false);
    m_requests->cancel();
}

void Publisher::logOn()
{
    m_lastError.clear();
    run({FtpCommand::Kind::Dir, {}}, this, [this](bool replied) {
        InternetTransfer& transfer = m_requests->transfer();
        if (!replied) {
            Q_EMIT requestFailed(
                {transfer.ResponseCode(), m_lastError.isEmpty() ? transfer.ResponseInfo() : m_lastError});
            return;
        }
        Q_EMIT loggedOn(listingEntries(wholeReply(transfer)));
    });
}

void Publisher::enterFolder(const QString& path)
{
    m_lastError.clear();
    run({FtpCommand::Kind::Cd, {path}}, this, [this, path](bool entered) {
        InternetTransfer& transfer = m_requests->transfer();
        dropReply(transfer, entered);
        if (!entered) {
            Q_EMIT requestFailed(
                {transfer.ResponseCode(), m_lastError.isEmpty() ? transfer.ResponseInfo() : m_lastError});
            return;
        }
        Q_EMIT folderEntered(transfer.CurrentFolder().value_or(RemoteFolder().entered(path).path()));
    });
}

void Publisher::deleteFiles(const QList<FileToDelete>& files)
{
    m_files = files;
    m_next = 0;
    m_outcome = {};
    deleteNext();
}

void Publisher::deleteNext()
{
    if (m_next == m_files.size()) {
        Q_EMIT deletesEnded(m_outcome);
        return;
    }
    const qsizetype index = m_next++;
    const FileToDelete file = m_files[index];
    Q_EMIT deleting(index);
    enterPlaceFolder(file.place, [this, index, file](bool entered, const QString& why) {
        const PublishedPlace& place = file.place;
        if (!entered) {
            m_outcome.refused << place.path() + u": "_s + why;
            deleteNext();
            return;
        }
        // Commands of a bucket or share take a name of the folder entered; an FTP server takes the path.
        const QString folder = place.byFolder ? QString() : place.folder;
        deleteRemoteFile(folder + place.name, [this, index, file, folder](bool deleted, const QString& why) {
            const PublishedPlace& place = file.place;
            if (!deleted) {
                m_outcome.refused << place.path() + u": "_s + why;
                deleteNext();
                return;
            }
            m_outcome.deleted << index;
            if (!file.withThumbnail) {
                deleteNext();
                return;
            }
            const QString thumbnail = thumbnailName(place.name);
            deleteRemoteFile(folder + thumbnail, [this, place, thumbnail](bool thumbnailDeleted, const QString& why) {
                if (!thumbnailDeleted)
                    m_outcome.refused << place.folder + thumbnail + u": "_s + why;
                deleteNext();
            });
        });
    });
}

void Publisher::enterPlaceFolder(const PublishedPlace& place, std::function<void(bool, const QString&)> done)
{
    const QString route = place.byFolder ? folderRoute(m_folder, place.folder) : QString();
    if (route.isEmpty()) {
        done(true, QString());
        return;
    }
    run({FtpCommand::Kind::Cd, {route}}, this, [this, place, done = std::move(done)](bool entered) {
        InternetTransfer& transfer = m_requests->transfer();
        dropReply(transfer, entered);
        if (entered)
            m_folder = place.folder;
        done(entered, transfer.ResponseInfo());
    });
}

void Publisher::deleteRemoteFile(const QString& path, std::function<void(bool, const QString&)> done)
{
    run({FtpCommand::Kind::Delete, {path}}, this, [this, path, done = std::move(done)](bool replied) {
        InternetTransfer& transfer = m_requests->transfer();
        dropReply(transfer, replied);
        const QString why = transfer.ResponseInfo();
        if (replied || FtpError(transfer.ResponseCode()) != FtpError::ServerRefused) {
            done(replied, why);
            return;
        }
        // Refused: where the server can't tell its size either, the file is no longer there.
        run({FtpCommand::Kind::Size, {path}}, this, [this, why, done](bool sized) {
            InternetTransfer& transfer = m_requests->transfer();
            dropReply(transfer, sized);
            done(!sized && FtpError(transfer.ResponseCode()) == FtpError::ServerRefused, why);
        });
    });
}

void Publisher::sendFiles(const SendOrder& order)
{
    m_sending = std::make_unique<Sending>();
    Sending& send = *m_sending;
    send.order = order;
    for (const FileToSend& file : order.files)
        send.bytesTotal += QFileInfo(file.localPath).size();
    m_cut.reset();
    m_lastError.clear();
    if (order.connections > 1 && order.files.size() > 1) {
        sendAtOnce();
        return;
    }
    if (order.files.size() == 1) {
        // A lone file's bar is its own request's.
        connect(m_requests, &RemoteRequests::progress, send.guard.get(),
                [this](qint64 done, qint64 total) { Q_EMIT progress(done, total); });
    } else {
        connect(m_requests, &RemoteRequests::progress, send.guard.get(), [this](qint64 done, qint64) {
            Q_EMIT progress(std::min(m_sending->bytesTotal, m_sending->bytesDone + std::max<qint64>(0, done)),
                            m_sending->bytesTotal);
        });
    }
    sendInTurn(0);
}

void Publisher::answerPicture(bool sendAsIs)
{
    if (const auto answer = std::exchange(m_pictureAnswer, {}))
        answer(sendAsIs);
}

void Publisher::prepare(qsizetype index, std::function<void(std::shared_ptr<PreparedPicture>)> done)
{
    const Sending& send = *m_sending;
    const FileToSend& file = send.order.files[index];
    auto picture = std::make_shared<PreparedPicture>();
    QString why;
    if (picture->prepare(file.localPath, send.order.choices, &why)) {
        // A picture whose kind changed goes under its new kind's name, and is linked and kept by it.
        m_sending->order.files[index].name = picture->sentName(file.name);
        if (!picture->note().isEmpty())
            Q_EMIT pictureNote(picture->note());
        done(picture);
        return;
    }
    if (!send.order.askDoubts || send.order.files.size() > 1 || !picture->unreadable()) {
        Q_EMIT notPrepared(index, why);
        failFile(index, why);
        done(nullptr);
        return;
    }
    // Decoding it would send grey where the picture is missing; as it is, it goes only on the user's word.
    m_pictureAnswer = [this, index, picture, why, done](bool sendAsIs) {
        if (!sendAsIs || m_cut) {
            failFile(index, why);
            done(nullptr);
            return;
        }
        done(picture);
    };
    Q_EMIT pictureDoubted(why, picture->picture() != file.localPath ? u"Send it as it is, without its location data?"_s
                                                                    : u"Send it unchanged?"_s);
}

QString Publisher::unsentWhy() const
{
    return !m_lastError.isEmpty() ? m_lastError : m_cut ? *m_cut : u"the server did not take it"_s;
}

void Publisher::failFile(qsizetype index, const QString& why)
{
    Sending& send = *m_sending;
    send.notSent.append(send.order.files[index].name + u" was not sent: "_s + why);
    if (send.firstFailed.isEmpty())
        send.firstFailed = send.order.files[index].name;
}

void Publisher::keepSent(qsizetype index, const PreparedPicture& picture, bool withThumbnail)
{
    Sending& send = *m_sending;
    const FileToSend& file = send.order.files[index];
    const qint64 thumbnailBytes =
        withThumbnail && !picture.thumbnail().isEmpty() ? QFileInfo(picture.thumbnail()).size() : -1;
    const SentFile sent = sentFileAt(send.order, file, QFileInfo(picture.picture()).size(), thumbnailBytes);
    if (m_session)
        m_session->recordSent(picture.picture(), sent);
    send.sent.emplace(index, sent);
    send.bytesDone += QFileInfo(file.localPath).size();
    Q_EMIT fileSent(index, sent);
}

void Publisher::sendInTurn(qsizetype index)
{
    Sending& send = *m_sending;
    if (index == send.order.files.size() || m_cut || !send.notSent.isEmpty()) {
        for (qsizetype never = index; never < send.order.files.size(); ++never) {
            const QString& name = send.order.files[never].name;
            if (send.firstFailed.isEmpty()) {
                failFile(never, unsentWhy());
                continue;
            }
            send.notSent.append(name + (m_cut ? u" was not sent: the connection was closed"_s
                                              : u" was not sent: the set stopped at "_s + send.firstFailed));
        }
        endSend();
        return;
    }
    Q_EMIT sending(index, 1);
    prepare(index, [this, index](std::shared_ptr<PreparedPicture> picture) {
        if (!picture) {
            sendInTurn(index + 1);
            return;
        }
        const QString name = m_sending->order.files[index].name;
        m_lastError.clear();
        run({FtpCommand::Kind::Put, {picture->picture(), name}}, this, [this, index, picture, name](bool sent) {
            if (!sent) {
                failFile(index, unsentWhy());
                sendInTurn(index + 1);
                return;
            }
            if (picture->thumbnail().isEmpty()) {
                keepSent(index, *picture, false);
                sendInTurn(index + 1);
                return;
            }
            m_lastError.clear();
            run({FtpCommand::Kind::Put, {picture->thumbnail(), thumbnailName(name)}}, this,
                [this, index, picture, name](bool thumbnailSent) {
                    if (!thumbnailSent)
                        m_sending->thumbnailsNotSent.append(thumbnailName(name) + u" was not sent: "_s + unsentWhy());
                    keepSent(index, *picture, thumbnailSent);
                    sendInTurn(index + 1);
                });
        });
    });
}

void Publisher::sendAtOnce()
{
    Sending& send = *m_sending;
    send.atOnce = true;
    send.waiting.resize(size_t(send.order.files.size()));
    std::iota(send.waiting.begin(), send.waiting.end(), qsizetype{0});
    SendLanes& lanes = m_requests->lanes();
    lanes.startSet(send.order.connections);

    // Each file's end lets the next start, once the lanes' signal has returned and its connection is idle.
    const auto startLater = [this] {
        if (m_sending && !std::exchange(m_sending->starting, true))
            QMetaObject::invokeMethod(
                m_sending->guard.get(), [this] { startMore(); }, Qt::QueuedConnection);
    };
    QObject* guard = send.guard.get();
    connect(&lanes, &SendLanes::sent, guard, [this, startLater](qsizetype file, const QString&) {
        keepSent(file, *m_sending->prepared[file], true);
        m_sending->prepared.erase(file);
        startLater();
    });
    connect(&lanes, &SendLanes::failed, guard, [this, startLater](qsizetype file, const QString& why, int done) {
        Sending& send = *m_sending;
        const QString reason = why.isEmpty() ? unsentWhy() : why;
        if (done > 0) {
            send.thumbnailsNotSent.append(thumbnailName(send.order.files[file].name) + u" was not sent: "_s + reason);
            keepSent(file, *send.prepared[file], false);
        } else {
            failFile(file, reason);
        }
        send.prepared.erase(file);
        startLater();
    });
    connect(&lanes, &SendLanes::refused, guard, [this, startLater](qsizetype file) {
        m_sending->waiting.push_front(file);
        startLater();
    });
    connect(&lanes, &SendLanes::progress, guard, [this](qint64 bytesInFlight) {
        Q_EMIT progress(std::min(m_sending->bytesTotal, m_sending->bytesDone + bytesInFlight), m_sending->bytesTotal);
    });
    startMore();
}

// Starts what may start; once nothing is in flight, the send is over. A failure or a cut starts nothing more; what
// is in flight ends on its own.
void Publisher::startMore()
{
    Sending& send = *m_sending;
    SendLanes& lanes = m_requests->lanes();
    send.starting = false;
    while (send.notSent.isEmpty() && !m_cut && !send.waiting.empty() && lanes.canStart()) {
        const qsizetype file = send.waiting.front();
        send.waiting.pop_front();
        // Made once: a file whose start waits for a free connection keeps what was made for it.
        std::shared_ptr<PreparedPicture>& picture = send.prepared[file];
        if (!picture) {
            prepare(file, [&picture](std::shared_ptr<PreparedPicture> made) { picture = std::move(made); });
            if (!picture) {
                send.prepared.erase(file);
                break;
            }
        }
        const QString& name = send.order.files[file].name;
        QStringList commands{commandLine({FtpCommand::Kind::Put, {picture->picture(), name}})};
        if (!picture->thumbnail().isEmpty())
            commands.append(commandLine({FtpCommand::Kind::Put, {picture->thumbnail(), thumbnailName(name)}}));
        if (!lanes.start(file, commands)) {
            send.waiting.push_front(file);
            break;
        }
        send.lastStarted = std::max(send.lastStarted, file);
        Q_EMIT sending(send.lastStarted, lanes.running());
    }
    if (lanes.running() > 0)
        return;
    // Every file never started is named; the first failure, or the cut, is why.
    QStringList never;
    for (const qsizetype file : send.waiting)
        never.append(send.order.files[file].name);
    if (!never.isEmpty() && send.notSent.isEmpty()) {
        send.firstFailed = never.takeFirst();
        send.notSent.append(send.firstFailed + u" was not sent: "_s + unsentWhy());
    }
    for (const QString& name : std::as_const(never))
        send.notSent.append(name + (m_cut ? u" was not sent: the connection was closed"_s
                                          : u" was not sent: the set stopped at "_s + send.firstFailed));
    endSend();
}

void Publisher::endSend()
{
    std::unique_ptr<Sending> send = std::move(m_sending);
    SendOutcome outcome;
    for (const auto& [index, file] : send->sent) {
        outcome.sent.append(file);
        outcome.sentIndices.append(index);
    }
    outcome.notSent = send->notSent + send->thumbnailsNotSent;
    QObject* guard = send->guard.release();
    disconnect(m_requests, nullptr, guard, nullptr);
    if (send->atOnce)
        disconnect(&m_requests->lanes(), nullptr, guard, nullptr);
    // A start of more files may be posted to it.
    guard->deleteLater();
    Q_EMIT sendsEnded(outcome);
}

} // namespace lumaport
