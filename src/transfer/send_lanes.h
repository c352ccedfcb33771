// SPDX-License-Identifier: GPL-3.0-or-later
// Several files of a set in flight at once, each over a session of its own to the same server.
#pragma once

#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

namespace lumaport {

class InternetTransfer;

/// Sends files over up to count sessions of one server at once: the first, which stays its owner's, and siblings
/// of it (InternetTransfer::makeSibling), made as they are needed and kept for the next set until drop(). A file is
/// one or more command strings ("PUT ...", its thumbnail's "PUT ...") run in turn on one session.
///
/// A sibling whose very first request fails before the server has said anything of the file (a server that takes no
/// more connections from this address answers 421, an SSH server's MaxStartups drops it) is left out from then on
/// and its file handed back through refused(), without a word to the user; the set goes on with the sessions it
/// has.
class SendLanes : public QObject
{
    Q_OBJECT
public:
    explicit SendLanes(InternetTransfer& first, QObject* parent = nullptr);
    ~SendLanes() override;

    /// Before a set: the sessions to use, the first among them (1 uses the first alone). Siblings kept from a set
    /// sent in another folder than the first session's now are closed.
    void startSet(int count);
    /// Starts the file's commands on an idle session; false when none is free.
    bool start(qsizetype file, const QStringList& commands);
    /// Whether a file could start now.
    bool canStart() const;
    /// Files in flight.
    int running() const;
    /// Cuts every file in flight, each reported through failed() with an empty why, and closes the siblings, which
    /// remove what the cut sends left on the server. The first session's own request is its owner's to cancel.
    void drop();

Q_SIGNALS:
    /// Every command of the file completed; info is what the session said of the last one (ResponseInfo).
    void sent(qsizetype file, const QString& info);
    /// A command of the file failed, with the session's words; empty when drop() cut it. done: how many of the
    /// file's commands completed before it (a picture in place while its thumbnail failed).
    void failed(qsizetype file, const QString& why, int done);
    /// The file did not start: its sibling's server refused the connection. Start it again elsewhere.
    void refused(qsizetype file);
    /// Bytes moved so far by the files in flight, all sessions together.
    void progress(qint64 bytesInFlight);

private:
    struct Lane;

    Lane* idleLane() const;
    void advance(Lane& lane);
    void stateChanged(Lane& lane, int state);
    void laneProgress(Lane& lane, qint64 bytesDone);
    void finish(Lane& lane);

    void closeSiblings();

    InternetTransfer& m_first;
    int m_count = 1;
    quint64 m_started = 0;                   // files started, over every lane
    std::optional<QString> m_siblingsFolder; // where the siblings work, the first's folder when they were made
    std::vector<std::unique_ptr<Lane>> m_lanes;
};

} // namespace lumaport
