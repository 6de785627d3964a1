#!/usr/bin/env bash
# Signing in with the browser, against a real Mastodon-compatible server on loopback (snac2,
# unpacked by tools/setup.sh): Options, Edit... on the first account, the server's address, "Sign in..."; Wine opens its browser,
# which is tests/e2e/snac_browser.py here (HKCU\Software\Wine\WineBrowser "Browsers"): it logs in
# through snac's form and follows the redirect to Quillet's loopback listener. Quillet says who
# signed in, OK keeps the token, and a line typed and sent with Enter arrives on the account
# exactly once, read back through the server's API.
source "$(dirname "$0")/e2e-lib.sh"
source "$(dirname "$0")/e2e-tray-lib.sh"

e2e_require_server snac2
e2e_init sign_in

# The server: a fresh data folder on a free loopback port, plain http.
e2e_start_snac || { e2e_fail "snac does not answer"; e2e_finish; }
trap 'kill "$SNAC_PID" 2>/dev/null; wait "$SNAC_PID" 2>/dev/null; e2e_cleanup' EXIT
server=$SNAC_SERVER
password=$SNAC_PASSWORD
api() { curl -s --noproxy '*' --max-time 5 "$server$1"; }

# The browser Wine opens: a script that signs in as alice.
browser=$E2E_ART/browser.sh
cat >"$browser" <<SCRIPT
#!/bin/sh
exec python3 "$QUILLET_ROOT/tests/e2e/snac_browser.py" "$E2E_ART/browser.log" alice '$password' "\$1"
SCRIPT
chmod +x "$browser"
"$QUILLET_WINE" reg add 'HKCU\Software\Wine\WineBrowser' /v Browsers /d "$browser" /f >/dev/null 2>&1

e2e_reg_set Username alice
e2e_start
e2e_wait_tray 30 || { e2e_fail "no tray icon"; e2e_finish; }

# 1. Options, Edit... on the first account, the Mastodon-compatible kind, the address, Sign in...
id=$(e2e_open_account) || { e2e_fail "\"Options...\", Edit... opens no account dialog"; e2e_finish; }
e2e_click "$id" 250 26   # the kind of service: its list drops down; Mastodon-compatible shows Sign in...
for key in Down Return; do e2e_key $key; done
e2e_click "$id" 200 57   # the server's address
e2e_type "$server"
started=$(date +%s)
e2e_click "$id" 383 57   # Sign in...
e2e_wait_for 60 eval 'e2e_account_field message | e2e_has "^Signed in\|refused\|failed\|not\|No "'
message=$(e2e_account_field message)
e2e_shot account-signed-in "$id"
e2e_log "sign-in took $(($(date +%s) - started)) s: $message"
e2e_check "the browser was opened at snac's authorization page" \
  grep -q "^opened ${server}oauth/authorize?response_type=code&client_id=" "$E2E_ART/browser.log"
e2e_check "the favicon was not found, the page says it can be closed" \
  eval 'grep -q "^favicon: 404" "$E2E_ART/browser.log" && grep -q "^landed: 200 text/html; charset=utf-8 .*You can close this page" "$E2E_ART/browser.log"'
e2e_check "Quillet says who signed in ($message)" test "$message" = "Signed in as alice. OK keeps the new token."
e2e_check "the visibility's first entry names the server's default ($(e2e_account_field visibility))" \
  test "$(e2e_account_field visibility)" = "The server's default (Public)"
# The posts go out unlisted, in German: each list drops down at a click, Down walks it, Return takes.
e2e_click "$id" 250 113  # Visibility: the server's default, Public, Unlisted, ...
for key in Down Down Return; do e2e_key $key; done
e2e_click "$id" 250 141  # Language of posts: the account's default, Arabic, ... Galician, German
for _ in $(seq 13); do e2e_key Down; done
e2e_key Return
e2e_check "Unlisted and German chosen ($(e2e_account_field visibility), $(e2e_account_field language))" \
  test "$(e2e_account_field visibility)|$(e2e_account_field language)" = "Unlisted|German"
