#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
# Starts an S3 or WebDAV server on free loopback ports for the tests and benchmarks, prints its port on the
# first line of standard output once it answers, and stays in the foreground: SIGTERM ends the servers it
# started, by process id, and waits until they are gone.
#   object_servers.py ceph --state DIR --user KEY --password SECRET [--bucket NAME]
#       A one-node Ceph cluster in DIR (one monitor, one OSD on memory, no authentication between daemons)
#       with the RADOS Gateway answering S3 on 127.0.0.1; KEY and SECRET are a user's access key and secret,
#       who owns the bucket NAME. The gateway answers on two ports, printed on the first line: plain HTTP, and
#       HTTPS with a self-signed certificate for localhost and 127.0.0.1 (DIR/cert.pem).
#   object_servers.py apache --root DIR --state DIR --user NAME --password WORD [--tls]
#       Apache with mod_dav on a configuration of its own: DIR under /dav/ for NAME (Basic authentication)
#       and read by anyone under /web/, as a published folder's web side. Started by root, it serves as
#       www-data and DIR and the state folder are given to that user.
#   object_servers.py rclone --root DIR --user NAME --password WORD [--tls --state DIR]
#       rclone serve webdav on DIR.
import argparse
import os
import signal
import socket
import subprocess
import sys
import time
import urllib.error
import urllib.request
import uuid

children = []


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def make_certificate(folder):
    cert = os.path.join(folder, "cert.pem")
    key = os.path.join(folder, "key.pem")
    subprocess.run(["openssl", "req", "-x509", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:P-256", "-nodes",
                    "-keyout", key, "-out", cert, "-days", "2", "-subj", "/CN=localhost", "-addext",
                    "subjectAltName=DNS:localhost,IP:127.0.0.1"], check=True, capture_output=True)
    return cert, key


def end_with_parent():
    # A daemon outlives nothing of ours: when this script is killed outright, the kernel ends its daemons too.
    import ctypes
    ctypes.CDLL("libc.so.6", use_errno=True).prctl(1, signal.SIGTERM)  # PR_SET_PDEATHSIG


def start(command, log):
    out = open(log, "ab")
    process = subprocess.Popen(command, stdout=out, stderr=subprocess.STDOUT, stdin=subprocess.DEVNULL,
                               preexec_fn=end_with_parent)
    children.append(process)
    return process


def stop_children(*_):
    for process in reversed(children):
        if process.poll() is None:
            process.terminate()
    deadline = time.monotonic() + 20
    for process in reversed(children):
        try:
            process.wait(max(0.1, deadline - time.monotonic()))
        except subprocess.TimeoutExpired:
            process.kill()
            process.wait()
    sys.exit(0)


def fail(message, logs=()):
    print(message, file=sys.stderr)
    for log in logs:
        if os.path.exists(log):
            with open(log, errors="replace") as f:
                print(f"--- {log}\n" + "".join(f.readlines()[-30:]), file=sys.stderr)
    stop_children()


def wait_for_http(url, process, seconds, logs, context=None, may_end=False):
    """Returns once the server answers; False when it ended and may_end, else the run fails."""
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        if process.poll() is not None:
            if may_end:
                return False
            fail(f"{process.args[0]} ended with {process.returncode}", logs)
        try:
            urllib.request.urlopen(url, timeout=2, context=context)
            return True
        except urllib.error.HTTPError:
            return True
        except OSError:
            time.sleep(0.2)
    fail(f"nothing answered at {url} within {seconds} s", logs)


def run_checked(command, logs, seconds=60):
    result = subprocess.run(command, capture_output=True, text=True, timeout=seconds)
    if result.returncode != 0:
        fail(f"{' '.join(command)} failed: {result.stdout}{result.stderr}", logs)
    return result.stdout


def unverified():
    import ssl
    return ssl._create_unverified_context()


