// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/fake_transfer.h"

#include <QTimer>

#include <algorithm>

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

std::unique_ptr<InternetTransfer> FakeTransfer::makeSibling() const
{
    if (m_family->siblingsTaken == 0)
        return nullptr;
    auto sibling = std::make_unique<FakeTransfer>();
    sibling->m_family = m_family;
    sibling->m_refused = ++m_family->siblings > m_family->siblingsTaken;
    return sibling;
}

void FakeTransfer::Execute(const QString& operation)
{
    m_executed.append(operation);
    m_family->executed.append(operation);
    m_executing = true;
    const int request = ++m_request;
    auto& byEnding = m_family->byEnding;
    const auto scripted = std::find_if(byEnding.begin(), byEnding.end(),
                                       [&operation](const auto& each) { return operation.endsWith(each.first); });
    Outcome outcome;
    if (m_refused) {
        outcome = fails(12029, QStringLiteral("Too many connections"));
    } else if (scripted != byEnding.end()) {
        outcome = scripted->second;
        byEnding.erase(scripted);
    } else if (!m_script.empty()) {
        outcome = m_script.front();
        m_script.pop_front();
    } else {
        return;
    }
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
