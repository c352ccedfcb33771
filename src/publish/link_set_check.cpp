// SPDX-License-Identifier: GPL-3.0-or-later
#include "publish/link_set_check.h"

#include <QHash>
#include <QUrl>

#include <chrono>
#include <deque>
#include <map>
#include <memory>

namespace lumaport {

using namespace Qt::StringLiterals;

namespace {

// How long the loop sleeps at most; a cancel wakes it at once.
constexpr int kPollMs = 1000;
// Answers go to the window together, this often at most: a thread hand-off and a repaint for each would take the
// processor from the web server the check waits for, when it runs on the same machine.
constexpr auto kHandOverEvery = std::chrono::milliseconds(50);

struct Transfer
{
    const LinkSetItem* item = nullptr;
    QString server;
    QByteArray url;
    LinkAnswer answer;
    CURL* curl = nullptr;
};

// The links of each web server wait in a queue of their own, so one busy server doesn't hold up the others.
class Queues
{
public:
    explicit Queues(const QList<LinkSetItem>& items)
    {
        for (const LinkSetItem& item : items) {
            const QUrl url(item.request.address);
            m_waiting[url.scheme() + url.authority()].push_back(&item);
        }
    }

    // The next link of a server with room for one more; null when none has.
    std::unique_ptr<Transfer> next()
    {
        for (auto& [server, waiting] : m_waiting) {
            if (waiting.empty() || m_running[server] >= LinkSetCheck::kPerServer)
                continue;
            auto transfer = std::make_unique<Transfer>();
            transfer->item = waiting.front();
            transfer->server = server;
            waiting.pop_front();
            ++m_running[server];
            return transfer;
        }
        return nullptr;
    }

    void done(const Transfer& transfer) { --m_running[transfer.server]; }

private:
    std::map<QString, std::deque<const LinkSetItem*>> m_waiting;
    QHash<QString, int> m_running;
};

void start(CurlMulti& multi, Transfer* transfer, bool rangedGet)
{
    transfer->answer = LinkAnswer();
    transfer->url = transfer->item->request.address.toUtf8();
    curl_easy_reset(transfer->curl);
    setUpLinkRequest(transfer->curl, transfer->url, rangedGet, transfer->item->request.timeoutMs, &transfer->answer);
    curl_easy_setopt(transfer->curl, CURLOPT_PRIVATE, transfer);
    multi.add(transfer->curl);
}

} // namespace

LinkSetCheck::LinkSetCheck(QList<LinkSetItem> items, QObject* parent) : QObject(parent), m_items(std::move(items))
{
    m_multi.limitPerServer(kPerServer);
    m_thread = std::thread([this] { run(); });
}

LinkSetCheck::~LinkSetCheck()
{
    cancel();
    m_thread.join();
}

void LinkSetCheck::cancel()
{
    m_cancelled = true;
    m_multi.wakeUp();
}

void LinkSetCheck::run()
{
    std::map<Transfer*, std::unique_ptr<Transfer>> running;
    if (m_multi.usable()) {
        Queues queues(m_items);
        const auto fill = [&] {
            while (auto transfer = queues.next()) {
                transfer->curl = curl_easy_init();
                if (!transfer->curl)
                    break;
                start(m_multi, transfer.get(), false);
                running.emplace(transfer.get(), std::move(transfer));
            }
        };
        fill();
        QList<std::pair<qint64, LinkCheckResult>> answered;
        auto handedOver = std::chrono::steady_clock::now();
        const auto handOver = [&] {
            QMetaObject::invokeMethod(
                this,
                [this, answers = std::exchange(answered, {})] {
                    for (const auto& [id, result] : answers) {
                        if (m_cancelled)
                            return;
                        Q_EMIT checked(id, result);
                    }
                },
                Qt::QueuedConnection);
            handedOver = std::chrono::steady_clock::now();
        };
        const auto done = [&](CURL* curl, CURLcode code) {
            Transfer* transfer = nullptr;
            curl_easy_getinfo(curl, CURLINFO_PRIVATE, &transfer);
            finishLinkRequest(curl, code, &transfer->answer);
            if (wantsRangedGet(transfer->answer)) {
                start(m_multi, transfer, true);
                return;
            }
            answered.append({transfer->item->id, linkVerdict(transfer->answer, transfer->item->request)});
            queues.done(*transfer);
            curl_easy_cleanup(transfer->curl);
            running.erase(transfer);
            fill();
        };
        const auto nextWaitMs = [&] {
            const auto due = handedOver + kHandOverEvery - std::chrono::steady_clock::now();
            if (answered.isEmpty())
                return kPollMs;
            if (due > std::chrono::steady_clock::duration::zero())
                return std::clamp(int(std::chrono::ceil<std::chrono::milliseconds>(due).count()), 0, kPollMs);
            handOver();
            return kPollMs;
        };
        m_multi.run(
            done, [this] { return bool(m_cancelled); }, nextWaitMs);
        if (!answered.isEmpty() && !m_cancelled)
            handOver();
    }
    for (auto& [transfer, owned] : running) {
        m_multi.remove(transfer->curl);
        curl_easy_cleanup(transfer->curl);
    }
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (!m_cancelled)
                Q_EMIT finished();
        },
        Qt::QueuedConnection);
}

SetCheckOutcome setCheckOutcome(const QList<LinkCheckResult>& results, const QStringList& names,
                                const QStringList& rows)
{
    SetCheckOutcome outcome;
    QStringList broken;
    QStringList details;
    for (qsizetype i = 0; i < results.size(); ++i) {
        const QString name = names.value(i);
        details.append(name + u": "_s + results[i].text);
        if (!results[i].works)
            broken.append(name + u": "_s + results[i].text.mid(QStringLiteral("Link broken: ").size()));
        if (results[i].httpCode == 403)
            outcome.unreadable.append(name);
    }
    outcome.works = broken.isEmpty();
    const QString count = broken.isEmpty() ? u"Links work: %1 of %1"_s.arg(results.size())
                                           : u"Links broken: %1 of %2"_s.arg(broken.size()).arg(results.size());
    outcome.summary = broken.isEmpty() ? count : count + u" \u2014 "_s + broken.join(u"; "_s);
    outcome.details = count + u'\n' + details.join(u'\n');
    // A row's verdict is its picture's, unless its thumbnail's link is broken.
    for (qsizetype i = 0; i < rows.size() && i < results.size(); ++i) {
        const bool thumbnail = i > 0 && rows[i] == rows[i - 1];
        const bool thumbnailNext = i + 1 < rows.size() && rows[i + 1] == rows[i];
        if (thumbnail || !thumbnailNext) {
            const LinkCheckResult& picture = results[thumbnail ? i - 1 : i];
            const bool works = picture.works && results[i].works;
            outcome.rows.append({rows[i], works, picture.sizeDiffers,
                                 picture.works && !works
                                     ? u"Link broken: thumbnail: "_s + results[i].text.section(u": "_s, 1)
                                     : picture.text});
        }
    }
    return outcome;
}

} // namespace lumaport
