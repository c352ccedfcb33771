#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
# A set of pictures sent to a distant server: vsftpd on 127.0.0.1 behind bench/delay_relay.py on 127.0.0.2, which
# delays each direction (20 ms gives a 40 ms round trip) in front of the control port and the passive range.
# Whole processes timed, log-on included, rounds after a warm-up, order turning, every file checked by hash (the
# window's whole process also starts Qt, lists the log-on folder and enters pub/ as a user would; its "Send" alone,
# from the click to the last file in place, is shown beside, against the peers' whole processes):
#   - the window's "Send" over --connections at once and over one, driven as a user would
#     (bench_ftp_window: log on, enter pub/, "Send"; each file under a temporary name, then renamed);
#   - `curl -T "{a,b,...}"` (target: the window's "Send" at least twice as fast behind the relay, as fast on
#     loopback), `lftp -e "mput -P 3 ..."` as it ships (target: 1.1 times as fast behind the relay) and
#     `rclone copy --transfers 3` (target: at least as fast), the last two where installed; the targets take the "Send" from its click, the whole processes are shown beside;
#   - the round trips each takes: every command a client sends on its control connections, counted through the
#     relay (--trace), per file and in all (commands less than half a round trip apart went out together and count
#     as one); and the longest the window's event loop went unserved (target <= 50 ms);
#   - the same set over SFTP (OpenSSH's sshd, log-on by key, the relay in front of its port alone): the window's
#     "Send" over --connections at once against `rclone copy --transfers N` over SFTP (target: at least as fast;
#     where installed) and one OpenSSH `sftp -b` batch (target: ahead).
# With --delay-ms 0 the same runs straight on loopback, with no relay. Every ratio is the peer's time / ours: above 1
# we are faster. Exits non-zero when a target is missed. Needs root (vsftpd), curl; lftp and rclone are optional.
#
# By default it runs at 40 and 100 ms round trips (--delay-ms 20,50), each over 3 and over 6 connections.
#
#   /usr/bin/python3 bench/ftp_set_distant.py [--build-dir build] [--folder DIR] [--rounds 5] [--files 20]
#                                             [--size-kib 300] [--delay-ms 20,50] [--connections 3,6]
import argparse
import collections
import json
import os
import shutil
import statistics
import subprocess
import sys
import tempfile

sys.dont_write_bytecode = True  # no cache folder beside the sources
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from ftp_transfer import (PASSWORD, RATIOS, SOURCE, USER, Client, fingerprint, make_set, run_rounds,  # noqa
                          spread, start_server)

from delay_relay import CLIENT_HOST, PASSIVE_PORTS, free_range, start_relay  # noqa


def traced(command, trace, round_trip):
    """The verbs one run of the command sends on its control connections, how many connections it opened, and its
    round trips: commands on one connection less than half a round trip apart went out together (pipelined)."""
    open(trace, "w").close()
    subprocess.run(command, check=True, capture_output=True)
    with open(trace, encoding="utf-8") as f:
        lines = [line.split() for line in f if line.strip()]
    last, trips = {}, 0
    for seconds, connection, _ in lines:
        if connection not in last or float(seconds) - last[connection] >= round_trip / 2:
            trips += 1
        last[connection] = float(seconds)
    return collections.Counter(verb for _, _, verb in lines), len(last), trips


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--build-dir", default=os.path.join(SOURCE, "build"))
    parser.add_argument("--folder", default=os.getcwd(), help="where the temporary files go (the disk tested)")
    parser.add_argument("--rounds", type=int, default=5)
    parser.add_argument("--files", type=int, default=20)
    parser.add_argument("--size-kib", type=int, default=300)
    parser.add_argument("--delay-ms", default="20,50", help="each way, one run per value; 0 runs straight, no relay")
    parser.add_argument("--connections", default="3,6", help="one run per value")
    args = parser.parse_args()

    subprocess.run(["cmake", "--build", args.build_dir, "--target", "bench_ftp_window"], check=True,
                   stdout=subprocess.DEVNULL)
    driver = os.path.join(args.build_dir, "bench", "bench_ftp_window")
    missed = 0
    for delay in (float(value) for value in args.delay_ms.split(",")):
        for connections in (int(value) for value in args.connections.split(",")):
            missed |= run(argparse.Namespace(**{**vars(args), "delay_ms": delay, "connections": connections}), driver)
            print()
    return missed


