#!/usr/bin/env bash
# Bluesky against the reference PDS (@atproto/pds with an in-memory PLC directory, on loopback,
# installed by tools/setup.sh under build/pds), in two parts that run side by side. "posting": an
# account and an app password are made, the real quillet.exe posts to it over http:// (the socket,
# HTTP/1.0), and the server's own list of records says what arrived: the typed line with its
# emoji, once, with its link as a facet. Then a line whose request left while the server could not
# answer (the PDS stopped), Quillet killed before any answer and started again: the line is
# repeated under its record key and is there once. Prints the time from Enter to the requests'
# arrival (xclip pastes the emoji). Without a window manager Wine waits up to 2 s for one when
# Enter hides the active window, before the request goes: bench/idle_cost.sh's way (Wine's X11
# driver not managing windows) leaves that out, but here it left the tray's icon unreachable now
# and then, so the figure includes those 2 s.
# "second": a user whose first account keeps a journal adds Bluesky as a second account through
# Options (Add..., the kind, the server, the handle and the app password, OK, OK); the next line
# arrives on the PDS, signed in with the app password kept protected under Accounts\2.
# "beside_snac": the first account on snac2 (a Mastodon-compatible server), the second on the PDS:
# a line reaches each once; with the PDS frozen, the next line still reaches snac2 at once, and
# the PDS once it answers again.
source "$(dirname "$0")/e2e-lib.sh"
source "$(dirname "$0")/e2e-tray-lib.sh"
PDS_DIR=$QUILLET_ROOT/build/pds
e2e_require_server pds
e2e_parts "${1:-}" posting second beside_snac
e2e_init "bluesky-$E2E_PART"

PDS_PID=""
stop_pds() {
  [ -n "$PDS_PID" ] && { kill -CONT "$PDS_PID" 2>/dev/null; kill "$PDS_PID" 2>/dev/null; wait "$PDS_PID" 2>/dev/null; }
  PDS_PID=""
}
trap 'stop_pds; e2e_cleanup' EXIT
PDS_PORT=$(e2e_free_port)
rm -rf "$E2E_ART/pds-data"
NODE_PATH=$PDS_DIR/node_modules node "$E2E_LIB_DIR/pds/run_pds.js" --port "$PDS_PORT" --data "$E2E_ART/pds-data" \
  --out "$E2E_ART/account.json" --log "$E2E_ART/pds-requests.log" >"$E2E_ART/pds.log" 2>&1 &
PDS_PID=$!
e2e_wait_for 60 test -s "$E2E_ART/account.json" || { e2e_fail "the PDS did not start"; cat "$E2E_ART/pds.log"; e2e_finish; }
e2e_log "$(tail -1 "$E2E_ART/pds.log")"
field() { python3 -c 'import json,sys; print(json.load(open(sys.argv[1]))[sys.argv[2]])' "$E2E_ART/account.json" "$1"; }
handle=$(field handle)
did=$(field did)

e2e_reg_set Interval 120  # the lines go through the icon's double click

