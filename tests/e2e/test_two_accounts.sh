#!/usr/bin/env bash
# Two accounts under Wine with the real quillet.exe: the first a GNU social server (user name and
# scrambled password under the program's key), the second a Mastodon-compatible one under
# Accounts\2 (its password protected with the user's data protection). A line confirmed once
# reaches each of them exactly once, with each account's own credentials.
source "$(dirname "$0")/e2e-lib.sh"
source "$(dirname "$0")/e2e-tray-lib.sh"
e2e_init two-accounts

service_pids=()
start_service() {  # start_service NAME USER PASSWORD
  python3 "$QUILLET_ROOT/tests/e2e/service.py" --port-file "$E2E_ART/$1.port" --log "$E2E_ART/$1.log" \
    --user "$2" --password "$3" &
  service_pids+=($!)
  e2e_wait_for 10 test -s "$E2E_ART/$1.port"
}
trap 'kill "${service_pids[@]}" 2>/dev/null; e2e_cleanup' EXIT
start_service first alice secret && start_service second bob hidden || { e2e_fail "no service"; e2e_finish; }
# The requests a service logged, one a line: "method path|authorization|body".
requests() {
  python3 -c 'import json, sys
for l in open(sys.argv[1], encoding="utf-8"):
    if l.strip():
        r = json.loads(l)
        print(r.get("method", "") + " " + r.get("path", "") + "|" + r.get("headers", {}).get("Authorization", "") + "|" + r.get("body", ""))' "$E2E_ART/$1.log" 2>/dev/null
}
posts() { requests "$1" | grep -c "^POST "; }

e2e_reg_set Username alice
e2e_reg_set Password "$(e2e_scramble secret)"
e2e_reg_set Server "http://127.0.0.1:$(cat "$E2E_ART/first.port")/api/"
"$QUILLET_WINE" reg add "$APP_KEY\\Accounts\\2" /v Api /d mastodon /f >/dev/null 2>&1
"$QUILLET_WINE" reg add "$APP_KEY\\Accounts\\2" /v Server /d "http://127.0.0.1:$(cat "$E2E_ART/second.port")/" /f >/dev/null 2>&1
"$QUILLET_WINE" reg add "$APP_KEY\\Accounts\\2" /v Username /d bob /f >/dev/null 2>&1
"$QUILLET_WINE" "$QUILLET_PROTECT_VALUE" 'Software\Velmora\Quillet\Accounts\2' Password hidden ||
  e2e_fail "the second account's password cannot be protected"
e2e_check "the second account's password is not stored in clear" \
  eval 'stored=$("$QUILLET_WINE" reg query "$APP_KEY\\Accounts\\2" /v Password 2>/dev/null) &&
    ! grep -qi "$(printf hidden | od -An -tx1 | tr -d " \n")" <<<"$stored"'

e2e_start
e2e_wait_tray 30 || { e2e_fail "no tray icon"; e2e_finish; }
e2e_tray_click 1 2
id=$(e2e_wait_window Quillet 10) || { e2e_fail "no update window"; e2e_finish; }
e2e_click "$id" 200 94
e2e_type "to both"
sleep 1  # an Enter in the window's first second is taken for one meant for another window
e2e_key Return
e2e_check "the line is settled" e2e_wait_settled 20
e2e_check "taken by both: nothing waits in the outbox" e2e_outbox_is ""
e2e_check "the first account got the line once, with its credentials" \
  test "$(requests first | grep '^POST ')" = "POST /api/statuses/update.xml|Basic YWxpY2U6c2VjcmV0|source=Quillet&status=to+both"
e2e_check "the second account got the line once, with its own credentials" \
  test "$(requests second | grep '^POST ')" = "POST /api/v1/statuses|Basic Ym9iOmhpZGRlbg==|status=to+both"
e2e_finish
