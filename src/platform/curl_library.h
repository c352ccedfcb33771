// SPDX-License-Identifier: GPL-3.0-or-later
// libcurl's set-up for the whole process, shared by the transfers and the link checks.
#pragma once

namespace lumaport {

/// Sets libcurl up on the first call, from any thread; whether it can be used.
bool curlReady();

} // namespace lumaport
