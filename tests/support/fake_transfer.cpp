// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/fake_transfer.h"

#include <QTimer>

namespace lumaport::test {

FakeTransfer::Outcome FakeTransfer::completes(const QString& reply)
{
    return {{icConnecting, icConnected, icRequesting, icRequestSent, icReceivingResponse, icResponseReceived},
            reply,
            0,
            {}};
}

FakeTransfer::Outcome FakeTransfer::fails(int code, const QString& text)
{
    return {{icConnecting, icConnected}, {}, code, text};
}

void FakeTransfer::Execute(const QString& operation)
{
    m_executed.append(operation);
    m_executing = true;
    const int request = ++m_request;
    if (m_script.empty())
        return;
    const Outcome outcome = m_script.front();
    m_script.pop_front();
    // Like the real component: Execute returns first, the states come from the event loop.
    QTimer::singleShot(0, this, [this, request, outcome] {
        if (request == m_request)
            finish(outcome);
    });
}

void FakeTransfer::finish(const Outcome& outcome)
{
    const int request = m_request;
    for (const int state : outcome.progress) {
        Q_EMIT StateChanged(state);
        if (request != m_request)
            return;
    }
    if (outcome.errorCode != 0) {
        m_code = outcome.errorCode;
        m_info = outcome.errorText;
        Q_EMIT StateChanged(icError);
    } else {
        m_pending = outcome.reply;
        Q_EMIT StateChanged(icResponseCompleted);
    }
    // Still executing while the final state's handler runs, as the interface promises.
    if (request == m_request)
        m_executing = false;
}

void FakeTransfer::Cancel()
{
    ++m_cancels;
    ++m_request;
    m_executing = false;
    m_pending.clear();
}

QString FakeTransfer::GetChunk(int size, int dataType)
{
    Q_UNUSED(dataType);
    m_chunkSizes.append(size);
    const QString chunk = m_pending.left(size);
    m_pending.remove(0, chunk.size());
    return chunk;
}

} // namespace lumaport::test
