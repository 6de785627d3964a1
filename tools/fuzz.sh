#!/usr/bin/env bash
# Runs every fuzz target for SECONDS (default 60) from its seed corpus and prints, per target,
# the executions, the time and the peak memory. Usage: bash tools/fuzz.sh [SECONDS] [TARGET...]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
bash tools/setup.sh
# The fuzz targets are built in the checked build, beside the unit tests.
cmake --preset host-asan >/dev/null
cmake --build --preset host-asan >/dev/null
seconds=${1:-60}
shift || true
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=($(cd build/host-asan && ls fuzz_* | grep -v '\.'))
for target in "${targets[@]}"; do
  name=${target#fuzz_}
  start=$(date +%s.%N)
  output=$(tools/fuzz-run.sh "build/host-asan/$target" "tests/fuzz/corpus/$name" "$seconds")
  end=$(date +%s.%N)
  runs=$(echo "$output" | sed -n 's/^stat::number_of_executed_units: *//p')
  rss=$(echo "$output" | sed -n 's/^stat::peak_rss_mb: *//p')
  printf '%-22s %12s executions in %6.1f s, peak %s MB, no finding\n' "$target" "$runs" "$(echo "$end - $start" | bc)" "$rss"
done
