#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
# Several pictures in one "Send", against one curl process sending the same files, on one vsftpd on 127.0.0.1;
# whole processes timed, rounds after a warm-up, order turning, every file checked by hash. Every ratio is the
# peer's time / ours: above 1 we are faster.
#   - 20 pictures of 2 MiB against `curl -T "{a,b,...}" ftp://.../pub/`, both on one kept connection: inner
#     timers, the window's "Log On" to its last rename (each file under a temporary name, then renamed) against
#     the sum of curl's own times of its transfers (-w "%{time_total}": its log on to its last STOR) (target
#     >= 1.00); like for like, also against one curl process sending each file under a temporary name and renaming
#     it after (-Q "-RNFR ..." -Q "-RNTO ..." and --next for each file, on its one kept connection) (no target);
#     and whole processes (no target: the window's process starts Qt and lists the folders too);
#   - the same set with Python's web server showing the folder: what the check of its 20 links, several at a
#     time, adds after the send's wait until "Links work: 20 of 20" (target < 100 ms);
#   - the longest the user-interface thread went without serving its event loop during a set's send
#     (target <= 50 ms).
# Exits non-zero when a target is missed. Needs root (vsftpd) and curl (scripts/install-deps.sh).
# With --screenshot PATH (under a display, such as xvfb-run) it instead sends a set of four with the window shown,
# presses "URL with Tags", and takes a picture of the screen once the links are checked.
#
#   /usr/bin/python3 bench/ftp_set_send.py [--build-dir build] [--folder DIR] [--rounds 5] [--files 20]
#                                          [--size-mib 2] [--connections 3] [--screenshot PATH]
import argparse
import json
import os
import shutil
import statistics
import subprocess
import sys
import tempfile

sys.dont_write_bytecode = True  # no cache folder beside the sources
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from ftp_transfer import PASSWORD, RATIOS, SOURCE, USER, Client, make_set, run_rounds, spread, start_server  # noqa
from ftp_window import start_web_server  # noqa


