#!/usr/bin/env python3
"""Test-only HTTP server on 127.0.0.1 for the catalogue update.

Serves the files of the folder given as the first argument. The first path element
chooses a behaviour, the rest names the file:
  /ok/NAME      the file as it is
  /slow/NAME    the file in small pieces with pauses (for progress and abort)
  /trunc/NAME   half the file under the whole file's Content-Length, then closes
  /huge/NAME    announces 4 GiB and sends a little
  /loop/NAME    redirects to itself forever
  /stall/NAME   sends the headers and then nothing
Index files (".vup") always come whole from every folder but /loop. A request in
absolute form (through a proxy) is served the same way and counted; /proxied answers
the count.
anything else, or a file that does not exist: 404.
Prints the port it listens on as the first line of its output.
"""
import http.server
import os
import socketserver
import sys
import time

ROOT = sys.argv[1]


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.0"

    def log_message(self, *args):
        pass

    def do_GET(self):
        path = self.path
        # A request through a proxy names the whole URL; the host is ignored.
        if "://" in path:
            path = "/" + path.split("://", 1)[1].split("/", 1)[-1]
            self.server.proxied += 1
        parts = path.lstrip("/").split("/", 1)
        if parts == ["proxied"]:
            body = str(self.server.proxied).encode()
            self.send_response(200)
            self.send_header("Content-Length", str(len(body)))
            self.end_headers()
            self.wfile.write(body)
            return
        if len(parts) != 2:
            return self.send_error(404)
        mode, name = parts
        if mode == "loop":
            self.send_response(302)
            self.send_header("Location", path)
            self.end_headers()
            return
        path = os.path.join(ROOT, os.path.basename(name))
        if mode not in ("ok", "slow", "trunc", "huge", "stall") or not os.path.isfile(path):
            return self.send_error(404)
        with open(path, "rb") as f:
            data = f.read()
        # Index files always come whole; the behaviour is for the catalogue file.
        if name.endswith(".vup"):
            mode = "ok"
        self.send_response(200)
        self.send_header("Content-Type", "application/octet-stream")
        if mode == "huge":
            self.send_header("Content-Length", str(4 * 1024 ** 3))
        else:
            self.send_header("Content-Length", str(len(data)))
        self.end_headers()
        try:
            if mode == "ok":
                self.wfile.write(data)
            elif mode == "slow":
                step = max(1, len(data) // 20)
                for i in range(0, len(data), step):
                    self.wfile.write(data[i:i + step])
                    self.wfile.flush()
                    time.sleep(0.1)
            elif mode == "trunc":
                self.wfile.write(data[: len(data) // 2])
            elif mode == "huge":
                self.wfile.write(data[:100])
            elif mode == "stall":
                self.wfile.flush()
                time.sleep(10)
        except (BrokenPipeError, ConnectionResetError):
            pass


class Server(socketserver.ThreadingMixIn, http.server.HTTPServer):
    daemon_threads = True
    proxied = 0


if __name__ == "__main__":
    server = Server(("127.0.0.1", 0), Handler)
    print(server.server_address[1], flush=True)
    server.serve_forever()
