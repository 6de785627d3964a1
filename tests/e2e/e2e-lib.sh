#!/usr/bin/env bash
# Shared by the end-to-end tests (tests/e2e/test_*.sh): each test runs the real quillet.exe in
# a fresh Wine prefix on a virtual X display of its own, so tests can run side by side.
# Source it, then call e2e_init NAME first. Environment (set by CTest, see e2e.cmake):
#   QUILLET_ROOT       the source tree           QUILLET_EXE   the program as built
#   QUILLET_BUILD_DIR  the Windows build folder  QUILLET_PEEK  quillet_peek.exe
#   QUILLET_WINE_DIR   where prefixes live (default build/wine)
#   QUILLET_TOOLCHAIN  the build's toolchain file  QUILLET_C_COMPILER  its C compiler
#                      (default: the build folder's; helpers and loopback copies are built like
#                      the program, i686 or x86_64)
#
# Set-up
#   e2e_require_server SERVER     skips the test (exit 77, the reason in tools/test.sh's summary)
#                                 unless tools/setup-servers.sh installed SERVER (pds, nostr, snac2)
#   e2e_start_relay               the Nostr relay (tests/e2e/nostr/run_relay.mjs) on a free loopback
#                                 port: RELAY_URL (ws://127.0.0.1:PORT), RELAY_PID, RELAY_EVENTS
#                                 (the accepted events, one JSON a line, each written before its OK);
#                                 while the file $E2E_ART/relay.mute exists, it answers nothing.
#                                 The test stops it (kill "$RELAY_PID") in its EXIT trap
#   e2e_start_snac                snac2 (a Mastodon-compatible server) on a free loopback port, a
#                                 fresh data folder, the user alice: SNAC_SERVER (its address,
#                                 ending in "/"), SNAC_PASSWORD, SNAC_PID; fails when it does not
#                                 answer. The test stops it (kill "$SNAC_PID") in its EXIT trap
#   e2e_parts "${1:-}" PART...    a script in independent parts, which CTest runs side by side:
#                                 with a part named, sets E2E_PART to it; with none, runs the
#                                 script once for each part in turn and exits with the outcome
#   e2e_init NAME                 prefix, display, artifact folder $E2E_ART; cleans up at exit
#   e2e_build_loopback [VARIANT]  builds a copy pointing at 127.0.0.1:$E2E_PORT into its own
#                                 build folder; sets E2E_EXE to it. With
#                                 E2E_CONNECT_HOST set, the copy connects to that name instead
#                                 (give each such copy a VARIANT name: its own build folder)
#   e2e_reg_set NAME VALUE        stores a setting under HKCU\Software\Velmora\Quillet
#   e2e_reg_query KEY VALUE       prints a value from the live registry ("" when missing)
#   e2e_scramble PASSWORD         prints the stored form of a password
# Running
#   e2e_start [EXE]               starts the program (default $E2E_EXE or $QUILLET_EXE)
#   e2e_alive                     true while it runs
#   e2e_rss_kb                    its resident memory, in KiB
#   e2e_peek                      quillet_peek.exe's report (responsive=, visible=, text=)
#   e2e_peek_field FIELD          one field of that report
# Waiting. Every check waits for the state it needs, never a fixed time. SECONDS is what a quiet
# machine needs; a wait allows E2E_PATIENCE times as long (3 unless set) for a loaded one, and
# ends as soon as its state is reached.
#   e2e_wait_for SECONDS CMD...  runs CMD every quarter second until it succeeds; fails on timeout
# Windows (X windows of the client areas; screen coordinates equal X coordinates)
#   e2e_wait_window TITLE SECONDS prints the id of a visible window so titled; fails on timeout
#   e2e_wait_hidden ID SECONDS    waits until the window is no longer visible
#   e2e_click ID X Y              clicks at client coordinates of the window (focuses it)
#   e2e_type TEXT / e2e_key KEY   keyboard input to the focused window
#   e2e_shot NAME [ID]            screenshot (of the window, or the whole screen) into $E2E_ART
#   e2e_region_sum ID X Y W H     a checksum of a client region's pixels, to see it change
# Listener (tests/e2e/listener.py)
#   e2e_listen [ARGS...]          starts the listener on $E2E_PORT, recording into $E2E_REC
#   e2e_stop_listener
#   e2e_requests                  the number of requests recorded
#   e2e_wait_requests N SECONDS   waits until N requests are recorded
#   e2e_wait_log PATTERN SECONDS  waits until the listener's log has a matching line
# The outbox (%LOCALAPPDATA%\Quillet\outbox.txt)
#   e2e_outbox                    its records, one a line: state letter and text
#   e2e_outbox_is TEXT            whether the records are exactly TEXT ("" when none waits)
#   e2e_wait_settled SECONDS      waits until no line waits, is leaving or is being looked for:
#                                 each confirmed line is taken or kept for the person, so no
#                                 further post can come (before a check that counts the posts)
# Checks
#   e2e_check "TEXT" CMD...       runs CMD; on failure records TEXT (the test goes on)
#   e2e_fail TEXT                 records a failure (the first also takes e2e_snapshot first-failure)
#   e2e_snapshot NAME             a screenshot and the windows and prefix processes, in the artifacts
#   e2e_finish                    prints the summary; exits 1 if anything failed
set -uo pipefail

