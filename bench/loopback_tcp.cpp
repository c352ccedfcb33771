// SPDX-License-Identifier: GPL-3.0-or-later
// The ceiling of every transfer benchmark: bytes through one TCP connection on 127.0.0.1 between two threads,
// 1 MiB writes and reads, no disk and no protocol. Prints the median of the rounds as one line of JSON; the FTP
// benchmarks show how far each client stays below it.
//
//   bench_loopback_tcp [--size-mib 1024] [--rounds 5]
#include "bench_support.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>
#include <vector>

namespace {

constexpr size_t kBlock = 1 << 20;

[[noreturn]] void fail(const char* what)
{
    std::perror(what);
    std::exit(2);
}

// A connected pair of TCP sockets on 127.0.0.1.
std::pair<int, int> connectedPair()
{
    const int listener = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (listener < 0 || ::bind(listener, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
        ::listen(listener, 1) != 0 || ::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length) != 0)
        fail("listen");
    const int sender = ::socket(AF_INET, SOCK_STREAM, 0);
    if (sender < 0 || ::connect(sender, reinterpret_cast<sockaddr*>(&address), length) != 0)
        fail("connect");
    const int receiver = ::accept(listener, nullptr, nullptr);
    if (receiver < 0)
        fail("accept");
    ::close(listener);
    return {sender, receiver};
}

double oneRound(long long bytes)
{
    const auto [sender, receiver] = connectedPair();
    const auto start = std::chrono::steady_clock::now();
    std::thread writer([sender, bytes] {
        std::vector<char> block(kBlock, 'x');
        for (long long left = bytes; left > 0;) {
            const ssize_t sent = ::send(sender, block.data(), size_t(std::min<long long>(left, kBlock)), 0);
            if (sent <= 0)
                fail("send");
            left -= sent;
        }
        ::shutdown(sender, SHUT_WR);
    });
    std::vector<char> block(kBlock);
    long long received = 0;
    for (ssize_t got; (got = ::recv(receiver, block.data(), kBlock, 0)) > 0;)
        received += got;
    writer.join();
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    ::close(sender);
    ::close(receiver);
    if (received != bytes)
        fail("recv");
    return seconds;
}

} // namespace

int main(int argc, char* argv[])
{
    long long mib = 1024;
    int rounds = 5;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--size-mib") == 0)
            mib = std::atoll(argv[i + 1]);
        else if (std::strcmp(argv[i], "--rounds") == 0)
            rounds = std::max(1, std::atoi(argv[i + 1]));
    }
    std::vector<double> seconds;
    for (int round = 0; round < rounds; ++round)
        seconds.push_back(oneRound(mib << 20));
    const double median = lumaport::bench::median(seconds);
    std::printf("{\"seconds\":%.6f,\"mib_per_s\":%.1f}\n", median, double(mib) / median);
    return 0;
}