def screenshot(command, path):
    """Runs the window shown until its links are checked, then photographs the screen and ends it."""
    if not os.environ.get("DISPLAY"):
        sys.exit("--screenshot needs a display: run it under xvfb-run -a -s \"-screen 0 1280x1024x24\"")
    shown = subprocess.Popen([*command, "--show", "--stay"], stdout=subprocess.PIPE, text=True,
                             env={**os.environ, "QT_QPA_PLATFORM": "xcb"})
    try:
        print(shown.stdout.readline().strip())
        subprocess.run(["import", "-window", "root", path], check=True)
    finally:
        shown.terminate()
        shown.wait()
    print(f"screenshot: {path}")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--build-dir", default=os.path.join(SOURCE, "build"))
    parser.add_argument("--folder", default=os.getcwd(), help="where the temporary files go (the disk tested)")
    parser.add_argument("--rounds", type=int, default=5)
    parser.add_argument("--files", type=int, default=20)
    parser.add_argument("--size-mib", type=int, default=2)
    parser.add_argument("--connections", type=int, default=3, help="the window's sends at once")
    parser.add_argument("--screenshot", help="take a picture of a set of four sent instead of measuring")
    args = parser.parse_args()

    subprocess.run(["cmake", "--build", args.build_dir, "--target", "bench_ftp_window"], check=True,
                   stdout=subprocess.DEVNULL)
    driver = os.path.join(args.build_dir, "bench", "bench_ftp_window")
    if not args.screenshot:
        os.environ["QT_QPA_PLATFORM"] = "offscreen"
    count = 4 if args.screenshot else args.files
    folder = tempfile.mkdtemp(prefix="lumaport-set-bench-", dir=args.folder)
    os.chmod(folder, 0o755)
    server = web = None
    failures = []
    sends, checks = [], []
    try:
        server, port, _ = start_server(folder, "vsftpd")
        root = os.path.join(folder, "root")
        pub = os.path.join(root, "pub")
        url = f"ftp://127.0.0.1:{port}/pub/"
        paths, expected = make_set(os.path.join(folder, "local"), "holiday", count, args.size_mib << 20)
        sent = [os.path.join(pub, os.path.basename(path)) for path in paths]

        def window(*arguments):
            sending = [argument for path in paths for argument in ("--send", path)]
            return [driver, "--server", f"127.0.0.1:{port}", "--user", USER, "--password", PASSWORD,
                    "--enter", "pub/", *sending, "--connections", str(args.connections), *arguments]

        if args.screenshot:
            web, web_port = start_web_server(root)
            screenshot(window("--web", f"127.0.0.1:{web_port}", "--tags"), args.screenshot)
            return 0

        curl = ["curl", "-sS", "-u", f"{USER}:{PASSWORD}", "-w", "%{time_total}\\n", "-T",
                "{" + ",".join(paths) + "}", url]
        renaming = ["curl", "-sS"]
        for path in paths:
            name = os.path.basename(path)
            renaming += ["-u", f"{USER}:{PASSWORD}", "-w", "%{time_total}\\n", "-Q", f"-RNFR .{name}.part", "-Q",
                         f"-RNTO {name}", "-T", path, f"{url}.{name}.part", "--next"]
        renaming.pop()
        curl_inner, renaming_inner = [], []
        clients = [Client("window", window(), sent, lambda output: sends.append(json.loads(output))),
                   Client("curl -T", curl, sent, lambda output: curl_inner.append(sum(map(float, output.split())))),
                   Client("curl -T, renamed", renaming, sent,
                          lambda output: renaming_inner.append(sum(map(float, output.split()))))]
        seconds, _ = run_rounds(clients, args.rounds, expected)

        web, web_port = start_web_server(root)
        link = Client("window", window("--web", f"127.0.0.1:{web_port}"), sent,
                      lambda output: checks.append(json.loads(output)))
        run_rounds([link], args.rounds, expected)
    finally:
        for process in (server, web):
            if process:
                process.terminate()
                process.wait()
        shutil.rmtree(folder, ignore_errors=True)

    print(f"A set of {count} pictures of {args.size_mib} MiB on vsftpd, 127.0.0.1, one kept connection each; "
          f"{args.rounds} rounds after a warm-up, order turning, every file checked by hash. {RATIOS}")
    sends = sends[1:]  # the warm-up's
    inner = [run["log_on_to_last_sent_seconds"] for run in sends]
    curl_inner = curl_inner[1:]  # the warm-up's
    renaming_inner = renaming_inner[1:]
    print("  log on to the last file in place (inner timers):")
    print(f"    window            {spread(inner)}  (also lists the log-on folder and pub/; each file under a "
          f"temporary name, then renamed)")
    print(f"    curl -T           {spread(curl_inner)}  (each file under its name)")
    print(f"    curl -T, renamed  {spread(renaming_inner)}  (each file under a temporary name, then renamed)")
    ratio = statistics.median(curl_inner) / statistics.median(inner)
    like = statistics.median(renaming_inner) / statistics.median(inner)
    alone = statistics.median(run["seconds"] for run in sends)
    print(f"    ratio {ratio:.2f} against curl -T (target >= 1.00); like for like, against curl -T, renamed: "
          f"{like:.2f} (no target)")
    print(f"    the window's \"Send\" alone {alone:.3f} s (median)")
    print("  whole processes:")
    print(f"    window            {spread(seconds['window'])}  (starts Qt and its windows)")
    print(f"    curl -T           {spread(seconds['curl -T'])}")
    print(f"    curl -T, renamed  {spread(seconds['curl -T, renamed'])}")
    for peer in ("curl -T", "curl -T, renamed"):
        whole = statistics.median(seconds[peer]) / statistics.median(seconds["window"])
        print(f"    ratio against {peer}: {whole:.2f} (no target)")
    stall = max(run["longest_stall_ms"] for run in sends + checks)
    print(f"  longest the user-interface thread left its event loop unserved during a set's send: {stall} ms "
          f"(target <= 50)")
    added = sorted(1000 * (run["link_seconds"] - run["seconds"]) for run in checks)
    outcome = checks[-1]["link_check"].split("\n")
    print(f"  the check of {count} links, several at a time, adds {statistics.median(added):.1f} ms after the send's "
          f"wait (median, {added[-1]:.1f} at most; target < 100): \"{outcome[0]}\", \"{outcome[-1]}\"")
    uptime = subprocess.run(["uptime"], capture_output=True, text=True).stdout.strip()
    print(f"  uptime: {uptime} (a shared machine)")
    if ratio < 1.0:
        failures.append(f"the set at {ratio:.2f} of curl")
    if stall > 50:
        failures.append(f"the event loop went unserved {stall} ms")
    if statistics.median(added) >= 100:
        failures.append(f"the link check added {statistics.median(added):.1f} ms")
    if any(not run["link_check"].startswith(f"Links work: {count} of {count}") for run in checks):
        failures.append("a link check did not say every link works")
    if failures:
        print("MISSED: " + "; ".join(failures))
        return 1
    print("All targets met.")
    return 0


if __name__ == "__main__":
    sys.exit(main())