E2E_LIB_DIR=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
QUILLET_ROOT=${QUILLET_ROOT:-$(cd "$E2E_LIB_DIR/../.." && pwd)}
QUILLET_BUILD_DIR=${QUILLET_BUILD_DIR:-$QUILLET_ROOT/build/windows}
QUILLET_EXE=${QUILLET_EXE:-$QUILLET_BUILD_DIR/quillet.exe}
QUILLET_PEEK=${QUILLET_PEEK:-$QUILLET_BUILD_DIR/quillet_peek.exe}
e2e_cache_value() { sed -n "s/^$1:[A-Z]*=//p" "$QUILLET_BUILD_DIR/CMakeCache.txt" 2>/dev/null | sed -n 1p; }
QUILLET_TOOLCHAIN=${QUILLET_TOOLCHAIN:-$(e2e_cache_value CMAKE_TOOLCHAIN_FILE)}
QUILLET_TOOLCHAIN=${QUILLET_TOOLCHAIN:-$QUILLET_ROOT/cmake/mingw-i686.cmake}
QUILLET_C_COMPILER=${QUILLET_C_COMPILER:-$(sed -n 's/^set(CMAKE_C_COMPILER \(.*\))$/\1/p' "$QUILLET_TOOLCHAIN")}
source "$QUILLET_ROOT/tools/wine-env.sh"
set +e

E2E_FAILURES=0
E2E_START_TIME=$(date +%s)
E2E_APP_PID=""
E2E_LISTENER_PID=""
E2E_XVFB_PID=""
APP_KEY='HKCU\Software\Velmora\Quillet'

e2e_log() { echo "[$(($(date +%s) - E2E_START_TIME))s] $*"; }
e2e_fail() {
  e2e_log "FAIL: $*"
  E2E_FAILURES=$((E2E_FAILURES + 1))
  [ "$E2E_FAILURES" = 1 ] && e2e_snapshot first-failure
}
# What the display and the prefix held at a moment: a screenshot (NAME.png) and the windows and
# the prefix's processes with their state (NAME.txt), in the artifacts. A failed wait says only
# that a state never came; this shows whether the program was up, stuck, or never started.
e2e_snapshot() {
  [ -n "${E2E_ART:-}" ] && [ -n "${DISPLAY:-}" ] || return 0
  import -display "$DISPLAY" -window root "$E2E_ART/$1.png" 2>/dev/null
  local id pid env
  {
    echo "# windows on $DISPLAY (id, name, geometry)"
    for id in $(xdotool search --name '' 2>/dev/null); do
      echo "$id '$(xdotool getwindowname "$id" 2>/dev/null)' $(xdotool getwindowgeometry "$id" 2>/dev/null | awk '/Geometry/ { print $2 }')"
    done
    echo "# processes of ${WINEPREFIX:-}"
    for pid in $(pgrep -f .); do
      env=$({ tr '\0' '\n' <"/proc/$pid/environ"; } 2>/dev/null)
      [[ $'\n'$env$'\n' == *$'\n'"WINEPREFIX=${WINEPREFIX:-}"$'\n'* ]] || continue
      ps -o pid=,stat=,etimes=,time=,wchan:24=,args= -p "$pid"
    done
    echo "# load: $(cat /proc/loadavg)"
  } >"$E2E_ART/$1.txt" 2>&1
}
e2e_check() {
  local text=$1
  shift
  if "$@"; then e2e_log "ok: $text"; else e2e_fail "$text"; fi
}
e2e_finish() {
  e2e_log "artifacts in $E2E_ART"
  if [ "$E2E_FAILURES" -gt 0 ]; then
    echo "$E2E_NAME: $E2E_FAILURES check(s) failed"
    exit 1
  fi
  echo "$E2E_NAME: all checks passed"
  exit 0
}