def run(args, driver):
    """One delay and number of connections: prints its figures; 1 when a target was missed."""
    os.environ["QT_QPA_PLATFORM"] = "offscreen"
    load_before = subprocess.run(["uptime"], capture_output=True, text=True).stdout.strip()
    folder = tempfile.mkdtemp(prefix="lumaport-distant-bench-", dir=args.folder)
    os.chmod(folder, 0o755)
    trace = os.path.join(folder, "trace")
    server = relay = None
    windows, traces = {}, {}
    try:
        first_passive = free_range(PASSIVE_PORTS)
        server, port, _ = start_server(folder, "vsftpd", "--pasv-ports",
                                       f"{first_passive}-{first_passive + PASSIVE_PORTS - 1}")
        host = "127.0.0.1"
        if args.delay_ms > 0:
            relay = start_relay([port, *range(first_passive, first_passive + PASSIVE_PORTS)], args.delay_ms, trace)
            host = CLIENT_HOST
        pub = os.path.join(folder, "root", "pub")
        local = os.path.join(folder, "local")
        paths, expected = make_set(local, "holiday", args.files, args.size_kib << 10)
        sent = [os.path.join(pub, os.path.basename(path)) for path in paths]

        def window(connections):
            sending = [argument for path in paths for argument in ("--send", path)]
            return [driver, "--server", f"{host}:{port}", "--user", USER, "--password", PASSWORD, "--enter", "pub/",
                    *sending, "--connections", str(connections)]

        n = args.connections
        ours = f"window, {n} at once"
        clients = [Client(ours, window(n), sent, lambda output: windows.setdefault(ours, []).append(json.loads(output))),
                   Client("window, 1 at a time", window(1), sent,
                          lambda output: windows.setdefault("one", []).append(json.loads(output))),
                   Client("curl -T", ["curl", "-sS", "-u", f"{USER}:{PASSWORD}", "-T", "{" + ",".join(paths) + "}",
                                      f"ftp://{host}:{port}/pub/"], sent)]
        if shutil.which("lftp"):
            clients.append(Client(f"lftp mput -P {n}", [
                "lftp", "-u", f"{USER},{PASSWORD}", "-p", str(port), "-e",
                f"set ftp:ssl-allow no; set ftp:prefer-epsv yes; set cmd:fail-exit yes; "
                f"mput -P {n} -O pub/ {' '.join(paths)}; bye", host], sent))
        if shutil.which("rclone"):
            obscured = subprocess.run(["rclone", "obscure", PASSWORD], check=True, capture_output=True,
                                      text=True).stdout.strip()
            clients.append(Client(f"rclone copy --transfers {n}", [
                "rclone", "--config", os.path.join(folder, "rclone.conf"), "copy", "--transfers", str(n), local,
                f":ftp,host={host},port={port},user={USER},pass={obscured}:pub"], sent))
        seconds, _ = run_rounds(clients, args.rounds, expected)
        if relay:
            for client in clients:
                traces[client.name] = traced(client.command, trace, 2 * args.delay_ms / 1000)
                for path in client.files:
                    os.remove(path)
        for process in (relay, server):
            if process:
                process.terminate()
                process.wait()
        relay = server = None
        sftp_seconds = sftp_set(args, driver, paths, expected, os.path.join(folder, "sftp"), windows)
    finally:
        for process in (relay, server):
            if process:
                process.terminate()
                process.wait()
        shutil.rmtree(folder, ignore_errors=True)

    where = f"behind a relay adding {args.delay_ms:g} ms each way" if args.delay_ms > 0 else "straight on loopback"
    print(f"A set of {args.files} pictures of {args.size_kib} KiB to vsftpd on 127.0.0.1, {where}; whole processes, "
          f"log-on included; {args.rounds} rounds after a warm-up, order turning, every file checked by hash. {RATIOS}")
    ours_median = statistics.median(seconds[ours])
    for name, times in seconds.items():
        ratio = "" if name == ours else f"  ratio {statistics.median(times) / ours_median:.2f}"
        print(f"  {name:<26} {spread(times)}{ratio}")
    for peer in ("lftp", "rclone"):
        if not shutil.which(peer):
            print(f"  {peer}: not installed, its row skipped")
    runs = windows[ours][1:]
    alone = statistics.median(run["seconds"] for run in runs)
    peers = [name for name in seconds if not name.startswith("window")]
    against = ", ".join(f"{name} {statistics.median(seconds[name]) / alone:.2f}" for name in peers)
    print(f"  the window's \"Send\" alone, {n} at once, from the click to the last file in place: {alone:.3f} s "
          f"(median; its log-on, listing and folder change not counted); against the peers' whole processes: {against}")
    for name, (verbs, connections, trips) in traces.items():
        total = sum(verbs.values())
        common = ", ".join(f"{verb} {count}" for verb, count in verbs.most_common(9))
        print(f"  {name:<26} {total:4d} commands in {trips} round trips, {trips / args.files:.1f} a file, on "
              f"{connections} control connections: {common}")
    sftp_ours = f"window over SFTP, {n} at once"
    sftp_alone = statistics.median(run["seconds"] for run in windows[sftp_ours][1:])
    print(f"  the same set over SFTP (sshd {where}), whole processes, log-on included:")
    sftp_median = statistics.median(sftp_seconds[sftp_ours])
    for name, times in sftp_seconds.items():
        ratio = "" if name == sftp_ours else f"  ratio {statistics.median(times) / sftp_median:.2f}"
        print(f"  {name:<26} {spread(times)}{ratio}")
    if not shutil.which("rclone"):
        print("  rclone copy over SFTP: rclone is not installed, row skipped")
    print(f"  the window's \"Send\" alone over SFTP: {sftp_alone:.3f} s (median); against the peers' whole processes: "
          + ", ".join(f"{name} {statistics.median(times) / sftp_alone:.2f}" for name, times in sftp_seconds.items()
                      if name != sftp_ours))
    runs += windows[sftp_ours][1:]
    stall = max(run["longest_stall_ms"] for run in runs)
    print(f"  longest the user-interface thread left its event loop unserved: {stall} ms (target <= 50)")
    print(f"  uptime before: {load_before}")
    print(f"  uptime after:  {subprocess.run(['uptime'], capture_output=True, text=True).stdout.strip()}")

    failures = []
    targets = {"curl -T": 2.0 if args.delay_ms > 0 else 1.0}
    targets.update({name: 1.1 if args.delay_ms > 0 and name.startswith("lftp") else 1.0
                    for name in seconds if name.startswith(("lftp", "rclone"))})
    for name, least in targets.items():
        ratio = statistics.median(seconds[name]) / alone
        if ratio < least:
            failures.append(f"{ratio:.2f} against {name} (target {least})")
    for name, times in sftp_seconds.items():
        ratio = statistics.median(times) / sftp_alone
        if name != sftp_ours and ratio < 1.0:
            failures.append(f"{ratio:.2f} against {name} over SFTP (target 1.0)")
    if stall > 50:
        failures.append(f"the event loop went unserved {stall} ms")
    if failures:
        print("MISSED: " + "; ".join(failures))
        return 1
    print("All targets met.")
    return 0


