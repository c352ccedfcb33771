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
#include <vector>

namespace lumaport {

using namespace Qt::StringLiterals;

namespace {

constexpr long kMaxRedirects = 5;
// How long the transfer loop sleeps at most; a cancel wakes it at once.
constexpr int kPollMs = 1000;

// What one request got back: the last answer's status line and headers, after the redirects.
struct Answer
{
    CURLcode code = CURLE_OK;
    int status = 0;
    QByteArray reason;
    qint64 size = -1;
    QByteArray contentType;
    qint64 rangeTotal = -1;
    bool ranged = false; // a GET that stops itself after the first bytes
};

size_t onHeader(char* data, size_t size, size_t count, void* user)
{
    auto& answer = *static_cast<Answer*>(user);
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
    return static_cast<Answer*>(user)->ranged ? 0 : size * count;
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

// Empty when the answer is the file asked for; else why not.
QString mismatch(const Answer& answer, const LinkCheckRequest& request)
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
    if (request.expectedSize >= 0 && answer.size >= 0 && answer.size != request.expectedSize)
        return u"size differs: %1 of %2 bytes"_s.arg(bytes(answer.size), bytes(request.expectedSize));
    return {};
}

} // namespace

namespace {

// A HEAD of the address, or a GET of its first byte; the answer is filled in as it arrives. Null when out of memory.
CURL* newFetch(const QString& address, bool rangedGet, long timeoutMs, Answer* answer)
{
    answer->ranged = rangedGet;
    CURL* curl = curl_easy_init();
    if (!curl)
        return nullptr;
    curl_easy_setopt(curl, CURLOPT_URL, address.toUtf8().constData());
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
    curl_easy_setopt(curl, CURLOPT_PRIVATE, answer);
    if (rangedGet)
        curl_easy_setopt(curl, CURLOPT_RANGE, "0-0");
    else
        curl_easy_setopt(curl, CURLOPT_NOBODY, 1L);
    return curl;
}

void readAnswer(CURL* curl, CURLcode code, Answer* answer)
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

// HEAD told too little, or was refused: the first byte is asked for instead.
bool wantsRangedGet(const Answer& answer)
{
    return !answer.ranged && answer.code == CURLE_OK &&
           (answer.status == 405 || answer.status == 501 || (answer.status == 200 && answer.size < 0));
}

LinkCheckResult resultOf(const Answer& answer, const LinkCheckRequest& request)
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
        result.text = u"Link broken: "_s + why;
    }
    return result;
}

} // namespace

LinkCheck::LinkCheck(LinkCheckRequest request, QObject* parent) : QObject(parent), m_request(std::move(request))
{
    static const bool curlReady = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
    m_multi = curlReady ? curl_multi_init() : nullptr;
    m_thread = std::thread([this] { run(); });
}

LinkCheck::~LinkCheck()
{
    cancel();
    m_thread.join();
    curl_multi_cleanup(static_cast<CURLM*>(m_multi));
}

void LinkCheck::cancel()
{
    m_cancelled = true;
    if (m_multi)
        curl_multi_wakeup(static_cast<CURLM*>(m_multi));
}

namespace {

class Fetcher
{
public:
    Fetcher(CURLM* multi, const std::atomic<bool>& cancelled, QDeadlineTimer deadline)
        : m_multi(multi), m_cancelled(cancelled), m_deadline(deadline)
    {}

    // HEAD, or where that is refused or tells no size, a GET of the first byte.
    Answer check(const QString& address)
    {
        Answer answer = fetch(address, false);
        if (wantsRangedGet(answer))
            answer = fetch(address, true);
        return answer;
    }

    bool cancelled() const { return m_cancelled; }

private:
    Answer fetch(const QString& address, bool rangedGet)
    {
        Answer answer;
        CURL* curl = newFetch(address, rangedGet, long(std::max<qint64>(1, m_deadline.remainingTime())), &answer);
        if (!curl) {
            answer.code = CURLE_OUT_OF_MEMORY;
            return answer;
        }
        readAnswer(curl, perform(curl), &answer);
        curl_easy_cleanup(curl);
        return answer;
    }

    CURLcode perform(CURL* curl)
    {
        curl_multi_add_handle(m_multi, curl);
        CURLcode code = CURLE_ABORTED_BY_CALLBACK;
        for (;;) {
            int running = 0;
            if (m_cancelled || curl_multi_perform(m_multi, &running) != CURLM_OK)
                break;
            if (running == 0) {
                int left = 0;
                const CURLMsg* message = curl_multi_info_read(m_multi, &left);
                code = message && message->msg == CURLMSG_DONE ? message->data.result : CURLE_OK;
                break;
            }
            curl_multi_poll(m_multi, nullptr, 0, kPollMs, nullptr);
        }
        curl_multi_remove_handle(m_multi, curl);
        return code;
    }

