// SPDX-License-Identifier: GPL-3.0-or-later
// Many links checked at once, on one thread over libcurl's multi interface: at most six at a time to one web
// server, each judged as the link check after a send judges it (without the try over https).
#pragma once

#include "platform/curl_multi.h"
#include "publish/link_check.h"

#include <QList>
#include <QObject>

#include <atomic>
#include <thread>

namespace lumaport {

struct LinkSetItem
{
    qint64 id = 0;
    LinkCheckRequest request;
};

class LinkSetCheck : public QObject
{
    Q_OBJECT
public:
    /// Starts at once.
    explicit LinkSetCheck(QList<LinkSetItem> items, QObject* parent = nullptr);
    /// Cancels and waits for the thread, which ends at once.
    ~LinkSetCheck() override;

    /// No signal comes after this.
    void cancel();

    static constexpr int kPerServer = 6;

Q_SIGNALS:
    /// On the thread that made the check, as each answer comes.
    void checked(qint64 id, const lumaport::LinkCheckResult& result);
    void finished();

private:
    void run();

    const QList<LinkSetItem> m_items;
    std::atomic<bool> m_cancelled{false};
    CurlMulti m_multi;
    std::thread m_thread;
};

} // namespace lumaport
