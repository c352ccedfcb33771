#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
# A distant server on this machine: a TCP relay that delays every byte by a set time in each direction and
# optionally caps the bandwidth, listening on one loopback address and passing each connection on to the same
# port of another. In front of an FTP server's control port and its passive port range, a client that connects to
# the relay's address comes back to it for the data connections too (EPSV answers with a port alone).
#
#   /usr/bin/python3 bench/delay_relay.py --listen 127.0.0.2 --target 127.0.0.1 --ports 2121,40000-40019
#                                         [--delay-ms 20] [--kib-per-second 0] [--trace FILE]
# With --trace, the verb of every command a client sends to the first port (an FTP control port) is written to FILE,
# one line each ("<seconds> <connection> <VERB>"), for counting the round trips a client takes. It
# prints "ready" on a line of its own once every port listens. Only loopback addresses (127.0.0.0/8) are taken.
# --self-test measures a round trip through it against an echo server and exits non-zero when it is not delayed.
import argparse
import asyncio
import ipaddress
import os
import random
import signal
import socket
import subprocess
import sys
import time

CHUNK = 64 << 10
QUEUED_CHUNKS = 256  # about 16 MiB in flight per direction before the reading side waits


# For the benchmarks that start it: the client's address, and how many passive ports the server is given.
CLIENT_HOST = "127.0.0.2"
PASSIVE_PORTS = 20


def free_range(count):
    """The first of count ports in a row that are free on both loopback addresses the relay uses."""
    for _ in range(50):
        first = random.randrange(20000, 60000 - count)
        probes = []
        try:
            for port in range(first, first + count):
                for host in ("127.0.0.1", CLIENT_HOST):
                    probe = socket.socket()
                    probes.append(probe)
                    probe.bind((host, port))
            return first
        except OSError:
            continue
        finally:
            for probe in probes:
                probe.close()
    sys.exit("no free range of passive ports")


def start_relay(ports, delay_ms, trace=None):
    """The relay as a process of its own from CLIENT_HOST to 127.0.0.1, once every port listens."""
    relay = subprocess.Popen(["/usr/bin/python3", os.path.abspath(__file__), "--listen", CLIENT_HOST, "--target",
                              "127.0.0.1", "--ports", ",".join(map(str, ports)), "--delay-ms", str(delay_ms),
                              *(["--trace", trace] if trace else [])], stdout=subprocess.PIPE, text=True)
    if relay.stdout.readline().strip() != "ready":
        relay.kill()
        sys.exit("the relay did not start")
    return relay


def loopback(text):
    if not ipaddress.ip_address(text).is_loopback:
        raise argparse.ArgumentTypeError(f"{text} is not a loopback address")
    return text


def ports(text):
    found = []
    for part in text.split(","):
        first, _, last = part.partition("-")
        found.extend(range(int(first), int(last or first) + 1))
    return found


class Pipe:
    """One direction of one connection: what is read leaves delay seconds later, paced to the rate cap."""

    def __init__(self, reader, writer, delay, rate, trace=None):
        self.reader, self.writer, self.delay, self.rate, self.trace = reader, writer, delay, rate, trace
        self.queue = asyncio.Queue(QUEUED_CHUNKS)

    async def read(self):
        try:
            while chunk := await self.reader.read(CHUNK):
                if self.trace:
                    self.trace(chunk)
                await self.queue.put((time.monotonic() + self.delay, chunk))
        except OSError:
            pass
        await self.queue.put((time.monotonic() + self.delay, b""))

    async def write(self):
        free_at = time.monotonic()
        try:
            while True:
                due, chunk = await self.queue.get()
                if self.rate:
                    # The link is busy with the bytes before: this chunk leaves once they have.
                    due = max(due, free_at)
                    free_at = due + len(chunk) / self.rate
                if (wait := due - time.monotonic()) > 0:
                    await asyncio.sleep(wait)
                if not chunk:
                    if self.writer.can_write_eof():
                        self.writer.write_eof()
                    return
                self.writer.write(chunk)
                await self.writer.drain()
        except OSError:
            pass


