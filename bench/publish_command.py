#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
# "lumaport publish" of 20 pictures against one curl process sending the same files, on the demo's kind of server
# (pyftpdlib with a user and password, Python's web server showing the same folder) on 127.0.0.1: whole processes
# timed, start-up included, rounds after a warm-up, order turning, every file checked by hash. The ratio is
# curl's time / ours (above 1 we are faster); the target is within 1.2 times curl's time (ratio >= 0.83), though
# the command line also checks every link from the web side and keeps each file in the history, which curl
# doesn't. Exits non-zero when it is missed.
#
#   /usr/bin/python3 bench/publish_command.py [--build-dir build] [--folder DIR] [--rounds 5] [--files 20]
#                                             [--size-kib 500]
import argparse
import os
import shutil
import statistics
import subprocess
import sys
import tempfile

sys.dont_write_bytecode = True  # no cache folder beside the sources
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from ftp_transfer import RATIOS, SOURCE, Client, make_set, run_rounds, spread, start_server  # noqa
from ftp_window import start_web_server  # noqa

USER, PASSWORD = "demo", "demo-password"


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--build-dir", default=os.path.join(SOURCE, "build"))
    parser.add_argument("--folder", default=os.getcwd(), help="where the temporary files go (the disk tested)")
    parser.add_argument("--rounds", type=int, default=5)
    parser.add_argument("--files", type=int, default=20)
    parser.add_argument("--size-kib", type=int, default=500)
    args = parser.parse_args()

    subprocess.run(["cmake", "--build", args.build_dir, "--target", "lumaport"], check=True,
                   stdout=subprocess.DEVNULL)
    folder = tempfile.mkdtemp(prefix="lumaport-publish-bench-", dir=args.folder)
    server = web = None
    try:
        server, port, state = start_server(folder, "pyftpdlib", "--user", USER, "--password", PASSWORD,
                                           "--command-log", os.path.join(folder, "commands.log"))
        root = os.path.join(folder, "root")
        web, web_port = start_web_server(root)
        # A copy of its own keeps its settings and history beside it, away from the build's.
        program = os.path.join(folder, "program")
        os.makedirs(program)
        shutil.copy2(os.path.join(args.build_dir, "lumaport"), program)
        paths, expected = make_set(os.path.join(folder, "local"), "shot", args.files, args.size_kib << 10)
        sent = [os.path.join(root, os.path.basename(path)) for path in paths]

        # Sent again each round: the files are gone from the server by then, as the rounds' check removes them.
        publish = [os.path.join(program, "lumaport"), "publish", "--server", f"127.0.0.1:{port}", "--user", USER,
                   "--web-address", f"http://127.0.0.1:{web_port}", "--send-again", *paths]
        curl = ["curl", "-sS", "-u", f"{USER}:{PASSWORD}", "-w", "%{time_total}\\n", "-T", "{" + ",".join(paths) + "}",
                f"ftp://127.0.0.1:{port}/"]
        lines, waits = [], []
        clients = [Client("lumaport publish", publish, sent, lambda output: lines.append(output.split())),
                   Client("curl -T", curl, sent,
                          lambda output: waits.append(sum(float(took) > 0.5 for took in output.split())))]
        environment = {key: value for key, value in os.environ.items()
                       if key not in ("DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM")}
        environment["LUMAPORT_PASSWORD"] = PASSWORD
        seconds, _ = run_rounds(clients, args.rounds, expected, environment)
    finally:
        for process in (server, web):
            if process:
                process.terminate()
                process.wait()
        shutil.rmtree(folder, ignore_errors=True)

    ours = statistics.median(seconds["lumaport publish"])
    ratio = statistics.median(seconds["curl -T"]) / ours
    best = min(seconds["curl -T"]) / min(seconds["lumaport publish"])
    waits = waits[1:]  # the warm-up's
    print(f"{args.files} pictures of {args.size_kib} KiB published on pyftpdlib with Python's web server, 127.0.0.1; "
          f"whole processes, start-up included, {args.rounds} rounds after a warm-up, order turning, every file "
          f"checked by hash. {RATIOS}")
    print(f"  lumaport publish  {spread(seconds['lumaport publish'])}  (its connections, the 20 links checked, "
          f"the history kept)")
    print(f"  curl -T           {spread(seconds['curl -T'])}  (one connection, nothing checked)")
    # curl waits a second for the server's word after some of the files it sends to this server.
    print(f"  curl waited about a second after {statistics.median(waits):.0f} of its {args.files} files (median of "
          f"the rounds; {max(waits)} at most)")
    print(f"  ratio {ratio:.2f} against curl -T (target >= 0.83: within 1.2 times its time); best round against "
          f"best round: {best:.2f} (no target)")
    uptime = subprocess.run(["uptime"], capture_output=True, text=True).stdout.strip()
    print(f"  uptime: {uptime} (a shared machine)")
    failures = []
    if any(len(printed) != args.files for printed in lines):
        failures.append("a run did not print a link per file")
    if ratio < 1 / 1.2:
        failures.append(f"publishing at {ratio:.2f} of curl")
    if failures:
        print("MISSED: " + "; ".join(failures))
        return 1
    print("All targets met.")
    return 0


if __name__ == "__main__":
    sys.exit(main())
