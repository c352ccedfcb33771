// SPDX-License-Identifier: GPL-3.0-or-later
#include "session/remote_requests.h"

#include "transfer/ftp_command.h"
#include "transfer/internet_transfer.h"
#include "transfer/send_lanes.h"

#include <utility>

namespace lumaport {

RemoteRequests::RemoteRequests(std::unique_ptr<InternetTransfer> transfer, QObject* parent)
    : QObject(parent), m_transfer(std::move(transfer))
{
    connect(m_transfer.get(), &InternetTransfer::StateChanged, this, &RemoteRequests::componentState);
    connect(m_transfer.get(), &InternetTransfer::TransferProgress, this, &RemoteRequests::progress);
}

RemoteRequests::~RemoteRequests() = default;

SendLanes& RemoteRequests::lanes()
{
    if (!m_lanes) {
        m_lanes = std::make_unique<SendLanes>(*m_transfer);
        connect(m_lanes.get(), &SendLanes::sent, this, &RemoteRequests::settleLater);
        connect(m_lanes.get(), &SendLanes::failed, this, &RemoteRequests::settleLater);
        connect(m_lanes.get(), &SendLanes::refused, this, &RemoteRequests::settleLater);
    }
    return *m_lanes;
}

void RemoteRequests::run(const FtpCommand& command, QObject* context, std::function<void(bool)> then)
{
    run(commandLine(command), context, std::move(then));
}

void RemoteRequests::run(const QString& command, QObject* context, std::function<void(bool)> then)
{
    Continuation continuation{context ? context : this, std::move(then)};
    // The component would drop it without a word, and the running request's end be taken for it.
    if (running()) {
        if (continuation.then) {
            m_waiting.push_back(std::move(continuation));
            settleLater();
        }
        return;
    }
    ++m_request;
    m_current = std::move(continuation);
    m_transfer->Execute(command);
}

void RemoteRequests::whenIdle(QObject* context, std::function<void()> then)
{
    m_waiting.push_back({context, [then = std::move(then)](bool) { then(); }});
    settleLater();
}

void RemoteRequests::cancel()
{
    ++m_request;
    m_transfer->Cancel();
    if (m_lanes)
        m_lanes->drop();
    end(false);
}

bool RemoteRequests::busy() const
{
    return running() || m_current || !m_waiting.empty();
}

bool RemoteRequests::running() const
{
    return m_transfer->StillExecuting() || (m_lanes && m_lanes->running() > 0);
}

void RemoteRequests::componentState(int state)
{
    const quint64 request = m_request;
    Q_EMIT stateChanged(state);
    if (state != InternetTransfer::icResponseCompleted && state != InternetTransfer::icError)
        return;
    // A receiver may have cancelled it and started another; a set's file on the component's own connection is no
    // request of run()'s.
    if (request == m_request)
        end(state == InternetTransfer::icResponseCompleted);
    settleLater();
}

void RemoteRequests::end(bool replied)
{
    if (!m_current)
        return;
    Continuation request = *std::exchange(m_current, std::nullopt);
    // One without a continuation leaves nothing to wait for: busy() is then what the component says.
    if (request.then) {
        request.replied = replied;
        m_waiting.push_back(std::move(request));
        settleLater();
    }
    Q_EMIT ended(replied);
}

void RemoteRequests::settleLater()
{
    // Never inside the component's signal, nor inside the caller: the component is idle only once its final
    // state's receivers have returned.
    if (!std::exchange(m_settling, true))
        QMetaObject::invokeMethod(this, &RemoteRequests::settle, Qt::QueuedConnection);
}

void RemoteRequests::settle()
{
    m_settling = false;
    // A continuation may start the next request, which the rest then wait for.
    while (!running() && !m_waiting.empty()) {
        Continuation next = std::move(m_waiting.front());
        m_waiting.pop_front();
        if (next.context)
            next.then(next.replied);
    }
}

} // namespace lumaport