class Trace:
    """The verbs of the commands of every control connection, with when they passed."""

    def __init__(self, path):
        self.file = open(path, "a", buffering=1, encoding="utf-8") if path else None
        self.connections = 0
        self.started = time.monotonic()

    def watcher(self):
        if not self.file:
            return None
        self.connections += 1
        number, pending = self.connections, bytearray()

        def seen(chunk):
            pending.extend(chunk)
            while (end := pending.find(b"\n")) >= 0:
                verb = bytes(pending[:end]).split(b" ", 1)[0].strip().decode("latin-1").upper()
                del pending[:end + 1]
                self.file.write(f"{time.monotonic() - self.started:.4f} {number} {verb}\n")

        return seen


async def relay(client_reader, client_writer, target, port, delay, rate, trace=None):
    try:
        server_reader, server_writer = await asyncio.open_connection(target, port)
    except OSError:
        client_writer.close()
        return
    pipes = [Pipe(client_reader, server_writer, delay, rate, trace), Pipe(server_reader, client_writer, delay, rate)]
    await asyncio.gather(*(task for pipe in pipes for task in (pipe.read(), pipe.write())))
    for writer in (client_writer, server_writer):
        writer.close()


async def serve(listen, target, port_list, delay, rate, ready, trace_path=None):
    trace = Trace(trace_path)
    servers = []
    for port in port_list:
        watch = trace.watcher if port == port_list[0] else lambda: None
        servers.append(await asyncio.start_server(
            lambda r, w, p=port, t=watch: relay(r, w, target, p, delay, rate, t()), listen, port, reuse_address=True))
    ready()
    await asyncio.gather(*(server.serve_forever() for server in servers))


def self_test(delay_ms):
    """A round trip through the relay against one straight to an echo server: it must take the two delays more."""

    async def echo(reader, writer):
        while data := await reader.read(CHUNK):
            writer.write(data)
            await writer.drain()
        writer.close()

    async def round_trips(host, port, count=10):
        reader, writer = await asyncio.open_connection(host, port)
        times = []
        for _ in range(count):
            start = time.monotonic()
            writer.write(b"x")
            await writer.drain()
            await reader.readexactly(1)
            times.append(time.monotonic() - start)
        writer.close()
        await writer.wait_closed()
        return sorted(times)[count // 2]

    async def main():
        server = await asyncio.start_server(echo, "127.0.0.1", 0)
        port = server.sockets[0].getsockname()[1]
        relay_task = asyncio.create_task(serve("127.0.0.2", "127.0.0.1", [port], delay_ms / 1000, 0, lambda: None))
        await asyncio.sleep(0.2)
        direct = await round_trips("127.0.0.1", port)
        relayed = await round_trips("127.0.0.2", port)
        await asyncio.sleep(3 * delay_ms / 1000)  # the end of the connection passes the relay too
        relay_task.cancel()
        server.close()
        return direct, relayed

    direct, relayed = asyncio.run(main())
    added_ms = (relayed - direct) * 1000
    print(f"round trip straight {direct * 1000:.2f} ms, through the relay {relayed * 1000:.2f} ms "
          f"(adds {added_ms:.1f} ms; {2 * delay_ms} ms asked)")
    # Late timers on a busy machine only ever add; the round trip must never come back early.
    return 0 if 2 * delay_ms <= added_ms < 2 * delay_ms + 100 else 1


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--listen", type=loopback, default="127.0.0.2")
    parser.add_argument("--target", type=loopback, default="127.0.0.1")
    parser.add_argument("--ports", type=ports)
    parser.add_argument("--delay-ms", type=float, default=20, help="each way")
    parser.add_argument("--kib-per-second", type=float, default=0, help="bandwidth cap each way; 0 for none")
    parser.add_argument("--trace", help="file the control connections' verbs are written to")
    parser.add_argument("--self-test", action="store_true")
    args = parser.parse_args()
    if args.self_test:
        return self_test(args.delay_ms)
    if not args.ports:
        parser.error("--ports is needed")
    if args.listen == args.target:
        parser.error("--listen and --target must differ: the ports are the same on both")
    try:
        asyncio.run(serve(args.listen, args.target, args.ports, args.delay_ms / 1000, args.kib_per_second * 1024,
                          lambda: print("ready", flush=True), args.trace))
    except KeyboardInterrupt:
        pass
    return 0


if __name__ == "__main__":
    # Ended by its starter: nothing to tidy, every connection goes with the process.
    signal.signal(signal.SIGTERM, lambda *_: os._exit(0))
    sys.exit(main())