def run_ceph(args):
    state = os.path.abspath(args.state)
    for sub in ("run", "log", "mon", "osd/ceph-0"):
        os.makedirs(os.path.join(state, sub), exist_ok=True)
    conf = os.path.join(state, "ceph.conf")
    fsid = str(uuid.uuid4())
    mon_port = free_port()
    cert, key = make_certificate(state)
    with open(conf, "w") as f:
        f.write(f"""[global]
fsid = {fsid}
mon host = v2:127.0.0.1:{mon_port}
mon initial members = a
public addr = 127.0.0.1
ms bind msgr1 = false
auth cluster required = none
auth service required = none
auth client required = none
auth allow insecure global id reclaim = true
# Daemons default to the secure mode, which needs a session key that no authentication never makes.
ms mon client mode = crc
run dir = {state}/run
admin socket = {state}/run/$name.asok
pid file = {state}/run/$name.pid
log file = {state}/log/$name.log
keyring = /dev/null
mon data = {state}/mon/$cluster-$id
osd data = {state}/osd/$cluster-$id
osd objectstore = memstore
memstore device bytes = 1073741824
osd pool default size = 1
osd pool default min size = 1
osd pool default pg num = 8
osd pool default pgp num = 8
osd pool default pg autoscale mode = off
mon allow pool size one = true
mon warn on pool no redundancy = false
mon max pg per osd = 1000
osd crush chooseleaf type = 0
osd journal size = 100
setuser match path = {state}
[client.rgw.a]
rgw dns name = localhost
rgw enable usage log = false
""")
    logs = [os.path.join(state, "log", n) for n in ("mon.log", "osd.log", "rgw.log")]
    monmap = os.path.join(state, "monmap")
    run_checked(["monmaptool", "--create", "--fsid", fsid, "--addv", "a", f"[v2:127.0.0.1:{mon_port}]", monmap],
                logs)
    run_checked(["ceph-mon", "-c", conf, "--mkfs", "-i", "a", "--monmap", monmap], logs)
    start(["ceph-mon", "-c", conf, "-f", "-i", "a"], logs[0])
    ceph = ["ceph", "-c", conf, "--connect-timeout", "30"]
    osd_uuid = str(uuid.uuid4())
    osd_id = run_checked(ceph + ["osd", "new", osd_uuid], logs).strip()
    run_checked(["ceph-osd", "-c", conf, "-i", osd_id, "--mkfs", "--osd-uuid", osd_uuid], logs)
    start(["ceph-osd", "-c", conf, "-f", "-i", osd_id], logs[1])
    # The gateway binds its ports seconds after they were found free, time enough for another suite's server or
    # connection to take one: it then starts again on others.
    for attempt in range(5):
        rgw_port, tls_port = free_port(), free_port()
        frontend = (f"beast endpoint=127.0.0.1:{rgw_port} ssl_endpoint=127.0.0.1:{tls_port} ssl_certificate={cert} "
                    f"ssl_private_key={key}")
        rgw = start(["radosgw", "-c", conf, "-f", "-n", "client.rgw.a", "--rgw-frontends", frontend], logs[2])
        if wait_for_http(f"http://127.0.0.1:{rgw_port}/", rgw, 120, logs, may_end=True):
            break
        with open(logs[2], errors="replace") as f:
            if attempt == 4 or "Address already in use" not in f.read():
                fail(f"radosgw ended with {rgw.returncode}", logs)
    run_checked(["radosgw-admin", "-c", conf, "-n", "client.rgw.a", "user", "create", "--uid", "lumaport",
                 "--display-name", "Lumaport tests", "--access-key", args.user, "--secret", args.password], logs)
    if args.bucket:
        empty = "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"
        run_checked(["curl", "-sSfk", "-X", "PUT", "--aws-sigv4", "aws:amz:us-east-1:s3", "--user",
                     f"{args.user}:{args.password}", "-H", f"x-amz-content-sha256: {empty}",
                     f"http://127.0.0.1:{rgw_port}/{args.bucket}"], logs)
    return f"{rgw_port} {tls_port}"


