#!/usr/bin/env python3
"""A loopback service for the tests that plays both kinds of server the program talks to: a
GNU social (Twitter-compatible) one and a Mastodon one, over HTTPS or plain HTTP.

    service.py --port-file F [--tls CERT KEY] [--log F] [--mode-file F]
               [--user NAME] [--password PW] [--token TOK] [--api-prefix /api/] [--text-limit N]
               [--yesterday TEXT]...

It listens on 127.0.0.1, on a port of the system's choice, which it writes to the port file
once it listens (the file appears whole). It runs until killed.

The mode file, read at every request (absent or empty: ok), says how to answer:
    ok     as the server would (below)
    401    401 Unauthorized          404   404 Not Found
    500    500 Internal Server Error 503   503 Service Unavailable, Retry-After: 2
    301    301 Moved Permanently, Location: <scheme>://127.0.0.1:<port>/moved/
    429    429 Too Many Requests, Retry-After as an HTTP-date (Wed, 21 Oct 2037 07:28:00 GMT), and
           RateLimit-Reset as an XRPC server sends it (seconds since 1970)
    hang   read the request, never answer, keep the connection open
    drip   answer 200 with a long body, one byte a second, until the client goes
    close  read the request, close the connection without a word (a status is not stored)
    late   read the request, answer nothing for 40 seconds, then store a status and close the
           connection without a word (the client has given up on the answer by then)

In mode ok, GNU social's calls are under the API prefix (default /api/) and take Basic
authentication (user:password):
    POST statuses/update.xml        form body status=...  -> <status> with <text>
    GET  account/verify_credentials.xml                   -> <user> with <screen_name>
    GET  statusnet/config.json      (no authentication)   -> {"site": {"textlimit": "N", ...}}
Mastodon's are at fixed paths and take Bearer TOKEN or Basic user:password:
    POST /api/v1/statuses           form body status=...  -> the status as JSON
    GET  /api/v1/accounts/verify_credentials              -> {"username": ..., "acct": ...}
    GET  /api/v1/instance           (no authentication)   -> {"configuration": {"statuses":
                                                               {"max_characters": N}}, ...}
The posts stored are the account's timeline, newest first (--yesterday stores one a day old
before the service starts): GET <prefix>statuses/user_timeline.xml (GNU social) and
GET /api/v1/accounts/1/statuses (Mastodon), each post with its text and created_at.
Wrong credentials give 401, unknown paths 404, another method 405, a body that is not a form
with a non-empty status 400, a status longer than the text limit (default 1000 for GNU social,
500 for Mastodon; --text-limit sets both) 403 (GNU social) or 422 (Mastodon).

The log gets one JSON object per request, written at once: method, path, headers, body (as
text), received (the Unix time in seconds when its last byte had arrived), and answer (the
status sent, or "hang", "close"). A TLS handshake that fails is logged
as {"tls_failed": "<reason>"}.
"""
import argparse
import base64
import html
import json
import os
import socket
import ssl
import sys
import threading
import time
import urllib.parse
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer

def json_text(value):
    return json.dumps(value, ensure_ascii=False)  # as the servers do: UTF-8, not \u escapes


CREATED_AT = "Sat Jan 04 12:00:00 +0000 2025"
CREATED_AT_ISO = "2025-01-04T12:00:00.000Z"


class Service:
    def __init__(self, args):
        self.args = args
        self.log_lock = threading.Lock()
        self.next_id = 1000
        self.id_lock = threading.Lock()
        self.port = 0
        self.scheme = "https" if args.tls else "http"
        self.forever = threading.Event()  # never set: what hanging requests wait for
        self.posts = [(text, time.time() - 86400) for text in args.yesterday]  # (text, when), oldest first
        self.posts_lock = threading.Lock()

    def store(self, text):
        with self.posts_lock:
            self.posts.append((text, time.time()))

    def timeline(self):
        with self.posts_lock:
            return list(reversed(self.posts[-40:]))

    def mode(self):
        if not self.args.mode_file:
            return "ok"
        try:
            with open(self.args.mode_file, encoding="utf-8") as f:
                return f.read().strip() or "ok"
        except OSError:
            return "ok"

    def log(self, entry):
        if not self.args.log:
            return
        with self.log_lock, open(self.args.log, "a", encoding="utf-8") as f:
            f.write(json.dumps(entry) + "\n")
            f.flush()

    def new_id(self):
        with self.id_lock:
            self.next_id += 1
            return self.next_id

    def text_limit(self, default):
        return self.args.text_limit if self.args.text_limit is not None else default


