#!/usr/bin/env bash
# The time from Enter (the key sent through XTest) to the request's arrival at the server, for
# each kind of service Quillet speaks, with the real quillet.exe under Wine:
#   Twitter-compatible   over HTTPS (the system's HTTP client) and over plain HTTP (the socket)
#   Mastodon-compatible  over HTTPS and over plain HTTP
#   Bluesky              the reference PDS over plain HTTP (the session kept from the first post)
# The Twitter- and Mastodon-compatible servers are the tests' loopback service (its log notes when
# a request's last byte arrived), with a certificate of a CA made here and trusted in this prefix;
# the PDS logs when each request arrives. The settings are changed in the registry between the
# kinds (Quillet reads them at every post). 5 posts each, the median printed; goal: under 100 ms.
# Without a window manager Wine waits up to 2 s for one when Enter hides the active window, before
# the request goes; a desktop has one, so this runs with Wine's X11 driver not managing windows.
#   bash bench/enter_to_wire.sh        (POSTS=3 for fewer posts per kind)
source "$(dirname "$0")/bench-lib.sh"
bench_build quillet quillet_trust_root
source "$QUILLET_ROOT/tests/e2e/e2e-lib.sh"
source "$QUILLET_ROOT/tests/e2e/e2e-tray-lib.sh"
e2e_init bench-enter-to-wire >/dev/null
POSTS=${POSTS:-5}
median() { sort -n | awk '{ a[NR] = $1 } END { print (NR ? a[int((NR + 1) / 2)] : "none") }'; }
pids=()
trap 'kill "${pids[@]}" 2>/dev/null; e2e_cleanup' EXIT

echo "== Enter to the wire, by kind of service"
bench_conditions
certs=$E2E_ART/certs
bash "$QUILLET_ROOT/tests/e2e/make_certs.sh" "$certs" >/dev/null || exit 2
"$QUILLET_WINE" "$QUILLET_BUILD_DIR/quillet_trust_root.exe" "$certs/ca.pem" >/dev/null 2>&1 || exit 2
start_service() {  # NAME [--tls CERT KEY]
  local name=$1
  shift
  python3 "$QUILLET_ROOT/tests/e2e/service.py" --port-file "$E2E_ART/$name.port" --log "$E2E_ART/$name.log" \
    --user bench --password pw --token token-1 "$@" &
  pids+=($!)
  e2e_wait_for 10 test -s "$E2E_ART/$name.port" || { echo "bench: no service $name" >&2; exit 2; }
}
start_service secure --tls "$certs/good.pem" "$certs/server.key"
start_service plain
secure=$(cat "$E2E_ART/secure.port") plain=$(cat "$E2E_ART/plain.port")

pds_dir=${QUILLET_PDS_DIR:-$QUILLET_ROOT/build/pds}
pds_port=""
if [ -d "$pds_dir/node_modules/@atproto/pds" ] && command -v node >/dev/null; then
  pds_port=$(e2e_free_port)
  NODE_PATH=$pds_dir/node_modules node "$QUILLET_ROOT/tests/e2e/pds/run_pds.js" --port "$pds_port" \
    --data "$E2E_ART/pds-data" --out "$E2E_ART/account.json" --log "$E2E_ART/pds.log" >"$E2E_ART/pds.out" 2>&1 &
  pids+=($!)
  e2e_wait_for 60 test -s "$E2E_ART/account.json" || { echo "bench: the PDS did not start" >&2; pds_port=""; }
else
  echo "bench: no PDS in $pds_dir (tools/setup.sh installs it): Bluesky left out"
fi

"$QUILLET_WINE" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
e2e_reg_set Username bench
e2e_reg_set Password "$(e2e_scramble pw)"
e2e_reg_set Interval 120
e2e_start
e2e_wait_tray 30 || { echo "bench: no tray icon" >&2; exit 2; }

# The moment (seconds since 1970) the n-th request whose line matches PATTERN reached the service.
service_arrival() {  # LOG PATTERN N
  grep '"method": "POST"' "$1" | grep -e "$2" | sed -n "${3}p" |
    python3 -c 'import json, sys; print(json.load(sys.stdin)["received"])'
}
pds_arrival() {  # PATTERN N
  grep -e "$1" "$E2E_ART/pds.log" | sed -n "${2}p" | awk '{ printf "%.3f", $1 / 1000 }'
}
# Posts one line and prints its delay in ms; ARRIVAL is a command that prints the arrival time.
post_one() {  # TEXT ARRIVAL...
  local text=$1 id pressed arrived
  shift
  arrival=("$@")
  e2e_tray_click 1 2
  id=$(e2e_wait_window Quillet 10) || { echo "bench: no update window" >&2; return 1; }
  e2e_click "$id" 200 94
  e2e_type "$text"
  sleep 1  # an Enter in the window's first second is taken for one meant for another window
  pressed=$(python3 "$BENCH_DIR/xkey.py" Return) || return 1
  e2e_wait_for 10 eval '[ -n "$("${arrival[@]}" 2>/dev/null)" ]' || { echo "bench: '$text' did not arrive" >&2; return 1; }
  arrived=$("${arrival[@]}")
  sleep 0.5
  awk -v p="$pressed" -v a="$arrived" 'BEGIN { printf "%.1f", (a - p) * 1000 }'
}
measure() {  # KIND-IN-WORDS ARRIVAL-FUNCTION LOG-OR-PATTERN... (the post's number is appended)
  local words=$1 delays=() i delay
  shift
  for i in $(seq "$POSTS"); do
    delay=$(post_one "$words $i" "$@" "$((done_before + i))") || { echo "$words: failed"; return; }
    delays+=("$delay")
  done
  printf '%-38s %s; median %s ms: %s\n' "$words" "$(tr ' ' ',' <<<"${delays[*]}")" \
    "$(printf '%s\n' "${delays[@]}" | median)" \
    "$(printf '%s\n' "${delays[@]}" | median | awk '{ print ($1 < 100 ? "under 100 ms" : "over 100 ms") }')"
}

done_before=0
e2e_reg_set Server "https://localhost:$secure/api/"
measure "Twitter-compatible, HTTPS" service_arrival "$E2E_ART/secure.log" update.xml
e2e_reg_set Server "http://127.0.0.1:$plain/api/"
measure "Twitter-compatible, HTTP loopback" service_arrival "$E2E_ART/plain.log" update.xml
e2e_reg_set Api mastodon
e2e_reg_set Server "https://localhost:$secure/"
measure "Mastodon-compatible, HTTPS" service_arrival "$E2E_ART/secure.log" api/v1/statuses
e2e_reg_set Server "http://127.0.0.1:$plain/"
measure "Mastodon-compatible, HTTP loopback" service_arrival "$E2E_ART/plain.log" api/v1/statuses
if [ -n "$pds_port" ]; then
  field() { python3 -c 'import json,sys; print(json.load(open(sys.argv[1]))[sys.argv[2]])' "$E2E_ART/account.json" "$1"; }
  e2e_reg_set Api bluesky
  e2e_reg_set Server "http://127.0.0.1:$pds_port/"
  e2e_reg_set Username "$(field handle)"
  e2e_reg_set Password "$(e2e_scramble "$(field appPassword)")"
  # The first post signs in (createSession, then putRecord); it is timed apart.
  done_before=0 POSTS_SAVED=$POSTS POSTS=1
  measure "Bluesky, first post (signs in)" pds_arrival putRecord
  POSTS=$POSTS_SAVED done_before=1
  measure "Bluesky, HTTP loopback, session kept" pds_arrival putRecord
fi
exit 0