e2e_shot account-unlisted-german "$id"
e2e_click "$id" 296 288  # OK
e2e_check "OK closes" e2e_wait_hidden "$id" 5
options=$(e2e_find_window 'Quillet Options') && e2e_key Escape  # stored already: Options' Cancel keeps it
e2e_check "Options closes" e2e_wait_hidden "$options" 5
e2e_check "Api stored" test "$(e2e_reg_query "$APP_KEY" Api)" = mastodon
e2e_check "Server stored" test "$(e2e_reg_query "$APP_KEY" Server)" = "$server"
e2e_check "the token and the application are stored, protected" \
  eval '[ "$(e2e_reg_hex "$APP_KEY" Token)" != missing ] && [ "$(e2e_reg_hex "$APP_KEY" Apps)" != missing ]'
e2e_check "the visibility and language stored" \
  test "$(e2e_reg_query "$APP_KEY" Visibility)|$(e2e_reg_query "$APP_KEY" PostLanguage)" = "unlisted|de"

# 2. A line sent with Enter arrives once; the time from Enter to the post on the server is kept.
account=$(api 'api/v1/accounts/lookup?acct=alice' | python3 -c 'import json, sys; print(json.load(sys.stdin)["id"])')
posts() { api "api/v1/accounts/$account/statuses" | python3 -c 'import json, re, sys
print("\n".join(re.sub("<[^>]*>", "", s["content"]) for s in json.load(sys.stdin)))'; }
line="signed in through the browser, & 100% sure"
e2e_bring_up || { e2e_fail "no update window"; e2e_finish; }
read -r x y < <(e2e_geometry "$UP_ID")
xdotool mousemove $((x + 200)) $((y + 94)) click 1 type --delay 5 "$line"
sleep 1.1  # an Enter in the window's first second is taken for one meant for another window
# A poller that asks the server every 20 ms from the moment of Enter, to time the line's way.
python3 - "${server}api/v1/accounts/$account/statuses" "$line" >"$E2E_ART/enter-to-server.txt" <<'PY' &
import json, re, sys, time, urllib.request
start = time.monotonic()
opener = urllib.request.build_opener(urllib.request.ProxyHandler({}))
while time.monotonic() - start < 20:
    posts = json.load(opener.open(sys.argv[1], timeout=5))
    if any(re.sub("<[^>]*>", "", p["content"]) == sys.argv[2] for p in posts):
        print(round((time.monotonic() - start) * 1000))
        break
    time.sleep(0.02)
PY
poller=$!
xdotool key Return
wait "$poller"
e2e_log "Enter to the post on snac: $(cat "$E2E_ART/enter-to-server.txt") ms (asked every 20 ms)"
e2e_check "the line is settled" e2e_wait_settled 10
e2e_check "the line arrived exactly once" test "$(posts | grep -cxF "$line")" = 1
status=$(api "api/v1/accounts/$account/statuses" | python3 -c 'import json, re, sys
for s in json.load(sys.stdin):
    if re.sub("<[^>]*>", "", s["content"]) == sys.argv[1]: print(s.get("visibility"), s.get("language"))' "$line")
# snac2 (this release) takes visibility=unlisted and language=de and keeps the post public, in
# English: its Mastodon interface knows only "private" and "direct" (test_service.sh checks the
# request's bytes). Said here, so that a later snac2 that keeps them shows.
e2e_log "snac2 keeps the line as: $status (visibility, language)"

# 3. Signing in again reuses the application registered the first time.
id=$(e2e_open_account) || { e2e_fail "the account dialog does not open again"; e2e_finish; }
e2e_click "$id" 383 57   # Sign in...
e2e_wait_for 60 eval 'e2e_account_field message | e2e_has "^Signed in\|refused\|failed\|not\|No "'
e2e_check "signed in again ($(e2e_account_field message))" test "$(e2e_account_field message)" = "Signed in as alice. OK keeps the new token."
clients=$(sed -n 's/^opened .*client_id=\([^&]*\)&.*/\1/p' "$E2E_ART/browser.log" | sort | uniq -c | awk '{ print $1 }')
e2e_check "the same application both times" test "$clients" = 2
e2e_key Escape
e2e_finish
