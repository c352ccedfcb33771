#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
# FTP transfer component against curl and lftp, on one vsftpd on 127.0.0.1, in one run. Every client is a
# process of its own, timed the same way from its start to its exit; the order of the clients turns every
# round, the first round only warms up and is dropped, and every file that moved is checked by its hash.
# Every ratio is the peer's time / ours: above 1 we are faster.
#   - PUT and GET of a large file (1 GiB): the component (bench_ftp_transfer, driven as the FTP window drives
#     it) against `curl -T`, `curl -o`, `lftp put` and `lftp get` (target >= 1.3 against curl), its peak
#     memory growth (target < 64 MiB) and its user-interface thread's processor time as a share of the
#     transfer's time (target < 5 %); every speed also as a share of loopback TCP's (bench_loopback_tcp), the
#     ceiling no client on 127.0.0.1 can pass;
#   - the same over FTP with TLS ("ftpes", vsftpd with AUTH TLS) against curl (GET >= 1.0, PUT >= 0.9), and
#     over SFTP (OpenSSH's sshd, log-on by key) against OpenSSH's sftp (GET >= 0.9, PUT >= 1.0), curl shown
#     beside; no round of ours more than 1.5 times our median;
#   - small files: a log-on and then 1 MiB GET and PUT in turn on the kept connection, against curl doing
#     the same in one invocation (target >= 1.0), and no round more than 0.5 s slower than curl's slowest (a
#     stall on the kept connection shows here);
#   - DIR of a folder of 50,000 entries, log-on to the full reply read through GetChunk, against curl
#     listing the same folder (target >= 1.0).
# Exits non-zero when a target is missed. Needs root (vsftpd, sshd), curl, lftp, sftp (scripts/install-deps.sh).
# --parts picks what runs: "ftp" (large files), "ftps", "sftp", "small", "dir"; all by default. With --delay-ms the
# small files and the listing go through bench/delay_relay.py, which delays each direction by that much (a distant
# server: 20 gives a 40 ms round trip).
#
#   /usr/bin/python3 bench/ftp_transfer.py [--build-dir build] [--folder DIR] [--rounds 7] [--size-mib 1024]
#                                          [--small-rounds 30] [--small-pairs 3] [--entries 50000]
#                                          [--parts ftp,ftps,sftp,small,dir] [--delay-ms 0]
import argparse
import hashlib
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
# Each large transfer's peer and the least ratio (the peer's time / ours) that meets its target.
LARGE_TARGETS = {"FTP PUT": ("curl -T", 1.3), "FTP GET": ("curl -o", 1.3), "FTPS PUT": ("curl -T", 0.9),
                 "FTPS GET": ("curl -o", 1.0), "SFTP PUT": ("sftp put", 1.0), "SFTP GET": ("sftp get", 0.9)}