# The posts in the account's repository: one JSON object per line.
posts() {
  python3 - "http://127.0.0.1:$PDS_PORT/xrpc/com.atproto.repo.listRecords?repo=$did&collection=app.bsky.feed.post&limit=100" <<'PY'
import json, sys, urllib.request
for record in json.load(urllib.request.urlopen(sys.argv[1], timeout=10))["records"]:
    print(json.dumps(record["value"], ensure_ascii=False))
PY
}
copies() { posts | python3 -c 'import json,sys; t=sys.argv[1]; print(sum(json.loads(l)["text"]==t for l in sys.stdin))' "$1"; }
has_copies() { [ "$(copies "$1")" = "$2" ]; }
langs_of() {  # the langs of each record of the text, as JSON
  posts | python3 -c 'import json,sys; t=sys.argv[1]; print(" ".join(json.dumps(v.get("langs")) for v in map(json.loads, sys.stdin) if v["text"]==t))' "$1"
}
arrivals() { grep -c "$1" "$E2E_ART/pds-requests.log"; }
arrived_at_least() { [ "$(arrivals "$1")" -ge "$2" ]; }
# Brings the window up, types $1 and pastes $2 (X's clipboard reaches Wine's: a character beyond
# U+FFFF cannot be typed through a key under Wine), presses Enter; ENTER_MS is when Enter went.
post() {
  local x y seen wait
  # A double click in the program's first seconds may come before it listens: tried again.
  e2e_bring_up || e2e_bring_up || e2e_bring_up || { e2e_shot no-window; e2e_fail "no window for '$1$2'"; ENTER_MS=0; return 1; }
  read -r x y < <(e2e_geometry "$UP_ID")
  seen=$(e2e_now_ms)
  xdotool mousemove $((x + 200)) $((y + 94)) click 1 type --delay 5 "$1"
  if [ -n "${2:-}" ]; then
    printf '%s' "$2" | xclip -selection clipboard -loops 1 2>/dev/null &
    sleep 0.3
    xdotool key ctrl+v
    sleep 0.3
  fi
  wait=$((1100 - ($(e2e_now_ms) - seen)))
  [ "$wait" -gt 0 ] && sleep "$(printf '%d.%03d' $((wait / 1000)) $((wait % 1000)))"
  ENTER_MS=$(python3 "$QUILLET_ROOT/bench/xkey.py" Return | awk '{ printf "%.0f", $1 * 1000 }')
  e2e_wait_hidden "$UP_ID" 3 || { e2e_fail "'$1': Enter did not hide the window"; return 1; }
}
arrival_ms() { awk -v n="$1" -v after="$2" '$0 ~ n && $1 >= after { print $1; exit }' "$E2E_ART/pds-requests.log"; }

if [ "$E2E_PART" = beside_snac ]; then
  e2e_require_server snac2
  e2e_start_snac || { e2e_fail "snac does not answer"; e2e_finish; }
  trap 'kill "$SNAC_PID" 2>/dev/null; stop_pds; e2e_cleanup' EXIT
  snac_server=$SNAC_SERVER
  token=$(python3 "$E2E_LIB_DIR/snac_token.py" "$snac_server" alice "$SNAC_PASSWORD" 2>"$E2E_ART/token.log") ||
    { e2e_fail "no access token from snac"; e2e_finish; }
  snac_api() { curl -s --noproxy '*' --max-time 5 -H "Authorization: Bearer $token" "$snac_server$1"; }
  snac_account=$(snac_api api/v1/accounts/verify_credentials | python3 -c 'import json, sys; print(json.load(sys.stdin)["id"])')
  snac_copies() {
    snac_api "api/v1/accounts/$snac_account/statuses?limit=40" | python3 -c 'import json, re, sys
print(sum(re.sub("<[^>]*>", "", s["content"]) == sys.argv[1] for s in json.load(sys.stdin)))' "$1"
  }
  snac_has() { [ "$(snac_copies "$1")" = "$2" ]; }
  e2e_reg_set Api mastodon
  e2e_reg_set Server "$snac_server"
  e2e_reg_set Username alice
  "$QUILLET_WINE" "$QUILLET_PROTECT_VALUE" 'Software\Velmora\Quillet' Token "$token" || e2e_fail "the token cannot be protected"
  "$QUILLET_WINE" reg add "$APP_KEY\\Accounts\\2" /v Api /d bluesky /f >/dev/null 2>&1
  "$QUILLET_WINE" reg add "$APP_KEY\\Accounts\\2" /v Server /d "http://127.0.0.1:$PDS_PORT/" /f >/dev/null 2>&1
  "$QUILLET_WINE" reg add "$APP_KEY\\Accounts\\2" /v Username /d "$handle" /f >/dev/null 2>&1
  "$QUILLET_WINE" "$QUILLET_PROTECT_VALUE" 'Software\Velmora\Quillet\Accounts\2' Password "$(field appPassword)" ||
    e2e_fail "the app password cannot be protected"
  e2e_start
  e2e_check "the icon appears" e2e_wait_tray 30
  line='One line for snac2 and the PDS'
  post "$line"
  e2e_check "it reaches snac2" e2e_wait_for 20 snac_has "$line" 1
  e2e_check "and the PDS" e2e_wait_for 20 has_copies "$line" 1
  e2e_check "nothing waits" e2e_wait_settled 20
  # The PDS frozen: the next line waits for it, but goes to snac2 at once.
  kill -STOP "$PDS_PID"
  line2='The PDS is frozen, snac2 is not'
  post "$line2"
  e2e_check "it reaches snac2 while the PDS is frozen" e2e_wait_for 10 snac_has "$line2" 1
  e2e_log "Enter to the post on snac2: $(($(e2e_now_ms) - ENTER_MS)) ms or less, the PDS frozen"
  e2e_check "the PDS's copy is still under way" eval 'e2e_outbox | e2e_has "^[sw] The PDS is frozen"'
  kill -CONT "$PDS_PID"
  e2e_check "once the PDS answers again, it takes the line" e2e_wait_for 60 has_copies "$line2" 1
  e2e_check "nothing waits" e2e_wait_settled 60
  e2e_check "each holds each line once" eval 'snac_has "$line" 1 && snac_has "$line2" 1 && has_copies "$line" 1 && has_copies "$line2" 1'
  e2e_check "still running" e2e_alive
  stop_pds
  e2e_finish