def sftp_set(args, driver, paths, expected, place, windows):
    """The set over SFTP to sshd behind the relay (its port alone): the seconds of each client's rounds."""
    os.makedirs(place)
    server = relay = None
    try:
        server, port, state = start_server(place, "sshd", "--user", "root")
        host = "127.0.0.1"
        if args.delay_ms > 0:
            relay = start_relay([port], args.delay_ms)
            host = CLIENT_HOST
        key = os.path.join(state, "client_key")
        # The window takes the user's key from ~/.ssh, and the host key from its trust file.
        home = os.path.join(place, "home")
        os.makedirs(os.path.join(home, ".ssh"))
        shutil.copy(key, os.path.join(home, ".ssh", "id_ed25519"))
        trust = os.path.join(place, "trusted.lbr")
        with open(trust, "w") as f:
            host_key = fingerprint(["ssh-keygen", "-l", "-E", "sha256", "-f", os.path.join(state, "host_key.pub")])
            f.write(f"sftp://{host}:{port} {host_key}\r\n")
        environment = dict(os.environ, HOME=home)
        served = os.path.join(place, "root")
        sent = [os.path.join(served, os.path.basename(path)) for path in paths]
        n = args.connections
        ours = f"window over SFTP, {n} at once"
        window = [driver, "--server", f"sftp://{host}:{port}", "--user", "root", "--password", "unused",
                  "--trust-file", trust, *[argument for path in paths for argument in ("--send", path)],
                  "--connections", str(n)]
        batch = "".join(f'put "{path}"\n' for path in paths)
        clients = [Client(ours, window, sent, lambda output: windows.setdefault(ours, []).append(json.loads(output))),
                   Client("sftp -b (one batch)", ["sftp", "-q", "-i", key, "-o", "StrictHostKeyChecking=no", "-o",
                                                  "UserKnownHostsFile=/dev/null", "-P", str(port), "-b", "-",
                                                  f"root@{host}"], sent, stdin=batch)]
        if shutil.which("rclone"):
            clients.append(Client(f"rclone copy --transfers {n}", [
                "rclone", "--config", os.path.join(place, "rclone.conf"), "copy", "--transfers", str(n),
                os.path.dirname(paths[0]),
                f":sftp,host={host},port={port},user=root,key_file={key},shell_type=none,disable_hashcheck=true:"],
                sent))
        return run_rounds(clients, args.rounds, expected, environment)[0]
    finally:
        for process in (relay, server):
            if process:
                process.terminate()
                process.wait()


if __name__ == "__main__":
    sys.exit(main())
