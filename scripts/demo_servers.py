#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
# The demo's web site on loopback: an FTP server (pyftpdlib, a user and password made up for this run) that
# publishes a folder, and an HTTP server that serves the same folder, so a picture sent over FTP can be
# fetched at the address Lumaport builds for it.
#   demo_servers.py --folder DIR
#       DIR is the demo's program folder; DIR/site is the published folder. Writes the server profile
#       DIR/oof.lbr for "Load" (never over an oof.lbr the demo did not write) and points the server lines of
#       DIR/ooo.lbr, if there is one, at this run's servers. Prints one line when both servers listen, and
#       stops when its standard input closes or on SIGTERM.
import argparse
import functools
import hashlib
import http.server
import logging
import os
import secrets
import signal
import sys
import tempfile
import threading

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import FTPHandler
from pyftpdlib.servers import FTPServer

PROFILE = "oof.lbr"
PROFILE_HASH = ".demo-oof.lbr.sha256"
SETTINGS = "ooo.lbr"
# Lines of ooo.lbr holding the six fields a profile holds, in the profile's order.
SETTINGS_SERVER_LINES = (4, 5, 6, 9, 15, 16)


def replace_file(path, data):
    """Writes beside the target and renames over it; a new file is for its owner only."""
    mode = os.stat(path).st_mode & 0o7777 if os.path.exists(path) else 0o600
    fd, temporary = tempfile.mkstemp(dir=os.path.dirname(path), prefix="." + os.path.basename(path) + ".")
    try:
        with os.fdopen(fd, "wb") as f:
            f.write(data)
        os.chmod(temporary, mode)
        os.replace(temporary, path)
    except BaseException:
        os.unlink(temporary)
        raise


def settings_text(lines):
    return "".join(line + "\r\n" for line in lines).encode("utf-8")


def write_profile(folder, lines):
    """Writes oof.lbr unless one is there that the demo did not write; says which it did."""
    path = os.path.join(folder, PROFILE)
    hash_path = os.path.join(folder, PROFILE_HASH)
    if os.path.exists(path):
        with open(path, "rb") as f:
            current = hashlib.sha256(f.read()).hexdigest()
        remembered = open(hash_path).read().strip() if os.path.exists(hash_path) else None
        if current != remembered:
            return False
    data = settings_text(lines)
    replace_file(path, data)
    replace_file(hash_path, (hashlib.sha256(data).hexdigest() + "\n").encode())
    return True


def update_settings(folder, lines):
    """The settings file would put the last run's servers back after "Load"; give it this run's."""
    path = os.path.join(folder, SETTINGS)
    if not os.path.isfile(path):
        return
    with open(path, "rb") as f:
        raw = f.read(1 << 20)
    try:
        text = raw.decode("utf-8")
    except UnicodeDecodeError:
        text = raw.decode("cp1252", errors="replace")
    stored = text.replace("\r\n", "\n").replace("\r", "\n").split("\n")[:19]
    if stored and stored[-1] == "":
        stored.pop()
    for value, index in zip(lines, SETTINGS_SERVER_LINES):
        if index < len(stored):
            stored[index] = value
    replace_file(path, settings_text(stored))


class QuietHttpHandler(http.server.SimpleHTTPRequestHandler):
    def log_message(self, format, *args):
        pass


def stop_when_input_closes():
    sys.stdin.buffer.read()
    os._exit(0)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--folder", required=True)
    args = parser.parse_args()
    folder = os.path.abspath(args.folder)
    site = os.path.join(folder, "site")
    os.makedirs(site, exist_ok=True)

    logging.basicConfig(level=logging.ERROR)
    user = f"demo{secrets.randbelow(10000):04d}"
    password = secrets.token_urlsafe(12)
    authorizer = DummyAuthorizer()
    authorizer.add_user(user, password, site, perm="elradfmwMT")
    FTPHandler.authorizer = authorizer
    FTPHandler.banner = "Lumaport demo server"
    ftp = FTPServer(("127.0.0.1", 0), FTPHandler)
    web = http.server.ThreadingHTTPServer(("127.0.0.1", 0),
                                          functools.partial(QuietHttpHandler, directory=site))
    ftp_port = ftp.address[1]
    web_host = f"127.0.0.1:{web.server_address[1]}"

    lines = [f"127.0.0.1:{ftp_port}", user, password, web_host + "/", web_host + "/", web_host]
    profile_written = write_profile(folder, lines)
    update_settings(folder, lines)

    signal.signal(signal.SIGTERM, lambda *_: os._exit(0))
    threading.Thread(target=web.serve_forever, daemon=True).start()
    threading.Thread(target=stop_when_input_closes, daemon=True).start()
    how = ('press "Load" in the FTP window, then "Log On"' if profile_written else
           f'type them into the FTP window and press "Log On" ({os.path.join(folder, PROFILE)} is not the '
           "demo's and was left alone)")
    print(f"Demo: FTP server 127.0.0.1:{ftp_port}, user {user}, password {password}; web site "
          f"http://{web_host}/ serving {site}. To log on, {how}.", flush=True)
    ftp.serve_forever(handle_exit=False)


if __name__ == "__main__":
    sys.exit(main())
