#!/usr/bin/env python3
"""A small HTTP server for the crawler's tests, on 127.0.0.1 only.

usage: server.py ROOT LOG [ROUTES]

Serves the files below ROOT. ROUTES is a JSON file mapping a request path
(query included) to special answers:
  status, location   a status code and a Location header (redirects, 404 ...)
  type               the Content-Type to send (null: send none)
  body               the body as text (UTF-8), or body_hex as bytes
  size               a generated HTML body of this many bytes; "tail" text is
                     put at its end, "head" text at its start
  interval, count    send the body in `count` pieces of `chunk` bytes, one per
                     `interval` seconds (a slow page)
  nolength           send no Content-Length and close the connection after the body
  headers            further headers to send, as an object (Last-Modified …)
POST requests are answered like GET; their body is logged as a seventh field.
Every request is appended to LOG as "METHOD<TAB>path<TAB>Host<TAB>User-Agent
<TAB>Cache-Control<TAB>Pragma". The chosen port is printed as "PORT n". The
server ends when its standard input closes or after 15 minutes.
"""
import json
import mimetypes
import os
import socket
import sys
import threading
import time
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer

ROOT = os.path.abspath(sys.argv[1])
LOG = sys.argv[2]
ROUTES = {}
if len(sys.argv) > 3 and sys.argv[3]:
    with open(sys.argv[3], encoding="utf-8") as f:
        ROUTES = json.load(f)
LOG_LOCK = threading.Lock()
MAX_LIFETIME = 900


class Handler(BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    # Headers and body leave in one write, without Nagle's delay: otherwise a
    # keep-alive client waits for the delayed acknowledgement on every request.
    wbufsize = 1 << 16

    def setup(self):
        super().setup()
        self.connection.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)

    def log_message(self, fmt, *args):
        pass

    def record(self, body=""):
        line = "\t".join([self.command, self.path, self.headers.get("Host", ""),
                          self.headers.get("User-Agent", ""),
                          self.headers.get("Cache-Control", ""),
                          self.headers.get("Pragma", ""), body])
        with LOG_LOCK:
            with open(LOG, "a", encoding="utf-8") as f:
                f.write(line + "\n")

    def do_HEAD(self):
        self.answer(head=True)

    def do_GET(self):
        self.answer(head=False)

    def do_POST(self):
        length = int(self.headers.get("Content-Length", "0") or "0")
        body = self.rfile.read(length).decode("utf-8", "replace") if length > 0 else ""
        self.answer(head=False, body=body)

    def answer(self, head, body=""):
        self.record(body)
        route = ROUTES.get(self.path)
        if route is None and "?" in self.path:
            route = ROUTES.get(self.path.split("?", 1)[0])
        route = route or {}
        status = route.get("status", 200)
        body = None
        if "body" in route:
            body = route["body"].encode("utf-8")
        elif "body_hex" in route:
            body = bytes.fromhex(route["body_hex"])
        elif "size" in route:
            headText = route.get("head", "<html><body>").encode("utf-8")
            tail = route.get("tail", "").encode("utf-8")
            fill = route["size"] - len(headText) - len(tail)
            body = headText + b"a" * max(fill, 0) + tail
        elif "count" in route:
            body = b""
        elif status == 200 or "file" in route:
            rel = route.get("file", self.path.split("?", 1)[0])
            path = os.path.normpath(os.path.join(ROOT, rel.lstrip("/")))
            if os.path.isdir(path):
                path = os.path.join(path, "index.html")
            if not path.startswith(ROOT) or not os.path.isfile(path):
                status = 404
                body = b"<html><body>not found</body></html>"
            else:
                with open(path, "rb") as f:
                    body = f.read()
                if "type" not in route:
                    guessed = mimetypes.guess_type(path)[0] or "application/octet-stream"
                    if guessed.startswith("text/"):
                        guessed += "; charset=utf-8"
                    route = dict(route, type=guessed)
        else:
            body = b""
        self.send_response(status)
        if "location" in route:
            self.send_header("Location", route["location"])
        for name, value in route.get("headers", {}).items():
            self.send_header(name, value)
        ctype = route.get("type", "text/html")
        if ctype is not None:
            self.send_header("Content-Type", ctype)
        if "count" in route:
            self.send_header("Connection", "close")
            self.end_headers()
            if head:
                return
            piece = b"<p>" + b"x" * max(route.get("chunk", 64) - 3, 0)
            try:
                for _ in range(route["count"]):
                    self.wfile.write(piece)
                    self.wfile.flush()
                    time.sleep(route.get("interval", 0.1))
            except OSError:
                pass
            self.close_connection = True
            return
        if route.get("nolength"):
            self.send_header("Connection", "close")
            self.close_connection = True
        else:
            self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        if not head:
            try:
                self.wfile.write(body)
            except OSError:
                self.close_connection = True


def watch_stdin():
    try:
        while sys.stdin.buffer.read(1):
            pass
    finally:
        os._exit(0)


def main():
    server = ThreadingHTTPServer(("127.0.0.1", 0), Handler)
    server.daemon_threads = True
    threading.Thread(target=watch_stdin, daemon=True).start()
    threading.Timer(MAX_LIFETIME, lambda: os._exit(0)).start()
    print("PORT %d" % server.server_address[1], flush=True)
    server.serve_forever()


if __name__ == "__main__":
    main()
