#!/usr/bin/env python3
"""The engine's HTTP tests talk to this server: HttpEchoServer.py <port>

Listens on 127.0.0.1 only. Every request is answered with what arrived, one item a line:
method, path, query, body and content type; a path ending in ".html" gets the same as a small
HTML page, "/status/<code>" that status. The server ends on GET /quit, and by itself after
30 seconds, so that no test leaves it behind.
"""
import sys
import threading
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer

LIFETIME_SECONDS = 30


class EchoHandler(BaseHTTPRequestHandler):
    def do_GET(self):
        self.answer()

    def do_POST(self):
        self.answer()

    def answer(self):
        body = self.rfile.read(int(self.headers.get("Content-Length") or 0)).decode("ascii", "replace")
        path, _, query = self.path.partition("?")
        if path == "/quit":
            threading.Thread(target=self.server.shutdown).start()
        echo = "\n".join([self.command, path, query, body, self.headers.get("Content-Type") or ""])
        status, kind = 200, "text/plain"
        if path.startswith("/status/"):
            status = int(path[len("/status/"):].split(".")[0])
        if path.endswith(".html"):
            echo, kind = f"<p id=loaded>{self.command} {path}</p>", "text/html"
        data = echo.encode("utf-8")
        self.send_response(status)
        self.send_header("Content-Type", kind)
        self.send_header("Content-Length", str(len(data)))
        self.end_headers()
        try:
            self.wfile.write(data)
        except OSError:
            pass  # the client went away first, as some tests mean it to

    def log_message(self, *args):
        pass


def main():
    server = ThreadingHTTPServer(("127.0.0.1", int(sys.argv[1])), EchoHandler)
    server.daemon_threads = True
    timer = threading.Timer(LIFETIME_SECONDS, server.shutdown)
    timer.daemon = True
    timer.start()
    server.serve_forever()


if __name__ == "__main__":
    main()