fi
if [ "$E2E_PART" = second ]; then
  e2e_reg_set Api journal
  e2e_reg_set Username alice
  e2e_start
  e2e_check "the icon appears" e2e_wait_tray 30
  e2e_tray_click 3
  menu=$(e2e_wait_menu 5) && e2e_menu_choose "$menu" 7
  options=$(e2e_wait_window 'Quillet Options' 10) || { e2e_fail "\"Options...\" opens no dialog"; e2e_finish; }
  e2e_click "$options" 64 154  # Add...
  id=$(e2e_wait_window 'Quillet Account' 10) || { e2e_fail "Add... opens no account dialog"; e2e_finish; }
  e2e_click "$id" 250 26  # the kind of service: its list drops down; Bluesky is the fourth
  for key in Down Down Down Return; do e2e_key $key; done
  e2e_click "$id" 30 57    # "Another server than bsky.social": the server's box appears below it
  e2e_click "$id" 228 85
  e2e_type "http://127.0.0.1:$PDS_PORT/"
  e2e_click "$id" 250 113  # the handle
  e2e_type "$handle"
  e2e_click "$id" 200 141  # the app password
  e2e_type "$(field appPassword)"
  e2e_click "$id" 250 201  # Language of posts: the account's default, Arabic, ... Galician, German
  for _ in $(seq 13); do e2e_key Down; done
  e2e_key Return
  e2e_shot account-bluesky "$id"
  e2e_click "$id" 296 288  # OK
  e2e_check "the account dialog's OK closes it" e2e_wait_hidden "$id" 5
  e2e_click "$options" 296 498  # OK
  e2e_check "Options' OK closes it" e2e_wait_hidden "$options" 5
  e2e_check "the second account is Bluesky" test "$(e2e_reg_query "$APP_KEY\\Accounts\\2" Api)" = bluesky
  e2e_check "on its own server, posting in German" test "$(e2e_reg_query "$APP_KEY\\Accounts\\2" Server)|$(e2e_reg_query "$APP_KEY\\Accounts\\2" PostLanguage)" = "http://127.0.0.1:$PDS_PORT/|de"
  password_hex=$(e2e_reg_hex "$APP_KEY\\Accounts\\2" Password)
  e2e_check "its app password is stored, and not in clear" \
    eval '[ "$password_hex" != missing ] && ! echo "$password_hex" | e2e_has -i "$(printf %s "$(field appPassword)" | od -An -tx1 | tr -d " \n")"'
  line='A line for the account added second'
  post "$line"
  e2e_check "the line arrives on the PDS" e2e_wait_for 20 has_copies "$line" 1
  e2e_check "the PDS keeps it in German ($(langs_of "$line"))" test "$(langs_of "$line")" = '["de"]'
  e2e_check "the outbox is empty" e2e_wait_for 5 e2e_outbox_is ""
  e2e_check "signed in once" test "$(arrivals createSession)" = 1
  e2e_check "the session is kept with the second account" \
    test "$(e2e_reg_hex "$APP_KEY\\Accounts\\2" Session)" != missing
  e2e_check "still running" e2e_alive
  stop_pds
  e2e_finish
fi
e2e_reg_set Api bluesky
e2e_reg_set Server "http://127.0.0.1:$PDS_PORT/"
e2e_reg_set Username "$handle"
e2e_reg_set Password "$(e2e_scramble "$(field appPassword)")"

