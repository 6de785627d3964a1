#!/usr/bin/env bash
# Shared by the scripts that run Windows programs under Wine. Source it.
#   wine_template            -> path of a ready Wine prefix to copy from (made once, ~20 s)
#   wine_fresh_prefix DIR    -> DIR becomes a fresh prefix, a copy of the template (with
#                               QUILLET_JAPANESE_FONT=1, one that draws Japanese text)
#   ensure_display           -> exports DISPLAY, starting a virtual X display when there is none
#   start_virtual_display    -> a new virtual X display of its own (DISPLAY, XVFB_PID)
#   wine_stop                -> ends the wineserver of $WINEPREFIX and its programs
# and exports which Wine runs the Windows programs (decided once, inherited by every script
# started from here):
#   QUILLET_WINE          the command that starts a Windows program: "$QUILLET_WINE" prog.exe
#   QUILLET_WINE32        1 when this machine runs 32-bit Windows programs (the i686 build),
#                         0 when it cannot and the x86_64 build runs under 64-bit Wine instead
#   QUILLET_WINE_PRESET   the Windows build whose programs the Wine tests run: windows or windows-x64
#   QUILLET_WINE_REASON   why, in a few words
# Setting QUILLET_WINE32=0 beforehand takes the 64-bit way on any machine.
set -euo pipefail

QUILLET_ROOT=${QUILLET_ROOT:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)}
QUILLET_WINE_DIR=${QUILLET_WINE_DIR:-$QUILLET_ROOT/build/wine}
export WINEDEBUG=${WINEDEBUG:--all}
# No Mono or Gecko prompts; no desktop menu entries made from the prefix's shortcuts, and no bus of
# game controllers: a Wine start costs a third less (2.0 s of a core instead of 2.8), and the tests
# start some fifty.
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-"mscoree,mshtml=;winemenubuilder.exe=d;winebus.sys=d"}

# The tests' Python is the system's: Debian's python3, with the packages tools/setup.sh installs.
# A version manager's shim found first on the PATH (pyenv's) starts a shell and a dozen programs at
# every call, half a second of a core, and the end-to-end tests call Python some thousand times.
if [ -x /usr/bin/python3 ] && [ "$(command -v python3)" != /usr/bin/python3 ]; then
  mkdir -p "$QUILLET_ROOT/build/system-python"
  ln -sfn /usr/bin/python3 "$QUILLET_ROOT/build/system-python/python3"
  PATH=$QUILLET_ROOT/build/system-python:$PATH
fi

# Debian's `wine` script prefers the 32-bit loader whenever wine32 is installed, even on a kernel
# that cannot run 32-bit programs (no ia32 emulation): there every start fails with "Exec format
# error". Asking the 32-bit loader for its version is cheap and needs no prefix; bash's own exec
# reports a binary it cannot start (execvp would hand it to sh as a script).
quillet_wine_choose() {
  local loader32=/usr/lib/wine/wine loader64=/usr/lib/wine/wine64 error
  QUILLET_WINE32=1 QUILLET_WINE=wine
  if [ ! -e "$loader64" ]; then
    # Not Debian's split packaging: `wine` is the loader itself and picks the architecture.
    QUILLET_WINE_REASON="Wine's own loader"
  elif [ ! -e "$loader32" ]; then
    QUILLET_WINE32=0
    QUILLET_WINE_REASON="32-bit Wine (wine32:i386) is not installed"
  elif error=$(timeout 10 bash -c 'exec "$0" --version' "$loader32" 2>&1 >/dev/null); then
    QUILLET_WINE_REASON="this machine runs 32-bit programs"
  else
    error=${error%%$'\n'*}
    QUILLET_WINE32=0
    QUILLET_WINE_REASON="this machine cannot run 32-bit programs ($loader32: ${error##*: })"
  fi
  if [ "$QUILLET_WINE32" = 0 ] || [ "${1:-}" = 0 ]; then
    [ "${1:-}" = 0 ] && QUILLET_WINE_REASON="QUILLET_WINE32=0 asks for 64-bit Wine"
    QUILLET_WINE32=0 QUILLET_WINE=$loader64
    export WINELOADER=$loader64  # Wine starts its helper processes (wineboot, services) with it
  fi
  QUILLET_WINE_PRESET=windows
  [ "$QUILLET_WINE32" = 1 ] || QUILLET_WINE_PRESET=windows-x64
  export QUILLET_WINE QUILLET_WINE32 QUILLET_WINE_PRESET QUILLET_WINE_REASON
}
if [ -z "${QUILLET_WINE:-}" ]; then
  quillet_wine_choose "${QUILLET_WINE32:-}"
fi

