#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
# Starts an FTP server on a free loopback port for the tests and benchmarks, and prints that port on the
# first line of standard output.
#   ftp_server.py pyftpdlib --root DIR --user NAME --password WORD --command-log FILE [--throttle BYTES]
#                 [--idle-timeout SECONDS] [--size-reply FILE] [--silent-quit] [--private-files] [--no-renames]
#                 [--no-appends] [--pipelining refuse|drop]
#                 [--tls explicit|implicit --state DIR]
#       One user with every right on DIR. Records each command it receives (the password masked), so a test
#       can prove a command never reached the server. --throttle slows data connections to BYTES a second.
#       --idle-timeout ends idle sessions with a 421, as real servers do, and records "(idle timeout)".
#       --size-reply answers SIZE with the line in FILE while FILE exists. --silent-quit never answers QUIT.
#       --private-files makes new files readable by their owner only, as some hosts do. --no-renames refuses
#       RNFR and RNTO, --no-appends APPE. --pipelining refuse answers 500 to a command that came in one read with
#       the one before it; drop ignores it, as servers that read a line at a time and drop the rest do.
#       --tls makes a self-signed certificate for localhost and 127.0.0.1 in DIR (cert.pem) with openssl and
#       asks for TLS on the control and data connections: after AUTH TLS, or from the first byte.
#   ftp_server.py sshd --root DIR --state DIR --user NAME
#       Debian's OpenSSH server with its own configuration, host key and client key, all made in DIR: NAME (the
#       user running the tests) logs on with the key DIR/client_key only and gets SFTP in DIR, nothing else.
#   ftp_server.py paramiko --root DIR --state DIR --user NAME --password WORD [--throttle BYTES]
#       A small SFTP server that takes a password only and shows DIR as "/". --throttle slows reading and
#       writing files to BYTES a second. SIGUSR1 closes every session, as an idle time-out would, then prints
#       "dropped".
#   The SSH servers write their host key's public line to DIR/host_key.pub.
#   ftp_server.py web --root DIR [--tls --state DIR]
#       Python's web server on DIR, as the web side of the FTP folder, with the answers real ones give:
#       403 for a file others may not read, 206 for a ranged GET, and by the path's first folder: /nohead/x
#       refuses HEAD (405), /redirect/x sends to /x, /loop/x redirects for ever, /login/x is an HTML page.
#       --tls serves https with a self-signed certificate made like pyftpdlib's.
#   ftp_server.py vsftpd --root DIR --state DIR [--tls] [--throttle BYTES]
#       Anonymous log-on (any password). vsftpd refuses a starting folder the anonymous user may write to, so
#       DIR is made read-only for it and DIR/pub is where it may upload, make folders, rename and delete.
#       Needs root. The port is printed before vsftpd takes it over; wait for its greeting. --tls asks for
#       AUTH TLS and encrypted data with a certificate like pyftpdlib's (DIR/cert.pem). --throttle slows
#       the data connections.
import argparse
import io
import logging
import os
import signal
import socket
import stat
import subprocess
import sys
import threading
import time


def make_certificate(folder):
    """A self-signed certificate for localhost and 127.0.0.1 with its key, in folder/cert.pem."""
    cert = os.path.join(folder, "cert.pem")
    subprocess.run(["openssl", "req", "-x509", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:P-256", "-nodes",
                    "-keyout", cert, "-out", cert, "-days", "2", "-subj", "/CN=localhost", "-addext",
                    "subjectAltName=DNS:localhost,IP:127.0.0.1"], check=True, capture_output=True)
    return cert


