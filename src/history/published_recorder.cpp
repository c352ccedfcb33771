// SPDX-License-Identifier: GPL-3.0-or-later
#include "history/published_recorder.h"

#include "platform/file_digest.h"

#include <QFile>
#include <QFileInfo>

#include <memory>
#include <utility>

#include <pthread.h>
#include <sched.h>

namespace lumaport {

using namespace Qt::StringLiterals;

PublishedRecorder::PublishedRecorder(QString path, QObject* parent)
    : QObject(parent), m_path(std::move(path)), m_thread([this] { run(); })
{}

PublishedRecorder::~PublishedRecorder()
{
    {
        const std::lock_guard lock(m_mutex);
        m_ending = true;
    }
    m_wake.notify_one();
    m_thread.join();
}

void PublishedRecorder::record(PublishedRecord record, const QString& sentFile)
{
    {
        const std::lock_guard lock(m_mutex);
        m_jobs.push_back({std::move(record), sentFile, std::nullopt});
    }
    m_wake.notify_one();
}

void PublishedRecorder::recordCheck(const QString& address, const PublishedCheck& check)
{
    PublishedRecord record;
    record.address = address;
    {
        const std::lock_guard lock(m_mutex);
        m_jobs.push_back({std::move(record), QString(), check});
    }
    m_wake.notify_one();
}

void PublishedRecorder::run()
{
    // Hashing what was sent takes as much processor time as sending it: the history waits for time the sends of
    // a set don't need, and catches up once they are done.
    const sched_param idle{};
    pthread_setschedparam(pthread_self(), SCHED_IDLE, &idle);
    // The connection belongs to this thread; it is opened at the first row and again after a failed one.
    PublishedStore store(m_path);
    bool hurried = false;
    for (;;) {
        std::unique_lock lock(m_mutex);
        m_wake.wait(lock, [this] { return m_ending || !m_jobs.empty(); });
        if (m_jobs.empty())
            return;
        // The program waits for what is left before it ends: on a busy machine an idle thread would hold it up.
        if (m_ending && !std::exchange(hurried, true)) {
            const sched_param normal{};
            pthread_setschedparam(pthread_self(), SCHED_OTHER, &normal);
        }
        Job job = std::move(m_jobs.front());
        m_jobs.pop_front();
        lock.unlock();
        write(store, job);
    }
}

void PublishedRecorder::write(PublishedStore& store, Job& job)
{
    if (!job.check && job.record.sha256.isEmpty() && !job.sentFile.isEmpty() &&
        QFileInfo(job.sentFile).size() == job.record.size)
        job.record.sha256 = fileSha256(job.sentFile);
    QString error;
    QString movedTo;
    if (!store.isOpen() && !store.open(&error, &movedTo)) {
        QMetaObject::invokeMethod(
            this, [this, error] { Q_EMIT failed(error); }, Qt::QueuedConnection);
        return;
    }
    if (!movedTo.isEmpty())
        QMetaObject::invokeMethod(
            this, [this, movedTo] { Q_EMIT movedAside(m_path, movedTo); }, Qt::QueuedConnection);
    if (job.check) {
        if (store.setLatestCheck(job.record.address, *job.check, &error))
            QMetaObject::invokeMethod(
                this, [this] { Q_EMIT recorded(0); }, Qt::QueuedConnection);
        // A check that can't be kept is no trouble worth a word: the next "Check Links" finds it again.
        return;
    }
    if (!store.add(&job.record, &error)) {
        QMetaObject::invokeMethod(
            this, [this, error] { Q_EMIT failed(u"The history \"%1\" cannot be written: %2"_s.arg(m_path, error)); },
            Qt::QueuedConnection);
        return;
    }
    const qint64 id = job.record.id;
    QMetaObject::invokeMethod(
        this, [this, id] { Q_EMIT recorded(id); }, Qt::QueuedConnection);
}

} // namespace lumaport
