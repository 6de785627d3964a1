#!/usr/bin/env python3
"""An RFC 3161 time-stamping service on loopback, for the signing test: each POST of a
time-stamp query is answered by `openssl ts -reply` with the certificate and key in DIR
(tsa.pem, tsa.key, made by the test). Writes the port to DIR/port once it listens; counts the
stamps given in DIR/stamps.

  time_stamp_service.py DIR
"""
import os
import subprocess
import sys
import tempfile
from http.server import BaseHTTPRequestHandler, HTTPServer

folder = sys.argv[1]
config = os.path.join(folder, "tsa.cnf")
with open(config, "w") as f:
    f.write(f"""[tsa]
default_tsa = test
[test]
serial = {folder}/serial
signer_cert = {folder}/tsa.pem
signer_key = {folder}/tsa.key
certs = {folder}/tsa.pem
signer_digest = sha256
default_policy = 1.2.3.4.1
digests = sha1, sha256, sha384, sha512
accuracy = secs:1
ess_cert_id_alg = sha256
""")
with open(os.path.join(folder, "serial"), "w") as f:
    f.write("01\n")


class Stamper(BaseHTTPRequestHandler):
    def log_message(self, *_):
        pass

    def do_POST(self):
        query = self.rfile.read(int(self.headers.get("Content-Length", 0)))
        with tempfile.TemporaryDirectory() as work:
            with open(os.path.join(work, "query"), "wb") as f:
                f.write(query)
            made = subprocess.run(["openssl", "ts", "-reply", "-config", config, "-queryfile",
                                   os.path.join(work, "query"), "-out", os.path.join(work, "reply")],
                                  capture_output=True)
            reply = open(os.path.join(work, "reply"), "rb").read() if made.returncode == 0 else b""
        if not reply:
            self.send_response(500)
            self.end_headers()
            return
        with open(os.path.join(folder, "stamps"), "a") as f:
            f.write("stamp\n")
        self.send_response(200)
        self.send_header("Content-Type", "application/timestamp-reply")
        self.send_header("Content-Length", str(len(reply)))
        self.end_headers()
        self.wfile.write(reply)


server = HTTPServer(("127.0.0.1", 0), Stamper)
with open(os.path.join(folder, "port.tmp"), "w") as f:
    f.write(str(server.server_address[1]))
os.replace(os.path.join(folder, "port.tmp"), os.path.join(folder, "port"))
server.serve_forever()
