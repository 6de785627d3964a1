#!/usr/bin/env bash
# The Nostr events and keys this program makes, checked by nostr-tools (nostr_check.mjs); skipped
# (exit 77) when tools/setup-servers.sh could not install it.
#   nostr_check.sh <nostr_sample program> <folder nostr-tools is installed in (build/nostr)>
set -euo pipefail
sample=$1 folder=$2
if [ ! -d "$folder/node_modules/nostr-tools" ] || ! command -v node >/dev/null; then
  echo "skipped: $(cat "$folder.unavailable" 2>/dev/null || echo "nostr-tools is not installed (bash tools/setup-servers.sh)")"
  exit 77
fi
written=$(mktemp)
trap 'rm -f "$written"' EXIT
"$sample" >"$written"
node "$(dirname "$0")/nostr_check.mjs" "$folder" "$written"
