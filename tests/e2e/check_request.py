#!/usr/bin/env python3
"""Checks one recorded status request line by line.

    check_request.py FILE USER PASSWORD HOST STATUS

Prints one "ok:" or "FAIL:" line per check; exits 1 if any failed.
"""
import base64
import sys
import urllib.parse


def main():
    path, user, password, host, status = sys.argv[1:6]
    data = open(path, "rb").read()
    failures = 0

    def check(text, condition):
        nonlocal failures
        print(("ok: " if condition else "FAIL: ") + text)
        failures += 0 if condition else 1

    head, sep, body = data.partition(b"\r\n\r\n")
    check("the header ends in an empty line", sep == b"\r\n\r\n")
    lines = head.split(b"\r\n")
    check("seven lines before the body", len(lines) == 6)
    lines += [b""] * 6
    check("request line", lines[0] == b"POST /statuses/update.xml HTTP/1.0")
    prefix = b"Authorization: Basic "
    token = lines[1][len(prefix):] if lines[1].startswith(prefix) else b""
    try:
        credentials = base64.b64decode(token, validate=True)
    except ValueError:
        credentials = b""
    check("Authorization token decodes to user:password", credentials == f"{user}:{password}".encode("cp1252"))
    check("Host line", lines[2] == b"Host: " + host.encode())
    check("Connection line", lines[3] == b"Connection: close")
    check("user-agent line", lines[4] == b"user-agent: Quillet")
    check("content-length is the body's byte count", lines[5] == b"content-length: " + str(len(body)).encode())
    expected = b"source=Quillet&status=" + urllib.parse.quote_plus(status, safe="", encoding="utf-8").encode()
    check("body is the form-encoded status", body == expected)
    fields = urllib.parse.parse_qs(body.decode("ascii", "replace"), keep_blank_values=True)
    check("the service reads the status back whole",
          fields.get("source") == ["Quillet"] and fields.get("status") == [status])
    if failures:
        print("request was:", repr(data))
    sys.exit(1 if failures else 0)


if __name__ == "__main__":
    main()
