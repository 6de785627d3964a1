#!/usr/bin/env bash
# Faults around the program while it is used: a service name that does not resolve; a post
# while the previous one is still connecting; posts in a row to a service that resets every
# connection (50 by default, E2E_RESET_POSTS). The program keeps responding throughout (a double
# click on the icon brings the update window up while the fault goes on; each time is printed,
# within a second being the goal), its
# memory grows by no more over the posts than 10 % of before per 200 posts (the bound the test
# held over 200 posts, per post), and "E&xit" ends it cleanly. (The scheduled pop-up over the
# tray menu and the settings dialog: test_popup_over_menus.sh.)
source "$(dirname "$0")/e2e-lib.sh"
source "$(dirname "$0")/e2e-tray-lib.sh"
e2e_init faults_responsive
# Without a window manager, Wine waits up to 2 s for one whenever an activated window hides (and
# each post hides the window); a desktop has one, so Wine's X11 driver manages no windows of
# quillet.exe here (the notification area, Wine's own, stays as it is).
"$QUILLET_WINE" reg add 'HKCU\Software\Wine\AppDefaults\quillet.exe\X11 Driver' /v Managed /d N /f >/dev/null 2>&1

post() { e2e_post_line "$1"; }
exit_cleanly() {
  local rc
  e2e_exit_by_menu
  e2e_check "$1: \"E&xit\" removes the icon" e2e_wait_no_tray 10
  e2e_check "$1: \"E&xit\" ends the program" e2e_wait_exit 20
  e2e_alive && kill "$E2E_APP_PID"   # one that did not end is ended, so that the test goes on
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
E2E_LINES_WAITING=1 exit_cleanly "unresolvable name"  # its lines wait: "Lines waiting..." is in the menu

# 2. The loopback copy; the listener takes no connection until it is let go. The lines left from
# the first run go first, then the new ones, one at a time, each exactly once.
e2e_build_loopback || exit 1
e2e_listen --plan reset --hold-accept 120 || e2e_finish
e2e_start
e2e_check "the icon appears" e2e_wait_tray 30
post "first"
post "second"   # the lines before it are still connecting: it waits its turn
no_request_yet() { [ "$(e2e_requests)" = 0 ]; }
e2e_check_responds "while a connection is being set up" no_request_yet
touch "$E2E_REC/release"
e2e_check "after the hold, the four lines arrive" e2e_wait_requests 4 30
e2e_check "and none waits to be sent" e2e_wait_settled 10
e2e_check "four requests ($(e2e_requests))" test "$(e2e_requests)" = 4
arrived=$(for i in 0 1 2 3; do sed -n 's/.*status=//p' "$E2E_REC/request-$i.bin"; echo; done | paste -sd,)
e2e_check "in order: the lines left waiting, then the new ones ($arrived)" test "$arrived" = "nowhere+one,nowhere+two,first,second"

# 3. Posts in a row, each connection reset by the service: the window comes up within a second
# every time, and the memory stays flat (measured after some warm-up posts).
posts=${E2E_RESET_POSTS:-50}
sent=$(e2e_requests)
for i in 1 2 3 4 5; do
  post "warm up $i"
  e2e_wait_requests $((sent + i)) 10
done
sleep 1
before=$(e2e_rss_kb)
LATENCIES=()
sent=$(e2e_requests)
for i in $(seq 1 "$posts"); do
  post "p$i"
  e2e_wait_requests $((sent + i)) 10 || { e2e_fail "post $i did not arrive"; break; }
done
sleep 2
after=$(e2e_rss_kb)
read -r lat_min lat_median lat_max < <(printf '%s\n' "${LATENCIES[@]}" | sort -n |
  awk '{ a[NR] = $1 } END { print a[1], a[int((NR + 1) / 2)], a[NR] }')
limit=$(awk -v a="$before" -v n="$posts" 'BEGIN { printf "%d", a * 0.10 * n / 200 }')
e2e_log "$posts posts: double click -> window min ${lat_min} ms, median ${lat_median} ms, max ${lat_max} ms"
e2e_log "resident memory before the $posts posts ${before} KiB, after ${after} KiB" \
  "($(awk -v a="$before" -v b="$after" -v n="$posts" 'BEGIN { printf "%+d KiB, %+.1f KiB a post", b - a, (b - a) / n }'));" \
  "growth allowed ${limit} KiB"
e2e_check "every post arrived ($(($(e2e_requests) - sent)))" test $(($(e2e_requests) - sent)) = "$posts"
e2e_check "the last one whole" grep -q "status=p$posts\$" "$E2E_REC/request-$((sent + posts - 1)).bin"
e2e_check "every window came up (${BRING_UP_FAILURES} did not)" test "$BRING_UP_FAILURES" = 0
e2e_check "memory grew by at most $limit KiB ($((after - before)))" test $((after - before)) -le "$limit"
e2e_check "memory did not fall by more than $limit KiB ($((after - before)))" test $((before - after)) -le "$limit"
e2e_check_responds "after $posts resets"
E2E_LINES_WAITING=1 exit_cleanly "after the faults"
e2e_finish
