#!/usr/bin/env bash
# Builds quillet.exe and starts it under Wine, on the current X display or, when there is none,
# on a virtual one. Its settings stay in the Wine prefix build/wine/user between runs.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
bash tools/setup.sh
source tools/wine-env.sh
# The product is the 32-bit build; where 32-bit programs cannot run, the 64-bit build stands in.
[ "$QUILLET_WINE32" = 1 ] || echo "Running the x86_64 build under 64-bit Wine: $QUILLET_WINE_REASON"
cmake --preset "$QUILLET_WINE_PRESET" >/dev/null
cmake --build --preset "$QUILLET_WINE_PRESET"
ensure_display
export WINEPREFIX=$QUILLET_WINE_DIR/user
[ -f "$WINEPREFIX/system.reg" ] || wine_fresh_prefix "$WINEPREFIX"
echo "Starting quillet.exe on display $DISPLAY (Wine prefix $WINEPREFIX)"
exec "$QUILLET_WINE" "build/$QUILLET_WINE_PRESET/quillet.exe"
