#!/usr/bin/env bash
# A server of the user's choice, under Wine with the real quillet.exe and a loopback service over
# HTTPS whose certificate comes from a CA made for the test and trusted in the prefix, in two
# parts that run side by side. "accounts": Options from the tray menu, Edit... on the first
# account, the address typed in the account dialog, Test shows who we are signed in as and the
# server's limit; OK stores it, and the password protected instead of scrambled; a line longer
# than 140 characters then reaches the GNU social interface with Basic authentication; then the
# Mastodon interface with an access token (Bearer).
# "failures": started with the server set, nothing is asked of it (and WinHTTP is not loaded)
# until the first line sent, which asks its limit too; then Test's words for each way a server
# can fail, and certificates made out for another name or from an unknown CA, which Test reports
# and nothing passes.
source "$(dirname "$0")/e2e-lib.sh"
source "$(dirname "$0")/e2e-tray-lib.sh"
e2e_parts "${1:-}" accounts failures
e2e_init "service-$E2E_PART"

certs=$E2E_ART/certs
bash "$QUILLET_ROOT/tests/e2e/make_certs.sh" "$certs" >/dev/null || { e2e_fail "no certificates"; e2e_finish; }
"$QUILLET_WINE" "$QUILLET_TRUST_ROOT" "$certs/ca.pem" >/dev/null 2>&1 || e2e_fail "the test CA is not trusted"
service_pids=()
start_service() {  # start_service NAME CERT
  python3 "$QUILLET_ROOT/tests/e2e/service.py" --port-file "$E2E_ART/$1.port" --log "$E2E_ART/$1.log" \
    --tls "$certs/$2" "$certs/server.key" --user alice --password secret --token token-1 --mode-file "$E2E_ART/mode" &
  service_pids+=($!)
  e2e_wait_for 10 test -s "$E2E_ART/$1.port"
}
trap 'kill "${service_pids[@]}" 2>/dev/null; e2e_cleanup' EXIT
start_service good good.pem && start_service wrongname wrongname.pem && start_service untrusted untrusted.pem ||
  { e2e_fail "no service"; e2e_finish; }
port=$(cat "$E2E_ART/good.port")
# The first request the service logged whose method and path match PATTERN (other requests, the
# server's limit asked with the first line among them, may come before or after it):
# "method path|authorization|body".
request_matching() {  # request_matching SERVICE PATTERN
  python3 -c 'import json, re, sys
for line in open(sys.argv[1], encoding="utf-8"):
    r = json.loads(line) if line.strip() else {}
    if re.match(sys.argv[2], r.get("method", "") + " " + r.get("path", "")):
        print(r.get("method", "") + " " + r.get("path", "") + "|" + r.get("headers", {}).get("Authorization", "") + "|" + r.get("body", ""))
        break' "$E2E_ART/$1.log" "$2" 2>/dev/null
}
# Closes the account dialog (Return: OK, Escape: Cancel), then Options with Escape: what the
# account dialog stored stays.
close_account() {
  local options
  e2e_key "$2"
  e2e_wait_hidden "$1" 5 || return 1
  options=$(e2e_find_window 'Quillet Options') || return 1
  e2e_key Escape
  e2e_wait_hidden "$options" 5
}
message_settled() { local message; message=$(e2e_account_field message) && [ -n "$message" ] && [[ $message != Testing* ]]; }
wait_message() { e2e_wait_for "$1" message_settled; }
testing_shown() { [[ $(e2e_account_field message) == Testing* ]]; }
post_line() {  # post_line TEXT
  e2e_tray_click 1 2
  local id
  id=$(e2e_wait_window Quillet 10) || return 1
  e2e_click "$id" 200 94
  e2e_type "$1"
  sleep 1  # an Enter in the window's first second is taken for one meant for another window
  e2e_key Return
  e2e_wait_hidden "$id" 5
}

