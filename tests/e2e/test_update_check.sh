#!/usr/bin/env bash
# The quiet update check, under Wine with the real quillet.exe and a loopback release feed over
# HTTPS (tests/e2e/release_feed.py; its certificate from a CA made for the test and trusted in the
# prefix), in three parts that run side by side as one test (they mostly wait). Each part ticks
# "Tell me when a new version is out" (CheckForUpdates), points UpdateFeed at the feed and starts
# the program, which asks the feed about two minutes later; then, for each further case, the stored
# time of the last check is removed, so that the next minute asks again.
# "newer": one GET with "User-Agent: Quillet/<version>" and nothing about the person; a balloon
# "Quillet 99.1.0 is out" whose click opens the release's page; "Don't tell me about this
# version" from the tray menu stores the dismissal.
# "quiet": the same version, an older one and a pre-release: no balloon, nothing in the log.
# "failing": a broken document, a refusal (403) and a feed that does not answer: no balloon, one
# line in the log each.
source "$(dirname "$0")/e2e-lib.sh"
source "$(dirname "$0")/e2e-tray-lib.sh"
e2e_parts_side_by_side "${1:-}" newer quiet failing
e2e_init "update-check-$E2E_PART"

certs=$E2E_ART/certs
bash "$QUILLET_ROOT/tests/e2e/make_certs.sh" "$certs" >/dev/null || { e2e_fail "no certificates"; e2e_finish; }
"$QUILLET_WINE" "$QUILLET_TRUST_ROOT" "$certs/ca.pem" >/dev/null 2>&1 || e2e_fail "the test CA is not trusted"
feed_log=$E2E_ART/feed.log mode_file=$E2E_ART/mode
version=$(e2e_cache_value CMAKE_PROJECT_VERSION)
python3 "$QUILLET_ROOT/tests/e2e/release_feed.py" --port-file "$E2E_ART/feed.port" --log "$feed_log" \
  --tls "$certs/good.pem" "$certs/server.key" --mode-file "$mode_file" --current "$version" &
feed_pid=$!
trap 'kill "$feed_pid" 2>/dev/null; e2e_cleanup' EXIT
e2e_wait_for 10 test -s "$E2E_ART/feed.port" || { e2e_fail "no feed"; e2e_finish; }
touch "$feed_log"

# The browser Wine opens: it notes the address.
browser=$E2E_ART/browser.sh
printf '#!/bin/sh\necho "opened $1" >>"%s"\n' "$E2E_ART/browser.log" >"$browser"
chmod +x "$browser"
"$QUILLET_WINE" reg add 'HKCU\Software\Wine\WineBrowser' /v Browsers /d "$browser" /f >/dev/null 2>&1

