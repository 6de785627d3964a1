#!/usr/bin/env bash
# Shared by the benchmarks (bench/*.sh). They print figures and never fail on a missed goal;
# they fail only when the set-up is broken. Each runs the programs under Wine in a fresh prefix
# on a virtual X display of its own (through tests/e2e/e2e-lib.sh).
# Environment:
#   QUILLET_BENCH_BUILD_DIR  a configured Windows build folder to use instead of the windows
#                            preset's build/windows (which is configured and built as needed;
#                            windows-x64 where this machine cannot run 32-bit programs)
#   QUILLET_WINE_DIR         where Wine prefixes live (default build/wine)
#
#   bench_build TARGET...    builds the targets; sets QUILLET_BUILD_DIR, QUILLET_EXE, BENCH_PROBE
#   bench_conditions         prints the machine's conditions (cores, load, Wine)
#   bench_probe ARGS...      runs quillet_bench_probe.exe, its report into $E2E_ART/probe.out
#   bench_field NAME         a NAME=value field of the last probe report
#   bench_linux_pid EXE      the Linux process of the running Windows program EXE (this prefix)
#   bench_cpu_ticks PID      user + system CPU time of a Linux process, in clock ticks
#   bench_rss_kb PID         the resident set (the working set under Wine) of a Linux process, in KiB
#   bench_https_service      the tests' loopback service over HTTPS (user "bench", password "pw"),
#                            its certificate from a CA made here and trusted in this prefix; its
#                            port in $E2E_ART/https.port, its log in $E2E_ART/https.log, its
#                            process BENCH_SERVICE_PID
#   bench_library_kb PID     per file the process has mapped (DLLs and their Unix halves, fonts),
#                            and for its anonymous memory, the KiB resident: "NAME KIB" lines,
#                            largest first
set -uo pipefail
BENCH_DIR=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
QUILLET_ROOT=${QUILLET_ROOT:-$(cd "$BENCH_DIR/.." && pwd)}
export QUILLET_ROOT
source "$QUILLET_ROOT/tools/wine-env.sh"
set +e

bench_build() {
  if [ -n "${QUILLET_BENCH_BUILD_DIR:-}" ]; then
    QUILLET_BUILD_DIR=$QUILLET_BENCH_BUILD_DIR
    cmake --build "$QUILLET_BUILD_DIR" --target "$@" -j 2 >/dev/null || { echo "bench: build failed" >&2; exit 2; }
  else
    QUILLET_BUILD_DIR=$QUILLET_ROOT/build/$QUILLET_WINE_PRESET
    [ "$QUILLET_WINE32" = 1 ] || echo "bench: measuring the x86_64 build: $QUILLET_WINE_REASON" >&2
    (cd "$QUILLET_ROOT" && cmake --preset "$QUILLET_WINE_PRESET" >/dev/null &&
      cmake --build --preset "$QUILLET_WINE_PRESET" --target "$@" -j 2 >/dev/null) ||
      { echo "bench: build failed" >&2; exit 2; }
  fi
  export QUILLET_BUILD_DIR
  export QUILLET_EXE=$QUILLET_BUILD_DIR/quillet.exe
  BENCH_PROBE=$QUILLET_BUILD_DIR/quillet_bench_probe.exe
}

bench_conditions() {
  echo "conditions: $(nproc) cores, load average $(cut -d' ' -f1-3 /proc/loadavg), $("$QUILLET_WINE" --version 2>/dev/null)," \
    "Xvfb 1024x768, WINEDEBUG=$WINEDEBUG; other work on the machine skews timings"
}

bench_probe() {
  "$QUILLET_WINE" "$BENCH_PROBE" "$@" >"$E2E_ART/probe.out" 2>&1
  local rc=$?
  tr -d '\r' <"$E2E_ART/probe.out" >"$E2E_ART/probe.txt"
  return $rc
}
bench_field() { sed -n "s/^$1=//p" "$E2E_ART/probe.txt" | sed -n 1p; }

bench_linux_pid() {
  local pid
  for pid in $(pgrep -f "$(basename "$1")"); do
    tr '\0' '\n' <"/proc/$pid/environ" 2>/dev/null | grep -x "WINEPREFIX=$WINEPREFIX" >/dev/null && { echo "$pid"; return 0; }
  done
  return 1
}
bench_cpu_ticks() { awk '{ print $14 + $15 }' "/proc/$1/stat" 2>/dev/null; }
bench_rss_kb() { awk '/^VmRSS/ { print $2 }' "/proc/$1/status" 2>/dev/null; }
bench_library_kb() {
  awk '/^[0-9a-f]+-[0-9a-f]+ / { name = $6 == "" ? "(anonymous)" : $6; sub(/.*\//, "", name); sub(/\.so(\.[0-9]+)*$/, "", name) }
       /^Rss:/ { kb[tolower(name)] += $2 }
       END { for (n in kb) if (kb[n] > 0) print n, kb[n] }' "/proc/$1/smaps" 2>/dev/null | sort -k2,2nr
}

bench_https_service() {
  local certs=$E2E_ART/certs
  bash "$QUILLET_ROOT/tests/e2e/make_certs.sh" "$certs" >/dev/null || return 1
  "$QUILLET_WINE" "$QUILLET_BUILD_DIR/quillet_trust_root.exe" "$certs/ca.pem" >/dev/null 2>&1 || return 1
  python3 "$QUILLET_ROOT/tests/e2e/service.py" --port-file "$E2E_ART/https.port" --log "$E2E_ART/https.log" \
    --tls "$certs/good.pem" "$certs/server.key" --user bench --password pw &
  BENCH_SERVICE_PID=$!
  e2e_wait_for 10 test -s "$E2E_ART/https.port" || { echo "bench: no HTTPS service" >&2; return 1; }
}