# A private X display: tests running side by side never type into each other's windows.
e2e_start_display() {
  start_virtual_display || return 1
  E2E_XVFB_PID=$XVFB_PID
  e2e_bind_letters
}
# Gives the letters the tests type beyond ASCII keys of their own, before any program starts.
# xdotool types a character that has no key by binding a spare key to it for a moment; a busy Wine
# may read that key under the old binding and lose the character. Bound for good, it is pressed
# like any other key.
e2e_bind_letters() {
  command -v xmodmap >/dev/null || return 0
  local spare letter
  spare=($(xmodmap -pke | awk 'NF == 3 && $1 == "keycode" && $2 > 8 { print $2 }'))
  for letter in "eacute Eacute" "udiaeresis Udiaeresis" "ssharp ssharp"; do
    [ ${#spare[@]} -gt 0 ] || return 0
    xmodmap -e "keycode ${spare[0]} = $letter" 2>/dev/null
    spare=("${spare[@]:1}")
  done
}

e2e_cleanup() {
  [ -n "$E2E_LISTENER_PID" ] && kill "$E2E_LISTENER_PID" 2>/dev/null
  if [ -n "${WINEPREFIX:-}" ]; then wineserver -k 2>/dev/null; wineserver -w 2>/dev/null; fi
  [ -n "$E2E_XVFB_PID" ] && kill "$E2E_XVFB_PID" 2>/dev/null
  [ -n "${WINEPREFIX:-}" ] && rm -rf "$WINEPREFIX"
  return 0
}

# e2e_skip WHY: the test cannot run here. CTest counts it skipped (SKIP_RETURN_CODE); the reason
# goes to build/skipped-tests.txt, which tools/test.sh prints after the summary.
e2e_skip() {
  echo "skipped: $1"
  echo "${QUILLET_TEST_NAME:-$(basename "$0" .sh)}: $1" >>"$QUILLET_ROOT/build/skipped-tests.txt"
  exit 77
}
e2e_require_server() {
  case $1 in
    pds) [ -d "$QUILLET_ROOT/build/pds/node_modules/@atproto/pds" ] && command -v node >/dev/null && return 0 ;;
    nostr) [ -d "$QUILLET_ROOT/build/nostr/node_modules/@nostr-relay/core" ] && command -v node >/dev/null && return 0 ;;
    snac2) [ -x "$QUILLET_ROOT/build/snac2/usr/bin/snac" ] && return 0 ;;
  esac
  e2e_skip "$(cat "$QUILLET_ROOT/build/$1.unavailable" 2>/dev/null || echo "$1 is not installed (bash tools/setup-servers.sh)")"
}

e2e_start_snac() {
  local snac=$QUILLET_ROOT/build/snac2/usr/bin/snac port data=$E2E_ART/snac
  port=$(e2e_free_port)
  printf '127.0.0.1\n%s\n127.0.0.1:%s\n\n\n' "$port" "$port" | "$snac" init "$data" >"$E2E_ART/snac-init.log" 2>&1
  sed -i 's/"protocol": *"https"/"protocol": "http"/' "$data/server.json"
  SNAC_PASSWORD=$("$snac" adduser "$data" alice 2>&1 | sed -n 's/^User password is //p')
  "$snac" httpd "$data" >"$E2E_ART/snac.log" 2>&1 &
  SNAC_PID=$!
  SNAC_SERVER=http://127.0.0.1:$port/
  e2e_wait_for 10 eval 'curl -s --noproxy "*" --max-time 5 "${SNAC_SERVER}api/v1/instance" | e2e_has uri' &&
    e2e_log "snac on port $port"
}