def run_pyftpdlib(args):
    from pyftpdlib.authorizers import DummyAuthorizer
    from pyftpdlib.handlers import FTPHandler, ThrottledDTPHandler, TLS_DTPHandler, TLS_FTPHandler
    from pyftpdlib.servers import FTPServer

    logging.basicConfig(level=logging.ERROR)
    if args.private_files:
        os.umask(0o077)
    command_log = open(args.command_log, "a", buffering=1, encoding="utf-8", errors="backslashreplace")
    base = FTPHandler
    if args.tls:
        cert = make_certificate(os.path.abspath(args.state))
        class Dtp(TLS_DTPHandler):
            # This pyftpdlib drops a data connection that has not started its transfer when it finds it
            # readable, even while its TLS handshake waits for the client's first message.
            def readable(self):
                return self._ssl_accepting or super().readable()

        base = TLS_FTPHandler
        base.dtp_handler = Dtp
        base.certfile = cert
        base.tls_control_required = True
        base.tls_data_required = True
        # Without a session context the data connection's resumed session is refused.
        base.get_ssl_context().set_session_id(b"lumaport")

    class Handler(base):
        if args.tls == "implicit":
            def handle(self):
                self.secure_connection(self.ssl_context)
                super().handle()

        def pre_process_command(self, line, cmd, arg):
            command_log.write("PASS ****\n" if cmd == "PASS" else line + "\n")
            super().pre_process_command(line, cmd, arg)

        def handle_read(self):
            self.lines_read = 0
            super().handle_read()

        def found_terminator(self):
            self.lines_read += 1
            if args.pipelining and self.lines_read > 1:
                self._in_buffer, self._in_buffer_len = [], 0
                command_log.write("(pipelined command)\n")
                if args.pipelining == "refuse":
                    self.respond("500 One command at a time.")
                return
            super().found_terminator()

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
    perm = "elr" + ("" if args.no_appends else "a") + "d" + ("" if args.no_renames else "f") + "mwMT"
    authorizer.add_user(args.user, args.password, args.root, perm=perm)
    Handler.authorizer = authorizer
    if args.idle_timeout > 0:
        Handler.timeout = args.idle_timeout
    if args.throttle > 0:
        class Throttled(ThrottledDTPHandler):  # plain FTP only
            read_limit = args.throttle
            write_limit = args.throttle
        Handler.dtp_handler = Throttled

    server = FTPServer(("127.0.0.1", 0), Handler)
    if args.max_per_address > 0:
        server.max_cons_per_ip = args.max_per_address
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

    port = free_port()
    config = os.path.join(state, "vsftpd.conf")
    with open(config, "w") as f:
        f.write("\n".join([
            "listen=YES", "listen_ipv6=NO", "listen_address=127.0.0.1", f"listen_port={port}", "background=NO",
            "anonymous_enable=YES", "local_enable=NO", f"anon_root={root}", "write_enable=YES",
            "anon_upload_enable=YES", "anon_mkdir_write_enable=YES", "anon_other_write_enable=YES",
            "anon_world_readable_only=NO", "anon_umask=022", "allow_writeable_chroot=YES",
            f"secure_chroot_dir={empty}", "pasv_enable=YES", "seccomp_sandbox=NO", "isolate=NO",
            "isolate_network=NO", "xferlog_enable=NO", "syslog_enable=NO", f"anon_max_rate={args.throttle}", "",
        ]))
        if args.pasv_ports:
            first, last = args.pasv_ports.split("-")
            f.write(f"pasv_min_port={first}\npasv_max_port={last}\n")
        if args.tls:
            cert = make_certificate(state)
            f.write("\n".join([
                "ssl_enable=YES", f"rsa_cert_file={cert}", "allow_anon_ssl=YES", "force_anon_logins_ssl=YES",
                "force_anon_data_ssl=YES", "",
            ]))
    os.chmod(config, 0o644)
    print(port, flush=True)
    os.execv("/usr/sbin/vsftpd", ["vsftpd", config])


def free_port():
    probe = socket.socket()
    probe.bind(("127.0.0.1", 0))
    port = probe.getsockname()[1]
    probe.close()
    return port


def run_sshd(args):
    root = os.path.abspath(args.root)
    state = os.path.abspath(args.state)
    for key in ("host_key", "client_key"):
        subprocess.run(["ssh-keygen", "-q", "-t", "ed25519", "-N", "", "-C", "", "-f", os.path.join(state, key)],
                       check=True)
    if os.geteuid() == 0:
        os.makedirs("/run/sshd", 0o755, exist_ok=True)  # sshd's own empty folder, made at boot where it runs
    port = free_port()
    config = os.path.join(state, "sshd_config")
    with open(config, "w") as f:
        f.write("\n".join([
            f"Port {port}", "ListenAddress 127.0.0.1", f"HostKey {state}/host_key", "PidFile none",
            f"AuthorizedKeysFile {state}/client_key.pub", "StrictModes no", "UsePAM no",
            "PasswordAuthentication no", "KbdInteractiveAuthentication no", "PubkeyAuthentication yes",
            "PermitRootLogin prohibit-password", f"AllowUsers {args.user}", "DisableForwarding yes",
            f"ForceCommand internal-sftp -d {root}", f"Subsystem sftp internal-sftp -d {root}", "LogLevel ERROR", "",
        ]))
    print(port, flush=True)
    os.execv("/usr/sbin/sshd", ["/usr/sbin/sshd", "-D", "-e", "-f", config])


