#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
# A set of pictures sent to an S3 bucket (Ceph's RADOS Gateway on a one-node cluster) and to a WebDAV share
# (Apache with mod_dav), and a bucket folder listed, by the transfer component against rclone and curl, all on
# 127.0.0.1 in one run. Every client is a process of its own, timed from its start to its exit; the order of the
# clients turns every round and the first round only warms up. Every ratio is the peer's time / ours: above 1 we
# are faster.
#   - 20 pictures of 2 MiB, log-on to the last object in place: the FTP window's "Send" of the set over
#     --connections at once (bench_ftp_window, driven as a user would) against `rclone copy` with the same number of
#     transfers at once (target >= 1.0) and one `curl --aws-sigv4` process per file (target > 1.0); beside them the
#     component sending one file at a time (bench_ftp_transfer) and `rclone copy --transfers 1`;
#   - a bucket folder of 10,000 objects listed, log-on to the whole reply, against `rclone lsf` (target >= 1.0);
#   - the same set to the WebDAV share against `rclone copy` with as many at once (shown, no target).
# Needs the servers of scripts/install-deps.sh; exits non-zero when a target is missed.
#
#   /usr/bin/python3 bench/storage_set_send.py [--build-dir build] [--rounds 5] [--entries 10000] [--connections 3]
import argparse
import os
import signal
import statistics
import subprocess
import sys
import tempfile
import time

SOURCE = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
SERVERS = os.path.join(SOURCE, "tests", "support", "object_servers.py")
KEY, SECRET = "LUMAPORTBENCHKEY0001", "bench-secret-key"
EMPTY_SHA256 = "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"


def start(kind, folder, *options):
    state = os.path.join(folder, kind)
    os.makedirs(os.path.join(state, "root"), exist_ok=True)
    process = subprocess.Popen(["/usr/bin/python3", SERVERS, kind, "--state", state, "--user", KEY, "--password",
                                SECRET, *options], stdout=subprocess.PIPE, text=True)
    line = process.stdout.readline()
    if not line:
        sys.exit(f"{kind} did not start")
    return process, int(line.split()[0]), state


def timed(command, env=None):
    began = time.monotonic()
    result = subprocess.run(command, capture_output=True, text=True, env=env)
    if result.returncode != 0:
        sys.exit(f"{command[0]} failed: {result.stdout}{result.stderr}")
    return time.monotonic() - began


def ours(build, server, user, password, commands):
    arguments = [os.path.join(build, "bench", "bench_ftp_transfer"), "--server", server, "--user", user,
                 "--password", password]
    for command in commands:
        arguments += ["--command", command]
    return timed(arguments)


def shared_folder(path):
    """A folder of the share the web server (www-data) may write."""
    os.makedirs(path)
    os.chmod(path, 0o777)


def window(build, server, user, password, paths, connections, prepare=None):
    """The FTP window's "Send" of the set, its whole process, log-on included."""
    if prepare:
        prepare()
    sending = [argument for path in paths for argument in ("--send", path)]
    return timed([os.path.join(build, "bench", "bench_ftp_window"), "--server", server, "--user", user, "--password",
                  password, *sending, "--connections", str(connections)], dict(os.environ, QT_QPA_PLATFORM="offscreen"))


def rounds_of(clients, rounds):
    """Each client's median over the rounds after the first, the order turned every round."""
    times = {name: [] for name in clients}
    names = list(clients)
    for round_number in range(rounds + 1):
        turned = names[round_number % len(names):] + names[:round_number % len(names)]
        for name in turned:
            seconds = clients[name](round_number)
            if round_number > 0:
                times[name].append(seconds)
    return {name: statistics.median(values) for name, values in times.items()}


