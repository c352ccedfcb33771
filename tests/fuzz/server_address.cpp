// SPDX-License-Identifier: GPL-3.0-or-later
// The server address parser on any typed text.
#include "fuzz_check.h"
#include "transfer/ftp_server_address.h"

using namespace lumaport;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzz::quiet();
    FtpServerAddress address;
    QString error;
    if (!parseFtpServerAddress(QString::fromUtf8(fuzz::bytes(data, size)), &address, &error)) {
        fuzz::check(!error.isEmpty(), "a refusal says why");
        return 0;
    }
    fuzz::check(!address.host.isEmpty(), "a host is named");
    fuzz::check(address.port >= 1 && address.port <= 65535, "the port is one");
    // The trust file names the server by name(); text() is the whole server text, bucket and folder too.
    FtpServerAddress again;
    fuzz::check(parseFtpServerAddress(address.text(), &again, &error) && again == address, "text() reads back");
    if (!address.isS3())
        fuzz::check(parseFtpServerAddress(address.name(), &again, &error) && again.host == address.host &&
                        again.port == address.port && again.scheme == address.scheme,
                    "name() reads back as the same server");
    return 0;
}