def basic_ok(auth, service):
    if not auth.startswith("Basic "):
        return False
    try:
        decoded = base64.b64decode(auth[6:].strip(), validate=True).decode("utf-8")
    except (ValueError, UnicodeDecodeError):
        return False
    return decoded == f"{service.args.user}:{service.args.password}"


def bearer_ok(auth, service):
    return service.args.token is not None and auth == f"Bearer {service.args.token}"


def form_status(handler, body):
    """The status of a form body, or None when the body is no form with a non-empty status."""
    content_type = handler.headers.get("Content-Type", "").split(";")[0].strip().lower()
    if content_type != "application/x-www-form-urlencoded":
        return None
    try:
        fields = urllib.parse.parse_qs(body.decode("utf-8"), keep_blank_values=True, strict_parsing=False,
                                       errors="strict")
    except (UnicodeDecodeError, ValueError):
        return None
    values = fields.get("status", [])
    if len(values) != 1 or not values[0]:
        return None
    return values[0]


def gnusocial_user_xml(name):
    return (f"<id>1</id><name>{html.escape(name)}</name><screen_name>{html.escape(name)}</screen_name>"
            f"<location></location><description></description><protected>false</protected>"
            f"<followers_count>0</followers_count><friends_count>0</friends_count>"
            f"<created_at>{CREATED_AT}</created_at><statuses_count>1</statuses_count>")


def mastodon_account(name):
    return {"id": "1", "username": name, "acct": name, "display_name": name, "locked": False, "bot": False,
            "created_at": CREATED_AT_ISO, "note": "", "url": f"https://127.0.0.1/@{name}",
            "followers_count": 0, "following_count": 0, "statuses_count": 1}


