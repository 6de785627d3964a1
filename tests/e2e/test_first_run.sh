#!/usr/bin/env bash
# The first run of a person without an account on the built-in service, in a fresh prefix: the
# settings dialog's "Another kind of account..." opens the account dialog, and OK there is the
# whole first run. Two parts:
#   journal   Journal only: the account dialog cancelled and the settings dialog closed end
#             Quillet; started again, the journal road reaches the tray with no user name, a line
#             goes to the journal, and the next start goes straight to the tray.
#   mastodon  Mastodon-compatible with Sign in... against snac2 (see test_sign_in.sh): OK reaches
#             the tray, and a line sent with Enter arrives on the account once.
source "$(dirname "$0")/e2e-lib.sh"
source "$(dirname "$0")/e2e-tray-lib.sh"
e2e_parts "${1:-}" journal mastodon
[ "$E2E_PART" = mastodon ] && e2e_require_server snac2
e2e_init first-run-$E2E_PART

# The settings dialog of the first run, and its "Another kind of account..." (left of OK).
settings_dialog() { e2e_wait_window 'Quillet Settings' 30; }
open_account_dialog() {  # open_account_dialog SETTINGS_ID: prints the account dialog's id
  e2e_click "$1" 80 204
  e2e_wait_window 'Quillet Account' 10
}
choose_kind() {  # choose_kind ACCOUNT_ID DOWNS: the kind list drops down at a click, Down walks it
  local n
  e2e_click "$1" 250 26
  for n in $(seq "$2"); do e2e_key Down; done
  e2e_key Return
}
first_run_reaches_tray() {  # first_run_reaches_tray SETTINGS_ID ACCOUNT_ID WHAT
  e2e_click "$2" 296 288  # OK in the account dialog
  e2e_check "$3: OK closes the account dialog" e2e_wait_hidden "$2" 5
  e2e_check "$3: and the settings dialog with it" e2e_wait_hidden "$1" 5
  e2e_check "$3: Quillet runs in the notification area" e2e_wait_tray 30
  e2e_check "$3: Quillet still runs" e2e_alive
  e2e_check "$3: no user name was needed" test -z "$(e2e_reg_query "$APP_KEY" Username)"
  e2e_check "$3: the interval of the settings dialog is stored" test "$(e2e_reg_query "$APP_KEY" Interval)" = 40
}

case $E2E_PART in
journal)
  # Every dialog closed without an account: Quillet ends, as it always did.
  e2e_start
  id=$(settings_dialog) || { e2e_fail "no settings dialog at the first run"; e2e_finish; }
  e2e_shot settings-first-run "$id"
  account=$(open_account_dialog "$id") || { e2e_fail "no account dialog from the first run"; e2e_finish; }
  e2e_key Escape
  e2e_check "Esc closes the account dialog" e2e_wait_hidden "$account" 5
  e2e_check "the settings dialog stays" e2e_visible "$id"
  e2e_click "$id" 269 204  # Cancel
  e2e_check "closing every dialog without an account ends Quillet" e2e_wait_exit 15
  e2e_check "nothing is stored as an account" test -z "$(e2e_reg_query "$APP_KEY" Api)"

  # Journal only, chosen in the account dialog of a new start.
  e2e_start
  id=$(settings_dialog) || { e2e_fail "no settings dialog at the second try"; e2e_finish; }
  account=$(open_account_dialog "$id") || { e2e_fail "no account dialog"; e2e_finish; }
  choose_kind "$account" 2
  e2e_shot account-journal-first-run "$account"
  first_run_reaches_tray "$id" "$account" "journal only"
  e2e_check "the first account is the journal" test "$(e2e_reg_query "$APP_KEY" Api)" = journal
  e2e_post_line "my first line kept"
  journal() { cat "$WINEPREFIX"/drive_c/users/*/AppData/Local/Quillet/journal.csv 2>/dev/null; }
  e2e_check "the line is in the journal" e2e_wait_for 10 eval 'journal | e2e_has ",my first line kept,kept in the journal only"'
  e2e_exit_by_menu
  e2e_check "Exit ends Quillet" e2e_wait_exit 15

  # A later start finds the account: no settings dialog, straight to the notification area.
  e2e_start
  e2e_check "a later start goes to the notification area" e2e_wait_tray 30
  e2e_check "without the settings dialog" eval '! e2e_find_window "Quillet Settings" >/dev/null'
  ;;
mastodon)
  e2e_start_snac || { e2e_fail "snac does not answer"; e2e_finish; }
  trap 'kill "$SNAC_PID" 2>/dev/null; wait "$SNAC_PID" 2>/dev/null; e2e_cleanup' EXIT
  server=$SNAC_SERVER
  api() { curl -s --noproxy '*' --max-time 5 "$server$1"; }
  browser=$E2E_ART/browser.sh
  cat >"$browser" <<SCRIPT
#!/bin/sh
exec python3 "$QUILLET_ROOT/tests/e2e/snac_browser.py" "$E2E_ART/browser.log" alice '$SNAC_PASSWORD' "\$1"
SCRIPT
  chmod +x "$browser"
  "$QUILLET_WINE" reg add 'HKCU\Software\Wine\WineBrowser' /v Browsers /d "$browser" /f >/dev/null 2>&1

  e2e_start
  id=$(settings_dialog) || { e2e_fail "no settings dialog at the first run"; e2e_finish; }
  account=$(open_account_dialog "$id") || { e2e_fail "no account dialog from the first run"; e2e_finish; }
  choose_kind "$account" 1
  e2e_click "$account" 200 57  # the server's address
  e2e_type "$server"
  e2e_click "$account" 383 57  # Sign in...
  e2e_wait_for 60 eval 'e2e_account_field message | e2e_has "^Signed in\|refused\|failed\|not\|No "'
  e2e_check "signed in from the first run ($(e2e_account_field message))" \
    test "$(e2e_account_field message)" = "Signed in as alice. OK keeps the new token."
  e2e_shot account-mastodon-first-run "$account"
  first_run_reaches_tray "$id" "$account" "Mastodon-compatible"
  e2e_check "the first account is the server's" \
    test "$(e2e_reg_query "$APP_KEY" Api)|$(e2e_reg_query "$APP_KEY" Server)" = "mastodon|$server"
  e2e_check "its token is stored, protected" test "$(e2e_reg_hex "$APP_KEY" Token)" != missing

  user=$(api 'api/v1/accounts/lookup?acct=alice' | python3 -c 'import json, sys; print(json.load(sys.stdin)["id"])')
  posts() { api "api/v1/accounts/$user/statuses" | python3 -c 'import json, re, sys
print("\n".join(re.sub("<[^>]*>", "", s["content"]) for s in json.load(sys.stdin)))'; }
  line="my first line, from the first run"
  e2e_post_line "$line"
  e2e_check "the line is settled" e2e_wait_settled 20
  e2e_check "the line arrived on snac exactly once" test "$(posts | grep -cxF "$line")" = 1
  ;;
esac
e2e_finish
