// SPDX-License-Identifier: GPL-3.0-or-later
#include "publish/link_check.h"

#include <QDeadlineTimer>
#include <QLocale>
#include <QUrl>

#include <curl/curl.h>

#include <algorithm>
#include <array>
#include <optional>
#include <utility>

namespace lumaport {

using namespace Qt::StringLiterals;

namespace {

constexpr long kMaxRedirects = 5;
// How long the transfer loop sleeps at most; a cancel wakes it at once.
constexpr int kPollMs = 1000;

size_t onHeader(char* data, size_t size, size_t count, void* user)
{
    auto& answer = *static_cast<LinkAnswer*>(user);
    const QByteArray line = QByteArray(data, qsizetype(size * count)).trimmed();
    if (line.startsWith("HTTP/")) {
        // Every answer of a redirect chain begins so; the last one is what counts.
        // "HTTP/1.1 404 Not Found"
        const qsizetype code = line.indexOf(' ') + 1;
        const qsizetype reason = line.indexOf(' ', code);
        answer.status = line.mid(code, reason < 0 ? -1 : reason - code).toInt();
        answer.reason = reason < 0 ? QByteArray() : line.mid(reason + 1).trimmed();
        answer.rangeTotal = -1;
    } else if (line.toLower().startsWith("content-range:")) {
        // "Content-Range: bytes 0-0/728333"
        bool ok = false;
        const qint64 total = line.mid(line.lastIndexOf('/') + 1).trimmed().toLongLong(&ok);
        answer.rangeTotal = ok ? total : -1;
    }
    return size * count;
}

size_t onBody(char*, size_t size, size_t count, void* user)
{
    // A server that ignores the range would send the whole file: the first bytes are enough.
    return static_cast<LinkAnswer*>(user)->ranged ? 0 : size * count;
}

QString standardReason(int status)
{
    static const std::array<std::pair<int, const char*>, 12> reasons{{
        {400, "Bad Request"},
        {401, "Unauthorized"},
        {403, "Forbidden"},
        {404, "Not Found"},
        {405, "Method Not Allowed"},
        {410, "Gone"},
        {429, "Too Many Requests"},
        {451, "Unavailable For Legal Reasons"},
        {500, "Internal Server Error"},
        {502, "Bad Gateway"},
        {503, "Service Unavailable"},
        {504, "Gateway Timeout"},
    }};
    for (const auto& [code, reason] : reasons) {
        if (code == status)
            return QString::fromLatin1(reason);
    }
    return {};
}

QString bytes(qint64 count)
{
    return QLocale(QLocale::English, QLocale::UnitedStates).toString(count);
}

// Why a transfer that got no usable answer failed, in the user's words.
QString transferFailure(CURLcode code, const QString& address, int timeoutMs)
{
    switch (code) {
    case CURLE_OPERATION_TIMEDOUT:
        return u"no answer in %1 s"_s.arg((timeoutMs + 999) / 1000);
    case CURLE_PEER_FAILED_VERIFICATION:
        return u"https certificate not trusted"_s;
    case CURLE_SSL_CONNECT_ERROR:
        return u"no secure (https) connection could be made"_s;
    case CURLE_TOO_MANY_REDIRECTS:
        return u"more than %1 redirects"_s.arg(kMaxRedirects);
    case CURLE_COULDNT_RESOLVE_HOST:
        return u"the host name %1 is unknown"_s.arg(QUrl(address).host());
    case CURLE_COULDNT_CONNECT:
        return u"no web server answers at %1"_s.arg(QUrl(address).authority());
    case CURLE_URL_MALFORMAT:
    case CURLE_UNSUPPORTED_PROTOCOL:
        return u"not a web address"_s;
    case CURLE_GOT_NOTHING:
    case CURLE_RECV_ERROR:
    case CURLE_SEND_ERROR:
        return u"the web server closed the connection without an answer"_s;
    default:
        return QString::fromUtf8(curl_easy_strerror(code));
    }
}

bool sizeDiffers(const LinkAnswer& answer, const LinkCheckRequest& request)
{
    return request.expectedSize >= 0 && answer.size >= 0 && answer.size != request.expectedSize;
}

// Empty when the answer is the file asked for; else why not.
QString mismatch(const LinkAnswer& answer, const LinkCheckRequest& request)
{
    if (answer.status != 200 && answer.status != 206) {
        const QString reason = standardReason(answer.status);
        const QString status =
            QString::number(answer.status) + u' ' + (reason.isEmpty() ? QString::fromUtf8(answer.reason) : reason);
        if (answer.status == 404)
            return status + u" \u2014 the web address may not match this folder; check Permanente URL"_s;
        if (answer.status == 403)
            return status + u" \u2014 the file may not be readable by the web server"_s;
        return status.trimmed();
    }
    const QString type = QString::fromUtf8(answer.contentType);
    if (request.picture && type.startsWith(u"text/html"_s))
        return u"an HTML page came back instead of the picture"_s;
    if (request.picture && !type.startsWith(u"image/"_s))
        return (type.isEmpty() ? u"an answer without a type"_s : type) + u" came back instead of a picture"_s;
    if (sizeDiffers(answer, request))
        return u"size differs: %1 of %2 bytes"_s.arg(bytes(answer.size), bytes(request.expectedSize));
    return {};
}

} // namespace

LinkCheck::LinkCheck(LinkCheckRequest request, QObject* parent) : QObject(parent), m_request(std::move(request))
{
    m_thread = std::thread([this] { run(); });
}

LinkCheck::~LinkCheck()
{
    cancel();
    m_thread.join();
}

void LinkCheck::cancel()
{
    m_cancelled = true;
    m_multi.wakeUp();
}

namespace {

class Fetcher
{
public:
    Fetcher(CurlMulti& multi, const std::atomic<bool>& cancelled, QDeadlineTimer deadline)
        : m_multi(multi), m_cancelled(cancelled), m_deadline(deadline)
    {}

