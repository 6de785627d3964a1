#!/usr/bin/env bash
# Faults around the program while it is used: a service name that does not resolve; a post
# while the previous one is still connecting; the scheduled pop-up while the tray menu or the
# settings dialog is open; 200 posts in a row to a service that resets every connection. The
# program keeps responding throughout (a double click on the icon brings the update window up
# within a second; each time is printed), its memory after the 200 posts stays within 10 % of
# before, and "E&xit" ends it cleanly.
source "$(dirname "$0")/e2e-lib.sh"
source "$(dirname "$0")/e2e-tray-lib.sh"
e2e_init faults_responsive

post() { e2e_post_line "$1"; }
exit_cleanly() {
  local rc
  e2e_exit_by_menu
  e2e_check "$1: \"E&xit\" removes the icon" e2e_wait_no_tray 10
  e2e_check "$1: \"E&xit\" ends the program" e2e_wait_exit 20
  wait "$E2E_APP_PID"
  rc=$?
  e2e_check "$1: the exit code is 0 ($rc)" test "$rc" = 0
}

# 1. The service's name does not resolve: the lines wait in the outbox, and nothing waits on them.
E2E_CONNECT_HOST=quillet-nowhere.invalid e2e_build_loopback nowhere || exit 1
e2e_reg_set Username alice
e2e_reg_set Password "$(e2e_scramble 'pw')"
e2e_reg_set Interval 120
e2e_start
e2e_check "unresolvable: the icon appears" e2e_wait_tray 30
post "nowhere one"
post "nowhere two"
e2e_check_responds "unresolvable name"
e2e_check "unresolvable: still running" e2e_alive
exit_cleanly "unresolvable name"

# 2. The loopback copy; the listener takes no connection for the first seconds. The lines left
# from the first run go first, then the new ones, one at a time, each exactly once.
e2e_build_loopback || exit 1
e2e_reg_set Interval 1
e2e_listen --plan reset --hold-accept 6 || e2e_finish
e2e_start
e2e_check "the icon appears" e2e_wait_tray 30
post "first"
post "second"   # the lines before it are still connecting: it waits its turn
e2e_check_responds "while a connection is being set up"
e2e_check "after the hold, the four lines arrive" e2e_wait_requests 4 30
sleep 2
e2e_check "four requests ($(e2e_requests))" test "$(e2e_requests)" = 4
arrived=$(for i in 0 1 2 3; do sed -n 's/.*status=//p' "$E2E_REC/request-$i.bin"; echo; done | paste -sd,)
e2e_check "in order: the lines left waiting, then the new ones ($arrived)" test "$arrived" = "nowhere+one,nowhere+two,first,second"

# 3. The scheduled pop-up (60 s after start) while the tray menu is open.
while [ $(($(date +%s) - E2E_APP_STARTED)) -lt 50 ]; do sleep 1; done
e2e_tray_click 3
menu=$(e2e_wait_menu 5)
e2e_check "the menu is open before the pop-up" test -n "$menu"
id=$(e2e_wait_window Quillet 25)
e2e_check "the pop-up comes while the menu is open" test -n "$id"
e2e_shot popup-over-menu
xdotool key Escape   # closes the menu if it is still open
if [ -n "$id" ]; then e2e_click "$id" 562 11; e2e_wait_hidden "$id" 3; fi
e2e_check_responds "after a pop-up over the menu"

# 4. The next pop-up (120 s) while the settings dialog is open.
while [ $(($(date +%s) - E2E_APP_STARTED)) -lt 105 ]; do sleep 1; done
e2e_tray_click 3
menu=$(e2e_wait_menu 5) && e2e_menu_choose "$menu" 5
settings=$(e2e_wait_window 'Quillet Settings' 10)
e2e_check "the settings dialog is open before the pop-up" test -n "$settings"
id=$(e2e_wait_window Quillet 30)
e2e_check "the pop-up comes while the settings dialog is open" test -n "$id"
e2e_shot popup-over-settings
if [ -n "$id" ]; then e2e_click "$id" 562 11; e2e_wait_hidden "$id" 3; fi
e2e_check_responds "with the settings dialog open"
if [ -n "$settings" ]; then
  e2e_click "$settings" 200 50
  e2e_key Escape
  e2e_check "the settings dialog still closes" e2e_wait_hidden "$settings" 10
fi
e2e_check "the dialog wrote nothing" test "$(e2e_reg_query "$APP_KEY" Interval)" = 1

# 5. 200 posts in a row, each connection reset by the service.
e2e_reg_set Interval 120   # no scheduled pop-up in the middle of the typing
post "warm up"
e2e_wait_requests 5 10
sleep 1
before=$(e2e_rss_kb)
LATENCIES=()
sent=$(e2e_requests)
for i in $(seq 1 200); do
  post "p$i"
  e2e_wait_requests $((sent + i)) 10 || { e2e_fail "post $i did not arrive"; break; }
done
sleep 2
after=$(e2e_rss_kb)
read -r lat_min lat_median lat_max < <(printf '%s\n' "${LATENCIES[@]}" | sort -n |
  awk '{ a[NR] = $1 } END { print a[1], a[int((NR + 1) / 2)], a[NR] }')
e2e_log "200 posts: double click -> window min ${lat_min} ms, median ${lat_median} ms, max ${lat_max} ms"
e2e_log "resident memory before the 200 posts ${before} KiB, after ${after} KiB" \
  "($(awk -v a="$before" -v b="$after" 'BEGIN { printf "%+.1f", (b - a) * 100 / a }') %)"
e2e_check "every post arrived ($(($(e2e_requests) - sent)))" test $(($(e2e_requests) - sent)) = 200
e2e_check "the last one whole" grep -q 'status=p200$' "$E2E_REC/request-$((sent + 199)).bin"
e2e_check "every window came up within a second (max ${lat_max} ms)" test "$lat_max" -lt 1000
e2e_check "memory within 10 % of before" awk -v a="$before" -v b="$after" 'BEGIN { exit !(b <= a * 1.1 && b >= a * 0.9) }'
e2e_check_responds "after 200 resets"
exit_cleanly "after the faults"
e2e_finish
