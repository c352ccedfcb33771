// SPDX-License-Identifier: GPL-3.0-or-later
// Whether a published file's web address works from the web side: the answer's status, size and kind, fetched
// with libcurl in the background, as a reader of the forum post would fetch it.
#pragma once

#include <QList>
#include <QObject>
#include <QString>

#include <atomic>
#include <functional>
#include <thread>

namespace lumaport {

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
    int httpCode = 0;    ///< of the last answer, after redirects; 0 when none came
    qint64 size = -1;    ///< Content-Length, or the total of Content-Range; -1 when not told
    QString contentType; ///< without parameters ("image/jpeg")
    /// For the user: "Link works: 200, 728,333 bytes, image/jpeg", or "Link broken: " and why.
    QString text;
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
    void* m_multi = nullptr; // CURLM*, woken by cancel
    std::thread m_thread;
};

/// Several checks at once, on one thread of their own over one libcurl multi handle: at most 6 connections to
/// one web server, kept open from one check to the next. Each check is asked as LinkCheck asks it (without the
/// try over https).
class LinkSetCheck : public QObject
{
    Q_OBJECT
public:
    explicit LinkSetCheck(QList<LinkCheckRequest> requests, QObject* parent = nullptr);
    /// Cancels the checks and waits for their thread, which ends at once.
    ~LinkSetCheck() override;

    const QList<LinkCheckRequest>& requests() const { return m_requests; }
    /// No finished() comes after this.
    void cancel();

Q_SIGNALS:
    /// On the thread that made the checks, once all are done: one result per request, in their order.
    void finished(const QList<lumaport::LinkCheckResult>& results);

private:
    void run();

    const QList<LinkCheckRequest> m_requests;
    std::atomic<bool> m_cancelled{false};
    void* m_multi = nullptr; // CURLM*, woken by cancel
    std::thread m_thread;
};

/// Whether a file name is of a picture kind, whose link must answer with a picture.
bool isPictureName(const QString& name);

} // namespace lumaport
