// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/curl_library.h"

#include <curl/curl.h>

namespace lumaport {

bool curlReady()
{
    static const bool ready = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
    return ready;
}

} // namespace lumaport
