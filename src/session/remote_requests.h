// SPDX-License-Identifier: GPL-3.0-or-later
// The requests to the user's server, one at a time on the transfer component or a set's files over several
// connections at once, each with what is to be done once it has ended; no window waits for one.
#pragma once

#include <QObject>
#include <QPointer>
#include <QString>

#include <deque>
#include <functional>
#include <memory>
#include <optional>

namespace lumaport {

class InternetTransfer;
class SendLanes;
struct FtpCommand;

/// Owns the transfer component and runs its requests. A request's continuation is called once, from the event
/// loop, when that request has ended and nothing runs any more: with true when it ended with its reply, false when
/// it failed, was cancelled, or was asked for while another one ran (it is then not sent). A continuation whose
/// context object is gone is dropped.
class RemoteRequests : public QObject
{
    Q_OBJECT
public:
    explicit RemoteRequests(std::unique_ptr<InternetTransfer> transfer, QObject* parent = nullptr);
    ~RemoteRequests() override;

    /// The component: its log-on settings, the answers it asks for, the reply of the request that completed.
    InternetTransfer& transfer() const { return *m_transfer; }
    /// The connections a set's files go over at once, the component's own among them; made at the first call.
    SendLanes& lanes();
    /// Starts a command string ("DIR", "PUT \"a\" \"b\"", ...); then, if given, is its continuation.
    void run(const QString& command, QObject* context = nullptr, std::function<void(bool replied)> then = {});
    void run(const FtpCommand& command, QObject* context = nullptr, std::function<void(bool replied)> then = {});
    /// Calls then once nothing runs and the continuations asked for before it were called.
    void whenIdle(QObject* context, std::function<void()> then);
    /// Ends the running request and cuts the set's files in flight.
    void cancel();
    /// A request or a set's file runs, or a continuation waits for its turn.
    bool busy() const;

Q_SIGNALS:
    /// Every state of the component (InternetTransfer::State), whoever started its request.
    void stateChanged(int state);
    /// A request started by run() ended; replied as its continuation is told.
    void ended(bool replied);
    /// Bytes moved so far by the running PUT or GET, and its whole size (-1 when unknown).
    void progress(qint64 bytesDone, qint64 bytesTotal);

private:
    struct Continuation
    {
        QPointer<QObject> context;
        std::function<void(bool)> then;
        bool replied = false;
    };

    void componentState(int state);
    // The running request ended: its continuation waits until nothing runs.
    void end(bool replied);
    bool running() const;
    void settleLater();
    void settle();

    std::unique_ptr<InternetTransfer> m_transfer;
    std::unique_ptr<SendLanes> m_lanes;
    quint64 m_request = 0; // bumped by every request started and every cancel: an end is never taken for a later one
    std::optional<Continuation> m_current; // of the request run() started, until it ends
    std::deque<Continuation> m_waiting;
    bool m_settling = false; // a settle() is posted
};

} // namespace lumaport