def start_server(folder, kind, *options):
    """The fixture's server of that kind serving folder/root; its process, port and state folder."""
    root, state = os.path.join(folder, "root"), os.path.join(folder, "state")
    os.makedirs(root)
    os.makedirs(state, exist_ok=True)
    server = subprocess.Popen(["/usr/bin/python3", SERVER_SCRIPT, kind, "--root", root, "--state", state, *options],
                              stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
    port = int(server.stdout.readline() or 0)
    greeting = b"SSH-" if kind == "sshd" else b"220"
    deadline = time.monotonic() + 15
    while port and time.monotonic() < deadline and server.poll() is None:
        try:
            with socket.create_connection(("127.0.0.1", port), timeout=2) as probe:
                if probe.recv(64).startswith(greeting):
                    return server, port, state
        except OSError:
            time.sleep(0.05)
    server.kill()
    sys.exit(f"{kind} did not start: {server.stderr.read()}")


def fingerprint(command):
    """The last field of "sha256 Fingerprint=AB:..." or the second of "256 SHA256:... (ED25519)"."""
    out = subprocess.run(command, check=True, capture_output=True, text=True).stdout.strip()
    return out.split("=", 1)[1] if "=" in out else out.split()[1]


def make_file(path, size):
    chunk = os.urandom(min(size, 64 << 20))
    with open(path, "wb") as f:
        for _ in range(size // len(chunk)):
            f.write(chunk)
        f.write(chunk[: size % len(chunk)])


def make_set(folder, stem, count, size):
    """count files of size bytes named stem-00.jpg, stem-01.jpg, ... with the same bytes: their paths and digest."""
    os.makedirs(folder)
    paths = [os.path.join(folder, f"{stem}-{i:02d}.jpg") for i in range(count)]
    make_file(paths[0], size)
    for path in paths[1:]:
        shutil.copyfile(paths[0], path)
    return paths, digest(paths[0])


def digest(path):
    hasher = hashlib.blake2b()
    with open(path, "rb") as f:
        while block := f.read(4 << 20):
            hasher.update(block)
    return hasher.hexdigest()


def check(paths, expected):
    """Every file that moved holds the bytes it should, and is removed for the next round."""
    for path in paths:
        if digest(path) != expected:
            sys.exit(f"{path} differs from its source")
        os.remove(path)


def timed(command, stdin=None, environment=None):
    """Seconds from the start of a client's process to its exit, and its standard output. Dirty pages of the
    round before are written out first."""
    os.sync()
    start = time.monotonic()
    done = subprocess.run(command, capture_output=True, text=True, input=stdin, env=environment)
    if done.returncode != 0:
        sys.exit(f"{command[0]} ended with {done.returncode}: {done.stderr.strip()}")
    return time.monotonic() - start, done.stdout


class Client:
    def __init__(self, name, command, files=(), after=None, stdin=None):
        self.name, self.command, self.files, self.after, self.stdin = name, command, files, after, stdin


def run_rounds(clients, rounds, expected, environment=None):
    """Runs every client once a round, in an order that turns each round; round 0 is dropped."""
    seconds = {client.name: [] for client in clients}
    outputs = {client.name: [] for client in clients}
    for round in range(rounds + 1):
        turn = round % len(clients)
        for client in clients[turn:] + clients[:turn]:
            took, output = timed(client.command, client.stdin, environment)
            if expected:
                check(client.files, expected)
            if client.after:
                client.after(output)
            if round > 0:
                seconds[client.name].append(took)
                outputs[client.name].append(output)
    return seconds, outputs


def spread(values):
    return f"min {min(values):7.3f}  median {statistics.median(values):7.3f}  max {max(values):7.3f} s"


RATIOS = "Ratios are the peer's time / ours (above 1: we are faster)."


def loopback_ceiling(build_dir, mib):
    """MiB/s through one loopback TCP connection with nothing else to do: no client on 127.0.0.1 can pass it."""
    subprocess.run(["cmake", "--build", build_dir, "--target", "bench_loopback_tcp"], check=True,
                   stdout=subprocess.DEVNULL)
    done = subprocess.run([os.path.join(build_dir, "bench", "bench_loopback_tcp"), "--size-mib", str(int(mib))],
                          check=True, capture_output=True, text=True)
    return json.loads(done.stdout)["mib_per_s"]


def print_throughput(name, results, mib, ceiling):
    """Prints each client's times and speed for one transfer of mib MiB, with the speed as a share of the loopback
    ceiling; returns their medians."""
    print(f"  {name} of {mib:.0f} MiB")
    for who, seconds in results.items():
        speed = mib / statistics.median(seconds)
        print(f"    {who:<10} {spread(seconds)}  {speed:8.1f} MiB/s  {100 * speed / ceiling:5.1f} % of loopback TCP")
    return {who: statistics.median(seconds) for who, seconds in results.items()}


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--build-dir", default=os.path.join(SOURCE, "build"))
    parser.add_argument("--folder", default=os.getcwd(), help="where the temporary files go (the disk tested)")
    parser.add_argument("--rounds", type=int, default=7)
    parser.add_argument("--size-mib", type=int, default=1024)
    parser.add_argument("--small-rounds", type=int, default=30)
    parser.add_argument("--small-pairs", type=int, default=3, help="1 MiB GET and PUT pairs a round")
    parser.add_argument("--entries", type=int, default=50000)
    parser.add_argument("--parts", default="ftp,ftps,sftp,small,dir")
    parser.add_argument("--delay-ms", type=float, default=0, help="small files and listing: each way, via a relay")
    args = parser.parse_args()
    if args.rounds < 7 or args.small_rounds < 1:
        sys.exit("at least 7 rounds")

    parts = set(args.parts.split(","))
    subprocess.run(["cmake", "--build", args.build_dir, "--target", "bench_ftp_transfer"], check=True,
                   stdout=subprocess.DEVNULL)
    driver = os.path.join(args.build_dir, "bench", "bench_ftp_transfer")
    size = args.size_mib << 20
    folder = tempfile.mkdtemp(prefix="lumaport-ftp-bench-", dir=args.folder)
    os.chmod(folder, 0o755)
    servers = []
    failures = []
    large_seconds = {}
    memory, ui_share = [], []
    small_seconds = listing_seconds = None

    def measured(output):
        ours = json.loads(output)
        memory.append(ours["peak_growth_kib"] / 1024)
        ui_share.append(ours["ui_cpu_seconds"] / ours["seconds"])

    def large_files(protocol, source, expected):
        """PUT and GET of source over one protocol, the component against its peers."""
        place = os.path.join(folder, protocol)
        os.makedirs(place)
        local = os.path.join(place, "local")
        os.makedirs(local)
        got = os.path.join(local, "got.bin")
        trust = os.path.join(place, "trusted.lbr")
        environment = dict(os.environ)
        if protocol == "sftp":
            server, port, state = start_server(place, "sshd", "--user", "root")
            servers.append(server)
            served = os.path.join(place, "root")
            key = os.path.join(state, "client_key")
            text, user, password = f"sftp://127.0.0.1:{port}", "root", "unused"
            print_ = fingerprint(["ssh-keygen", "-l", "-E", "sha256", "-f", os.path.join(state, "host_key.pub")])
            # The component takes the user's key from ~/.ssh.
            home = os.path.join(place, "home")
            os.makedirs(os.path.join(home, ".ssh"))
            shutil.copy(key, os.path.join(home, ".ssh", "id_ed25519"))
            environment["HOME"] = home
            url = f"sftp://127.0.0.1:{port}/~/"
            peer_options = ["-u", "root:", "--key", key, "--pubkey", key + ".pub"]
            sftp = ["sftp", "-q", "-i", key, "-o", "StrictHostKeyChecking=no", "-o", "UserKnownHostsFile=/dev/null",
                    "-P", str(port), "-b", "-", "root@127.0.0.1"]
            folder_command = []
        else:
            server, port, state = start_server(place, "vsftpd", *(["--tls"] if protocol == "ftps" else []))
            servers.append(server)
            served = os.path.join(place, "root", "pub")
            text, user, password = f"127.0.0.1:{port}", USER, PASSWORD
            url = f"ftp://127.0.0.1:{port}/pub/"
            peer_options = ["-u", f"{USER}:{PASSWORD}"]
            if protocol == "ftps":
                text = "ftpes://" + text
                cert = os.path.join(state, "cert.pem")
                print_ = fingerprint(["openssl", "x509", "-noout", "-fingerprint", "-sha256", "-in", cert])
                peer_options += ["--ssl-reqd", "--cacert", cert]
            folder_command = ['CD "pub/"']
        if protocol != "ftp":
            with open(trust, "w") as f:
                f.write(f"{text} {print_}\r\n")
        os.link(source, os.path.join(served, "get.bin"))
        put = os.path.join(served, "put.bin")

        def component(*commands):
            arguments = [driver, "--server", text, "--user", user, "--password", password, "--trust-file", trust]
            for command in folder_command + list(commands):
                arguments += ["--command", command]
            return arguments

        def curl(*arguments):
            return ["curl", "-sS", *peer_options, *arguments]

        def lftp(script):
            return ["lftp", "-c", f"set cmd:fail-exit yes; set ftp:ssl-allow no; "
                    f"open -u {USER},{PASSWORD} -p {port} ftp://127.0.0.1; cd pub; {script}"]

        clients = {
            "PUT": [Client("component", component(f'PUT "{source}" "put.bin"'), [put], measured),
                    Client("curl -T", curl("-T", source, url + "put.bin"), [put])],
            "GET": [Client("component", component(f'GET "get.bin" "{got}"'), [got], measured),
                    Client("curl -o", curl("-o", got, url + "get.bin"), [got])],
        }
        if protocol == "ftp":
            clients["PUT"].append(Client("lftp put", lftp(f"put {source} -o put.bin"), [put]))
            clients["GET"].append(Client("lftp get", lftp(f"get get.bin -o {got}"), [got]))
        if protocol == "sftp":
            clients["PUT"].append(Client("sftp put", sftp, [put], stdin=f'put "{source}" put.bin\n'))
            clients["GET"].append(Client("sftp get", sftp, [got], stdin=f'get get.bin "{got}"\n'))
        for name, group in clients.items():
            large_seconds[f"{protocol.upper()} {name}"] = run_rounds(group, args.rounds, expected,
                                                                    environment)[0]
        os.remove(os.path.join(served, "get.bin"))

    try:
        if parts & {"ftp", "ftps", "sftp"}:
            source = os.path.join(folder, "source.bin")
            make_file(source, size)
            expected = digest(source)
            for protocol in ("ftp", "ftps", "sftp"):
                if protocol in parts:
                    large_files(protocol, source, expected)
            os.remove(source)

        host = "127.0.0.1"
        if args.delay_ms > 0:
            from delay_relay import CLIENT_HOST, PASSIVE_PORTS, free_range, start_relay
            passive = free_range(PASSIVE_PORTS)
            server, port, _ = start_server(os.path.join(folder, "other"), "vsftpd", "--pasv-ports",
                                           f"{passive}-{passive + PASSIVE_PORTS - 1}")
            servers.append(server)
            servers.append(start_relay([port, *range(passive, passive + PASSIVE_PORTS)], args.delay_ms))
            host = CLIENT_HOST
        else:
            server, port, _ = start_server(os.path.join(folder, "other"), "vsftpd")
            servers.append(server)
        pub = os.path.join(folder, "other", "root", "pub")
        url = f"ftp://{host}:{port}/pub/"
        local = os.path.join(folder, "other", "local")
        os.makedirs(local)

        def component(*commands):
            arguments = [driver, "--server", f"{host}:{port}", "--user", USER, "--password", PASSWORD]
            for command in commands:
                arguments += ["--command", command]
            return arguments

        def curl(*arguments):
            return ["curl", "-sS", "-u", f"{USER}:{PASSWORD}", *arguments]

        # Small files on a kept connection.
        if "small" in parts:
            small = os.path.join(local, "small.bin")
            make_file(small, 1 << 20)
            small_expected = digest(small)
            shutil.copy(small, os.path.join(pub, "small.bin"))
            pairs = range(args.small_pairs)
            ours_files = [os.path.join(local, f"ours{i}.bin") for i in pairs] + \
                         [os.path.join(pub, f"ours{i}.bin") for i in pairs]
            theirs_files = [os.path.join(local, f"theirs{i}.bin") for i in pairs] + \
                           [os.path.join(pub, f"theirs{i}.bin") for i in pairs]
            ours_commands = ['CD "pub/"']
            theirs_command = ["curl", "-sS"]
            for i in pairs:
                ours_commands += [f'GET "small.bin" "{ours_files[i]}"', f'PUT "{small}" "ours{i}.bin"']
                theirs_command += ["-u", f"{USER}:{PASSWORD}", "-o", theirs_files[i], url + "small.bin", "--next",
                                   "-u", f"{USER}:{PASSWORD}", "-T", small, url + f"theirs{i}.bin", "--next"]
            small_clients = [Client("component", component(*ours_commands), ours_files),
                             Client("curl", theirs_command[:-1], theirs_files)]
            small_seconds = run_rounds(small_clients, args.small_rounds, small_expected)[0]

        # A large folder.
        if "dir" in parts:
            big = os.path.join(pub, "big")
            os.makedirs(big)
            for i in range(args.entries):
                open(os.path.join(big, f"picture number {i:06d}.jpg"), "w").close()

            def entries_of_ours(output):
                if json.loads(output)["reply_lines"] != args.entries:
                    sys.exit(f"DIR reply holds {json.loads(output)['reply_lines']} entries, not {args.entries}")

            def entries_of_curl(output):
                if len(output.splitlines()) != args.entries:
                    sys.exit(f"curl listed {len(output.splitlines())} entries, not {args.entries}")

            listing = [Client("component", component('CD "pub/big/"', "DIR"), after=entries_of_ours),
                       Client("curl", curl(url + "big/"), after=entries_of_curl)]
            listing_seconds = run_rounds(listing, args.rounds, None)[0]
    finally:
        for server in servers:
            server.terminate()
            server.wait()
        shutil.rmtree(folder, ignore_errors=True)

    mib = size / (1 << 20)
    print(f"FTP transfer component on 127.0.0.1 (vsftpd; sshd for SFTP); whole processes timed, {args.rounds} "
          f"rounds after a warm-up, order turning, every file checked by hash. {RATIOS}")
    if large_seconds:
        ceiling = loopback_ceiling(args.build_dir, mib)
        print(f"  loopback TCP, two threads and no disk: {ceiling:.1f} MiB/s")
    for name, results in large_seconds.items():
        medians = print_throughput(name, results, mib, ceiling)
        ours = medians["component"]
        target_peer, target = LARGE_TARGETS[name]
        for who in medians:
            if who != "component":
                goal = f"target >= {target:.2f}" if who == target_peer else "no target"
                print(f"    ratio to {who}: {medians[who] / ours:.2f} ({goal})")
        if medians[target_peer] / ours < target:
            failures.append(f"{name} {medians[target_peer] / ours:.2f} of {target_peer}")
        outlier = max(results["component"]) / ours
        print(f"    our slowest round {outlier:.2f} times our median (target <= 1.50)")
        if outlier > 1.5:
            failures.append(f"{name} round at {outlier:.2f} times the median")
    if memory:
        print(f"  peak memory growth: {max(memory):.1f} MiB at most (target < 64)")
        print(f"  user-interface thread processor time: {100 * max(ui_share):.2f} % of the transfer time at most "
              f"(target < 5)")
        if max(memory) >= 64:
            failures.append(f"memory growth {max(memory):.1f} MiB")
        if max(ui_share) >= 0.05:
            failures.append(f"UI thread {100 * max(ui_share):.2f} %")
    report_small_and_dir(args, small_seconds, listing_seconds, failures)
    if failures:
        print("MISSED: " + "; ".join(failures))
        return 1
    print("All targets met.")
    return 0


def report_small_and_dir(args, small_seconds, listing_seconds, failures):
    if small_seconds is not None:
        ours, theirs = small_seconds["component"], small_seconds["curl"]
        ratio = statistics.median(theirs) / statistics.median(ours)
        worst = max(ours) - max(theirs)
        distant = f", {args.delay_ms:g} ms each way through the relay" if args.delay_ms > 0 else ""
        print(f"  small files: log-on, then {args.small_pairs} x (1 MiB GET + 1 MiB PUT) on the kept connection, "
              f"{args.small_rounds} rounds{distant}")
        print(f"    component  {spread(ours)}")
        print(f"    curl       {spread(theirs)}")
        print(f"    ratio to curl {ratio:.2f} (target >= 1.00); slowest round {worst:+.3f} s against curl's slowest "
              f"(target <= +0.500)")
        if ratio < 1.0:
            failures.append(f"small files {ratio:.2f} of curl")
        if worst > 0.5:
            failures.append(f"a small-file round {worst:.3f} s slower than curl's slowest")

    if listing_seconds is None:
        return
    ours, theirs = listing_seconds["component"], listing_seconds["curl"]
    ratio = statistics.median(theirs) / statistics.median(ours)
    print(f"  DIR of {args.entries} entries (log-on to the last chunk)")
    print(f"    component  {spread(ours)}")
    print(f"    curl       {spread(theirs)}")
    print(f"    ratio to curl {ratio:.2f} (target >= 1.00)")
    if ratio < 1.0:
        failures.append(f"DIR {ratio:.2f} of curl")


if __name__ == "__main__":
    sys.exit(main())