    // HEAD, or where that is refused or tells no size, a GET of the first byte.
    LinkAnswer check(const QString& address)
    {
        LinkAnswer answer = fetch(address, false);
        if (wantsRangedGet(answer))
            answer = fetch(address, true);
        return answer;
    }

    bool cancelled() const { return m_cancelled; }

private:
    LinkAnswer fetch(const QString& address, bool rangedGet)
    {
        LinkAnswer answer;
        CURL* curl = curl_easy_init();
        if (!curl) {
            answer.code = CURLE_OUT_OF_MEMORY;
            return answer;
        }
        const QByteArray url = address.toUtf8();
        setUpLinkRequest(curl, url, rangedGet, long(std::max<qint64>(1, m_deadline.remainingTime())), &answer);
        finishLinkRequest(curl, perform(curl), &answer);
        curl_easy_cleanup(curl);
        return answer;
    }

    CURLcode perform(CURL* curl)
    {
        return m_multi
            .perform(
                curl, [this] { return bool(m_cancelled); }, kPollMs)
            .code;
    }

    CurlMulti& m_multi;
    const std::atomic<bool>& m_cancelled;
    QDeadlineTimer m_deadline;
};

} // namespace

void LinkCheck::run()
{
    if (!m_multi.usable())
        return;
    Fetcher fetcher(m_multi, m_cancelled, QDeadlineTimer(m_request.timeoutMs));
    const LinkAnswer answer = fetcher.check(m_request.address);
    const LinkCheckResult result = linkVerdict(answer, m_request);
    post([this, result] { Q_EMIT finished(result); });
    // Forum pages are served over https, and browsers refuse or rewrite plain-http pictures inside them. A server
    // without https may keep the try waiting: the outcome above is out already.
    if (!m_request.address.startsWith(u"http://"_s, Qt::CaseInsensitive) || answer.code == CURLE_OPERATION_TIMEDOUT)
        return;
    const LinkAnswer overHttps = fetcher.check(u"https://"_s + m_request.address.mid(7));
    if (overHttps.code == CURLE_OK && mismatch(overHttps, m_request).isEmpty())
        post([this] { Q_EMIT alsoServedOverHttps(); });
}

void LinkCheck::post(const std::function<void()>& emitSignal)
{
    QMetaObject::invokeMethod(
        this,
        [this, emitSignal] {
            if (!m_cancelled)
                emitSignal();
        },
        Qt::QueuedConnection);
}

void setUpLinkRequest(CURL* curl, const QByteArray& url, bool rangedGet, long timeoutMs, LinkAnswer* answer)
{
    answer->ranged = rangedGet;
    curl_easy_setopt(curl, CURLOPT_URL, url.constData());
    curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(curl, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(curl, CURLOPT_MAXREDIRS, kMaxRedirects);
    curl_easy_setopt(curl, CURLOPT_TIMEOUT_MS, timeoutMs);
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_USERAGENT, "Lumaport link check");
    curl_easy_setopt(curl, CURLOPT_HEADERFUNCTION, onHeader);
    curl_easy_setopt(curl, CURLOPT_HEADERDATA, answer);
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, onBody);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, answer);
    if (rangedGet) {
        curl_easy_setopt(curl, CURLOPT_NOBODY, 0L);
        curl_easy_setopt(curl, CURLOPT_HTTPGET, 1L);
        curl_easy_setopt(curl, CURLOPT_RANGE, "0-0");
    } else {
        curl_easy_setopt(curl, CURLOPT_NOBODY, 1L);
    }
}

