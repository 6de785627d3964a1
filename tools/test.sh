#!/usr/bin/env bash
# Builds everything and runs every test: on Linux the unit tests under AddressSanitizer and
# UndefinedBehaviorSanitizer, and the fuzz targets for a short bounded time; then the Windows
# tests (platform contracts, Win32 tests, end-to-end tests of quillet.exe) under Wine on a
# virtual X display (against the i686 build, or an x86_64 build of the same sources where this
# machine cannot run 32-bit programs). Installs what it needs first. Ends with CTest's summary line.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
phase_start=$SECONDS
phase_done() { echo "test: $1 took $((SECONDS - phase_start)) s"; phase_start=$SECONDS; }
# The test servers download and build beside the system's packages and the program's builds
# (they wait mostly on the network): at once where Node.js is installed, else after the packages.
mkdir -p build
servers_pid=""
start_servers() {
  setsid bash tools/setup-servers.sh >build/setup-servers.log 2>&1 &  # a group of its own, npm's children with it
  servers_pid=$!
}
stop_helpers() {  # at exit; a helper that has ended already is no failure
  [ -z "$servers_pid" ] || kill -- "-$servers_pid" 2>/dev/null || true
  [ -z "${QUILLET_XVFB_PID:-}" ] || kill "$QUILLET_XVFB_PID" 2>/dev/null || true
}
trap stop_helpers EXIT
if command -v npm >/dev/null; then start_servers; fi

