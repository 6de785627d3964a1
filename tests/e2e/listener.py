#!/usr/bin/env python3
"""A loopback HTTP listener for the end-to-end tests: records the bytes of every request and
answers each connection as planned.

    listener.py --port PORT --record DIR [--plan MODE,MODE,...] [--flood-bytes N] [--hold-accept S]

Request i (counting from 0) gets the i-th mode of the plan; past its end, the last mode
(default "ok"). Modes:
    ok     answer "200 OK" with a short body, then close
    reset  close at once with a reset (RST), without answering
    stall  never answer; keep the connection until the client closes it
    flood  answer "200 OK" followed by N bytes (default 8 MiB), then close
    NNN    answer with that status (e.g. 500, 401) and a short body, then close
    NNN/S  the same with "Retry-After: S" (e.g. 503/45)
    half   send half a status line ("HTTP/1.0 2"), then close in order
Only POST requests are counted and planned: any other (a client asking a server of its choice
for its limits) is answered "404 Not Found" and logged as "- GET ignored".
With --hold-accept S, connections cannot even be set up until the file DIR/release appears (or
S seconds have passed): the listener's queue is kept full (one connection of its own, never
accepted), so a client's connection attempts go unanswered and it stays connecting; then it
serves as usual.
For each connection it writes DIR/request-<i>.bin (the request as received: the header and as
many body bytes as its content-length gives, or whatever came before the client stopped),
DIR/request-<i>.time (when its last byte arrived: seconds since the epoch) and appends a line "<i> <mode> <event>" to DIR/log ("recorded", "answered", "answered NNN", "reset", "flooded",
"half-answered", "closed-by-client"). DIR/ready appears once it listens. It runs until killed.
"""
import argparse
import os
import socket
import struct
import threading
import time


REASONS = {"401": "Unauthorized", "403": "Forbidden", "429": "Too Many Requests",
           "500": "Internal Server Error", "503": "Service Unavailable"}


def read_request(conn):
    """Reads one request: the header, then content-length bytes of body (5 s at most)."""
    conn.settimeout(5.0)
    data = b""
    try:
        while b"\r\n\r\n" not in data:
            chunk = conn.recv(65536)
            if not chunk:
                return data
            data += chunk
        head, _, body = data.partition(b"\r\n\r\n")
        length = 0
        for line in head.split(b"\r\n")[1:]:
            name, _, value = line.partition(b":")
            if name.strip().lower() == b"content-length":
                try:
                    length = int(value.strip())
                except ValueError:
                    length = 0
        while len(body) < length:
            chunk = conn.recv(65536)
            if not chunk:
                break
            body += chunk
            data += chunk
    except socket.timeout:
        pass
    return data


class Listener:
    def __init__(self, port, record, plan, flood_bytes, hold_accept=0.0):
        self.record = record
        self.plan = plan or ["ok"]
        self.flood_bytes = flood_bytes
        self.count = 0
        self.lock = threading.Lock()
        self.server = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
        self.server.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
        self.server.bind(("127.0.0.1", port))
        self.hold_accept = hold_accept
        self.filler = None
        if hold_accept > 0:
            # A queue of one, filled by a connection of our own: further handshakes get no answer.
            self.server.listen(0)
            self.filler = socket.create_connection(("127.0.0.1", port))
        else:
            self.server.listen(8)

    def log(self, index, mode, event):
        with self.lock:
            with open(os.path.join(self.record, "log"), "a") as log:
                log.write(f"{index} {mode} {event}\n")

    def serve(self, conn):
        request = read_request(conn)
        arrived = time.time()
        if request and not request.startswith(b"POST "):
            conn.sendall(b"HTTP/1.0 404 Not Found\r\nContent-Length: 0\r\n\r\n")
            conn.close()
            self.log("-", request.split(b" ", 1)[0].decode("ascii", "replace"), "ignored")
            return
        with self.lock:
            index = self.count
            self.count += 1
        mode = self.plan[min(index, len(self.plan) - 1)]
        with open(os.path.join(self.record, f"request-{index}.time"), "w") as out:
            out.write(f"{arrived:.6f}\n")
        with open(os.path.join(self.record, f"request-{index}.bin"), "wb") as out:
            out.write(request)
        self.log(index, mode, "recorded")
        try:
            if mode == "ok":
                conn.sendall(b"HTTP/1.0 200 OK\r\nContent-Type: text/xml\r\n\r\n<status><id>1</id></status>")
                self.log(index, mode, "answered")
            elif mode == "reset":
                conn.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, struct.pack("ii", 1, 0))
                self.log(index, mode, "reset")
            elif mode == "stall":
                conn.settimeout(None)
                while conn.recv(65536):
                    pass
                self.log(index, mode, "closed-by-client")
            elif mode == "half":
                conn.sendall(b"HTTP/1.0 2")
                self.log(index, mode, "half-answered")
            elif mode[:3].isdigit():
                status, _, retry_after = mode.partition("/")
                head = f"HTTP/1.0 {status} {REASONS.get(status, 'Status')}\r\nContent-Type: text/plain\r\n"
                if retry_after:
                    head += f"Retry-After: {retry_after}\r\n"
                conn.sendall(head.encode() + b"\r\nno\n")
                self.log(index, mode, f"answered {status}")
            elif mode == "flood":
                conn.settimeout(60.0)
                conn.sendall(b"HTTP/1.0 200 OK\r\nContent-Type: text/xml\r\n\r\n")
                block = b"<x>flood</x>" * 5461  # 65532 bytes
                sent = 0
                while sent < self.flood_bytes:
                    part = block[: self.flood_bytes - sent]
                    conn.sendall(part)
                    sent += len(part)
                self.log(index, mode, "flooded")
        except OSError as error:
            self.log(index, mode, f"error {error.__class__.__name__}")
        finally:
            conn.close()

    def run(self):
        open(os.path.join(self.record, "ready"), "w").close()
        if self.filler is not None:
            deadline = time.monotonic() + self.hold_accept
            while time.monotonic() < deadline and not os.path.exists(os.path.join(self.record, "release")):
                time.sleep(0.1)
            own, _ = self.server.accept()
            own.close()
            self.filler.close()
            self.log(-1, "hold", "released")
        while True:
            conn, _ = self.server.accept()
            threading.Thread(target=self.serve, args=(conn,), daemon=True).start()


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--port", type=int, required=True)
    parser.add_argument("--record", required=True)
    parser.add_argument("--plan", default="ok")
    parser.add_argument("--flood-bytes", type=int, default=8 * 1024 * 1024)
    parser.add_argument("--hold-accept", type=float, default=0.0)
    args = parser.parse_args()
    os.makedirs(args.record, exist_ok=True)
    Listener(args.port, args.record, args.plan.split(","), args.flood_bytes, args.hold_accept).run()


if __name__ == "__main__":
    main()
