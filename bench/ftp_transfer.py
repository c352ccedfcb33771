#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
# FTP transfer component against curl and lftp, on one vsftpd on 127.0.0.1, in one run:
#   - PUT and GET of a 1 GiB file: the component (driven as the FTP window drives it) against `curl -T`,
#     `curl -o`, `lftp put` and `lftp get`; median of the runs, ratio to the faster peer (target >= 0.9),
#     the component's peak memory growth (target < 64 MiB) and its user-interface thread's processor time
#     as a share of the transfer's wall time (target < 5 %);
#   - DIR of a folder of 50,000 entries, log-on to the full reply read through GetChunk, against curl
#     listing the same folder (target <= 1.5 times curl's time).
# Exits non-zero when a target is missed. Needs root (vsftpd), curl and lftp (scripts/install-deps.sh).
#
#   /usr/bin/python3 bench/ftp_transfer.py [--build-dir build] [--folder DIR] [--runs 3] [--size-mib 1024]
import argparse
import json
import os
import shutil
import socket
import statistics
import subprocess
import sys
import tempfile
import time

SOURCE = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
SERVER_SCRIPT = os.path.join(SOURCE, "tests", "support", "ftp_server.py")
USER, PASSWORD = "anonymous", "guest@example.com"


def start_vsftpd(folder):
    root, state = os.path.join(folder, "root"), os.path.join(folder, "state")
    os.makedirs(root)
    server = subprocess.Popen(["/usr/bin/python3", SERVER_SCRIPT, "vsftpd", "--root", root, "--state", state],
                              stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
    port = int(server.stdout.readline() or 0)
    deadline = time.monotonic() + 15
    while port and time.monotonic() < deadline and server.poll() is None:
        try:
            with socket.create_connection(("127.0.0.1", port), timeout=2) as probe:
                if probe.recv(64).startswith(b"220"):
                    return server, port, os.path.join(root, "pub")
        except OSError:
            time.sleep(0.05)
    server.kill()
    sys.exit(f"vsftpd did not start: {server.stderr.read()}")


def make_file(path, size):
    chunk = os.urandom(64 << 20)
    with open(path, "wb") as f:
        for _ in range(size // len(chunk)):
            f.write(chunk)
        f.write(chunk[: size % len(chunk)])


def timed(command):
    """Seconds a peer's command takes, with dirty pages of the run before written out first."""
    os.sync()
    start = time.monotonic()
    subprocess.run(command, check=True, stdout=subprocess.DEVNULL)
    return time.monotonic() - start


def component(driver, port, *commands):
    os.sync()
    arguments = [driver, "--server", f"127.0.0.1:{port}", "--user", USER, "--password", PASSWORD]
    for command in commands:
        arguments += ["--command", command]
    done = subprocess.run(arguments, check=True, capture_output=True, text=True)
    return json.loads(done.stdout)


def lftp(port, script):
    return ["lftp", "-c", f"set cmd:fail-exit yes; set xfer:clobber on; "
            f"open -u {USER},{PASSWORD} -p {port} ftp://127.0.0.1; cd pub; {script}"]


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--build-dir", default=os.path.join(SOURCE, "build"))
    parser.add_argument("--folder", default=os.getcwd(), help="where the temporary files go (the disk tested)")
    parser.add_argument("--runs", type=int, default=3)
    parser.add_argument("--size-mib", type=int, default=1024)
    parser.add_argument("--entries", type=int, default=50000)
    args = parser.parse_args()

    subprocess.run(["cmake", "--build", args.build_dir, "--target", "bench_ftp_transfer"], check=True,
                   stdout=subprocess.DEVNULL)
    driver = os.path.join(args.build_dir, "bench", "bench_ftp_transfer")
    size = args.size_mib << 20
    folder = tempfile.mkdtemp(prefix="lumaport-ftp-bench-", dir=args.folder)
    os.chmod(folder, 0o755)
    server = None
    try:
        server, port, pub = start_vsftpd(folder)
        url = f"ftp://127.0.0.1:{port}/pub/"
        local = os.path.join(folder, "local")
        os.makedirs(local)
        source = os.path.join(local, "source.bin")
        make_file(source, size)
        os.link(source, os.path.join(pub, "get.bin"))
        got = os.path.join(local, "got.bin")
        curl = ["curl", "-sS", "-u", f"{USER}:{PASSWORD}"]

        put = {"component": [], "curl -T": [], "lftp put": []}
        get = {"component": [], "curl -o": [], "lftp get": []}
        memory, ui_share = [], []
        for _ in range(args.runs):
            ours = component(driver, port, 'CD "pub/"', f'PUT "{source}" "put.bin"')
            put["component"].append(ours["seconds"])
            memory.append(ours["peak_growth_kib"] / 1024)
            ui_share.append(ours["ui_cpu_seconds"] / ours["seconds"])
            os.remove(os.path.join(pub, "put.bin"))
            put["curl -T"].append(timed(curl + ["-T", source, url + "put.bin"]))
            os.remove(os.path.join(pub, "put.bin"))
            put["lftp put"].append(timed(lftp(port, f"put {source} -o put.bin")))
            os.remove(os.path.join(pub, "put.bin"))

            ours = component(driver, port, 'CD "pub/"', f'GET "get.bin" "{got}"')
            get["component"].append(ours["seconds"])
            memory.append(ours["peak_growth_kib"] / 1024)
            ui_share.append(ours["ui_cpu_seconds"] / ours["seconds"])
            os.remove(got)
            get["curl -o"].append(timed(curl + ["-o", got, url + "get.bin"]))
            os.remove(got)
            get["lftp get"].append(timed(lftp(port, f"get get.bin -o {got}")))
            os.remove(got)

        big = os.path.join(pub, "big")
        os.makedirs(big)
        for i in range(args.entries):
            open(os.path.join(big, f"picture number {i:06d}.jpg"), "w").close()
        listing = {"component": [], "curl": []}
        for _ in range(args.runs):
            ours = component(driver, port, 'CD "pub/big/"', "DIR")
            if ours["reply_chars"] < args.entries * 20:
                sys.exit(f"DIR reply too short: {ours['reply_chars']} characters")
            listing["component"].append(ours["seconds"])
            listing["curl"].append(timed(curl + ["-o", os.devnull, url + "big/"]))
    finally:
        if server:
            server.terminate()
            server.wait()
        shutil.rmtree(folder, ignore_errors=True)

    failures = []
    mib = size / (1 << 20)
    print(f"FTP transfer component on vsftpd, 127.0.0.1, {mib:.0f} MiB file, median of {args.runs} runs")
    for name, results in (("PUT", put), ("GET", get)):
        medians = {who: statistics.median(seconds) for who, seconds in results.items()}
        for who, seconds in medians.items():
            print(f"  {name} {who:<10} {seconds:7.3f} s  {mib / seconds:8.1f} MiB/s")
        fastest = min(seconds for who, seconds in medians.items() if who != "component")
        ratio = fastest / medians["component"]
        print(f"  {name} throughput ratio to the faster peer: {ratio:.2f} (target >= 0.90)")
        if ratio < 0.9:
            failures.append(f"{name} throughput {ratio:.2f} of the faster peer")
    print(f"  peak memory growth: {max(memory):.1f} MiB at most (target < 64)")
    print(f"  user-interface thread processor time: {100 * max(ui_share):.2f} % of the wall time at most "
          f"(target < 5)")
    if max(memory) >= 64:
        failures.append(f"memory growth {max(memory):.1f} MiB")
    if max(ui_share) >= 0.05:
        failures.append(f"UI thread {100 * max(ui_share):.2f} %")
    ours, theirs = statistics.median(listing["component"]), statistics.median(listing["curl"])
    print(f"  DIR of {args.entries} entries (log-on to the last chunk): component {ours:.3f} s, "
          f"curl {theirs:.3f} s, ratio {ours / theirs:.2f} (target <= 1.50)")
    if ours / theirs > 1.5:
        failures.append(f"DIR {ours / theirs:.2f} times curl")
    if failures:
        print("MISSED: " + "; ".join(failures))
        return 1
    print("All targets met.")
    return 0


if __name__ == "__main__":
    sys.exit(main())
