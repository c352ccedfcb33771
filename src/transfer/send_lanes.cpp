// SPDX-License-Identifier: GPL-3.0-or-later
#include "transfer/send_lanes.h"

#include "transfer/ftp_error.h"
#include "transfer/internet_transfer.h"

#include <algorithm>

namespace lumaport {

struct SendLanes::Lane
{
    InternetTransfer* transfer = nullptr;
    std::unique_ptr<InternetTransfer> sibling; // empty for the first session
    bool proven = false;                       // a request of it completed: its server took the connection
    bool refused = false;
    qsizetype file = -1;    // in flight; -1 when idle
    QStringList pending;    // the file's commands still to run
    int done = 0;           // of the file's commands, completed
    quint64 run = 0;        // which start the file in flight was, so a late next step finds its own file
    qint64 bytesBefore = 0; // of the file's commands that completed
    qint64 bytesDone = 0;   // of the running one
};

SendLanes::SendLanes(InternetTransfer& first, QObject* parent) : QObject(parent), m_first(first)
{
    auto lane = std::make_unique<Lane>();
    lane->transfer = &first;
    // The owner's own requests run on it too; only those of a file are this object's.
    connect(&first, &InternetTransfer::StateChanged, this, [this, raw = lane.get()](int state) {
        if (raw->file >= 0)
            stateChanged(*raw, state);
    });
    connect(&first, &InternetTransfer::TransferProgress, this,
            [this, raw = lane.get()](qint64 done, qint64) { laneProgress(*raw, done); });
    m_lanes.push_back(std::move(lane));
}

SendLanes::~SendLanes() = default;

void SendLanes::startSet(int count)
{
    m_count = std::max(1, count);
    if (m_lanes.size() > 1 && m_first.CurrentFolder() != m_siblingsFolder)
        closeSiblings();
}

SendLanes::Lane* SendLanes::idleLane() const
{
    int usable = 0;
    for (const auto& lane : m_lanes) {
        if (lane->refused)
            continue;
        if (++usable > m_count)
            break;
        if (lane->file < 0 && !lane->transfer->StillExecuting())
            return lane.get();
    }
    return nullptr;
}

bool SendLanes::canStart() const
{
    if (idleLane())
        return true;
    const bool anyRefused = std::any_of(m_lanes.begin(), m_lanes.end(), [](const auto& lane) { return lane->refused; });
    return !anyRefused && int(m_lanes.size()) < m_count;
}

bool SendLanes::start(qsizetype file, const QStringList& commands)
{
    Lane* lane = idleLane();
    if (!lane && canStart()) {
        std::unique_ptr<InternetTransfer> sibling = m_first.makeSibling();
        if (!sibling) {
            m_count = int(m_lanes.size()); // the component opens no second session
            return false;
        }
        if (m_lanes.size() == 1)
            m_siblingsFolder = m_first.CurrentFolder();
        auto made = std::make_unique<Lane>();
        made->transfer = sibling.get();
        made->sibling = std::move(sibling);
        lane = made.get();
        connect(lane->transfer, &InternetTransfer::StateChanged, this,
                [this, lane](int state) { stateChanged(*lane, state); });
        connect(lane->transfer, &InternetTransfer::TransferProgress, this,
                [this, lane](qint64 done, qint64) { laneProgress(*lane, done); });
        m_lanes.push_back(std::move(made));
    }
    if (!lane || commands.isEmpty())
        return false;
    lane->file = file;
    lane->pending = commands;
    lane->done = 0;
    lane->run = ++m_started;
    lane->bytesBefore = 0;
    lane->bytesDone = 0;
    advance(*lane);
    return true;
}

int SendLanes::running() const
{
    return int(std::count_if(m_lanes.begin(), m_lanes.end(), [](const auto& lane) { return lane->file >= 0; }));
}

void SendLanes::advance(Lane& lane)
{
    lane.bytesBefore += lane.bytesDone;
    lane.bytesDone = 0;
    lane.transfer->Execute(lane.pending.takeFirst());
}

void SendLanes::stateChanged(Lane& lane, int state)
{
    if (lane.file < 0)
        return;
    if (state == InternetTransfer::icResponseCompleted) {
        lane.proven = true;
        ++lane.done;
        if (!lane.pending.isEmpty()) {
            // The session takes its next request once this signal has returned.
            QMetaObject::invokeMethod(
                this,
                [this, raw = &lane, run = lane.run] {
                    const bool kept = std::any_of(m_lanes.begin(), m_lanes.end(),
                                                  [raw](const auto& each) { return each.get() == raw; });
                    if (kept && raw->run == run && raw->file >= 0 && !raw->pending.isEmpty())
                        advance(*raw);
                },
                Qt::QueuedConnection);
            return;
        }
        const qsizetype file = lane.file;
        finish(lane);
        Q_EMIT sent(file, lane.transfer->ResponseInfo());
    } else if (state == InternetTransfer::icError) {
        const qsizetype file = lane.file;
        const int done = lane.done;
        const QString why = lane.transfer->ResponseInfo();
        const auto error = FtpError(lane.transfer->ResponseCode());
        finish(lane);
        // An answer about the file itself says the connection was taken.
        const bool aboutFile =
            error == FtpError::ServerRefused || error == FtpError::LocalFile || error == FtpError::InvalidOperation;
        if (lane.sibling && !lane.proven && !aboutFile) {
            lane.refused = true;
            Q_EMIT refused(file);
        } else {
            Q_EMIT failed(file, why, done);
        }
    }
}

void SendLanes::laneProgress(Lane& lane, qint64 bytesDone)
{
    if (lane.file < 0)
        return;
    lane.bytesDone = bytesDone;
    qint64 total = 0;
    for (const auto& each : m_lanes) {
        if (each->file >= 0)
            total += each->bytesBefore + each->bytesDone;
    }
    Q_EMIT progress(total);
}

void SendLanes::finish(Lane& lane)
{
    lane.file = -1;
    lane.pending.clear();
    lane.done = 0;
    lane.bytesBefore = 0;
    lane.bytesDone = 0;
}

void SendLanes::drop()
{
    QList<std::pair<qsizetype, int>> cut;
    for (const auto& lane : m_lanes) {
        if (lane->file >= 0)
            cut.append({lane->file, lane->done});
        finish(*lane);
    }
    closeSiblings();
    for (const auto& [file, done] : std::as_const(cut))
        Q_EMIT failed(file, {}, done);
}

void SendLanes::closeSiblings()
{
    for (const auto& lane : m_lanes) {
        if (!lane->sibling)
            continue;
        // CLOSE removes the temporary a cut send left; the session goes once it has said goodbye.
        InternetTransfer* closing = lane->sibling.release();
        closing->setParent(this);
        closing->disconnect(this);
        connect(closing, &InternetTransfer::StateChanged, closing, [closing](int state) {
            if (state == InternetTransfer::icResponseCompleted || state == InternetTransfer::icError)
                closing->deleteLater();
        });
        closing->Cancel();
        closing->Execute(QStringLiteral("CLOSE"));
    }
    m_lanes.resize(1);
}

} // namespace lumaport