class Handler(BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    server_version = "QuilletTestService/1.0"
    service = None  # set before serving

    def log_message(self, *args):  # the JSON log says it all
        pass

    def do_GET(self):
        self.handle_request()

    def do_POST(self):
        self.handle_request()

    def do_PUT(self):
        self.handle_request()

    def do_DELETE(self):
        self.handle_request()

    def handle_request(self):
        service = self.service
        length = int(self.headers.get("Content-Length", "0") or 0)
        body = self.rfile.read(length) if length > 0 else b""
        entry = {"method": self.command, "path": self.path, "headers": dict(self.headers.items()),
                 "body": body.decode("utf-8", errors="replace"), "received": time.time()}
        mode = service.mode()
        if mode == "hang":
            entry["answer"] = "hang"
            service.log(entry)
            service.forever.wait()
            return
        if mode == "drip":
            entry["answer"] = "drip"
            service.log(entry)
            self.close_connection = True
            try:
                self.send_response(200)
                self.send_header("Content-Type", "text/plain")
                self.send_header("Content-Length", "100000")
                self.end_headers()
                while True:
                    self.wfile.write(b"x")
                    self.wfile.flush()
                    time.sleep(1)
            except OSError:
                return
        if mode == "late":
            entry["answer"] = "late"
            service.log(entry)
            time.sleep(40)
            self.route(body)  # stored now, the answer dropped
            self.close_without_a_word()
            return
        if mode == "close":
            entry["answer"] = "close"
            service.log(entry)
            self.close_without_a_word()
            return
        if mode == "ok":
            status, content_type, text, extra = self.route(body)
        elif mode == "301":
            status, content_type, text = 301, "text/html", "<html><body>Moved</body></html>"
            extra = {"Location": f"{service.scheme}://127.0.0.1:{service.port}/moved/"}
        elif mode == "503":
            status, content_type, text, extra = 503, "text/html", "<html><body>Busy</body></html>", {"Retry-After": "2"}
        elif mode == "429":
            status, content_type, text = 429, "text/html", "<html><body>Slow down</body></html>"
            extra = {"Retry-After": "Wed, 21 Oct 2037 07:28:00 GMT", "RateLimit-Reset": "2139668880"}
        elif mode in ("401", "404", "500"):
            status, content_type, text, extra = int(mode), "text/html", f"<html><body>{mode}</body></html>", {}
            if mode == "401":
                extra["WWW-Authenticate"] = 'Basic realm="API"'
        else:
            status, content_type, text, extra = 500, "text/plain", f"unknown mode {mode}\n", {}
        entry["answer"] = status
        service.log(entry)
        self.answer(status, content_type, text, extra)

    def close_without_a_word(self):
        self.close_connection = True
        try:
            self.connection.shutdown(socket.SHUT_RDWR)
        except OSError:
            pass

    def answer(self, status, content_type, text, extra):
        data = text.encode("utf-8")
        self.send_response(status)
        self.send_header("Content-Type", content_type)
        self.send_header("Content-Length", str(len(data)))
        for name, value in extra.items():
            self.send_header(name, value)
        self.end_headers()
        self.wfile.write(data)
        self.wfile.flush()

    def route(self, body):
        """The answer in mode ok: (status, content type, text, extra headers)."""
        service = self.service
        args = service.args
        path = urllib.parse.urlsplit(self.path).path
        auth = self.headers.get("Authorization", "")
        prefix = args.api_prefix
        xml = "application/xml; charset=utf-8"
        js = "application/json; charset=utf-8"

        mastodon = {"/api/v1/statuses": "POST", "/api/v1/accounts/verify_credentials": "GET", "/api/v1/instance": "GET",
                    "/api/v1/accounts/1/statuses": "GET"}
        gnusocial = {prefix + "statuses/update.xml": "POST", prefix + "account/verify_credentials.xml": "GET",
                     prefix + "statusnet/config.json": "GET", prefix + "statuses/user_timeline.xml": "GET"}
        if path in mastodon:
            if self.command != mastodon[path]:
                return 405, js, json_text({"error": "Method not allowed"}), {"Allow": mastodon[path]}
            if path == "/api/v1/instance":
                limit = service.text_limit(500)
                return 200, js, json_text({
                    "uri": "127.0.0.1", "title": "Test service", "version": "4.2.0",
                    "configuration": {"statuses": {"max_characters": limit, "max_media_attachments": 4}},
                }), {}
            if not (bearer_ok(auth, service) or basic_ok(auth, service)):
                return 401, js, json_text({"error": "The access token is invalid"}), {}
            if path == "/api/v1/accounts/verify_credentials":
                return 200, js, json_text(mastodon_account(args.user)), {}
            if path == "/api/v1/accounts/1/statuses":
                return 200, js, json_text([{
                    "id": str(int(when * 1000)), "content": f"<p>{html.escape(text)}</p>", "reblog": None,
                    "created_at": time.strftime("%Y-%m-%dT%H:%M:%S.000Z", time.gmtime(when))}
                    for text, when in service.timeline()]), {}
            status = form_status(self, body)
            if status is None:
                return 400, js, json_text({"error": "Validation failed: Text can't be blank"}), {}
            limit = service.text_limit(500)
            if len(status) > limit:
                return 422, js, json_text({"error": f"Validation failed: Text character limit of {limit} exceeded"}), {}
            service.store(status)
            sid = str(service.new_id())
            return 200, js, json_text({
                "id": sid, "created_at": CREATED_AT_ISO, "visibility": "public", "sensitive": False,
                "content": f"<p>{html.escape(status)}</p>", "uri": f"https://127.0.0.1/statuses/{sid}",
                "url": f"https://127.0.0.1/@{args.user}/{sid}", "account": mastodon_account(args.user),
            }), {}
        if path in gnusocial:
            if self.command != gnusocial[path]:
                return 405, xml, '<?xml version="1.0" encoding="UTF-8"?>\n<hash><error>This method requires a ' \
                    f'{gnusocial[path]}.</error><request>{html.escape(path)}</request></hash>', {}
            if path.endswith("statusnet/config.json"):
                limit = service.text_limit(1000)
                return 200, js, json_text({
                    "site": {"name": "Test service", "server": "127.0.0.1", "path": "", "fancy": "1",
                             "textlimit": str(limit), "closed": "0", "inviteonly": "0", "private": "0",
                             "ssl": "always" if args.tls else "never"},
                    "attachments": {"uploads": False}, "integration": {"source": "Test service"},
                }), {}
            if not basic_ok(auth, service):
                return 401, xml, '<?xml version="1.0" encoding="UTF-8"?>\n<hash><error>Could not authenticate ' \
                    f'you.</error><request>{html.escape(path)}</request></hash>', {"WWW-Authenticate": 'Basic realm="API"'}
            if path.endswith("account/verify_credentials.xml"):
                return 200, xml, f'<?xml version="1.0" encoding="UTF-8"?>\n<user>{gnusocial_user_xml(args.user)}</user>', {}
            if path.endswith("statuses/user_timeline.xml"):
                return 200, xml, '<?xml version="1.0" encoding="UTF-8"?>\n<statuses type="array">' + "".join(
                    f'<status><text>{html.escape(text)}</text><created_at>'
                    f'{time.strftime("%a %b %d %H:%M:%S +0000 %Y", time.gmtime(when))}</created_at></status>'
                    for text, when in service.timeline()) + "</statuses>", {}
            status = form_status(self, body)
            if status is None:
                return 400, xml, '<?xml version="1.0" encoding="UTF-8"?>\n<hash><error>Client must provide a ' \
                    f"'status' parameter with a value.</error><request>{html.escape(path)}</request></hash>", {}
            limit = service.text_limit(1000)
            if len(status) > limit:
                return 403, xml, '<?xml version="1.0" encoding="UTF-8"?>\n<hash><error>That\'s too long. Maximum ' \
                    f'notice size is {limit} characters.</error><request>{html.escape(path)}</request></hash>', {}
            service.store(status)
            sid = service.new_id()
            return 200, xml, (f'<?xml version="1.0" encoding="UTF-8"?>\n<status><text>{html.escape(status)}</text>'
                              f'<truncated>false</truncated><created_at>{CREATED_AT}</created_at>'
                              f'<in_reply_to_status_id></in_reply_to_status_id><source>api</source>'
                              f'<id>{sid}</id><favorited>false</favorited>'
                              f'<user>{gnusocial_user_xml(args.user)}</user></status>'), {}
        return 404, "text/html", "<html><body>Not found</body></html>", {}


class Server(ThreadingHTTPServer):
    daemon_threads = True
    tls = None  # an ssl.SSLContext when serving HTTPS
    service = None

    def finish_request(self, request, client_address):
        # The TLS handshake happens here, on the connection's own thread: a client that stalls
        # in it holds up no one else.
        if self.tls is not None:
            try:
                request.settimeout(10)
                request = self.tls.wrap_socket(request, server_side=True)
                request.settimeout(None)
            except (ssl.SSLError, OSError) as failure:
                self.service.log({"tls_failed": str(failure)})
                return
        super().finish_request(request, client_address)

    def handle_error(self, request, client_address):
        pass  # a client that went away mid-answer


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--port-file", required=True)
    parser.add_argument("--tls", nargs=2, metavar=("CERT", "KEY"))
    parser.add_argument("--log")
    parser.add_argument("--mode-file")
    parser.add_argument("--user", default="alice")
    parser.add_argument("--password", default="secret")
    parser.add_argument("--token")
    parser.add_argument("--api-prefix", default="/api/")
    parser.add_argument("--text-limit", type=int)
    parser.add_argument("--yesterday", action="append", default=[], help="a post a day old on the timeline")
    args = parser.parse_args()
    if not args.api_prefix.startswith("/") or not args.api_prefix.endswith("/"):
        parser.error("--api-prefix must begin and end with /")

    service = Service(args)
    Handler.service = service
    server = Server(("127.0.0.1", 0), Handler)
    server.service = service
    if args.tls:
        context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        context.load_cert_chain(args.tls[0], args.tls[1])
        server.tls = context
    service.port = server.server_address[1]
    partial = args.port_file + ".part"
    with open(partial, "w", encoding="utf-8") as f:
        f.write(f"{service.port}\n")
    os.replace(partial, args.port_file)
    try:
        server.serve_forever()
    except KeyboardInterrupt:
        pass


if __name__ == "__main__":
    sys.exit(main())
