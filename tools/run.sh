#!/usr/bin/env bash
# Builds quillet.exe and starts it under Wine, on the current X display or, when there is none,
# on a virtual one. Its settings stay in the Wine prefix build/wine/user between runs.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
bash tools/setup.sh
cmake --preset windows >/dev/null
cmake --build --preset windows
source tools/wine-env.sh
ensure_display
export WINEPREFIX=$QUILLET_WINE_DIR/user
[ -f "$WINEPREFIX/system.reg" ] || wine_fresh_prefix "$WINEPREFIX"
echo "Starting quillet.exe on display $DISPLAY (Wine prefix $WINEPREFIX)"
exec wine build/windows/quillet.exe