    CURLM* m_multi;
    const std::atomic<bool>& m_cancelled;
    QDeadlineTimer m_deadline;
};

} // namespace

void LinkCheck::run()
{
    if (!m_multi)
        return;
    Fetcher fetcher(static_cast<CURLM*>(m_multi), m_cancelled, QDeadlineTimer(m_request.timeoutMs));
    const Answer answer = fetcher.check(m_request.address);
    const LinkCheckResult result = resultOf(answer, m_request);
    post([this, result] { Q_EMIT finished(result); });
    // Forum pages are served over https, and browsers refuse or rewrite plain-http pictures inside them. A server
    // without https may keep the try waiting: the outcome above is out already.
    if (!m_request.address.startsWith(u"http://"_s, Qt::CaseInsensitive) || answer.code == CURLE_OPERATION_TIMEDOUT)
        return;
    const Answer overHttps = fetcher.check(u"https://"_s + m_request.address.mid(7));
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

LinkSetCheck::LinkSetCheck(QList<LinkCheckRequest> requests, QObject* parent)
    : QObject(parent), m_requests(std::move(requests))
{
    static const bool curlReady = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
    m_multi = curlReady ? curl_multi_init() : nullptr;
    m_thread = std::thread([this] { run(); });
}

LinkSetCheck::~LinkSetCheck()
{
    cancel();
    m_thread.join();
    curl_multi_cleanup(static_cast<CURLM*>(m_multi));
}

void LinkSetCheck::cancel()
{
    m_cancelled = true;
    if (m_multi)
        curl_multi_wakeup(static_cast<CURLM*>(m_multi));
}

void LinkSetCheck::run()
{
    auto* multi = static_cast<CURLM*>(m_multi);
    if (!multi)
        return;
    // A forum's readers fetch from one server too; more at once than a browser opens would only queue there.
    curl_multi_setopt(multi, CURLMOPT_MAX_HOST_CONNECTIONS, 6L);
    const QDeadlineTimer deadline(m_requests.isEmpty() ? 0 : m_requests.first().timeoutMs);
    std::vector<Answer> answers(std::size_t(m_requests.size()));
    std::vector<CURL*> handles(answers.size(), nullptr);
    const auto start = [&](std::size_t i, bool rangedGet) {
        answers[i] = Answer();
        const long remainingMs = long(std::max<qint64>(1, deadline.remainingTime()));
        handles[i] = newFetch(m_requests[qsizetype(i)].address, rangedGet, remainingMs, &answers[i]);
        if (handles[i])
            curl_multi_add_handle(multi, handles[i]);
        else
            answers[i].code = CURLE_OUT_OF_MEMORY;
    };
    const auto finish = [&](std::size_t i) {
        curl_multi_remove_handle(multi, handles[i]);
        curl_easy_cleanup(std::exchange(handles[i], nullptr));
    };
    for (std::size_t i = 0; i < answers.size(); ++i)
        start(i, false);
    int running = 1;
    while (!m_cancelled && running > 0) {
        if (curl_multi_perform(multi, &running) != CURLM_OK)
            break;
        int left = 0;
        while (const CURLMsg* message = curl_multi_info_read(multi, &left)) {
            if (message->msg != CURLMSG_DONE)
                continue;
            CURL* curl = message->easy_handle;
            const CURLcode code = message->data.result;
            Answer* answer = nullptr;
            curl_easy_getinfo(curl, CURLINFO_PRIVATE, reinterpret_cast<char**>(&answer));
            const auto i = std::size_t(answer - answers.data());
            readAnswer(curl, code, answer);
            finish(i);
            if (wantsRangedGet(*answer)) {
                start(i, true);
                running = 1;
            }
        }
        if (running > 0)
            curl_multi_poll(multi, nullptr, 0, kPollMs, nullptr);
    }
    for (std::size_t i = 0; i < handles.size(); ++i) {
        if (handles[i])
            finish(i);
    }
    if (m_cancelled)
        return;
    QList<LinkCheckResult> results;
    for (std::size_t i = 0; i < answers.size(); ++i)
        results.append(resultOf(answers[i], m_requests[qsizetype(i)]));
    QMetaObject::invokeMethod(
        this,
        [this, results] {
            if (!m_cancelled)
                Q_EMIT finished(results);
        },
        Qt::QueuedConnection);
}

bool isPictureName(const QString& name)
{
    static const QStringList kinds{u".gif"_s, u".jpg"_s, u".jpeg"_s, u".bmp"_s, u".png"_s, u".webp"_s};
    for (const QString& kind : kinds) {
        if (name.endsWith(kind, Qt::CaseInsensitive))
            return true;
    }
    return false;
}

} // namespace lumaport
