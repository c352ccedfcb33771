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

/// What a set's check comes to: the line shown, naming the broken links, and its tooltip listing every link; the
/// verdict of each history row, where a picture and its thumbnail after it share one row; and the names the web
/// server may not read.
struct SetCheckOutcome
{
    struct Row
    {
        QString address;
        bool works = false;
        bool sizeDiffers = false;
        QString note;
    };
    QString summary;
    QString details;
    bool works = true;
    QList<Row> rows;
    QStringList unreadable;
};
/// results and names in the order checked; rows, where given, the history row each result counts for.
SetCheckOutcome setCheckOutcome(const QList<LinkCheckResult>& results, const QStringList& names,
                                const QStringList& rows);

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