# Starts Xvfb on a display number it picks itself and reports, so that parallel starts never
# share a display; exports DISPLAY and sets XVFB_PID. The screen is 1024 x 768 unless
# QUILLET_SCREEN names another size ("1600x1200"); keys do not repeat. The server does not reset
# when its last client goes, so that what was set up before the programs start (keys bound to
# letters) stays.
start_virtual_display() {
  local numberFile
  numberFile=$(mktemp)
  Xvfb -displayfd 3 -screen 0 "${QUILLET_SCREEN:-1024x768}x24" -nolisten tcp -noreset 3>"$numberFile" >/dev/null 2>&1 &
  XVFB_PID=$!
  for _ in $(seq 100); do
    if [ -s "$numberFile" ]; then
      export DISPLAY=":$(head -1 "$numberFile")"
      rm -f "$numberFile"
      # No key repeats itself: a test's key press held past the repeat delay by a busy machine
      # would otherwise reach the next window too (an Enter that closes a dialog, then its owner).
      if command -v xset >/dev/null; then xset r off 2>/dev/null || true; fi
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

# The template is made again when Wine has changed since (a prefix of an older Wine is updated in
# place at its first start, and test prefixes share the template's system files), or what is set
# up in it (the stamp's second part).
wine_template() {
  local template=$QUILLET_WINE_DIR/template version
  version="$("$QUILLET_WINE" --version 2>/dev/null); emoji link"
  if [ "$(cat "$template/.ready" 2>/dev/null)" != "$version" ]; then
    (
      flock 9
      if [ "$(cat "$template/.ready" 2>/dev/null)" != "$version" ]; then
        rm -rf "$template"
        mkdir -p "$QUILLET_WINE_DIR"
        echo "wine-env: creating the Wine prefix template (once)" >&2
        WINEPREFIX=$template WINEARCH=win64 "$QUILLET_WINE" wineboot -i >/dev/null 2>&1
        # Arial and Times New Roman are not free; Wine draws them with the metric-compatible fonts.
        WINEPREFIX=$template "$QUILLET_WINE" reg add 'HKCU\Software\Wine\Fonts\Replacements' /v Arial /d 'Liberation Sans' /f >/dev/null 2>&1
        WINEPREFIX=$template "$QUILLET_WINE" reg add 'HKCU\Software\Wine\Fonts\Replacements' /v 'Times New Roman' /d 'Liberation Serif' /f >/dev/null 2>&1
        # The face Wine draws the dialogs in (Tahoma, MS Shell Dlg: Liberation Sans here) has no
        # emoji; linked to Symbola (Debian's fonts-symbola), as Windows links Segoe UI to Segoe UI
        # Emoji and Symbol, it draws those of the Basic Multilingual Plane (Latin text stays as it
        # was). Wine's text drawing cannot reach beyond that plane; the lists draw those emoji
        # themselves (platform/win32/list_emoji.h).
        [ ! -f /usr/share/fonts/truetype/ancient-scripts/Symbola_hint.ttf ] ||
          WINEPREFIX=$template "$QUILLET_WINE" reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink' \
            /v 'Liberation Sans' /t REG_MULTI_SZ /d 'Symbola_hint.ttf,Symbola' /f >/dev/null 2>&1
        # A crashing test program must end, not wait in Wine's crash dialog.
        WINEPREFIX=$template "$QUILLET_WINE" reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1
        WINEPREFIX=$template wineserver -w
        echo "$version" >"$template/.ready"
      fi
    ) 9>"$QUILLET_WINE_DIR.lock"
  fi
  echo "$template"
}

# wine_fresh_prefix DIR [linked]: with "linked" (a test's prefix, gone when the test ends), the
# system's libraries (1.2 GB that Wine only reads) are hard links to the template's, and only the
# few dozen other files are copied: a start in a tenth of a second instead of two.
wine_fresh_prefix() {
  local dir=$1 template system file
  template=$(wine_template)
  rm -rf "$dir"
  mkdir -p "$(dirname "$dir")"
  if [ "${2:-}" = linked ]; then
    cp -al "$template" "$dir"
    system=$dir/drive_c/windows
    find "$dir" \( -path "$system/system32" -o -path "$system/syswow64" -o -path "$system/winsxs" \) -prune \
      -o -type f -print0 | while IFS= read -r -d '' file; do
        cp -p "$file" "$file.copy" && mv -f "$file.copy" "$file"
      done
  else
    cp -a "$template" "$dir"
  fi
  rm -f "$dir/.ready"
  [ "${QUILLET_JAPANESE_FONT:-0}" = 0 ] || wine_japanese_fallback "$dir"
}

# The faces Wine draws dialogs in have no Japanese glyphs. Wine links them, as Windows does, to
# Windows' Japanese fonts (FontLink\SystemLink: "MSGOTHIC.TTC,MS UI Gothic"), which are not here;
# standing VL Gothic (Debian's fonts-vlgothic, tools/setup.sh) in for MS UI Gothic makes the link
# work. Wine then draws the dialogs' Latin text in VL Gothic too, so only a prefix made with
# QUILLET_JAPANESE_FONT=1 gets it. Written into the prefix's registry file: no Wine starts for it.
wine_japanese_fallback() {
  local registry=$1/user.reg
  [ -f /usr/share/fonts/truetype/vlgothic/VL-Gothic-Regular.ttf ] && [ -f "$registry" ] || return 0
  grep -q '^"MS UI Gothic"="VL Gothic"' "$registry" && return 0
  printf '\n[Software\\\\Wine\\\\Fonts\\\\Replacements] 0\n"MS UI Gothic"="VL Gothic"\n' >>"$registry"
}

wine_stop() {
  wineserver -k 2>/dev/null || true
  wineserver -w 2>/dev/null || true
}