e2e_start_relay() {
  RELAY_EVENTS=$E2E_ART/relay-events.jsonl
  rm -f "$E2E_ART/relay.port" "$RELAY_EVENTS"
  QUILLET_NOSTR_DIR=$QUILLET_ROOT/build/nostr node "$QUILLET_ROOT/tests/e2e/nostr/run_relay.mjs" --port 0 \
    --port-file "$E2E_ART/relay.port" --events "$RELAY_EVENTS" --mute-file "$E2E_ART/relay.mute" >"$E2E_ART/relay.log" 2>&1 &
  RELAY_PID=$!
  e2e_wait_for 10 test -s "$E2E_ART/relay.port" || { cat "$E2E_ART/relay.log"; return 1; }
  RELAY_URL=ws://127.0.0.1:$(cat "$E2E_ART/relay.port")
  e2e_log "relay at $RELAY_URL"
}

e2e_parts() {
  local chosen=$1 part status=0
  shift
  if [ -n "$chosen" ]; then
    E2E_PART=$chosen
    return 0
  fi
  for part in "$@"; do bash "$0" "$part" || status=1; done
  exit "$status"
}
# e2e_parts_side_by_side "${1:-}" PART...: the same, but the parts run at once, each on a display
# and in a prefix of its own, and count as one test: for parts that mostly wait on the program's
# schedule. Each line a part prints begins with its name. Skipped when every part is skipped (77).
e2e_parts_side_by_side() {
  local chosen=$1 part pid status skipped=0 failed=0 pids=()
  shift
  if [ -n "$chosen" ]; then
    E2E_PART=$chosen
    return 0
  fi
  for part in "$@"; do
    bash "$0" "$part" > >(sed -u "s/^/$part: /") 2>&1 &
    pids+=($!)
  done
  for pid in "${pids[@]}"; do
    status=0
    wait "$pid" || status=$?
    case $status in
      0) ;;
      77) skipped=$((skipped + 1)) ;;
      *) failed=1 ;;
    esac
  done
  [ "$failed" = 0 ] || exit 1
  [ "$skipped" -lt $# ] || exit 77
  exit 0
}

e2e_init() {
  E2E_NAME=$1
  E2E_ART=$QUILLET_BUILD_DIR/e2e-artifacts/$E2E_NAME
  E2E_REC=$E2E_ART/requests
  rm -rf "$E2E_ART"
  mkdir -p "$E2E_ART" "$QUILLET_WINE_DIR"
  touch "$QUILLET_WINE_DIR.lock"
  trap e2e_cleanup EXIT
  e2e_start_display || exit 1
  export WINEPREFIX=$QUILLET_WINE_DIR/e2e-$E2E_NAME-$$
  wine_fresh_prefix "$WINEPREFIX" linked || { echo "e2e: no Wine prefix" >&2; exit 1; }
  e2e_log "$E2E_NAME: display $DISPLAY, prefix $WINEPREFIX"
}

e2e_free_port() {
  python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])'
}
e2e_port_free() {
  python3 -c 'import socket,sys; s=socket.socket(); s.bind(("127.0.0.1",int(sys.argv[1])))' "$1" 2>/dev/null
}

