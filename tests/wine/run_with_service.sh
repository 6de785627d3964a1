#!/usr/bin/env bash
# Runs the Wine tests with the loopback test service (tests/e2e/service.py) beside them: one
# instance over HTTPS with a certificate of the tests' own CA, which the prefix trusts, one over
# plain HTTP, and one for each certificate the client must refuse. The tests find them in the
# environment:
#   QUILLET_TEST_HTTPS_PORT      localhost, trusted         QUILLET_TEST_HTTP_PORT  plain HTTP
#   QUILLET_TEST_UNTRUSTED_PORT  signed by an unknown CA     QUILLET_TEST_WRONGNAME_PORT  other.invalid
#   QUILLET_TEST_EXPIRED_PORT    expired
#   QUILLET_TEST_MODE_FILE       the services' mode file, as a Windows path
#   QUILLET_TEST_RELAY_PORT      the Nostr relay (tests/e2e/nostr/run_relay.mjs) and a WebSocket
#   QUILLET_TEST_ECHO_PORT       echo (websocket_echo.mjs); only where node and build/nostr are
# The services take user alice, password secret, token token-1, text limit 321.
# Usage: run_with_service.sh TESTS.exe TRUST_ROOT.exe [ARGS...]
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
source "$root/tools/wine-env.sh"
tests=$1 trust=$2
shift 2

work=$(mktemp -d)
pids=()
cleanup() {
  [ -z "${XVFB_PID:-}" ] || kill "$XVFB_PID" 2>/dev/null || true
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT

bash "$root/tests/e2e/make_certs.sh" "$work/certs"
start_service() {  # start_service NAME [service options...]
  local name=$1
  shift
  python3 "$root/tests/e2e/service.py" --port-file "$work/$name.port" --log "$work/$name.log" \
    --mode-file "$work/mode" --user alice --password secret --token token-1 --text-limit 321 "$@" &
  pids+=($!)
}
start_service https --tls "$work/certs/good.pem" "$work/certs/server.key"
start_service http
start_service untrusted --tls "$work/certs/untrusted.pem" "$work/certs/server.key"
start_service wrongname --tls "$work/certs/wrongname.pem" "$work/certs/server.key"
start_service expired --tls "$work/certs/expired.pem" "$work/certs/server.key"
for name in https http untrusted wrongname expired; do
  for _ in $(seq 100); do [ -s "$work/$name.port" ] && break; sleep 0.05; done
  variable=QUILLET_TEST_${name^^}_PORT
  export "$variable=$(cat "$work/$name.port")"
done
export QUILLET_TEST_MODE_FILE="Z:${work//\//\\}\\mode"
if command -v node >/dev/null && [ -d "$root/build/nostr/node_modules/@nostr-relay/core" ]; then
  export QUILLET_NOSTR_DIR=$root/build/nostr
  node "$root/tests/e2e/nostr/run_relay.mjs" --port 0 --port-file "$work/relay.port" \
    --events "$work/relay-events.jsonl" >"$work/relay.log" 2>&1 &
  pids+=($!)
  node "$root/tests/wine/websocket_echo.mjs" "$work/echo.port" >"$work/echo.log" 2>&1 &
  pids+=($!)
  for name in relay echo; do
    for _ in $(seq 200); do [ -s "$work/$name.port" ] && break; sleep 0.05; done
    if [ -s "$work/$name.port" ]; then export "QUILLET_TEST_${name^^}_PORT=$(cat "$work/$name.port")"; fi
  done
fi

mkdir -p "$QUILLET_WINE_DIR" && touch "$QUILLET_WINE_DIR.lock" 2>/dev/null || true
# A display of its own: the tests' windows take the focus, and other tests run beside these.
start_virtual_display
export WINEPREFIX=$QUILLET_WINE_DIR/run-$(basename "$tests" .exe)-$$
wine_fresh_prefix "$WINEPREFIX" linked
status=0
"$QUILLET_WINE" "$trust" "$work/certs/ca.pem" && "$QUILLET_WINE" "$tests" "$@" || status=$?
wine_stop
rm -rf "$WINEPREFIX"
exit $status
