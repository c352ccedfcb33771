// SPDX-License-Identifier: GPL-3.0-or-later
// The one loop over libcurl's multi interface that every request of the program runs in: a session's requests one
// at a time on its kept connection, and the link checks many at once. Each thread that makes requests owns one.
#pragma once

#include <curl/curl.h>

#include <functional>

namespace lumaport {

class CurlMulti
{
public:
    /// Sets libcurl up for the process when it is not yet.
    CurlMulti();
    ~CurlMulti();
    CurlMulti(const CurlMulti&) = delete;
    CurlMulti& operator=(const CurlMulti&) = delete;

    /// Whether libcurl could be set up; an unusable one runs nothing.
    bool usable() const { return m_multi != nullptr; }
    /// At most this many connections to one server at once.
    void limitPerServer(long connections);
    /// Ends the wait under way at once, from any thread, so a stop is seen without delay.
    void wakeUp();

    struct Performed
    {
        CURLcode code = CURLE_OK;
        int socket = -1; ///< the connection the request leaves open for the next one; -1 when none is
    };
    /// Runs one request to its end. `stopped` is asked before each turn of libcurl's work, at least every
    /// `lookEveryMs`; a stopped request has its connection shut down, since nothing is to wait for the server on the
    /// way out, and ends with CURLE_ABORTED_BY_CALLBACK.
    Performed perform(CURL* curl, const std::function<bool()>& stopped, int lookEveryMs);

    /// Adds a request to run among others by run().
    void add(CURL* curl);
    /// Takes a request out, finished or not.
    void remove(CURL* curl);
    /// Runs the added requests until none is left or `stopped`. Each finished one is taken out and handed to
    /// `done`, which may add others. Between waits `nextWaitMs` says how long the next wait may last at most.
    void run(const std::function<void(CURL*, CURLcode)>& done, const std::function<bool()>& stopped,
             const std::function<int()>& nextWaitMs);

private:
    CURLM* m_multi = nullptr;
    int m_added = 0;
};

} // namespace lumaport
