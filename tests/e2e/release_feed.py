#!/usr/bin/env python3
"""A loopback release feed for the update check's test, over HTTPS:

    release_feed.py --port-file F --tls CERT KEY --log F --mode-file F

It listens on 127.0.0.1, on a port of the system's choice, written to the port file once it
listens. Every GET is answered as the mode file says at that moment (absent or empty: newer):
    newer       200, the latest release is v99.1.0 (a stable one)
    same        200, v1.0.0... the version given by --current
    older       200, v0.9.0
    prerelease  200, v99.2.0-rc.1 flagged "prerelease": true
    broken      200, a document cut short
    refused     403 with a JSON message, as a rate limit gives
    slow        answers nothing for 45 seconds, then closes
The log gets one JSON object per request, written at once: method, path, headers (in order, as
sent), and the mode it was answered in.
"""
import argparse
import json
import os
import ssl
import threading
import time
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer

parser = argparse.ArgumentParser()
parser.add_argument("--port-file", required=True)
parser.add_argument("--tls", nargs=2, required=True)
parser.add_argument("--log", required=True)
parser.add_argument("--mode-file", required=True)
parser.add_argument("--current", default="1.0.0")
args = parser.parse_args()
lock = threading.Lock()


def release(tag, prerelease=False):
    return json.dumps({"url": "https://feed.invalid/releases/1", "tag_name": tag, "name": "Quillet " + tag,
                       "html_url": f"https://localhost/velmora/quillet/releases/tag/{tag}", "draft": False,
                       "prerelease": prerelease, "assets": [{"name": "quillet-setup.exe", "size": 588943}]})


class Feed(BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def log_message(self, *_):
        pass

    def do_GET(self):
        try:
            with open(args.mode_file) as f:
                mode = f.read().strip() or "newer"
        except OSError:
            mode = "newer"
        with lock, open(args.log, "a") as log:
            log.write(json.dumps({"method": "GET", "path": self.path, "headers": list(self.headers.items()),
                                  "mode": mode}) + "\n")
        if mode == "slow":
            time.sleep(45)
            self.close_connection = True
            return
        status, body = 200, {
            "newer": release("v99.1.0"),
            "same": release("v" + args.current),
            "older": release("v0.9.0"),
            "prerelease": release("v99.2.0-rc.1", True),
            "broken": release("v99.1.0")[:40],
            "refused": json.dumps({"message": "API rate limit exceeded"}),
        }.get(mode, "")
        if mode == "refused":
            status = 403
        data = body.encode()
        self.send_response(status)
        self.send_header("Content-Type", "application/json; charset=utf-8")
        self.send_header("Content-Length", str(len(data)))
        self.end_headers()
        self.wfile.write(data)


server = ThreadingHTTPServer(("127.0.0.1", 0), Feed)
context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
context.load_cert_chain(*args.tls)
server.socket = context.wrap_socket(server.socket, server_side=True)
with open(args.port_file + ".tmp", "w") as f:
    f.write(str(server.server_address[1]))
os.replace(args.port_file + ".tmp", args.port_file)
server.serve_forever()