def run_apache(args):
    state, root = os.path.abspath(args.state), os.path.abspath(args.root)
    port = free_port()
    users = os.path.join(state, "users")
    run_checked(["htpasswd", "-cbB", users, args.user, args.password], [])
    modules = "/usr/lib/apache2/modules"
    tls = ""
    if args.tls:
        cert, key = make_certificate(state)
        tls = f"""LoadModule ssl_module {modules}/mod_ssl.so
SSLEngine on
SSLCertificateFile {cert}
SSLCertificateKeyFile {key}
"""
    user = ""
    if os.getuid() == 0:
        # Apache started by root serves as www-data, which must write the share and the lock database.
        import pwd
        www = pwd.getpwnam("www-data")
        for folder in (root, state):
            for base, folders, files in os.walk(folder):
                for name in [base] + [os.path.join(base, n) for n in folders + files]:
                    os.chown(name, www.pw_uid, www.pw_gid)
        user = "User www-data\nGroup www-data\n"
    conf = os.path.join(state, "apache.conf")
    with open(conf, "w") as f:
        f.write(f"""ServerRoot {state}
{user}Listen 127.0.0.1:{port}
ServerName localhost
PidFile {state}/apache.pid
ErrorLog {state}/error.log
LogLevel warn
LoadModule mpm_event_module {modules}/mod_mpm_event.so
LoadModule authz_core_module {modules}/mod_authz_core.so
LoadModule authz_user_module {modules}/mod_authz_user.so
LoadModule authn_core_module {modules}/mod_authn_core.so
LoadModule authn_file_module {modules}/mod_authn_file.so
LoadModule auth_basic_module {modules}/mod_auth_basic.so
LoadModule alias_module {modules}/mod_alias.so
LoadModule mime_module {modules}/mod_mime.so
LoadModule dav_module {modules}/mod_dav.so
LoadModule dav_fs_module {modules}/mod_dav_fs.so
TypesConfig /etc/mime.types
{tls}DAVLockDB {state}/davlock
Alias /dav {root}
Alias /web {root}
<Directory {root}>
    Require all granted
</Directory>
<Location /dav>
    DAV On
    AuthType Basic
    AuthName "Lumaport tests"
    AuthUserFile {users}
    Require valid-user
</Location>
""")
    log = os.path.join(state, "error.log")
    apache = start(["apache2", "-f", conf, "-DFOREGROUND"], log)
    scheme = "https" if args.tls else "http"
    wait_for_http(f"{scheme}://127.0.0.1:{port}/web/", apache, 30, [log], unverified() if args.tls else None)
    return port


def run_rclone(args):
    port = free_port()
    command = ["rclone", "serve", "webdav", os.path.abspath(args.root), "--addr", f"127.0.0.1:{port}",
               "--user", args.user, "--pass", args.password, "--config", "/dev/null"]
    if args.tls:
        cert, key = make_certificate(os.path.abspath(args.state))
        command += ["--cert", cert, "--key", key]
    log = os.path.join(os.path.abspath(args.state), "rclone.log")
    process = start(command, log)
    scheme = "https" if args.tls else "http"
    wait_for_http(f"{scheme}://127.0.0.1:{port}/", process, 30, [log], unverified() if args.tls else None)
    return port


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("kind", choices=["ceph", "apache", "rclone"])
    parser.add_argument("--root")
    parser.add_argument("--state", required=True)
    parser.add_argument("--user", required=True)
    parser.add_argument("--password", required=True)
    parser.add_argument("--tls", action="store_true")
    parser.add_argument("--bucket")
    args = parser.parse_args()
    signal.signal(signal.SIGTERM, stop_children)
    signal.signal(signal.SIGINT, stop_children)
    port = {"ceph": run_ceph, "apache": run_apache, "rclone": run_rclone}[args.kind](args)
    print(port, flush=True)
    while True:
        for process in children:
            if process.poll() is not None:
                fail(f"{process.args[0]} ended with {process.returncode}")
        time.sleep(0.5)


if __name__ == "__main__":
    main()
