#!/usr/bin/env bash
# Runs one fuzz target for a bounded time, from its seed corpus, and prints its figures.
# Usage: fuzz-run.sh TARGET SEED_CORPUS SECONDS
# New inputs go to a scratch folder, so the seed corpus in the tree is never changed.
set -euo pipefail
target=$1 seeds=$2 seconds=$3
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
"$target" -max_total_time="$seconds" -seed=1 -print_final_stats=1 -artifact_prefix="$scratch/" \
  "$scratch" "$seeds" 2>"$scratch/log" || { cat "$scratch/log"; exit 1; }
grep -E '^stat::number_of_executed_units|^stat::peak_rss_mb|^#[0-9]+.*DONE' "$scratch/log" || tail -3 "$scratch/log"
