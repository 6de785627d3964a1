#!/usr/bin/env bash
# Additions to e2e-lib.sh for the tray presence and the settings dialog. Source after it.
#   e2e_tray_window               id of the visible notification area ("Wine System Tray")
#   e2e_wait_tray SECONDS         waits until it shows an icon
#   e2e_wait_no_tray SECONDS      waits until no icon is left
#   e2e_tray_click BUTTON [N]     clicks the first icon N times (1 left, 3 right)
#   e2e_wait_menu SECONDS         prints the id of the open popup menu
#   e2e_menu_choose ID ITEM       clicks item ITEM (1-based, separators counted) of the menu
#   e2e_wait_exit SECONDS         waits until the program has ended
#   e2e_reg_hex KEY NAME          the value's bytes as stored, in hex ("missing" when absent);
#                                 exact also for empty and non-ASCII data, unlike reg query
#   e2e_reg_text KEY NAME         the same as text
#   e2e_stored_password           prints the password the stored "Password" restores to
#   e2e_pid_count                 the number of the program's processes in this prefix

e2e_tray_window() { xdotool search --onlyvisible --name '^Wine System Tray$' 2>/dev/null | head -1; }
e2e_has_tray() { [ -n "$(e2e_tray_window)" ]; }
e2e_wait_tray() { e2e_wait_for "$1" e2e_has_tray; }
e2e_wait_no_tray() { e2e_wait_for "$1" eval '! e2e_has_tray'; }
# Icons sit from the left of the tray window, about 20 pixels apart: the first one's centre.
e2e_tray_click() {
  local id x y
  id=$(e2e_tray_window) || return 1
  [ -n "$id" ] || return 1
  read -r x y < <(e2e_geometry "$id")
  xdotool mousemove $((x + 10)) $((y + 10)) click --repeat "${2:-1}" --delay 80 "$1"
  sleep 0.5
}
# A popup menu is an unnamed top-level window (override-redirect) that is not the root.
e2e_find_menu() {
  local id
  for id in $(xdotool search --onlyvisible --name '' 2>/dev/null); do
    [ -z "$(xdotool getwindowname "$id" 2>/dev/null)" ] || continue
    [ "$(xdotool getwindowgeometry "$id" | awk '/Geometry/ { print $2 }')" = "$(xdpyinfo | awk '/dimensions/ { print $2 }')" ] && continue
    echo "$id"
    return 0
  done
  return 1
}
e2e_wait_menu() { e2e_wait_for "$1" e2e_find_menu; }
# Item rows of a menu at 96 dpi: text items 16 pixels high, separators 9, a 3-pixel margin.
e2e_menu_choose() {
  local id=$1 item=$2 i y=3 height
  for i in $(seq 1 "$item"); do
    height=16
    case ",${E2E_MENU_SEPARATORS:-4,8}," in *",$i,"*) height=9 ;; esac
    [ "$i" -lt "$item" ] && y=$((y + height))
  done
  e2e_click "$id" 30 $((y + 8))
}
e2e_wait_exit() { e2e_wait_for "$1" eval '! e2e_alive'; }
# A small reader, built once per build folder with the cross compiler.
e2e_regread_exe() {
  local exe=$QUILLET_BUILD_DIR/e2e-regread.exe
  if [ ! -f "$exe" ] || [ "$E2E_LIB_DIR/regread.c" -nt "$exe" ]; then
    "$QUILLET_C_COMPILER" -O1 -o "$exe" "$E2E_LIB_DIR/regread.c" -ladvapi32 || return 1
  fi
  echo "$exe"
}
e2e_reg_hex() {
  local sub=${1#HKCU\\}
  "$QUILLET_WINE" "$(e2e_regread_exe)" "$sub" "$2" 2>/dev/null | tr -d '\r'
}
# The value as text (the code page of a fresh prefix is Windows-1252); nothing when missing.
e2e_reg_text() {
  local hex
  hex=$(e2e_reg_hex "$1" "$2")
  [ "$hex" = missing ] && return 0
  python3 -c 'import sys; print(bytes.fromhex(sys.argv[1]).decode("cp1252", "replace"))' "$hex"
}
# Each group of four stored characters restores the character x1 + x2 + x3 - 150.
e2e_stored_password() {
  python3 -c '
import sys
codes = bytes.fromhex(sys.argv[1]) if sys.argv[1] != "missing" else b""
out = [codes[i] + codes[i + 1] + codes[i + 2] - 150 for i in range(0, len(codes) - 3, 4)]
print(bytes(c for c in out if 0 <= c <= 255).decode("cp1252", "replace"))' "$(e2e_reg_hex "$APP_KEY" Password)"
}
e2e_pid_count() {
  local exe=${E2E_EXE:-$QUILLET_EXE} pid n=0
  for pid in $(pgrep -f "$(basename "$exe")"); do
    tr '\0' '\n' <"/proc/$pid/environ" 2>/dev/null | grep -qx "WINEPREFIX=$WINEPREFIX" && n=$((n + 1))
  done
  echo "$n"
}
