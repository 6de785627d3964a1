#!/usr/bin/env bash
# The idle program's weight for the test summary: quillet.exe and the least tray program in plain
# C (quillet_floor.exe, same flags and resources) started one after the other in one prefix, each
# measured once its icon is up: the peak resident set (VmHWM) of its Wine process. The figures go
# to idle-weight.txt in the build folder, which tools/test.sh prints. A figure is never a failure
# (bench/idle_cost.sh measures properly, medians of alternated rounds); the test fails only when a
# program shows no icon or cannot be measured.
source "$(dirname "$0")/../../bench/bench-lib.sh"  # bench_probe, bench_linux_pid
source "$(dirname "$0")/e2e-lib.sh"
e2e_init idle_weight
e2e_reg_set Username idle
BENCH_PROBE=$QUILLET_BUILD_DIR/quillet_bench_probe.exe
out=$QUILLET_BUILD_DIR/idle-weight.txt
rm -f "$out"

# peak_kb EXE CLASS: starts EXE through the probe, waits for its icon, prints its peak resident
# set in KiB, and ends it by its window CLASS.
peak_kb() {
  local pid peak
  bench_probe start "$1" 30 || return 1
  pid=$(bench_linux_pid "$1") || return 1
  peak=$(awk '/^VmHWM/ { print $2 }' "/proc/$pid/status")
  bench_probe close "$2"
  e2e_wait_for 20 eval "! kill -0 $pid 2>/dev/null" >/dev/null
  [ -n "$peak" ] && echo "$peak"
}

floor=$(peak_kb "$QUILLET_BUILD_DIR/quillet_floor.exe" QuilletFloorTray)
e2e_check "the plain C tray program shows its icon and is measured ($floor KiB)" test -n "$floor"
quillet=$(peak_kb "$QUILLET_EXE" QuilletTray)
e2e_check "quillet.exe shows its icon and is measured ($quillet KiB)" test -n "$quillet"
if [ -n "$floor" ] && [ -n "$quillet" ]; then
  awk -v q="$quillet" -v f="$floor" -v exe="$(basename "$(dirname "$QUILLET_EXE")")" 'BEGIN {
    printf "idle peak memory (%s build, one start each): quillet.exe %d KiB, the plain C tray program %d KiB: %.2fx (goal: at most 1.05x; bench/idle_cost.sh measures it properly)\n", exe, q, f, q / f }' >"$out"
  e2e_log "$(cat "$out")"
fi
e2e_finish