key='HKCU\Software\Velmora\Quillet'
e2e_reg_set Username someone
e2e_reg_set CheckForUpdates 1
e2e_reg_set UpdateFeed "https://localhost:$(cat "$E2E_ART/feed.port")/repos/velmora/quillet/releases/latest"
log_file() { ls "$WINEPREFIX"/drive_c/users/*/AppData/Local/Quillet/quillet.log 2>/dev/null | sed -n 1p; }
log_lines() { local file; file=$(log_file); [ -n "$file" ] && grep -c 'update_check' "$file" || echo 0; }
requests() { wc -l <"$feed_log"; }
# The balloon: like a popup menu, an unnamed top-level window of Wine's own (no menu is open then).
balloon_window() { e2e_find_menu; }
# The next case: the feed answers as MODE; the last check is forgotten, so that the next minute
# boundary asks again; waits for that request (a minute and a little at most).
next_case() {  # next_case MODE
  local before
  before=$(requests)
  echo "$1" >"$mode_file"
  "$QUILLET_WINE" reg delete "$key" /v UpdateCheckedAt /f >/dev/null 2>&1
  e2e_wait_for 100 eval "[ \$(requests) -gt $before ]"
}

case $E2E_PART in  # the first case of each part
  newer) echo newer ;;
  quiet) echo same ;;
  failing) echo broken ;;
esac >"$mode_file"
e2e_start
e2e_check "the icon is up" e2e_wait_tray 30
e2e_log "waiting for the check, about two minutes after start"
e2e_check "the feed is asked about two minutes after start" e2e_wait_for 200 test -s "$feed_log"
started=$(($(date +%s) - E2E_APP_STARTED))
e2e_log "asked $started s after start"

case $E2E_PART in
  newer)
    e2e_check "one GET of the feed's path" python3 - "$feed_log" <<'PY'
import json, sys
r = json.loads(open(sys.argv[1]).readline())
assert r["method"] == "GET" and r["path"] == "/repos/velmora/quillet/releases/latest", r
PY
    e2e_check "User-Agent: Quillet/$version, and nothing about the person" python3 - "$feed_log" "$version" <<'PY'
import json, sys
r = json.loads(open(sys.argv[1]).readline())
headers = {name.lower(): value for name, value in r["headers"]}
assert headers.get("user-agent") == "Quillet/" + sys.argv[2], headers
# What WinHTTP itself adds (the host, how the connection is kept) and nothing more: no cookie,
# no language, no referrer, no authorization.
extra = set(headers) - {"host", "user-agent", "connection", "cache-control", "pragma", "accept"}
assert not extra, extra
PY
    # The version is stored as the balloon is asked for: on a loaded machine the answer's TLS and
    # the balloon can take a while, so the program's state comes first, then the window.
    e2e_check "the version told is stored" e2e_wait_for 60 eval '[ "$(e2e_reg_text "$key" UpdateToldVersion)" = 99.1.0 ]'
    balloon=$(e2e_wait_for 15 balloon_window)
    e2e_check "a balloon tells of the newer version" test -n "$balloon"
    e2e_shot balloon-newer
    # Wine never reports a click on a balloon: quillet_peek.exe sends what Windows' shell sends.
    "$QUILLET_WINE" "$QUILLET_PEEK" balloon-click >/dev/null 2>&1
    e2e_check "the balloon's click opens the release's page" e2e_wait_for 20 \
      grep -q "^opened https://localhost/velmora/quillet/releases/tag/v99.1.0$" "$E2E_ART/browser.log"
    # The menu: another unnamed window than the balloon, which Wine leaves up for a while.
    other_unnamed_window() {
      local id
      for id in $(xdotool search --onlyvisible --name '' 2>/dev/null); do
        [ "$id" != "$balloon" ] && [ -z "$(xdotool getwindowname "$id" 2>/dev/null)" ] || continue
        [ "$(xdotool getwindowgeometry "$id" | awk '/Geometry/ { print $2 }')" = "$(xdpyinfo | awk '/dimensions/ { print $2 }')" ] && continue
        echo "$id"
        return 0
      done
      return 1
    }
    e2e_tray_click 3
    menu=$(e2e_wait_for 5 other_unnamed_window)
    e2e_shot menu-pending
    [ -n "$menu" ] && E2E_MENU_SEPARATORS=5,10 e2e_menu_choose "$menu" 9
    e2e_check "\"Don't tell me about this version\" stores the dismissal" \
      e2e_wait_for 10 eval '[ "$(e2e_reg_text "$key" UpdateDismissed)" = 99.1.0 ]'
    e2e_check "a success leaves nothing in the log" test "$(log_lines)" = 0
    ;;
  quiet)
    next_case older || e2e_fail "the same version: no second check a minute after the time was removed"
    e2e_check "the same version: no balloon" eval '! balloon_window >/dev/null'
    next_case prerelease || e2e_fail "an older version: no check after it"
    e2e_check "an older version: no balloon" eval '! balloon_window >/dev/null'
    next_case same || e2e_fail "a pre-release: no check after it"
    e2e_check "a pre-release: no balloon" eval '! balloon_window >/dev/null'
    e2e_check "nothing was told" test "$(e2e_reg_text "$key" UpdateToldVersion)" = ""
    e2e_check "a version not newer leaves nothing in the log" test "$(log_lines)" = 0
    ;;
  failing)
    e2e_check "a broken document: one line in the log" e2e_wait_for 20 eval '[ "$(log_lines)" = 1 ]'
    next_case refused
    e2e_check "a refusal: one line more" e2e_wait_for 20 eval '[ "$(log_lines)" = 2 ]'
    next_case slow
    e2e_check "the program stays responsive while the feed keeps it waiting" eval '[ "$(e2e_peek_field responsive)" = 1 ]'
    e2e_check "no answer: one line more, after the wait" e2e_wait_for 90 eval '[ "$(log_lines)" = 3 ]'
    grep 'update_check' "$(log_file)" >"$E2E_ART/update-check-lines.txt"
    e2e_check "the log says why each time" eval 'grep -q "sent no release document" "$E2E_ART/update-check-lines.txt" &&
      grep -q "answered 403" "$E2E_ART/update-check-lines.txt" && grep -q "did not answer in time" "$E2E_ART/update-check-lines.txt"'
    e2e_check "failures show no balloon" eval '! balloon_window >/dev/null'
    ;;
esac
e2e_finish
