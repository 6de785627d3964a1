#!/usr/bin/env bash
# What quillet.exe holds, set up as most people with a server of their own are (an HTTPS server,
# a user name and a password), at three moments of a run: idle after start, after a first pop-up
# put away with Esc, and after a line sent over HTTPS. For each, the working set (the Wine
# process's resident set) and the system libraries loaded; each library should appear only at the
# moment that first needs it.
#   bash bench/first_use_memory.sh
source "$(dirname "$0")/bench-lib.sh"
bench_build quillet quillet_bench_probe quillet_trust_root
source "$QUILLET_ROOT/tests/e2e/e2e-lib.sh"
source "$QUILLET_ROOT/tests/e2e/e2e-tray-lib.sh"
e2e_init bench-first-use-memory >/dev/null
"$QUILLET_WINE" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
trap 'kill "${BENCH_SERVICE_PID:-}" 2>/dev/null; e2e_cleanup' EXIT
bench_https_service || exit 2
e2e_reg_set Username bench
e2e_reg_set Password "$(e2e_scramble pw)"
e2e_reg_set Server "https://localhost:$(cat "$E2E_ART/https.port")/api/"
e2e_start >/dev/null
e2e_wait_tray 30 || { echo "bench: no tray icon" >&2; exit 2; }
pid=$(bench_linux_pid "$QUILLET_EXE")
known=""
moment() {  # moment NAME: the working set, and the libraries loaded since the moment before
  sleep 3
  local loaded added
  loaded=$(grep -oiE '[a-z0-9_]+\.dll' "/proc/$pid/maps" | tr 'A-Z' 'a-z' | sort -u)
  added=$(comm -13 <(echo "$known") <(echo "$loaded") | tr '\n' ' ')
  known=$loaded
  printf '%-34s %6s KiB   loaded: %s\n' "$1" "$(bench_rss_kb "$pid")" "${added:-nothing new}"
}
pop_up() {  # a second try when the first click came too early for the icon
  local attempt
  for attempt in 1 2; do
    e2e_tray_click 1 2
    e2e_wait_window Quillet 10 && return 0
  done
  echo "bench: no update window" >&2
  exit 2
}
echo "== what quillet.exe holds with an HTTPS server set"
bench_conditions
moment "idle after start"
id=$(pop_up)
e2e_click "$id" 200 94
e2e_key Escape
e2e_wait_hidden "$id" 5
moment "after a pop-up put away"
id=$(pop_up)
e2e_click "$id" 200 94
e2e_type "memory check"
sleep 1  # an Enter in the window's first second is taken for one meant for another window
e2e_key Return
e2e_wait_for 10 grep -qs '"method": "POST"' "$E2E_ART/https.log" || { echo "bench: the line did not arrive" >&2; exit 2; }
moment "after a line sent over HTTPS"
"$QUILLET_WINE" "$BENCH_PROBE" close QuilletTray >/dev/null 2>&1
exit 0
