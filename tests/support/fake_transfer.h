// SPDX-License-Identifier: GPL-3.0-or-later
// A transfer component whose requests end the way a test says: progress states, a reply, or an error,
// delivered from the event loop like the real one's. Lets window tests reach states a server can't
// produce on demand (a reply in many chunks, a request that never ends).
#pragma once

#include "transfer/internet_transfer.h"

#include <QStringList>
#include <deque>
#include <memory>
#include <utility>

namespace lumaport::test {

class FakeTransfer : public InternetTransfer
{
    Q_OBJECT
public:
    /// How the next request ends. Without a scripted outcome a request runs until the test ends it.
    struct Outcome
    {
        QList<int> progress; ///< states emitted before the final one
        QString reply;       ///< for a completed request
        int errorCode = 0;   ///< non-zero: the request ends in icError with this number and errorText
        QString errorText;
    };

    using InternetTransfer::InternetTransfer;

    /// Queues the outcome of the next request that is not yet scripted.
    void script(const Outcome& outcome) { m_script.push_back(outcome); }
    /// The usual states of a request that connects and then completes with the reply.
    static Outcome completes(const QString& reply);
    static Outcome fails(int code, const QString& text);

    /// Ends the running request from the test, at once.
    void finish(const Outcome& outcome);
    /// Emits a state of the running request without ending it.
    void emitState(int state) { Q_EMIT StateChanged(state); }

    /// Sessions made by makeSibling share these: the outcomes of commands by how they end (tried before the script,
    /// each used once), and how many siblings the server takes; one more than that is refused its connection.
    struct Family
    {
        QList<std::pair<QString, Outcome>> byEnding;
        int siblingsTaken = 0;
        int siblings = 0;
        QStringList executed; // by every session of the family, in order
    };
    Family& family() { return *m_family; }
    std::unique_ptr<InternetTransfer> makeSibling() const override;

    int protocol() const { return m_protocol; }
    QString remoteHost() const { return m_host; }
    QString userName() const { return m_userName; }
    QString password() const { return m_password; }
    int requestTimeout() const { return m_timeout; }
    /// Every command string executed, in order.
    QStringList executed() const { return m_executed; }
    int cancels() const { return m_cancels; }
    /// The chunk sizes asked for, in order.
    QList<int> chunkSizes() const { return m_chunkSizes; }

    void setProtocol(int protocol) override { m_protocol = protocol; }
    void setRemoteHost(const QString& server) override { m_host = server; }
    void setUserName(const QString& userName) override { m_userName = userName; }
    void setPassword(const QString& password) override { m_password = password; }
    void setRequestTimeout(int seconds) override { m_timeout = seconds; }
    void Execute(const QString& operation) override;
    bool StillExecuting() const override { return m_executing; }
    void Cancel() override;
    QString GetChunk(int size, int dataType) override;
    int ResponseCode() const override { return m_code; }
    QString ResponseInfo() const override { return m_info; }

private:
    std::shared_ptr<Family> m_family = std::make_shared<Family>();
    bool m_refused = false; // a sibling beyond what the server takes
    std::deque<Outcome> m_script;
    QStringList m_executed;
    QList<int> m_chunkSizes;
    QString m_pending;
    QString m_host;
    QString m_userName;
    QString m_password;
    QString m_info;
    int m_protocol = 0;
    int m_timeout = 0;
    int m_cancels = 0;
    int m_code = 0;
    int m_request = 0; // bumped by every Execute and Cancel, so a late delivery of an ended request is dropped
    bool m_executing = false;
};

} // namespace lumaport::test
