#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
# Starts an FTP server on a free loopback port for the tests and benchmarks, and prints that port on the
# first line of standard output.
#   ftp_server.py pyftpdlib --root DIR --user NAME --password WORD --command-log FILE [--throttle BYTES]
#                 [--idle-timeout SECONDS] [--size-reply FILE] [--silent-quit]
#       One user with every right on DIR. Records each command it receives (the password masked), so a test
#       can prove a command never reached the server. --throttle slows data connections to BYTES a second.
#       --idle-timeout ends idle sessions with a 421, as real servers do, and records "(idle timeout)".
#       --size-reply answers SIZE with the line in FILE while FILE exists. --silent-quit never answers QUIT.
#   ftp_server.py vsftpd --root DIR --state DIR
#       Anonymous log-on (any password). vsftpd refuses a starting folder the anonymous user may write to, so
#       DIR is made read-only for it and DIR/pub is where it may upload, make folders, rename and delete.
#       Needs root. The port is printed before vsftpd takes it over; wait for its greeting.
import argparse
import logging
import os
import socket
import sys


def run_pyftpdlib(args):
    from pyftpdlib.authorizers import DummyAuthorizer
    from pyftpdlib.handlers import FTPHandler, ThrottledDTPHandler
    from pyftpdlib.servers import FTPServer

    logging.basicConfig(level=logging.ERROR)
    command_log = open(args.command_log, "a", buffering=1, encoding="utf-8", errors="backslashreplace")

    class Handler(FTPHandler):
        def pre_process_command(self, line, cmd, arg):
            command_log.write("PASS ****\n" if cmd == "PASS" else line + "\n")
            super().pre_process_command(line, cmd, arg)

        def handle_timeout(self):
            command_log.write("(idle timeout)\n")
            super().handle_timeout()

        def ftp_SIZE(self, path):
            if args.size_reply and os.path.exists(args.size_reply):
                with open(args.size_reply, encoding="utf-8") as reply:
                    return self.respond(reply.read().strip())
            return super().ftp_SIZE(path)

        def ftp_QUIT(self, line):
            if not args.silent_quit:
                super().ftp_QUIT(line)

    authorizer = DummyAuthorizer()
    authorizer.add_user(args.user, args.password, args.root, perm="elradfmwMT")
    Handler.authorizer = authorizer
    if args.idle_timeout > 0:
        Handler.timeout = args.idle_timeout
    if args.throttle > 0:
        class Throttled(ThrottledDTPHandler):
            read_limit = args.throttle
            write_limit = args.throttle
        Handler.dtp_handler = Throttled

    server = FTPServer(("127.0.0.1", 0), Handler)
    print(server.address[1], flush=True)
    # Without a poll time-out this pyftpdlib misses an idle timer that was reset by a command.
    server.serve_forever(timeout=0.2 if args.idle_timeout > 0 else None)


def run_vsftpd(args):
    root = os.path.abspath(args.root)
    state = os.path.abspath(args.state)
    empty = os.path.join(state, "empty")
    pub = os.path.join(root, "pub")
    os.makedirs(empty, exist_ok=True)
    os.makedirs(pub, exist_ok=True)
    os.chmod(root, 0o755)
    os.chmod(pub, 0o777)
    os.chmod(empty, 0o755)

    probe = socket.socket()
    probe.bind(("127.0.0.1", 0))
    port = probe.getsockname()[1]
    probe.close()

    config = os.path.join(state, "vsftpd.conf")
    with open(config, "w") as f:
        f.write("\n".join([
            "listen=YES", "listen_ipv6=NO", "listen_address=127.0.0.1", f"listen_port={port}", "background=NO",
            "anonymous_enable=YES", "local_enable=NO", f"anon_root={root}", "write_enable=YES",
            "anon_upload_enable=YES", "anon_mkdir_write_enable=YES", "anon_other_write_enable=YES",
            "anon_world_readable_only=NO", "anon_umask=022", "allow_writeable_chroot=YES",
            f"secure_chroot_dir={empty}", "pasv_enable=YES", "seccomp_sandbox=NO", "isolate=NO",
            "isolate_network=NO", "xferlog_enable=NO", "syslog_enable=NO", "",
        ]))
    os.chmod(config, 0o644)
    print(port, flush=True)
    os.execv("/usr/sbin/vsftpd", ["vsftpd", config])


def main():
    parser = argparse.ArgumentParser()
    kinds = parser.add_subparsers(dest="kind", required=True)
    py = kinds.add_parser("pyftpdlib")
    py.add_argument("--root", required=True)
    py.add_argument("--user", required=True)
    py.add_argument("--password", required=True)
    py.add_argument("--command-log", required=True)
    py.add_argument("--throttle", type=int, default=0)
    py.add_argument("--idle-timeout", type=int, default=0)
    py.add_argument("--size-reply")
    py.add_argument("--silent-quit", action="store_true")
    vs = kinds.add_parser("vsftpd")
    vs.add_argument("--root", required=True)
    vs.add_argument("--state", required=True)
    args = parser.parse_args()
    return run_pyftpdlib(args) if args.kind == "pyftpdlib" else run_vsftpd(args)


if __name__ == "__main__":
    sys.exit(main())
