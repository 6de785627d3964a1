#!/usr/bin/env bash
# The installer and the portable zip under Wine:
# - a silent per-user install puts quillet.exe, the uninstaller, the Start-menu shortcut and the
#   uninstall entry in place, and the installed program starts;
# - a silent uninstall ends the running program (its icon goes with it), removes the program,
#   the shortcut, the uninstall entry and the start-with-Windows value, and keeps the settings;
#   asked to, it removes the settings too;
# - quillet.exe from the zip runs from any folder.
source "$(dirname "$0")/e2e-lib.sh"
source "$(dirname "$0")/e2e-tray-lib.sh"
if [ "$QUILLET_WINE32" != 1 ]; then
  # CTest reports exit 77 as skipped (SKIP_RETURN_CODE in e2e.cmake).
  echo "SKIPPED: the installer, its uninstaller and the zip's quillet.exe are 32-bit programs;" \
    "$QUILLET_WINE_REASON"
  exit 77
fi
e2e_init installer

build=$QUILLET_BUILD_DIR
user_dir=$(ls -d "$WINEPREFIX/drive_c/users/"*/ | grep -v Public | sed -n 1p)
app_dir="$user_dir/AppData/Local/Programs/Quillet"
shortcut="$user_dir/AppData/Roaming/Microsoft/Windows/Start Menu/Programs/Quillet.lnk"
uninstall_key='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Quillet'
run_key='HKCU\Software\Microsoft\Windows\CurrentVersion\Run'

missing() { [ "$(e2e_reg_hex "$1" "$2")" = missing ]; }
key_missing() { ! "$QUILLET_WINE" reg query "$1" >/dev/null 2>&1; }
wait_gone() {  # the uninstaller works from a copy of itself and returns at once
  local deadline=$(($(date +%s) + 60))
  while [ "$(date +%s)" -le "$deadline" ]; do [ -e "$1" ] || return 0; sleep 0.2; done
  return 1
}
install() { "$QUILLET_WINE" "$build/quillet-setup.exe" /S || e2e_fail "installer exit status $?"; wineserver -w; }
uninstall() {
  "$QUILLET_WINE" "$app_dir/uninstall.exe" /S "$@" || e2e_fail "uninstaller exit status $?"
  wait_gone "$app_dir/uninstall.exe" || e2e_fail "the uninstaller did not finish within 60 s"
}

e2e_log "silent install"
install
e2e_check "quillet.exe installed per user" test -f "$app_dir/quillet.exe"
e2e_check "the installed file is the program" cmp -s "$app_dir/quillet.exe" "$build/package/quillet.exe"
e2e_check "uninstaller installed" test -f "$app_dir/uninstall.exe"
e2e_check "Start-menu shortcut" test -f "$shortcut"
e2e_check "uninstall entry names the product" bash -c "wine reg query '$uninstall_key' /v DisplayName | grep Quillet >/dev/null"
e2e_check "uninstall entry names the maker" bash -c "wine reg query '$uninstall_key' /v Publisher | grep Velmora >/dev/null"

e2e_log "the installed program runs; the uninstaller ends it"
e2e_reg_set Username someone
"$QUILLET_WINE" reg add "$run_key" /v Quillet /d "\"C:\\Quillet\\quillet.exe\"" /f >/dev/null 2>&1
e2e_start "$app_dir/quillet.exe"
e2e_check "the installed program puts its icon up" e2e_wait_tray 30
e2e_shot installed-running
uninstall
e2e_check "the running program was ended" e2e_wait_exit 20
e2e_check "its icon is gone" e2e_wait_no_tray 10
wineserver -w
e2e_check "program removed" test ! -e "$app_dir/quillet.exe"
e2e_check "folder removed" test ! -e "$app_dir"
e2e_check "shortcut removed" test ! -e "$shortcut"
e2e_check "uninstall entry removed" key_missing "$uninstall_key"
e2e_check "start-with-Windows value removed" missing "$run_key" Quillet
e2e_check "settings kept" test "$(e2e_reg_query "$APP_KEY" Username)" = someone

e2e_log "uninstall asked to remove the settings"
install
uninstall /REMOVESETTINGS
wineserver -w
e2e_check "settings removed when asked" key_missing "$APP_KEY"
e2e_check "program removed again" test ! -e "$app_dir/quillet.exe"

e2e_log "the portable zip"
portable="$WINEPREFIX/drive_c/Some Folder/Quillet Portable"
mkdir -p "$portable"
e2e_check "the zip holds quillet.exe alone" test "$(unzip -Z1 "$build/quillet-portable.zip")" = quillet.exe
unzip -q -o "$build/quillet-portable.zip" -d "$portable"
e2e_start "$portable/quillet.exe"
e2e_check "quillet.exe from the zip runs from any folder (first run asks for the account)" \
  e2e_wait_window "Quillet Settings" 30 >/dev/null

e2e_finish
