#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
# An S3 and WebDAV server that misbehaves on demand, for the states no real server takes on when asked: prints its
# port on the first line of standard output and serves on 127.0.0.1 until SIGTERM.
#   misbehaving_server.py --root DIR
# The first name of a request's path (the bucket, or the share's folder) says how it misbehaves:
#   same-token   a bucket listing that goes on with the same continuation token every time
#   new-token    one that goes on with a new token and 1,000 new keys every time
#   small-pages  one that goes on with a new token and one new key every time
#   dup          a WebDAV listing naming dup.jpg five times
#   put-nothing  a PUT answered 200 without an ETag and nothing stored
#   wrong-etag   a PUT answered 200 with another ETag, three bytes stored
#   move-nothing a WebDAV share that stores a PUT in DIR but answers a MOVE with 201 and moves nothing
#   babble       every request answered 400 with an S3 error of 30,000 characters, line breaks and a
#                right-to-left override
#   broken       every request answered by the server's own 500 page
#   busy         every request answered 503 with Retry-After: 120
import argparse
import os
import signal
import sys
import urllib.parse
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer

root = None


def listing(keys, token):
    contents = "".join(f"<Contents><Key>{key}</Key><Size>1</Size></Contents>" for key in keys)
    return (f"<ListBucketResult><IsTruncated>true</IsTruncated>{contents}"
            f"<NextContinuationToken>{token}</NextContinuationToken></ListBucketResult>").encode()


class Handler(BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def log_message(self, *args):
        pass

    def answer(self, status, body=b"", kind="application/xml", headers=()):
        self.send_response(status)
        self.send_header("Content-Type", kind)
        self.send_header("Content-Length", str(len(body)))
        for name, value in headers:
            self.send_header(name, value)
        self.end_headers()
        if self.command != "HEAD":
            self.wfile.write(body)

    def handle_any(self):
        url = urllib.parse.urlsplit(self.path)
        names = urllib.parse.unquote(url.path).strip("/").split("/")
        behaviour, name = names[0], "/".join(names[1:])
        body = self.rfile.read(int(self.headers.get("Content-Length") or 0))
        file = os.path.join(root, name)
        token = urllib.parse.parse_qs(url.query).get("continuation-token", ["0"])[0]
        method = self.command
        if behaviour == "babble":
            said = "Type it again at\nhttp://evil.example/login " + "x" * 30000
            self.answer(400, f"<Error><Code>Babble\u202e</Code><Message>{said}</Message></Error>".encode())
        elif behaviour == "broken":
            self.answer(500, b"<html><body>Internal Server Error</body></html>", "text/html")
        elif behaviour == "busy":
            self.answer(503, b"", headers=[("Retry-After", "120")])
        elif behaviour == "same-token":
            self.answer(200, listing(["a.jpg", "b.jpg"], "again"))
        elif behaviour in ("new-token", "small-pages"):
            page = int(token) + 1
            self.answer(200, listing([f"{page}-{i}.jpg" for i in range(1000 if behaviour == "new-token" else 1)], page))
        elif behaviour == "dup" and method == "PROPFIND":
            member = "<D:response><D:href>/dup/dup.jpg</D:href><D:propstat><D:prop><D:resourcetype/></D:prop>" \
                     "<D:status>HTTP/1.1 200 OK</D:status></D:propstat></D:response>"
            self.answer(207, f'<D:multistatus xmlns:D="DAV:">{member * 5}</D:multistatus>'.encode())
        elif behaviour == "put-nothing":
            self.answer(200 if method == "PUT" else 404)
        elif behaviour == "wrong-etag":
            if method == "PUT":
                self.answer(200, headers=[("ETag", '"0123456789abcdef0123456789abcdef"')])
            else:
                self.answer(200, b"abc")  # a HEAD tells the three bytes, without them
        elif behaviour == "move-nothing":
            self.share(method, file, body)
        else:
            self.answer(404)

    def share(self, method, file, body):
        if method == "PUT":
            with open(file, "wb") as f:
                f.write(body)
            self.answer(201)
        elif method == "MOVE":
            self.answer(201)
        elif method == "DELETE":
            if os.path.exists(file):
                os.remove(file)
            self.answer(204)
        elif method == "PROPFIND" and os.path.isfile(file):
            self.answer(207, ('<D:multistatus xmlns:D="DAV:"><D:response><D:href>/move-nothing/x</D:href><D:propstat>'
                              f"<D:prop><D:getcontentlength>{os.path.getsize(file)}</D:getcontentlength></D:prop>"
                              "</D:propstat></D:response></D:multistatus>").encode())
        else:
            self.answer(404)

    do_GET = do_HEAD = do_PUT = do_DELETE = do_PROPFIND = do_MOVE = handle_any


def main():
    global root
    parser = argparse.ArgumentParser()
    parser.add_argument("--root", required=True)
    root = os.path.abspath(parser.parse_args().root)
    server = ThreadingHTTPServer(("127.0.0.1", 0), Handler)
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(0))
    print(server.server_address[1], flush=True)
    server.serve_forever()


if __name__ == "__main__":
    main()
