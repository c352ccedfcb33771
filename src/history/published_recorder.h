// SPDX-License-Identifier: GPL-3.0-or-later
// Rows of the history written on a thread of their own, so a send never waits for the file, nor for another
// copy of the program writing it.
#pragma once

#include "history/published_store.h"

#include <QObject>

#include <condition_variable>
#include <deque>
#include <mutex>
#include <optional>
#include <thread>

namespace lumaport {

class PublishedRecorder : public QObject
{
    Q_OBJECT
public:
    explicit PublishedRecorder(QString path, QObject* parent = nullptr);
    /// Writes what is still queued, then ends.
    ~PublishedRecorder() override;

    /// Queues the row and returns at once. When record.sha256 is empty, the sha256 of sentFile is taken on the
    /// writing thread, if the file still has the size sent.
    void record(PublishedRecord record, const QString& sentFile = {});
    /// Queues the outcome of the check that followed a send, for the newest row of that address: after the
    /// row itself, which is queued before it.
    void recordCheck(const QString& address, const PublishedCheck& check);

Q_SIGNALS:
    /// On the thread that made the recorder, for every row written, and for every check kept.
    void recorded(qint64 id);
    /// A row could not be written; why, for the user.
    void failed(const QString& why);
    /// The file was damaged and moved aside; a new one took its place.
    void movedAside(const QString& path, const QString& movedTo);

private:
    struct Job
    {
        PublishedRecord record;
        QString sentFile;
        std::optional<PublishedCheck> check; // then only record.address is read
    };
    void run();
    void write(PublishedStore& store, Job& job);

    const QString m_path;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::deque<Job> m_jobs;
    bool m_ending = false;
    std::thread m_thread;
};

} // namespace lumaport
