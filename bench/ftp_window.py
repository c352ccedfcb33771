#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
# The FTP window's own handlers against curl, on one vsftpd on 127.0.0.1, in one run, alternating:
#   - "Send" and the receive of a 1 GiB file (log on and the double-click into pub/ not counted) against
#     `curl -T` and `curl -o`, and a bare socket client (sendfile for PUT, 1 MiB reads for GET) as the limit;
#     targets: at least curl's speed, within 1.2 times the bare client's time, the progress bar updating,
#     user-interface thread processor time under 5 % of the wall time, peak memory growth under 64 MiB;
#   - a folder of 50,000 entries, from "DIR" sent to the last entry in the remote list, against curl listing
#     it (target <= 1.5 times), and the longest time the event loop went unserved meanwhile.
# Exits non-zero when a target is missed. Needs root (vsftpd) and curl (scripts/install-deps.sh).
#
#   /usr/bin/python3 bench/ftp_window.py [--build-dir build] [--folder DIR] [--runs 3] [--size-mib 1024]
import argparse
import json
import os
import re
import shutil
import socket
import statistics
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from ftp_transfer import PASSWORD, SOURCE, USER, make_file, start_vsftpd, timed  # noqa: E402


def window(driver, port, *arguments):
    os.sync()
    command = [driver, "--server", f"127.0.0.1:{port}", "--user", USER, "--password", PASSWORD, *arguments]
    done = subprocess.run(command, capture_output=True, text=True,
                          env=dict(os.environ, QT_QPA_PLATFORM="offscreen"))
    if done.returncode != 0:
        sys.exit(f"{' '.join(arguments)}: {done.stderr.strip()}")
    return json.loads(done.stdout.strip().splitlines()[-1])


