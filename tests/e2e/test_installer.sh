#!/usr/bin/env bash
# The installer under Wine: a silent per-user install puts quillet.exe, the uninstaller, the
# Start-menu shortcut and the uninstall entry in place; a silent uninstall removes them and the
# start-with-Windows value, keeps the settings, and removes those too only when asked.
set -euo pipefail
root=${QUILLET_ROOT:-$(cd "$(dirname "$0")/../.." && pwd)}
build=${QUILLET_BUILD_DIR:-$root/build/windows}
source "$root/tools/wine-env.sh"
ensure_display
export WINEPREFIX=$QUILLET_WINE_DIR/e2e-installer-$$
wine_fresh_prefix "$WINEPREFIX"
cleanup() {
  wine_stop
  [ -n "${QUILLET_XVFB_PID:-}" ] && kill "$QUILLET_XVFB_PID" 2>/dev/null
  rm -rf "$WINEPREFIX"
}
trap cleanup EXIT
set +e  # every check below runs and reports; the count decides

failures=0
check() {  # check DESCRIPTION COMMAND...
  local what=$1
  shift
  if "$@"; then echo "ok: $what"; else echo "FAILED: $what"; failures=$((failures + 1)); fi
}
reg_has() { wine reg query "$1" /v "$2" >/dev/null 2>&1; }
key_has() { wine reg query "$1" >/dev/null 2>&1; }
user_dir=$(ls -d "$WINEPREFIX/drive_c/users/"*/ | grep -v Public | head -1)
app_dir="$user_dir/AppData/Local/Programs/Quillet"
shortcut="$user_dir/AppData/Roaming/Microsoft/Windows/Start Menu/Programs/Quillet.lnk"
uninstall_key='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Quillet'
run_key='HKCU\Software\Microsoft\Windows\CurrentVersion\Run'
settings_key='HKCU\Software\Velmora\Quillet'

wait_gone() {  # the uninstaller runs from a copy of itself and returns at once
  for _ in $(seq 300); do [ -e "$1" ] || return 0; sleep 0.2; done
  echo "still there after 60 s: $1"
  return 1
}

install() { wine "$build/quillet-setup.exe" /S || echo "installer exit status $?"; wineserver -w; }
uninstall() {
  wine "$app_dir/uninstall.exe" /S "$@" || echo "uninstaller exit status $?"
  wait_gone "$app_dir/uninstall.exe"
  wineserver -w
}

install
check "quillet.exe installed per user" test -f "$app_dir/quillet.exe"
check "the installed file is the program" cmp -s "$app_dir/quillet.exe" "$build/package/quillet.exe"
check "uninstaller installed" test -f "$app_dir/uninstall.exe"
check "Start-menu shortcut" test -f "$shortcut"
check "uninstall entry names the product" bash -c "wine reg query '$uninstall_key' /v DisplayName | grep -q Quillet"
check "uninstall entry names the maker" bash -c "wine reg query '$uninstall_key' /v Publisher | grep -q Velmora"

# What the program itself leaves: its settings and its start-with-Windows value.
wine reg add "$settings_key" /v Username /d someone /f >/dev/null
wine reg add "$run_key" /v Quillet /d "\"C:\\Quillet\\quillet.exe\"" /f >/dev/null
wineserver -w

uninstall
check "program removed" test ! -e "$app_dir/quillet.exe"
check "folder removed" test ! -e "$app_dir"
check "shortcut removed" test ! -e "$shortcut"
check "uninstall entry removed" bash -c "! wine reg query '$uninstall_key' >/dev/null 2>&1"
check "start-with-Windows value removed" bash -c "! wine reg query '$run_key' /v Quillet >/dev/null 2>&1"
check "settings kept" reg_has "$settings_key" Username

install
uninstall /REMOVESETTINGS
check "settings removed when asked" bash -c "! wine reg query '$settings_key' >/dev/null 2>&1"
check "program removed again" test ! -e "$app_dir/quillet.exe"

echo "$failures failed"
[ "$failures" -eq 0 ]
