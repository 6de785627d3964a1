#!/usr/bin/env python3
"""The browser Wine opens for a sign-in, played by the test: it reads snac's authorization page,
signs in through its login form (oauth/x-snac-login) as the given user, and follows the redirect
to Quillet's loopback listener, after asking that listener for a favicon first, as browsers do.
Usage: snac_browser.py LOG USER PASSWORD URL"""
import sys
import urllib.error
import urllib.parse

import snac_forms  # beside this script

log_path, user, password, url = sys.argv[1:5]


def log(text):
    with open(log_path, "a", encoding="utf-8") as log_file:
        log_file.write(text + "\n")


opener = snac_forms.opener()
log("opened " + url)
try:
    form = snac_forms.Form()
    form.feed(opener.open(url, timeout=20).read().decode("utf-8"))
    fields = dict(form.fields, login=user, passwd=password)
    try:
        reply = opener.open(form.action, urllib.parse.urlencode(fields).encode(), timeout=20)
        location = reply.headers.get("Location")
    except urllib.error.HTTPError as redirect:
        location = redirect.headers.get("Location")
    log("redirected to " + str(location))
    target = urllib.parse.urlsplit(location)
    try:
        opener.open(f"{target.scheme}://{target.netloc}/favicon.ico", timeout=20).read()
    except urllib.error.HTTPError as missing:
        log(f"favicon: {missing.code}")
    page = opener.open(location, timeout=20)
    log(f"landed: {page.status} {page.headers.get('Content-Type')} {page.read().decode('utf-8')!r}")
except Exception as failure:  # the test reads the log
    log(f"failed: {failure!r}")