# The loopback copy keeps its port between runs (so a rebuild is incremental) unless the port
# has been taken meanwhile.
e2e_build_loopback() {
  local dir=$QUILLET_BUILD_DIR/e2e-build/$E2E_NAME${1:+-$1}
  mkdir -p "$dir"
  E2E_PORT=$(cat "$dir/port" 2>/dev/null)
  if [ -z "$E2E_PORT" ] || ! e2e_port_free "$E2E_PORT"; then
    E2E_PORT=$(e2e_free_port)
    echo "$E2E_PORT" > "$dir/port"
  fi
  E2E_HOST_HEADER=${E2E_HOST_HEADER:-status.quillet.test}
  local host=${E2E_CONNECT_HOST:-127.0.0.1}
  e2e_log "building the loopback copy ($host:$E2E_PORT) in $dir"
  # The copy links this build's program libraries and compiles only the endpoint's file.
  local libraries=""
  [ -f "$QUILLET_BUILD_DIR/libquillet_core.a" ] && [ -f "$QUILLET_BUILD_DIR/libquillet_win32.a" ] && [ -f "$QUILLET_BUILD_DIR/libquillet_windows.a" ] &&
    libraries=$QUILLET_BUILD_DIR
  cmake -S "$QUILLET_ROOT" -B "$dir" -G Ninja --toolchain "$QUILLET_TOOLCHAIN" \
    -DCMAKE_BUILD_TYPE=Release -DQUILLET_CONNECT_HOST="$host" -DQUILLET_HOST_HEADER="$E2E_HOST_HEADER" \
    -DQUILLET_PORT="$E2E_PORT" -DQUILLET_LIBRARIES_FROM="$libraries" >"$dir/configure.log" 2>&1 ||
    { cat "$dir/configure.log"; return 1; }
  # (quillet_peek.exe knows no endpoint: the build's own serves the copy too.)
  cmake --build "$dir" --target quillet -j 1 >"$dir/build.log" 2>&1 || { tail -30 "$dir/build.log"; return 1; }
  E2E_EXE=$dir/quillet.exe
}

# A value the test stores: tried again when Wine's reg fails (a loaded machine), and a failure
# when it never takes, rather than a test that goes on without it.
e2e_reg_set() {
  local try
  for try in 1 2 3; do
    "$QUILLET_WINE" reg add "$APP_KEY" /v "$1" /d "$2" /f >/dev/null 2>&1 && return 0
  done
  e2e_fail "could not store $1 ($2) in the registry"
  return 1
}
e2e_reg_query() {
  "$QUILLET_WINE" reg query "$1" /v "$2" 2>/dev/null | tr -d '\r' | awk -v n="$2" 'tolower($1)==tolower(n) { sub(/^ *[^ ]+ +REG_[A-Z_]+ */, ""); print }'
}

# The stored password: per character of code c, three shares summing to c, each written as the
# character share+50, then a filler of code 50..99. For printable ASCII passwords the stored
# text stays ASCII, which `wine reg add` passes through unchanged.
e2e_scramble() {
  python3 - "$1" <<'PY'
import random, sys
out = []
for ch in sys.argv[1]:
    c = ord(ch)
    a = c // 3 - random.randint(0, 3)
    b = c // 3 - random.randint(0, 3)
    out += [chr(a + 50), chr(b + 50), chr(c - a - b + 50), chr(random.randint(50, 99))]
print("".join(out))
PY
}

e2e_start() {
  local exe=${1:-${E2E_EXE:-$QUILLET_EXE}}
  "$QUILLET_WINE" "$exe" >"$E2E_ART/program.log" 2>&1 &
  E2E_APP_PID=$!
  E2E_APP_STARTED=$(date +%s)
  e2e_log "started $(basename "$exe")"
}
e2e_alive() { [ -n "$E2E_APP_PID" ] && kill -0 "$E2E_APP_PID" 2>/dev/null; }
# The Wine process of the program: the one whose command line names the executable.
e2e_app_process() {
  local exe=${E2E_EXE:-$QUILLET_EXE} pid
  for pid in $(pgrep -f "$(basename "$exe")"); do
    if [ "$(cat /proc/$pid/environ 2>/dev/null | tr '\0' '\n' | grep -c "^WINEPREFIX=$WINEPREFIX\$")" = 1 ]; then
      echo "$pid"
      return 0
    fi
  done
  return 1
}
e2e_rss_kb() { awk '/^VmRSS/ { print $2 }' "/proc/$(e2e_app_process)/status" 2>/dev/null; }
e2e_peek() { "$QUILLET_WINE" "$QUILLET_PEEK" 2>/dev/null | tr -d '\r'; }
e2e_peek_field() { e2e_peek | sed -n "s/^$1=//p"; }