def report(title, medians, ours_name, targets):
    missed = False
    print(title)
    for name, seconds in medians.items():
        line = f"  {name:32} {seconds:7.3f} s"
        if name != ours_name:
            ratio = seconds / medians[ours_name]
            line += f"   ratio {ratio:5.2f}"
            if name in targets:
                wanted, strict = targets[name]
                ok = ratio > wanted if strict else ratio >= wanted
                line += f" (target {'>' if strict else '>='} {wanted}: {'met' if ok else 'MISSED'})"
                missed |= not ok
        print(line)
    return missed


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--build-dir", default=os.path.join(SOURCE, "build"))
    parser.add_argument("--rounds", type=int, default=5)
    parser.add_argument("--entries", type=int, default=10000)
    parser.add_argument("--connections", type=int, default=3)
    args = parser.parse_args()
    n = args.connections
    subprocess.run(["cmake", "--build", args.build_dir, "--target", "bench_ftp_window", "bench_ftp_transfer"],
                   check=True, stdout=subprocess.DEVNULL)
    with open("/proc/loadavg") as f:
        print(f"load average: {' '.join(f.read().split()[:3])} on {os.cpu_count()} processors")
    folder = tempfile.mkdtemp(prefix="lumaport-bench-")
    os.chmod(folder, 0o755)
    servers = []
    try:
        ceph, ceph_port, _ = start("ceph", folder, "--bucket", "pics")
        servers.append(ceph)
        apache, apache_port, _ = start("apache", folder, "--root", os.path.join(folder, "apache", "root"))
        servers.append(apache)
        pictures = os.path.join(folder, "pictures")
        os.makedirs(pictures)
        names = [f"picture-{i:02}.jpg" for i in range(20)]
        for name in names:
            with open(os.path.join(pictures, name), "wb") as f:
                f.write(b"\xff\xd8\xff\xe0" + os.urandom(2 * 1024 * 1024 - 4))
        endpoint = f"http://127.0.0.1:{ceph_port}"
        # An AWS_CA_BUNDLE of the machine's makes rclone fail on a plain-HTTP endpoint.
        plain = {name: value for name, value in os.environ.items() if name != "AWS_CA_BUNDLE"}
        s3_env = dict(plain, RCLONE_CONFIG="/dev/null", RCLONE_S3_PROVIDER="Ceph", RCLONE_S3_ENV_AUTH="false",
                      RCLONE_S3_ENDPOINT=endpoint, RCLONE_S3_ACCESS_KEY_ID=KEY, RCLONE_S3_SECRET_ACCESS_KEY=SECRET)
        puts = [f'PUT "{os.path.join(pictures, name)}" "{name}"' for name in names]

        def curl_each(prefix):
            began = time.monotonic()
            for name in names:
                path = os.path.join(pictures, name)
                digest = subprocess.run(["sha256sum", path], capture_output=True, text=True).stdout.split()[0]
                timed(["curl", "-sSf", "-o", "/dev/null", "--aws-sigv4", "aws:amz:us-east-1:s3", "--user",
                       f"{KEY}:{SECRET}", "-H", f"x-amz-content-sha256: {digest}", "-T", path,
                       f"{endpoint}/pics/{prefix}/{name}"])
            return time.monotonic() - began

        paths = [os.path.join(pictures, name) for name in names]

        def purged(send, prefix):
            """The send timed, then what it left in the bucket removed: the gateway's store lives in memory."""
            def run(r):
                seconds = send(r)
                subprocess.run(["rclone", "purge", f":s3:pics/{prefix(r)}"], env=s3_env, check=True,
                               capture_output=True)
                return seconds
            return run

        ours_name = f"Lumaport, the window's set, {n} at once"
        s3 = rounds_of({
            ours_name: purged(
                lambda r: window(args.build_dir, f"s3+http://127.0.0.1:{ceph_port}/pics/window{r}/", KEY, SECRET,
                                 paths, n), lambda r: f"window{r}"),
            "Lumaport, the component, one at a time": purged(
                lambda r: ours(args.build_dir, f"s3+http://127.0.0.1:{ceph_port}/pics/ours{r}/", KEY, SECRET,
                               ["DIR"] + puts), lambda r: f"ours{r}"),
            f"rclone copy --transfers {n}": purged(
                lambda r: timed(["rclone", "copy", "--transfers", str(n), pictures, f":s3:pics/rclone{n}-{r}"], s3_env),
                lambda r: f"rclone{n}-{r}"),
            "rclone copy --transfers 1": purged(
                lambda r: timed(["rclone", "copy", "--transfers", "1", pictures, f":s3:pics/rclone1-{r}"], s3_env),
                lambda r: f"rclone1-{r}"),
            "curl --aws-sigv4, one per file": purged(lambda r: curl_each(f"curl{r}"), lambda r: f"curl{r}"),
        }, args.rounds)
        missed = report("20 pictures of 2 MiB to the bucket, log-on to the last object:", s3, ours_name,
                        {f"rclone copy --transfers {n}": (1.0, False), "curl --aws-sigv4, one per file": (1.0, True)})

        many = os.path.join(folder, "many")
        os.makedirs(many)
        for i in range(args.entries):
            with open(os.path.join(many, f"entry-{i:05}.jpg"), "wb") as f:
                f.write(b"x")
        timed(["rclone", "copy", "--transfers", "16", many, ":s3:pics/many"], s3_env)
        listing = rounds_of({
            "Lumaport (bench_ftp_transfer)":
                lambda r: ours(args.build_dir, f"s3+http://127.0.0.1:{ceph_port}/pics/many/", KEY, SECRET, ["DIR"]),
            "rclone lsf": lambda r: timed(["rclone", "lsf", ":s3:pics/many"], s3_env),
        }, args.rounds)
        missed |= report(f"a bucket folder of {args.entries} objects listed:", listing,
                         "Lumaport (bench_ftp_transfer)", {"rclone lsf": (1.0, False)})

        obscured = subprocess.run(["rclone", "obscure", SECRET], capture_output=True, text=True).stdout.strip()
        dav_env = dict(os.environ, RCLONE_CONFIG="/dev/null", RCLONE_WEBDAV_URL=f"http://127.0.0.1:{apache_port}/dav",
                       RCLONE_WEBDAV_USER=KEY, RCLONE_WEBDAV_PASS=obscured)
        dav_root = os.path.join(folder, "apache", "root")
        dav = rounds_of({
            ours_name:
                lambda r: window(args.build_dir, f"dav://127.0.0.1:{apache_port}/dav/window{r}/", KEY, SECRET, paths,
                                 n, lambda: shared_folder(os.path.join(dav_root, f"window{r}"))),
            "Lumaport, the component, one at a time":
                lambda r: ours(args.build_dir, f"dav://127.0.0.1:{apache_port}/dav/", KEY, SECRET,
                               ["DIR", f'MKDIR "ours{r}"', f'CD "ours{r}"'] + puts),
            f"rclone copy --transfers {n}":
                lambda r: timed(["rclone", "copy", "--transfers", str(n), pictures, f":webdav:rclone{n}-{r}"], dav_env),
            "rclone copy --transfers 1":
                lambda r: timed(["rclone", "copy", "--transfers", "1", pictures, f":webdav:rclone1-{r}"], dav_env),
        }, args.rounds)
        report("the same set to the WebDAV share (Apache):", dav, ours_name, {})
        return 1 if missed else 0
    finally:
        for server in servers:
            server.send_signal(signal.SIGTERM)
            server.wait()


if __name__ == "__main__":
    sys.exit(main())