# 1. A line with a link and an emoji: signed in once, posted once, the link a facet.
typed='Tea at https://quillet.example/tea?cup=1. '
pasted='🍵 café'
line1=$typed$pasted
e2e_start
e2e_check "the icon appears" e2e_wait_tray 30
post "$typed" "$pasted"
e2e_check "the line arrives on the PDS" e2e_wait_for 20 has_copies "$line1" 1
e2e_check "the outbox is empty" e2e_wait_for 5 e2e_outbox_is ""
sign_in=$(arrival_ms createSession "$ENTER_MS")
put=$(arrival_ms putRecord "$ENTER_MS")
e2e_log "Enter to the wire: createSession after $((sign_in - ENTER_MS)) ms, putRecord after $((put - ENTER_MS)) ms"
posts | tee "$E2E_ART/posts-1.json"
python3 - "$line1" "$(posts | sed -n 1p)" <<'PY' || e2e_fail "the post's text, time and link facet"
import json, sys
line, post = sys.argv[1], json.loads(sys.argv[2])
raw = line.encode()
start = raw.index(b"https://")
end = raw.index(b". ")
assert post["text"] == line, post["text"]
assert post["createdAt"].endswith("Z") and len(post["createdAt"]) == 24, post["createdAt"]
facets = post.get("facets", [])
assert facets == [{"index": {"byteStart": start, "byteEnd": end},
                   "features": [{"$type": "app.bsky.richtext.facet#link", "uri": raw[start:end].decode()}]}], facets
print("ok: text, createdAt and the link facet (bytes %d..%d)" % (start, end))
PY
e2e_check "signed in once" test "$(arrivals createSession)" = 1
e2e_check "the session is kept protected" test "$(e2e_reg_hex "$APP_KEY" Session)" != missing
session_holds() {  # whether the stored Session value's bytes hold $1
  e2e_reg_hex "$APP_KEY" Session | python3 -c 'import re, sys; sys.exit(sys.argv[1].encode() not in bytes.fromhex(re.sub("[^0-9a-fA-F]", "", sys.stdin.read())))' "$1"
}
e2e_check "the kept session holds no token in clear" eval "! session_holds eyJ"
e2e_check "nor the app password" eval "! session_holds '$(field appPassword)'"

# 2. The server stops answering after the request has left; Quillet is killed meanwhile and
#    started again: the line goes again under its record key, and is there once.
line2='Second line, sent while the server was stopped'
kill -STOP "$PDS_PID"
post "$line2"
e2e_check "the line is leaving when Quillet is killed" e2e_wait_for 10 eval 'e2e_outbox | e2e_has "^s "'
# The request's bytes wait in the stopped server's socket.
e2e_check "the request waits in the server's socket" \
  e2e_wait_for 10 eval '[ -n "$(ss -Htn state established "( sport = :$PDS_PORT )" | awk "\$1 > 0")" ]'
kill -9 "$(e2e_app_process)"
e2e_check "killed" e2e_wait_exit 10
kill -CONT "$PDS_PID"
e2e_check "the first request reaches the server" e2e_wait_for 15 arrived_at_least putRecord 2
e2e_start
e2e_check "the icon is back" e2e_wait_tray 30
e2e_check "the outbox empties after the restart" e2e_wait_for 30 e2e_outbox_is ""
e2e_check "the line was sent again" test "$(arrivals putRecord)" = 3
e2e_check "the line is there once" has_copies "$line2" 1
e2e_check "the first line is still there once" has_copies "$line1" 1
e2e_check "two posts in all" test "$(posts | wc -l)" = 2
e2e_check "no new sign-in" test "$(arrivals createSession)" = 1

# 3. With the session kept, Enter to the wire is one request.
line3='Third line, the session kept'
post "$line3"
e2e_check "the third line arrives" e2e_wait_for 20 has_copies "$line3" 1
put=$(arrival_ms putRecord "$ENTER_MS")
e2e_log "Enter to the wire with the session kept: putRecord after $((put - ENTER_MS)) ms"
e2e_check "still running" e2e_alive
e2e_shot done
stop_pds
e2e_finish
