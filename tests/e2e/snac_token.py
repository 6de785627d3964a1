#!/usr/bin/env python3
"""An access token for a user of a snac2 server on loopback, got as a Mastodon client gets one:
the application registered (api/v1/apps), the user signed in through snac's authorization form,
and the code exchanged (oauth/token). Prints the token.
Usage: snac_token.py SERVER USER PASSWORD      (SERVER: http://127.0.0.1:PORT/)"""
import json
import sys
import urllib.error
import urllib.parse

import snac_forms  # beside this script

server, user, password = sys.argv[1:4]
redirect = "http://127.0.0.1:1/callback"  # never opened: the code is read from the redirect


opener = snac_forms.opener()
post = lambda path, fields: opener.open(server + path, urllib.parse.urlencode(fields).encode(), timeout=20)
app = json.load(post("api/v1/apps", {"client_name": "quillet-test", "redirect_uris": redirect, "scopes": "read write"}))
form = snac_forms.Form()
query = urllib.parse.urlencode({"response_type": "code", "client_id": app["client_id"], "redirect_uri": redirect,
                                "scope": "read write"})
form.feed(opener.open(server + "oauth/authorize?" + query, timeout=20).read().decode("utf-8"))
try:
    location = opener.open(form.action, urllib.parse.urlencode(dict(form.fields, login=user, passwd=password)).encode(),
                           timeout=20).headers.get("Location")
except urllib.error.HTTPError as redirected:
    location = redirected.headers.get("Location")
code = urllib.parse.parse_qs(urllib.parse.urlsplit(location).query)["code"][0]
token = json.load(post("oauth/token", {"grant_type": "authorization_code", "code": code, "client_id": app["client_id"],
                                       "client_secret": app["client_secret"], "redirect_uri": redirect}))
print(token["access_token"])