e2e_reg_set Username alice
e2e_reg_set Password "$(e2e_scramble secret)"
if [ "$E2E_PART" = failures ]; then
  # The first account as the "accounts" part leaves it: the Mastodon interface with its token.
  e2e_reg_set Api mastodon
  e2e_reg_set Server "https://localhost:$port/"
  "$QUILLET_WINE" "$QUILLET_PROTECT_VALUE" 'Software\Velmora\Quillet' Token token-1 ||
    e2e_fail "the token cannot be protected"
fi
e2e_start
e2e_wait_tray 30 || { e2e_fail "no tray icon"; e2e_finish; }

if [ "$E2E_PART" = accounts ]; then
  # 1. Options, Edit... on the first account, the GNU social address, Test, OK.
  id=$(e2e_open_account) || { e2e_fail "\"Options...\", Edit... opens no account dialog"; e2e_finish; }
  e2e_shot account-empty "$id"
  e2e_click "$id" 228 57   # the server's address
  e2e_type "https://localhost:$port/api/"
  e2e_click "$id" 56 236   # Test
  wait_message 20
  message=$(e2e_account_field message)
  e2e_shot account-signed-in "$id"
  e2e_check "Test says who we are and the limit ($message)" \
    test "$message" = "Signed in as @alice. Lines may be up to 1000 characters long."
  e2e_check "Test asked with Basic authentication" \
    test "$(grep -c '"Authorization": "Basic YWxpY2U6c2VjcmV0"' "$E2E_ART/good.log")" -ge 1
  e2e_check "OK closes, and Options after it" close_account "$id" Return
  e2e_check "Server stored" test "$(e2e_reg_query "$APP_KEY" Server)" = "https://localhost:$port/api/"
  e2e_check "TextLimit stored" test "$(e2e_reg_query "$APP_KEY" TextLimit)" = 1000
  e2e_check "Api and Token stay absent" test "$(e2e_reg_hex "$APP_KEY" Api)$(e2e_reg_hex "$APP_KEY" Token)" = missingmissing
  e2e_check "the password is no longer scrambled but protected" \
    test "$(e2e_reg_hex "$APP_KEY" Password)" = missing -a "$(e2e_reg_hex "$APP_KEY" ProtectedPassword)" != missing

  # 2. A line longer than 140 characters reaches the server over HTTPS.
  long="$(printf 'long line %.0s' $(seq 15))end, & 100%"
  post_line "$long"
  e2e_wait_for 15 eval '[ -n "$(request_matching good "POST /api/statuses/update.xml")" ]'
  expected_body=$(python3 -c 'import sys, urllib.parse; print("source=Quillet&status=" + urllib.parse.quote_plus(sys.argv[1], safe="-._~"))' "$long")
  e2e_check "the ${#long}-character line arrived whole, with Basic authentication" \
    test "$(request_matching good "POST /api/statuses/update.xml")" = "POST /api/statuses/update.xml|Basic YWxpY2U6c2VjcmV0|$expected_body"

  # 3. The Mastodon interface with an access token.
  id=$(e2e_open_account) || { e2e_fail "the account dialog does not open again"; e2e_finish; }
  e2e_click "$id" 250 26   # the kind of service: its list drops down; Mastodon-compatible
  e2e_key Down
  e2e_key Return
  e2e_click "$id" 228 57
  xdotool key ctrl+a BackSpace
  e2e_type "https://localhost:$port/"
  e2e_click "$id" 130 85   # "Enter an access token instead": the token's box appears below it
  e2e_click "$id" 250 113  # the token
  e2e_type token-1
  e2e_shot account-mastodon "$id"
  e2e_check "OK closes, and Options after it" close_account "$id" Return
  e2e_check "Api stored" test "$(e2e_reg_query "$APP_KEY" Api)" = mastodon
  token_hex=$(e2e_reg_hex "$APP_KEY" Token)
  e2e_check "the token is stored, and not in clear" eval '[ "$token_hex" != missing ] && ! echo "$token_hex" | e2e_has -i "$(printf token-1 | od -An -tx1 | tr -d " \n")"'
  post_line "toot"
  e2e_wait_for 15 eval '[ -n "$(request_matching good "POST /api/v1/statuses")" ]'
  e2e_check "the line arrived at the Mastodon interface with the token" \
    test "$(request_matching good "POST /api/v1/statuses")" = "POST /api/v1/statuses|Bearer token-1|status=toot"
  # The account's visibility and language of posts, as the account dialog stores them: sent after the line.
  e2e_reg_set Visibility unlisted
  e2e_reg_set PostLanguage de
  post_line "toot unlisted"
  e2e_check "the next line carries the visibility and the language" e2e_wait_for 15 \
    grep -qF '"body": "status=toot+unlisted&visibility=unlisted&language=de"' "$E2E_ART/good.log"
  e2e_finish
