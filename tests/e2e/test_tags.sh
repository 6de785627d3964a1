#!/usr/bin/env bash
# The #tags offered in the pop-up's box: with the journal kept and #work the most used tag of the
# week (another, #walk, used more often long ago), "#w" offers #work first; Tab puts it in and
# Enter sends it, to a plain server of the user's choice on a loopback listener.
source "$(dirname "$0")/e2e-lib.sh"
source "$(dirname "$0")/e2e-tray-lib.sh"
e2e_init tags
E2E_PORT=$(e2e_free_port)
e2e_listen --plan ok || exit 1

e2e_reg_set Username alice
e2e_reg_set Server "http://127.0.0.1:$E2E_PORT/"
e2e_reg_set Journal 1
# The journal as the program writes it, in the local time Wine takes from this machine.
folder=$WINEPREFIX/drive_c/users/$(whoami)/AppData/Local/Quillet
mkdir -p "$folder"
{
  printf '\xEF\xBB\xBFTime,Line,Outcome,Asked,Accounts\r\n'
  long_ago=$(date -d '-40 days' +%F)
  yesterday=$(date -d '-1 day' +%F)
  for n in 1 2 3 4 5; do printf '%s 10:0%s:00,walking #walk,posted,,\r\n' "$long_ago" "$n"; done
  for n in 1 2 3; do printf '%s 11:0%s:00,#work on the report,posted,,\r\n' "$yesterday" "$n"; done
  printf '%s 12:00:00,,not answered,,\r\n' "$yesterday"
} >"$folder/journal.csv"

e2e_start
e2e_check "the icon appears" e2e_wait_tray 30
e2e_bring_up || { e2e_fail "no pop-up"; e2e_finish; }
read -r x y < <(e2e_geometry "$UP_ID")
seen=$(e2e_now_ms)
xdotool mousemove $((x + 200)) $((y + 94)) click 1 type --delay 30 '#w'
list=$(e2e_wait_window Tags 10)
e2e_check "typing #w offers the tags" test -n "$list"
e2e_wait_for 5 eval '[ "$(e2e_peek_field text)" = "#w" ]'
e2e_shot tags-offered
e2e_key Tab
e2e_check "Tab puts #work in" e2e_wait_for 5 eval '[ "$(e2e_peek_field text)" = "#work" ]'
e2e_check "the list closes" e2e_wait_hidden "$list" 5
wait=$((1100 - ($(e2e_now_ms) - seen)))
[ "$wait" -gt 0 ] && sleep "$(printf '%d.%03d' $((wait / 1000)) $((wait % 1000)))"
e2e_key Return
e2e_check "Enter sends it" e2e_wait_hidden "$UP_ID" 6
e2e_check "the line reaches the server" e2e_wait_for 10 eval 'grep -lq "^POST " "$E2E_REC"/request-*.bin 2>/dev/null'
body=$(grep -l '^POST ' "$E2E_REC"/request-*.bin 2>/dev/null | sed -n 1p | xargs -r cat | tr -d '\r')
e2e_check "the line sent is #work" grep -q 'status=%23work$' <<<"$body"

e2e_exit_by_menu
e2e_check "\"E&xit\" ends the program" e2e_wait_exit 20
e2e_finish