def run_paramiko(args):
    import paramiko
    from paramiko.sftp import SFTP_OK

    logging.basicConfig(level=logging.CRITICAL)
    root = os.path.abspath(args.root)
    host_key = paramiko.ECDSAKey.generate()
    with open(os.path.join(os.path.abspath(args.state), "host_key.pub"), "w") as f:
        f.write(f"{host_key.get_name()} {host_key.get_base64()}\n")

    class Server(paramiko.ServerInterface):
        def get_allowed_auths(self, username):
            return "password"

        def check_auth_password(self, username, password):
            ok = (username, password) == (args.user, args.password)
            return paramiko.AUTH_SUCCESSFUL if ok else paramiko.AUTH_FAILED

        def check_channel_request(self, kind, chanid):
            return paramiko.OPEN_SUCCEEDED if kind == "session" else paramiko.OPEN_FAILED_UNKNOWN_CHANNEL_TYPE

    class Attributes(paramiko.SFTPAttributes):
        def _as_text(self):  # the "ls -l" line of a listing
            when = time.strftime("%b %d %H:%M", time.localtime(self.st_mtime))
            return f"{stat.filemode(self.st_mode)} 1 owner group {self.st_size} {when} {self.filename}"

    def attributes(path, name=None, follow=True):
        # Only the plain class may answer a stat; the listing needs the lines of ours.
        kind = Attributes if name is not None else paramiko.SFTPAttributes
        attr = kind.from_stat(os.stat(path) if follow else os.lstat(path))
        if name is not None:
            attr.filename = name
        return attr

    def guarded(action):
        try:
            result = action()
            return SFTP_OK if result is None else result
        except OSError as e:
            return paramiko.SFTPServer.convert_errno(e.errno)

    class Handle(paramiko.SFTPHandle):
        def read(self, offset, length):
            if args.throttle > 0:
                time.sleep(length / args.throttle)
            return super().read(offset, length)

        def stat(self):
            return guarded(lambda: paramiko.SFTPAttributes.from_stat(os.fstat(self.readfile.fileno())))

        def chattr(self, attr):
            return SFTP_OK

        def write(self, offset, data):
            if args.throttle > 0:
                time.sleep(len(data) / args.throttle)
            return super().write(offset, data)

    class Sftp(paramiko.SFTPServerInterface):
        def local(self, path):
            return os.path.join(root, self.canonicalize(path).lstrip("/"))

        def canonicalize(self, path):
            return os.path.normpath("/" + path).replace("//", "/")

        def list_folder(self, path):
            folder = self.local(path)
            return guarded(lambda: [attributes(os.path.join(folder, n), n, False) for n in os.listdir(folder)])

        def stat(self, path):
            return guarded(lambda: attributes(self.local(path)))

        def lstat(self, path):
            return guarded(lambda: attributes(self.local(path), follow=False))

        def open(self, path, flags, attr):
            def opened():
                fd = os.open(self.local(path), flags, 0o644)
                writing = flags & (os.O_WRONLY | os.O_RDWR)
                handle = Handle(flags)
                handle.readfile = handle.writefile = os.fdopen(fd, ("ab" if flags & os.O_APPEND else "r+b")
                                                               if writing else "rb")
                return handle
            return guarded(opened)

        def remove(self, path):
            return guarded(lambda: os.remove(self.local(path)))

        def rename(self, old, new):
            return guarded(lambda: os.rename(self.local(old), self.local(new)))

        def mkdir(self, path, attr):
            return guarded(lambda: os.mkdir(self.local(path)))

        def rmdir(self, path):
            return guarded(lambda: os.rmdir(self.local(path)))

        def chattr(self, path, attr):
            return SFTP_OK

        def readlink(self, path):
            return guarded(lambda: os.readlink(self.local(path)))

    transports = set()

    def drop_sessions(signum, frame):
        for transport in list(transports):
            transport.close()
        print("dropped", flush=True)

    signal.signal(signal.SIGUSR1, drop_sessions)

    def serve(connection):
        transport = paramiko.Transport(connection)
        transports.add(transport)
        transport.add_server_key(host_key)
        transport.set_subsystem_handler("sftp", paramiko.SFTPServer, Sftp)
        try:
            transport.start_server(server=Server())
            while transport.is_active():
                time.sleep(0.2)
        except Exception:
            pass
        transports.discard(transport)

    listener = socket.socket()
    listener.bind(("127.0.0.1", 0))
    listener.listen(8)
    print(listener.getsockname()[1], flush=True)
    while True:
        connection, _ = listener.accept()
        threading.Thread(target=serve, args=(connection,), daemon=True).start()