void finishLinkRequest(CURL* curl, CURLcode code, LinkAnswer* answer)
{
    answer->code = code;
    // The body was cut off on purpose once the headers were in.
    if (answer->ranged && answer->code == CURLE_WRITE_ERROR && answer->status != 0)
        answer->code = CURLE_OK;
    curl_off_t length = -1;
    curl_easy_getinfo(curl, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length);
    answer->size = answer->status == 206 ? answer->rangeTotal : qint64(length);
    const char* type = nullptr;
    curl_easy_getinfo(curl, CURLINFO_CONTENT_TYPE, &type);
    answer->contentType = QByteArray(type ? type : "").split(';').first().trimmed().toLower();
}

bool wantsRangedGet(const LinkAnswer& answer)
{
    return !answer.ranged && answer.code == CURLE_OK &&
           (answer.status == 405 || answer.status == 501 || (answer.status == 200 && answer.size < 0));
}

LinkCheckResult linkVerdict(const LinkAnswer& answer, const LinkCheckRequest& request)
{
    LinkCheckResult result;
    result.httpCode = answer.status;
    result.size = answer.size;
    result.contentType = QString::fromUtf8(answer.contentType);
    const QString why = answer.code != CURLE_OK ? transferFailure(answer.code, request.address, request.timeoutMs)
                                                : mismatch(answer, request);
    result.works = why.isEmpty();
    if (result.works) {
        QStringList parts{QString::number(answer.status)};
        if (answer.size >= 0)
            parts << bytes(answer.size) + u" bytes"_s;
        if (!answer.contentType.isEmpty())
            parts << result.contentType;
        result.text = u"Link works: "_s + parts.join(u", "_s);
    } else {
        LinkCheckRequest anySize = request;
        anySize.expectedSize = -1;
        result.sizeDiffers = answer.code == CURLE_OK && mismatch(answer, anySize).isEmpty();
        result.text = u"Link broken: "_s + why;
    }
    return result;
}

bool isPictureName(const QString& name)
{
    static const QStringList kinds{u".gif"_s,  u".jpg"_s,  u".jpeg"_s, u".bmp"_s, u".png"_s,
                                   u".webp"_s, u".heic"_s, u".heif"_s, u".avif"_s};
    for (const QString& kind : kinds) {
        if (name.endsWith(kind, Qt::CaseInsensitive))
            return true;
    }
    return false;
}

} // namespace lumaport
