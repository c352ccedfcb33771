// SPDX-License-Identifier: GPL-3.0-or-later
#include "session/publisher.h"

#include "publish/link_address.h"
#include "session/remote_requests.h"
#include "transfer/ftp_command.h"
#include "transfer/ftp_error.h"
#include "transfer/internet_transfer.h"

namespace lumaport {

using namespace Qt::StringLiterals;

namespace {

// A reply (a size) is not wanted.
void dropReply(InternetTransfer& transfer, bool replied)
{
    while (replied && !transfer.GetChunk(4096).isEmpty()) {
    }
}

} // namespace

Publisher::Publisher(std::unique_ptr<InternetTransfer> transfer, const LogOn& logOn, QObject* parent) : QObject(parent)
{
    transfer->setProtocol(InternetTransfer::icFTP);
    transfer->setRemoteHost(logOn.server);
    transfer->setUserName(logOn.user);
    transfer->setPassword(logOn.password);
    transfer->setRequestTimeout(logOn.timeoutSeconds);
    connect(transfer.get(), &InternetTransfer::TrustAsked, this, &Publisher::trustAsked);
    m_requests = std::make_unique<RemoteRequests>(std::move(transfer));
}

Publisher::~Publisher() = default;

void Publisher::answerTrust(bool trusted)
{
    m_requests->transfer().AnswerTrust(trusted);
}

void Publisher::cancel()
{
    m_next = m_files.size(); // the file in flight ends the delete
    m_requests->cancel();
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
    enterFolder(file.place, [this, index, file](bool entered, const QString& why) {
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

void Publisher::enterFolder(const PublishedPlace& place, std::function<void(bool, const QString&)> done)
{
    const QString route = place.byFolder ? folderRoute(m_folder, place.folder) : QString();
    if (route.isEmpty()) {
        done(true, QString());
        return;
    }
    m_requests->run(u"CD "_s + quotedName(route), this, [this, place, done = std::move(done)](bool entered) {
        InternetTransfer& transfer = m_requests->transfer();
        dropReply(transfer, entered);
        if (entered)
            m_folder = place.folder;
        done(entered, transfer.ResponseInfo());
    });
}

void Publisher::deleteRemoteFile(const QString& path, std::function<void(bool, const QString&)> done)
{
    m_requests->run(u"DELETE "_s + quotedName(path), this, [this, path, done = std::move(done)](bool replied) {
        InternetTransfer& transfer = m_requests->transfer();
        dropReply(transfer, replied);
        const QString why = transfer.ResponseInfo();
        if (replied || FtpError(transfer.ResponseCode()) != FtpError::ServerRefused) {
            done(replied, why);
            return;
        }
        // Refused: where the server can't tell its size either, the file is no longer there.
        m_requests->run(u"SIZE "_s + quotedName(path), this, [this, why, done](bool sized) {
            InternetTransfer& transfer = m_requests->transfer();
            dropReply(transfer, sized);
            done(!sized && FtpError(transfer.ResponseCode()) == FtpError::ServerRefused, why);
        });
    });
}

} // namespace lumaport
