#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
# The demo's web site on loopback: an FTP server (pyftpdlib, a user and password made up for this run) that
# publishes a folder, and an HTTP server that serves the same folder, so a picture sent over FTP can be
# fetched at the address Lumaport builds for it; and sample pictures to send.
#   demo_servers.py --folder DIR
#       DIR is the demo's program folder; DIR/site is the published folder, DIR/pictures holds the sample
#       pictures (drawn when missing). Writes the server profile DIR/oof.lbr for "Load" (never over an oof.lbr
#       the demo did not write), and points DIR/ooo.lbr at this run's servers and at the sample pictures with
#       the JPG kind chosen, so the main window opens on them. Prints one line when both servers listen, and
#       stops when its standard input closes or on SIGTERM.
import argparse
import functools
import hashlib
import http.server
import logging
import os
import secrets
import signal
import subprocess
import sys
import tempfile
import threading

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import FTPHandler
from pyftpdlib.servers import FTPServer

PROFILE = "oof.lbr"
PROFILE_HASH = ".demo-oof.lbr.sha256"
SETTINGS = "ooo.lbr"
SETTINGS_LINES = 19
# Line numbers of ooo.lbr (from 0); tests/startup/tst_demo_settings.cpp reads what the demo writes back with
# the program's own readers.
# Lines holding the six fields a profile holds, in the profile's order.
SETTINGS_SERVER_LINES = (4, 5, 6, 9, 15, 16)
# Lines of ooo.lbr: the main window's folder and drive, and its kinds GIF, JPG, BMP, ZIP, EXE, ALL.
SETTINGS_FOLDER_LINE, SETTINGS_DRIVE_LINE = 0, 1
SETTINGS_KIND_LINES = (10, 11, 12, 13, 17, 18)
SETTINGS_JPG = 1

CONVERT = "/usr/bin/convert"
FONT = "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf"
# Name, size, colours of the ground: a few of each picture kind, one name with a blank and a letter beyond ASCII.
SAMPLE_PICTURES = (
    ("Café terrace.jpg", (1280, 960), ("#f6d365", "#c0392b")),
    ("harbour.jpg", (800, 600), ("#89f7fe", "#1e3c72")),
    ("meadow.jpg", (320, 240), ("#d4fc79", "#2e7d32")),
    ("badge.gif", (160, 160), ("#ffffff", "#8e44ad")),
    ("banner.gif", (468, 60), ("#fdfbfb", "#e67e22")),
    ("diagram.bmp", (640, 480), ("#ffffff", "#7f8c8d")),
    ("icon.bmp", (64, 64), ("#ecf0f1", "#16a085")),
)


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


def draw_pictures(pictures):
    """Draws the sample pictures that are missing: a gradient with the picture's kind and size written on it."""
    os.makedirs(pictures, exist_ok=True)
    for name, (width, height), (top, bottom) in SAMPLE_PICTURES:
        path = os.path.join(pictures, name)
        if os.path.exists(path):
            continue
        label = f"{os.path.splitext(name)[1][1:].upper()}  {width} x {height}"
        subprocess.run([CONVERT, "-size", f"{width}x{height}", f"gradient:{top}-{bottom}", "-font", FONT,
                        "-pointsize", str(max(8, min(width // 12, height // 3))), "-fill", "white",
                        "-gravity", "center", "-annotate", "+0+0", label,
                        # Plain Windows bitmaps, which every reader takes.
                        ("BMP3:" if name.endswith(".bmp") else "") + path], check=True)


def mount_point(path):
    while not os.path.ismount(path):
        path = os.path.dirname(path)
    return path


def update_settings(folder, lines, pictures):
    """The settings file would put the last run's servers back after "Load", and the folder of the last run;
    give it this run's servers, and the sample pictures with the JPG kind chosen."""
    path = os.path.join(folder, SETTINGS)
    # A new file holds the folder lines alone: the lines after them keep the fields' start-up values, among
    # them the JPG kind and the tags.
    stored = ["", ""]
    if os.path.isfile(path):
        with open(path, "rb") as f:
            raw = f.read(1 << 20)
        try:
            text = raw.decode("utf-8")
        except UnicodeDecodeError:
            text = raw.decode("cp1252", errors="replace")
        stored = text.replace("\r\n", "\n").replace("\r", "\n").split("\n")[:SETTINGS_LINES]
        if stored and stored[-1] == "":
            stored.pop()
        stored += [""] * (2 - len(stored))
    for value, index in zip(lines, SETTINGS_SERVER_LINES):
        if index < len(stored):
            stored[index] = value
    stored[SETTINGS_FOLDER_LINE] = pictures
    stored[SETTINGS_DRIVE_LINE] = mount_point(pictures)
    for kind, index in enumerate(SETTINGS_KIND_LINES):
        if index < len(stored):
            stored[index] = "True" if kind == SETTINGS_JPG else "False"
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
    pictures = os.path.join(folder, "pictures")
    draw_pictures(pictures)
    update_settings(folder, lines, pictures)

    signal.signal(signal.SIGTERM, lambda *_: os._exit(0))
    threading.Thread(target=web.serve_forever, daemon=True).start()
    threading.Thread(target=stop_when_input_closes, daemon=True).start()
    how = ('press "Load" in the FTP window, then "Log On"' if profile_written else
           f'type them into the FTP window and press "Log On" ({os.path.join(folder, PROFILE)} is not the '
           "demo's and was left alone)")
    print(f"Demo: FTP server 127.0.0.1:{ftp_port}, user {user}, password {password}; web site "
          f"http://{web_host}/ serving {site}. Sample pictures in {pictures}. To log on, {how}.", flush=True)
    ftp.serve_forever(handle_exit=False)


if __name__ == "__main__":
    sys.exit(main())