def bare(port, verb, name, local):
    """The least a client must do: log on, one passive data connection, sendfile or 1 MiB reads."""
    os.sync()
    start = time.monotonic()
    with socket.create_connection(("127.0.0.1", port)) as control:
        replies = control.makefile("rb")

        def answer():
            line = replies.readline()
            while not re.match(rb"\d{3} ", line):
                line = replies.readline()
            if line[0] in b"45":
                sys.exit(f"bare client: {line!r}")
            return line

        def say(text):
            control.sendall(text.encode() + b"\r\n")
            return answer()

        answer()
        say(f"USER {USER}")
        say(f"PASS {PASSWORD}")
        say("TYPE I")
        say("CWD pub")
        numbers = [int(n) for n in re.search(rb"\((\d+,\d+,\d+,\d+,\d+,\d+)\)", say("PASV")).group(1).split(b",")]
        with socket.create_connection(("127.0.0.1", numbers[4] * 256 + numbers[5])) as data:
            control.sendall(f"{verb} {name}\r\n".encode())
            answer()
            if verb == "STOR":
                with open(local, "rb") as source:
                    data.sendfile(source)
                data.shutdown(socket.SHUT_WR)
            else:
                buffer = bytearray(1 << 20)
                view = memoryview(buffer)
                with open(local, "wb") as target:
                    while count := data.recv_into(buffer):
                        target.write(view[:count])
        answer()
        say("QUIT")
    return time.monotonic() - start


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--build-dir", default=os.path.join(SOURCE, "build"))
    parser.add_argument("--folder", default=os.getcwd(), help="where the temporary files go (the disk tested)")
    parser.add_argument("--runs", type=int, default=3)
    parser.add_argument("--size-mib", type=int, default=1024)
    parser.add_argument("--entries", type=int, default=50000)
    args = parser.parse_args()

    subprocess.run(["cmake", "--build", args.build_dir, "--target", "bench_ftp_window"], check=True,
                   stdout=subprocess.DEVNULL)
    driver = os.path.join(args.build_dir, "bench", "bench_ftp_window")
    size = args.size_mib << 20
    folder = tempfile.mkdtemp(prefix="lumaport-window-bench-", dir=args.folder)
    os.chmod(folder, 0o755)
    server = None
    put = {"window": [], "curl": [], "bare": []}
    get = {"window": [], "curl": [], "bare": []}
    window_runs = []
    try:
        server, port, pub = start_vsftpd(folder)
        url = f"ftp://127.0.0.1:{port}/pub/"
        curl = ["curl", "-sS", "-u", f"{USER}:{PASSWORD}"]
        local = os.path.join(folder, "local")
        os.makedirs(local)
        source = os.path.join(local, "send.bin")
        make_file(source, size)
        os.link(source, os.path.join(pub, "get.bin"))
        into = os.path.join(folder, "into")
        got = os.path.join(into, "get.bin")

        def clean():
            for path in (os.path.join(pub, "send.bin"), got):
                if os.path.exists(path):
                    os.remove(path)
            os.makedirs(into, exist_ok=True)

        for _ in range(args.runs):
            clean()
            ours = window(driver, port, "--enter", "pub/", "--send", source)
            if os.path.getsize(os.path.join(pub, "send.bin")) != size:
                sys.exit("the window's send is incomplete")
            put["window"].append(ours["seconds"])
            window_runs.append(ours)
            clean()
            put["curl"].append(timed(curl + ["-T", source, url + "send.bin"]))
            clean()
            put["bare"].append(bare(port, "STOR", "send.bin", source))
            clean()
            ours = window(driver, port, "--enter", "pub/", "--receive", "get.bin", "--into", into)
            if os.path.getsize(got) != size:
                sys.exit("the window's receive is incomplete")
            get["window"].append(ours["seconds"])
            window_runs.append(ours)
            clean()
            get["curl"].append(timed(curl + ["-o", got, url + "get.bin"]))
            clean()
            get["bare"].append(bare(port, "RETR", "get.bin", got))
        clean()

        big = os.path.join(pub, "big")
        os.makedirs(big)
        for i in range(args.entries):
            open(os.path.join(big, f"picture number {i:06d}.jpg"), "w").close()
        listing = {"window": [], "curl": []}
        stalls = []
        for _ in range(args.runs):
            ours = window(driver, port, "--enter", "pub/", "--enter", "big/", "--list", str(args.entries))
            listing["window"].append(ours["seconds"])
            stalls.append(ours["longest_stall_ms"])
            listing["curl"].append(timed(curl + ["-o", os.devnull, url + "big/"]))
    finally:
        if server:
            server.terminate()
            server.wait()
        shutil.rmtree(folder, ignore_errors=True)

    failures = []
    mib = size / (1 << 20)
    print(f"FTP window handlers on vsftpd, 127.0.0.1, {mib:.0f} MiB file, median of {args.runs} alternating runs")
    for name, results in (("Send", put), ("Receive", get)):
        medians = {who: statistics.median(seconds) for who, seconds in results.items()}
        for who, seconds in medians.items():
            print(f"  {name:<8} {who:<7} {seconds:7.3f} s  {mib / seconds:8.1f} MiB/s")
        to_curl = medians["curl"] / medians["window"]
        to_bare = medians["window"] / medians["bare"]
        print(f"  {name}: speed {to_curl:.2f} x curl's (target >= 1.00); time {to_bare:.2f} x the bare client's "
              f"(aim <= 1.20); curl's time {medians['curl'] / medians['bare']:.2f} x the bare client's")
        if to_curl < 1.0:
            failures.append(f"{name} at {to_curl:.2f} x curl's speed")
    share = max(run["ui_cpu_seconds"] / run["seconds"] for run in window_runs)
    memory = max(run["peak_growth_kib"] for run in window_runs) / 1024
    updates = min(run["bar_updates"] for run in window_runs)
    print(f"  progress bar: {updates} updates at least per transfer; last text \"{window_runs[-1]['last_bar_text']}\"")
    print(f"  user-interface thread processor time: {100 * share:.2f} % of the wall time at most (target < 5)")
    print(f"  peak memory growth: {memory:.1f} MiB at most (target < 64)")
    if updates < 2:
        failures.append("the progress bar did not move")
    if share >= 0.05:
        failures.append(f"UI thread {100 * share:.2f} %")
    if memory >= 64:
        failures.append(f"memory growth {memory:.1f} MiB")
    ours, theirs = statistics.median(listing["window"]), statistics.median(listing["curl"])
    print(f"  {args.entries} entries, DIR to the last entry listed: window {ours:.3f} s, curl {theirs:.3f} s, "
          f"ratio {ours / theirs:.2f} (target <= 1.50); event loop unserved {max(stalls)} ms at most")
    if ours / theirs > 1.5:
        failures.append(f"listing {ours / theirs:.2f} times curl")
    if failures:
        print("MISSED: " + "; ".join(failures))
        return 1
    print("All targets met.")
    return 0


if __name__ == "__main__":
    sys.exit(main())
