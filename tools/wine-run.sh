#!/usr/bin/env bash
# Runs one Windows test program under Wine in a fresh prefix of its own, on the current X
# display or on a virtual one. Usage: wine-run.sh PROGRAM.exe [ARGS...]
set -euo pipefail
source "$(dirname "$0")/wine-env.sh"
mkdir -p "$QUILLET_WINE_DIR" && touch "$QUILLET_WINE_DIR.lock" 2>/dev/null || true
ensure_display
export WINEPREFIX=$QUILLET_WINE_DIR/run-$(basename "$1" .exe)-$$
wine_fresh_prefix "$WINEPREFIX"
status=0
"$QUILLET_WINE" "$@" || status=$?
wine_stop
[ -n "${QUILLET_XVFB_PID:-}" ] && kill "$QUILLET_XVFB_PID" 2>/dev/null
rm -rf "$WINEPREFIX"
exit $status