def run_web(args):
    import http.server
    import ssl

    root = os.path.abspath(args.root)

    class Handler(http.server.SimpleHTTPRequestHandler):
        def __init__(self, *a, **kw):
            super().__init__(*a, directory=root, **kw)

        def log_message(self, *a):
            pass

        def do_HEAD(self):
            if self.path.startswith("/nohead/"):
                return self.send_error(405)
            super().do_HEAD()

        def send_head(self):
            first, _, rest = self.path.lstrip("/").partition("/")
            if first == "redirect":
                return self.moved("/" + rest)
            if first == "loop":
                return self.moved(self.path)
            if first == "login":
                body = b"<html><body><form>Log in to see this picture</form></body></html>"
                self.send_response(200)
                self.send_header("Content-Type", "text/html; charset=utf-8")
                self.send_header("Content-Length", str(len(body)))
                self.end_headers()
                return io.BytesIO(body)
            if first == "nohead":
                self.path = "/" + rest
            path = self.translate_path(self.path)
            if os.path.isfile(path) and not os.stat(path).st_mode & stat.S_IROTH:
                return self.send_error(403)
            if os.path.isfile(path) and self.command == "GET" and self.headers.get("Range") == "bytes=0-0":
                size = os.path.getsize(path)
                self.send_response(206)
                self.send_header("Content-Type", self.guess_type(path))
                self.send_header("Content-Range", f"bytes 0-0/{size}")
                self.send_header("Content-Length", "1")
                self.end_headers()
                with open(path, "rb") as f:
                    return io.BytesIO(f.read(1))
            return super().send_head()

        def moved(self, target):
            self.send_response(302)
            self.send_header("Location", target)
            self.send_header("Content-Length", "0")
            self.end_headers()
            return None

    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
    if args.tls:
        context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        context.load_cert_chain(make_certificate(os.path.abspath(args.state)))
        server.socket = context.wrap_socket(server.socket, server_side=True)
    print(server.server_address[1], flush=True)
    server.serve_forever()


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
    py.add_argument("--private-files", action="store_true")
    py.add_argument("--no-renames", action="store_true")
    py.add_argument("--no-appends", action="store_true")
    py.add_argument("--pipelining", choices=["refuse", "drop"])
    py.add_argument("--max-per-address", type=int, default=0)
    py.add_argument("--tls", choices=["explicit", "implicit"])
    py.add_argument("--state")
    vs = kinds.add_parser("vsftpd")
    vs.add_argument("--root", required=True)
    vs.add_argument("--state", required=True)
    vs.add_argument("--tls", action="store_true")
    vs.add_argument("--throttle", type=int, default=0)
    vs.add_argument("--pasv-ports", help="first-last: the passive range, for a relay in front of it")
    ssh = kinds.add_parser("sshd")
    pm = kinds.add_parser("paramiko")
    for p in (ssh, pm):
        p.add_argument("--root", required=True)
        p.add_argument("--state", required=True)
        p.add_argument("--user", required=True)
    pm.add_argument("--password", required=True)
    pm.add_argument("--throttle", type=int, default=0)
    web = kinds.add_parser("web")
    web.add_argument("--root", required=True)
    web.add_argument("--tls", action="store_true")
    web.add_argument("--state")
    args = parser.parse_args()
    runs = {"pyftpdlib": run_pyftpdlib, "vsftpd": run_vsftpd, "sshd": run_sshd, "paramiko": run_paramiko,
            "web": run_web}
    return runs[args.kind](args)


if __name__ == "__main__":
    sys.exit(main())
