#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
# The least an FTP client must do to move one file: log on, one passive data connection, sendfile for STOR,
# 1 MiB reads for RETR. The limit the FTP benchmarks measure against.
#   ftp_bare_client.py PORT USER PASSWORD FOLDER (STOR|RETR) NAME LOCAL
import re
import socket
import sys


def main():
    port, user, password, folder, verb, name, local = sys.argv[1:]
    with socket.create_connection(("127.0.0.1", int(port))) as control:
        replies = control.makefile("rb")

        def answer():
            line = replies.readline()
            while not re.match(rb"\d{3} ", line):
                line = replies.readline()
            if line[:1] in (b"4", b"5", b""):
                sys.exit(f"bare client: {line!r}")
            return line

        def say(text):
            control.sendall(text.encode() + b"\r\n")
            return answer()

        answer()
        say(f"USER {user}")
        say(f"PASS {password}")
        say("TYPE I")
        say(f"CWD {folder}")
        address = re.search(rb"\((\d+),(\d+),(\d+),(\d+),(\d+),(\d+)\)", say("PASV")).groups()
        with socket.create_connection(("127.0.0.1", int(address[4]) * 256 + int(address[5]))) as data:
            say(f"{verb} {name}")
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


if __name__ == "__main__":
    main()
