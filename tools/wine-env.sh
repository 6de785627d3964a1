#!/usr/bin/env bash
# Shared by the scripts that run Windows programs under Wine. Source it.
#   wine_template            -> path of a ready Wine prefix to copy from (made once, ~20 s)
#   wine_fresh_prefix DIR    -> DIR becomes a fresh prefix, a copy of the template
#   ensure_display           -> exports DISPLAY, starting a virtual X display when there is none
#   start_virtual_display    -> a new virtual X display of its own (DISPLAY, XVFB_PID)
#   wine_stop                -> ends the wineserver of $WINEPREFIX and its programs
set -euo pipefail

QUILLET_ROOT=${QUILLET_ROOT:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)}
QUILLET_WINE_DIR=${QUILLET_WINE_DIR:-$QUILLET_ROOT/build/wine}
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-"mscoree,mshtml="}  # no Mono or Gecko prompts

# Starts Xvfb on a display number it picks itself and reports, so that parallel starts never
# share a display; exports DISPLAY and sets XVFB_PID.
start_virtual_display() {
  local numberFile
  numberFile=$(mktemp)
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$numberFile" >/dev/null 2>&1 &
  XVFB_PID=$!
  for _ in $(seq 100); do
    if [ -s "$numberFile" ]; then
      export DISPLAY=":$(head -1 "$numberFile")"
      rm -f "$numberFile"
      return 0
    fi
    sleep 0.1
  done
  rm -f "$numberFile"
  kill "$XVFB_PID" 2>/dev/null
  echo "wine-env: could not start Xvfb" >&2
  return 1
}

ensure_display() {
  if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then return 0; fi
  start_virtual_display || return 1
  QUILLET_XVFB_PID=$XVFB_PID
  echo "wine-env: no X display; started a virtual one on $DISPLAY" >&2
}

wine_template() {
  local template=$QUILLET_WINE_DIR/template
  if [ ! -f "$template/.ready" ]; then
    (
      flock 9
      if [ ! -f "$template/.ready" ]; then
        rm -rf "$template"
        mkdir -p "$QUILLET_WINE_DIR"
        echo "wine-env: creating the Wine prefix template (once)" >&2
        WINEPREFIX=$template WINEARCH=win64 wineboot -i >/dev/null 2>&1
        # Arial and Times New Roman are not free; Wine draws them with the metric-compatible fonts.
        WINEPREFIX=$template wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v Arial /d 'Liberation Sans' /f >/dev/null 2>&1
        WINEPREFIX=$template wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v 'Times New Roman' /d 'Liberation Serif' /f >/dev/null 2>&1
        # A crashing test program must end, not wait in Wine's crash dialog.
        WINEPREFIX=$template wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1
        WINEPREFIX=$template wineserver -w
        touch "$template/.ready"
      fi
    ) 9>"$QUILLET_WINE_DIR.lock"
  fi
  echo "$template"
}

wine_fresh_prefix() {
  local dir=$1 template
  template=$(wine_template)
  rm -rf "$dir"
  mkdir -p "$(dirname "$dir")"
  cp -a "$template" "$dir"
  rm -f "$dir/.ready"
}

wine_stop() {
  wineserver -k 2>/dev/null || true
  wineserver -w 2>/dev/null || true
}
