#!/usr/bin/env bash
# The end-to-end tests under load: ROUNDS rounds in a row (3 unless given) while two busy loops
# keep both cores loaded. A check that waits a fixed time, or reads a request that another may
# follow, fails here. Run after tools/test.sh has built everything once, on a tree nobody edits
# meanwhile (the tests build their loopback copies from its sources). Each round's summary
# line is printed; the output of each round is in build/stress-round-N.log and its tests'
# artifacts (logs, requests, a screenshot at a first failure) in build/stress-round-N-artifacts.
# Exits 1 when any round had a failure.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
rounds=${1:-3}
[ -f build/CTestTestfile.cmake ] || { echo "stress: run tools/test.sh first" >&2; exit 2; }
busy=()
for _ in 1 2; do
  yes >/dev/null &
  busy+=($!)
done
trap 'kill "${busy[@]}" 2>/dev/null' EXIT
status=0
for round in $(seq "$rounds"); do
  started=$SECONDS
  ctest --test-dir build -R '^e2e_' --output-on-failure -j "${QUILLET_TEST_JOBS:-$((2 * $(nproc) + 1))}" \
    >"build/stress-round-$round.log" 2>&1 || status=1
  echo "round $round ($((SECONDS - started)) s): $(grep -E 'tests passed' "build/stress-round-$round.log")"
  rm -rf "build/stress-round-$round-artifacts"
  for artifacts in build/*/e2e-artifacts; do
    [ -d "$artifacts" ] || continue
    mkdir -p "build/stress-round-$round-artifacts"
    cp -r "$artifacts" "build/stress-round-$round-artifacts/$(basename "$(dirname "$artifacts")")"
  done
  grep -E '^\s+[0-9]+ - .*\((Failed|Timeout)\)' "build/stress-round-$round.log" || true
done
exit "$status"