fi

# 4. Started with an HTTPS server set, the program asks it nothing and loads no HTTPS library
# until the first line is sent: that line asks the server's limit too.
sleep 3
maps=/proc/$(e2e_app_process)/maps
winhttp_absent() { [ -r "$maps" ] && ! grep -qi "winhttp.dll" "$maps"; }
e2e_check "at start the server is asked nothing" test "$(cat "$E2E_ART/good.log" 2>/dev/null | grep -c '"method"')" = 0
e2e_check "at start WinHTTP is not loaded" winhttp_absent
e2e_tray_click 1 2
if id=$(e2e_wait_window Quillet 10); then
  e2e_check "a pop-up opens without loading WinHTTP" winhttp_absent
  e2e_click "$id" 200 94
  e2e_type "first line of the run"
  sleep 1  # an Enter in the window's first second is taken for one meant for another window
  e2e_key Return
  e2e_wait_hidden "$id" 5 || e2e_fail "Enter did not hide the update window"
  e2e_check "the first line sent asks the server's limit" \
    e2e_wait_for 10 grep -q '"path": "/api/v1/instance"' "$E2E_ART/good.log"
  # Before the service's answers change below: the line is taken (else it waits, and the tray menu
  # gains "Lines waiting...").
  e2e_check "and is taken" e2e_wait_settled 20
else
  e2e_fail "no update window"
fi

# 5. Test's words for each way a server can fail; certificates for another name or from an unknown
# CA let nothing through; a hung server is given up after 30 s, the program answering throughout.
test_message() {  # test_message ADDRESS SECONDS: types the address into the account dialog, Test, prints the outcome
  local id
  id=$(e2e_open_account) || return 1
  e2e_click "$id" 228 57
  xdotool key ctrl+a BackSpace
  e2e_type "$1"
  e2e_click "$id" 56 236   # Test
  # While the hung server keeps the request under way, the dialog answers and says so: reading
  # its text waits on the dialog, so "Testing..." read at all was read before the 30 s were over.
  [ "$3" = hang ] && e2e_wait_for 20 testing_shown && touch "$E2E_ART/answered-while-$3"
  wait_message "$2"
  e2e_account_field message
  e2e_shot "account-$3" "$id"
  close_account "$id" Escape
}
while IFS='|' read -r name mode expected; do
  echo "$mode" > "$E2E_ART/mode"
  service=good
  case $name in wrong-name | untrusted) service=${name/-/} ;; esac
  started=$(date +%s)
  message=$(test_message "https://localhost:$(cat "$E2E_ART/$service.port")/" 45 "$name")
  e2e_check "$name: Test says \"$expected\" ($message, $(($(date +%s) - started)) s)" eval 'grep -qF "$expected" <<<"$message"'
  [ "$name" = hang ] && e2e_check "the program answered during the hang" test -f "$E2E_ART/answered-while-hang"
done <<'TABLE'
password|401|refused the access token (401)
not-found|404|does not answer as a Mastodon-compatible service (404)
redirect|301|redirects to https://127.0.0.1:
hang|hang|within 30 seconds
wrong-name|ok|No secure connection to localhost
untrusted|ok|No secure connection to localhost
TABLE
echo ok > "$E2E_ART/mode"
e2e_check "nothing passed the refused certificates" \
  test "$(cat "$E2E_ART/wrongname.log" "$E2E_ART/untrusted.log" 2>/dev/null | grep -c '"method"')" = 0
e2e_check "Esc stored none of the addresses tried" test "$(e2e_reg_query "$APP_KEY" Server)" = "https://localhost:$port/"
e2e_finish
