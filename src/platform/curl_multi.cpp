// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/curl_multi.h"

#include "platform/curl_library.h"

#include <sys/socket.h>

#include <algorithm>
#include <utility>

namespace lumaport {

CurlMulti::CurlMulti() : m_multi(curlReady() ? curl_multi_init() : nullptr) {}

CurlMulti::~CurlMulti()
{
    if (m_multi)
        curl_multi_cleanup(m_multi);
}

void CurlMulti::limitPerServer(long connections)
{
    if (m_multi)
        curl_multi_setopt(m_multi, CURLMOPT_MAX_HOST_CONNECTIONS, connections);
}

void CurlMulti::wakeUp()
{
    if (m_multi)
        curl_multi_wakeup(m_multi);
}

void CurlMulti::add(CURL* curl)
{
    if (curl_multi_add_handle(m_multi, curl) == CURLM_OK)
        ++m_added;
}

void CurlMulti::remove(CURL* curl)
{
    if (curl_multi_remove_handle(m_multi, curl) == CURLM_OK)
        --m_added;
}

// curl_easy_perform would do, but libcurl 7.88 now and then leaves a transfer with nothing to wait for right
// after a quick passive-mode reply (parked until the data connection is to be opened, with no socket to watch
// and only far timers), and curl_easy_perform then sleeps a full second before it looks again. This loop goes
// on at once instead, and looks for a stop between its waits.
CurlMulti::Performed CurlMulti::perform(CURL* curl, const std::function<bool()>& stopped, int lookEveryMs)
{
    if (!m_multi)
        return {CURLE_FAILED_INIT, -1};
    add(curl);
    CURLcode code = CURLE_OK;
    bool parked = false;
    for (;;) {
        // Asked between the wait and the work, so what woke the wait is seen before libcurl reads it.
        if (stopped()) {
            curl_socket_t socket = CURL_SOCKET_BAD;
            if (curl_easy_getinfo(curl, CURLINFO_ACTIVESOCKET, &socket) == CURLE_OK && socket != CURL_SOCKET_BAD)
                ::shutdown(socket, SHUT_RDWR);
            code = CURLE_ABORTED_BY_CALLBACK;
            break;
        }
        int running = 0;
        if (curl_multi_perform(m_multi, &running) != CURLM_OK) {
            code = CURLE_OUT_OF_MEMORY;
            break;
        }
        if (running == 0) {
            int left = 0;
            const CURLMsg* message = curl_multi_info_read(m_multi, &left);
            code = message && message->msg == CURLMSG_DONE ? message->data.result : CURLE_OK;
            break;
        }
        long timeoutMs = -1;
        curl_multi_timeout(m_multi, &timeoutMs);
        fd_set read, write, error;
        FD_ZERO(&read);
        FD_ZERO(&write);
        FD_ZERO(&error);
        int highest = -1;
        curl_multi_fdset(m_multi, &read, &write, &error, &highest);
        // Without a socket to wait for, the transfer is parked (or a name lookup runs): a parked one goes on at
        // the next call, so the first look is at once; after that, every millisecond.
        const bool parkedBefore = std::exchange(parked, highest < 0);
        const long waitMs = highest < 0     ? (parkedBefore ? 1 : 0)
                            : timeoutMs < 0 ? lookEveryMs
                                            : std::min<long>(timeoutMs, lookEveryMs);
        if (waitMs > 0)
            curl_multi_poll(m_multi, nullptr, 0, int(waitMs), nullptr);
    }
    // Only a finished transfer leaves a connection for the next request.
    curl_socket_t socket = CURL_SOCKET_BAD;
    const bool connected = code != CURLE_ABORTED_BY_CALLBACK && code != CURLE_OUT_OF_MEMORY &&
                           curl_easy_getinfo(curl, CURLINFO_ACTIVESOCKET, &socket) == CURLE_OK &&
                           socket != CURL_SOCKET_BAD;
    remove(curl);
    return {code, connected ? int(socket) : -1};
}

void CurlMulti::run(const std::function<void(CURL*, CURLcode)>& done, const std::function<bool()>& stopped,
                    const std::function<int()>& nextWaitMs)
{
    while (m_multi && m_added > 0 && !stopped()) {
        int active = 0;
        if (curl_multi_perform(m_multi, &active) != CURLM_OK)
            break;
        int left = 0;
        bool finished = false;
        while (const CURLMsg* message = curl_multi_info_read(m_multi, &left)) {
            if (message->msg != CURLMSG_DONE)
                continue;
            CURL* curl = message->easy_handle;
            const CURLcode code = message->data.result;
            remove(curl);
            done(curl, code);
            finished = true;
        }
        // What a finished request made room for starts at once, not at the next answer of another.
        const int waitMs = std::max(0, nextWaitMs());
        if (m_added > 0 && !finished)
            curl_multi_poll(m_multi, nullptr, 0, waitMs, nullptr);
    }
}

} // namespace lumaport
