// SPDX-License-Identifier: GPL-3.0-or-later
#include "history/published_recorder.h"

#include <QFile>
#include <QFileInfo>

#include <openssl/evp.h>

#include <memory>

#include <pthread.h>
#include <sched.h>

namespace lumaport {

using namespace Qt::StringLiterals;

QString fileSha256(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> context(EVP_MD_CTX_new(), EVP_MD_CTX_free);
    if (!context || EVP_DigestInit_ex(context.get(), EVP_sha256(), nullptr) != 1)
        return {};
    QByteArray buffer(1 << 20, Qt::Uninitialized);
    for (;;) {
        const qint64 got = file.read(buffer.data(), buffer.size());
        if (got < 0)
            return {};
        if (got == 0)
            break;
        EVP_DigestUpdate(context.get(), buffer.constData(), size_t(got));
    }
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    EVP_DigestFinal_ex(context.get(), digest, &length);
    return QString::fromLatin1(QByteArray(reinterpret_cast<const char*>(digest), int(length)).toHex());
}

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
    for (;;) {
        std::unique_lock lock(m_mutex);
        m_wake.wait(lock, [this] { return m_ending || !m_jobs.empty(); });
        if (m_jobs.empty())
            return;
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
