// SPDX-License-Identifier: GPL-3.0-or-later
// Whether a published file's web address works from the web side: the answer's status, size and kind, fetched
// with libcurl in the background, as a reader of the forum post would fetch it.
#pragma once

#include "platform/curl_multi.h"
#include "publish/link_verdict.h"

#include <QObject>
#include <QString>

#include <curl/curl.h>

#include <atomic>
#include <functional>
#include <thread>

namespace lumaport {

/// A link the history offers instead of a send is checked again first, this briefly: long enough for a server across
/// the world, short enough that a gone one doesn't hold the send up for long.
inline constexpr int kRecheckTimeoutMs = 4000;

struct LinkCheckRequest
{
    QString address;          ///< "http://example.com/pics/a.jpg"
    qint64 expectedSize = -1; ///< the file's size in bytes; -1 when not known
    bool picture = false;     ///< the answer must be a picture (image/*)
    int timeoutMs = 10000;    ///< for the whole check, the try over https included
};

struct LinkCheckResult
{
    bool works = false;
    int httpCode = 0;         ///< of the last answer, after redirects; 0 when none came
    qint64 size = -1;         ///< Content-Length, or the total of Content-Range; -1 when not told
    QString contentType;      ///< without parameters ("image/jpeg")
    bool sizeDiffers = false; ///< the file answered, as a picture where one was asked for, but of another size
    /// For the user: "Link works: 200, 728,333 bytes, image/jpeg", or "Link broken: " and why.
    QString text;

    LinkVerdict verdict() const { return linkVerdictOf(works, sizeDiffers); }
};

/// One check, started at once on a thread of its own: HEAD, and a one-byte ranged GET where HEAD is refused;
/// up to 5 redirects. For an http:// address the same address is then tried over https, after finished().
class LinkCheck : public QObject
{
    Q_OBJECT
public:
    explicit LinkCheck(LinkCheckRequest request, QObject* parent = nullptr);
    /// Cancels the check and waits for its thread, which ends at once.
    ~LinkCheck() override;

    const LinkCheckRequest& request() const { return m_request; }
    /// No finished() comes after this.
    void cancel();

Q_SIGNALS:
    /// On the thread that made the check.
    void finished(const lumaport::LinkCheckResult& result);
    /// After finished(), when the http:// address works over https too ("https://" in front instead).
    void alsoServedOverHttps();

private:
    void run();
    // Runs the emission on the thread that made the check, unless it was cancelled meanwhile.
    void post(const std::function<void()>& emitSignal);

    const LinkCheckRequest m_request;
    std::atomic<bool> m_cancelled{false};
    CurlMulti m_multi; // woken by cancel
    std::thread m_thread;
};

/// What one request of a check got back: the last answer's status line and headers, after the redirects.
struct LinkAnswer
{
    CURLcode code = CURLE_OK;
    int status = 0;
    QByteArray reason;
    qint64 size = -1;
    QByteArray contentType;
    qint64 rangeTotal = -1;
    bool ranged = false; ///< a GET that stops itself after the first bytes
};

/// Sets an easy handle up for one request of a check: HEAD, or a GET of the first byte. The url and the answer
/// must outlive the transfer, which gathers its headers into the answer.
void setUpLinkRequest(CURL* curl, const QByteArray& url, bool rangedGet, long timeoutMs, LinkAnswer* answer);
/// Completes the answer once the transfer ended with that code.
void finishLinkRequest(CURL* curl, CURLcode code, LinkAnswer* answer);
/// Whether a HEAD's answer calls for the one-byte GET: HEAD refused, or no size told.
bool wantsRangedGet(const LinkAnswer& answer);
/// The outcome of a check whose last request got this answer, in the words LinkCheckResult::text gives.
LinkCheckResult linkVerdict(const LinkAnswer& answer, const LinkCheckRequest& request);

/// Whether a file name is of a picture kind, whose link must answer with a picture.
bool isPictureName(const QString& name);

} // namespace lumaport