# Runs CMD... until it succeeds (true) or SECONDS (times the patience) have passed (false): every
# quarter second for the first few seconds, then every half second. Many of the commands waited on
# start a Wine process (a tenth of a second of a core or more), and some waits last minutes.
E2E_PATIENCE=${E2E_PATIENCE:-3}
# A match over the whole of a producer's output. Never `producer | grep -q` under pipefail: grep -q
# stops at the first match, the producer dies writing to the closed pipe, and the pipeline then
# fails exactly when the pattern was there (tests/tools/pipelines_test.py keeps the shape out).
# Where the producer's own failure must count, capture its output first and match that.
e2e_has() { grep "$@" >/dev/null; }
e2e_wait_for() {
  local started=$SECONDS deadline=$((SECONDS + $1 * E2E_PATIENCE))
  shift
  while [ "$SECONDS" -le "$deadline" ]; do
    "$@" && return 0
    if [ $((SECONDS - started)) -lt 5 ]; then sleep 0.25; else sleep 0.5; fi
  done
  return 1
}
e2e_find_window() {  # prints the id of a visible window so titled
  local id
  id=$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | sed -n 1p)
  [ -n "$id" ] && echo "$id"
}
e2e_wait_window() { e2e_wait_for "$2" e2e_find_window "$1"; }
e2e_visible() { xdotool search --onlyvisible --name '' 2>/dev/null | e2e_has -x "$1"; }
e2e_wait_hidden() { e2e_wait_for "$2" eval "! e2e_visible $1"; }
e2e_geometry() {  # prints X Y of the window's client origin on the screen
  xdotool getwindowgeometry "$1" | awk '/Position/ { split($2, p, ","); print p[1], p[2] }'
}
e2e_click() {
  local x y
  read -r x y < <(e2e_geometry "$1")
  xdotool mousemove $((x + $2)) $((y + $3)) click 1
  sleep 0.3
}
e2e_type() { xdotool type --delay 30 "$1"; sleep 0.3; }
e2e_key() { xdotool key "$1"; sleep 0.3; }
e2e_shot() {
  if [ -n "${2:-}" ]; then import -window "$2" "$E2E_ART/$1.png"; else import -window root "$E2E_ART/$1.png"; fi
}
e2e_region_sum() {
  local x y
  read -r x y < <(e2e_geometry "$1")
  import -window root -crop "$4x$5+$((x + $2))+$((y + $3))" rgb:- 2>/dev/null | md5sum | cut -d' ' -f1
}

e2e_listen() {
  rm -rf "$E2E_REC"
  mkdir -p "$E2E_REC"
  python3 "$E2E_LIB_DIR/listener.py" --port "$E2E_PORT" --record "$E2E_REC" "$@" >"$E2E_ART/listener.log" 2>&1 &
  E2E_LISTENER_PID=$!
  for _ in $(seq 50); do [ -f "$E2E_REC/ready" ] && return 0; sleep 0.1; done
  e2e_fail "the listener did not start"
  return 1
}
e2e_stop_listener() {
  [ -n "$E2E_LISTENER_PID" ] && kill "$E2E_LISTENER_PID" 2>/dev/null
  wait "$E2E_LISTENER_PID" 2>/dev/null
  E2E_LISTENER_PID=""
}
e2e_requests() { find "$E2E_REC" -name 'request-*.bin' 2>/dev/null | wc -l; }
e2e_has_requests() { [ "$(e2e_requests)" -ge "$1" ]; }
e2e_wait_requests() { e2e_wait_for "$2" e2e_has_requests "$1"; }
e2e_wait_log() { e2e_wait_for "$2" grep -sqE "$1" "$E2E_REC/log"; }

e2e_outbox_file() { ls "$WINEPREFIX"/drive_c/users/*/AppData/Local/Quillet/outbox.txt 2>/dev/null | sed -n 1p; }
e2e_outbox() { python3 "$E2E_LIB_DIR/delivery_figures.py" records "$(e2e_outbox_file)"; }
e2e_outbox_is() { [ "$(e2e_outbox)" = "$1" ]; }
e2e_settled() {  # the outbox read whole, and no line in it still waiting, leaving or being looked for
  local records
  [ -n "$(e2e_outbox_file)" ] && records=$(e2e_outbox) && ! grep -q '^[wsv] ' <<<"$records"
}
e2e_wait_settled() { e2e_wait_for "$1" e2e_settled; }