# build_preset PRESET [CONFIGURE OPTION...] [-- BUILD OPTION...]: configures and builds one preset,
# and says how long it took.
build_preset() {
  local preset=$1 configure=() build=() TIMEFORMAT
  shift
  while [ $# -gt 0 ] && [ "$1" != -- ]; do configure+=("$1"); shift; done
  [ $# = 0 ] || { shift; build=("$@"); }
  TIMEFORMAT="test: building $preset took %0R s (the compilers' time: %0U s, the system's %0S s)"
  time {
    cmake --preset "$preset" "${configure[@]}" >/dev/null
    cmake --build --preset "$preset" -j "$(nproc)" "${build[@]}"
  } 2>&1
}
# Two builds at a time, each on as many jobs as there are cores, so that both cores stay busy
# through each one's links: two workers take the presets from one queue, the first in its order
# that is free. The Linux build (the unit tests and the fuzz targets, under the sanitizers) needs
# only clang and the test framework, installed first, so the first worker starts on it beside the
# installing of the rest, whose time goes mostly to the network and the disk; the Windows builds
# join the queue once it is installed, and the second worker with them, the build the Wine tests
# run first. Each worker's output is shown when the builds are done; a preset built leaves
# built-PRESET in the queue's folder (failed-PRESET when its build failed).
queue=build/build-queue
rm -rf "$queue"
mkdir -p "$queue"
enqueue() {  # enqueue NAME PRESET [CONFIGURE OPTION...] [-- BUILD OPTION...]
  local name=$1
  shift
  printf '%s\n' "$@" >"$queue/.$name"
  mv "$queue/.$name" "$queue/$name"
}
build_worker() {  # builds what the queue holds, lowest name first, until it is closed and empty
  local item preset
  while :; do
    for item in "$queue"/[0-9]*; do
      [ -e "$item" ] && mv "$item" "$queue/taken-${item##*/}-$BASHPID" 2>/dev/null || continue
      mapfile -t preset <"$queue/taken-${item##*/}-$BASHPID"
      build_preset "${preset[@]}" || { touch "$queue/failed-${preset[0]}"; return 1; }
      touch "$queue/built-${preset[0]}"
      continue 2
    done
    [ ! -e "$queue/closed" ] || return 0
    kill -0 $$ 2>/dev/null || return 1
    sleep 1
  done
}
worker_pids=()
start_worker() {
  build_worker >"build/build-worker-$1.log" 2>&1 &
  worker_pids+=($!)
}
stop_all() {
  local pid
  for pid in "${worker_pids[@]}"; do pkill -P "$pid" 2>/dev/null || true; kill "$pid" 2>/dev/null || true; done
  stop_helpers
}
trap stop_all EXIT
bash tools/setup.sh linux
enqueue 10 host-asan
start_worker 1
bash tools/setup.sh
[ -n "$servers_pid" ] || start_servers
phase_done "installing the system's packages (the Linux builds going on beside)"

source tools/wine-env.sh
# One virtual display for the whole run: the Windows tests must not depend on the desktop
# this was started from. The Wine prefix the tests copy is made on it beside the builds.
unset DISPLAY
ensure_display
wine_template >/dev/null &
template_pid=$!

# The i686 build is always made (it is the product, the installer and the zip). Its Wine tests
# need 32-bit programs to run; where they cannot, the same sources built for x86_64 run those
# tests under 64-bit Wine instead. The installer's test has no such stand-in: the installer is a
# 32-bit program, so there it is not run (the line before CTest's output says so).
# The i686 build's own tests need no Wine (its imports, its reproducibility, the release's
# manifests and signing): they run in either case.
#
# Each build's tests start as soon as it is made, beside the builds still going on. The Wine tests
# take longest, waiting mostly on the program's clock, Wine and its windows: their build goes first
# and at full speed, the Linux build giving way to it meanwhile (nice); once it is made, the other
# builds and the Wine tests share the cores evenly. (Taking the Linux build's priority back needs
# root; others keep it lower to the end.)
wine_build=$QUILLET_WINE_PRESET
if [ "$QUILLET_WINE32" = 1 ]; then
  enqueue 20 windows -DQUILLET_REGISTER_WINE_TESTS=ON
  builds=(windows host-asan)
else
  enqueue 20 "$QUILLET_WINE_PRESET"
  # Without its Wine tests, the i686 build makes only what ships: quillet.exe, the installer, the zip
  # and the manifests.
  enqueue 30 windows -DQUILLET_REGISTER_WINE_TESTS=OFF -- --target packages
  builds=("$QUILLET_WINE_PRESET" host-asan windows)
fi
touch "$queue/closed"
start_worker 2
# The Linux build, begun beside the installing, gives way to the Wine tests' build until it is made.
descendants() { local pid; for pid in $(pgrep -P "$1"); do echo "$pid"; descendants "$pid"; done; }
linux_build_niceness() { renice -n "$1" -p $(descendants "${worker_pids[0]}") >/dev/null 2>&1 || true; }
linux_build_niceness 10

# A server that cannot be had skips the tests that need it (they say why below the summary).
wait "$servers_pid" || echo "test: tools/setup-servers.sh failed; the tests that need its servers are skipped" >&2
servers_pid=""
wait "$template_pid" || { echo "test: no Wine prefix template" >&2; exit 1; }
if [ "$QUILLET_WINE32" = 1 ]; then
  echo "test: the Wine tests run against build/windows (i686) under $QUILLET_WINE: $QUILLET_WINE_REASON"
else
  echo "test: the Wine tests run against build/windows-x64 (x86_64) under $QUILLET_WINE, not the i686" \
    "build: $QUILLET_WINE_REASON; the installer's test (a 32-bit program) is skipped"
fi

# One test run a build: ctest over it, its output in build/ctest-BUILD.log, its exit status in
# build/ctest-BUILD.status. The Wine tests run twice as many at a time as there are cores, and one
# more; the others two at a time (most keep a core busy). Those that keep a core busy for long take
# the lock "cpu" and run one at a time. The longest start first (their COST).
rm -f build/skipped-tests.txt build/ctest-*.log build/ctest-*.status
test_run() {  # test_run BUILD JOBS [CTEST OPTION...]
  local build=$1 jobs=$2 status=0
  shift 2
  ctest --test-dir "build/$build" --output-on-failure -j "$jobs" "$@" >"build/ctest-$build.log" 2>&1 || status=$?
  echo "$status" >"build/ctest-$build.status"
}
run_pids=()
stop_tests() { local pid; for pid in "${run_pids[@]}"; do kill -- "-$pid" 2>/dev/null || true; done; }
trap 'stop_tests; stop_all' EXIT
start_tests() {  # start_tests BUILD [CTEST OPTION...]
  local build=$1 jobs=2
  shift
  [ "$build" != "$wine_build" ] || jobs=${QUILLET_TEST_JOBS:-$((2 * $(nproc) + 1))}
  setsid bash -c "$(declare -f test_run); test_run \"\$@\"" test_run "$build" "$jobs" "$@" &
  run_pids+=($!)
  echo "test: the tests of build/$build started at $SECONDS s (build/ctest-$build.log)"
}
waiting=("${builds[@]}")
build_status=0
while [ "${#waiting[@]}" -gt 0 ]; do
  left=()
  for build in "${waiting[@]}"; do
    if [ -e "$queue/built-$build" ]; then
      start_tests "$build" "$@"
      [ "$build" != "$wine_build" ] || linux_build_niceness 0
    elif [ -e "$queue/failed-$build" ]; then
      build_status=1
      [ "$build" != "$wine_build" ] || linux_build_niceness 0
    else
      left+=("$build")
    fi
  done
  waiting=("${left[@]}")
  [ "${#waiting[@]}" -gt 0 ] || break
  workers_alive=0
  for pid in "${worker_pids[@]}"; do kill -0 "$pid" 2>/dev/null && workers_alive=1; done
  [ "$workers_alive" = 1 ] || { build_status=1; break; }  # a build that never ended, nor failed
  sleep 1
done
for pid in "${worker_pids[@]}"; do wait "$pid" || build_status=1; done
cat build/build-worker-1.log build/build-worker-2.log
cat build/setup-servers.log
[ "$build_status" = 0 ] || { echo "test: a build failed (above)" >&2; exit 1; }
phase_done "building (the tests of each build began as it was made)"

# build/CTestTestfile.cmake runs every build's tests in one ctest (tools/stress-e2e.sh, or by hand).
printf 'subdirs("%s")\n' "${builds[@]}" >build/CTestTestfile.cmake
for pid in "${run_pids[@]}"; do wait "$pid" || true; done
run_pids=()
phase_done "the rest of the tests"
# Each run's output, then one summary line that counts every test and the ten slowest.
status=0
logs=()
for build in "${builds[@]}"; do
  cat "build/ctest-$build.log" 2>/dev/null || true
  [ "$(cat "build/ctest-$build.status" 2>/dev/null)" = 0 ] || status=1
  logs+=("build/ctest-$build.log")
done
python3 tools/test_summary.py "${logs[@]}" || status=1
if [ -s build/skipped-tests.txt ]; then
  echo "Skipped tests, and why:"
  sed 's/^/  skipped: /' build/skipped-tests.txt
fi
[ -f build/windows/quillet.exe ] &&
  echo "quillet.exe (i686): $(stat -c %s build/windows/quillet.exe) bytes (budget: under 1048576)"
cat "build/$wine_build/idle-weight.txt" 2>/dev/null || true  # tests/e2e/test_idle_weight.sh
echo "test: the whole run took $SECONDS s"
exit "$status"
