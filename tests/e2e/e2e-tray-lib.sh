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
# Posting through the icon, without waiting for the scheduled pop-up
#   e2e_bring_up                  double-clicks the icon and waits up to 5 s (times the patience)
#                                 for the update window: its id in UP_ID, the milliseconds taken
#                                 in LATENCY (also appended to the array LATENCIES); fails without
#                                 it, counting the failure in BRING_UP_FAILURES
#   e2e_check_responds LABEL [CMD...]
#                                 checks that the window comes up (the time is printed; within a
#                                 second is the goal, a figure and not a check) and, with CMD,
#                                 that CMD still holds then: that the window came while the fault
#                                 CMD names went on, not once the program was done waiting on it.
#                                 Then closes it by its close mark
#   e2e_post_line TEXT            brings the window up, types TEXT and presses Enter; fails
#                                 unless the window hides
#   e2e_exit_by_menu              "E&xit" from the icon's menu

e2e_tray_window() { xdotool search --onlyvisible --name '^Wine System Tray$' 2>/dev/null | sed -n 1p; }
e2e_has_tray() { [ -n "$(e2e_tray_window)" ]; }
e2e_wait_tray() { e2e_wait_for "$1" e2e_has_tray; }
e2e_wait_no_tray() { e2e_wait_for "$1" eval '! e2e_has_tray'; }
# Icons sit from the left of the tray window, about 20 pixels apart: the first one, above its
# centre (a balloon points at the centre and may cover the lower half).
e2e_tray_click() {
  local id x y
  id=$(e2e_tray_window) || return 1
  [ -n "$id" ] || return 1
  read -r x y < <(e2e_geometry "$id")
  xdotool mousemove $((x + 10)) $((y + 6)) click --repeat "${2:-1}" --delay 80 "$1"
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
# While lines wait, "Lines waiting..." follows "Post Now": set E2E_LINES_WAITING=1 and keep
# numbering the items as in the plain menu.
e2e_menu_choose() {
  local id=$1 item=$2 i y=3 height separators=${E2E_MENU_SEPARATORS:-5,9}
  if [ "${E2E_LINES_WAITING:-0}" = 1 ]; then
    [ "$item" -ge 2 ] && item=$((item + 1))
    separators=$(echo "$separators" | tr ',' '\n' | awk '{ printf "%s%d", (NR > 1 ? "," : ""), $1 + 1 }')
  fi
  for i in $(seq 1 "$item"); do
    height=16
    case ",$separators," in *",$i,"*) height=9 ;; esac
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
    tr '\0' '\n' <"/proc/$pid/environ" 2>/dev/null | e2e_has -x "WINEPREFIX=$WINEPREFIX" && n=$((n + 1))
  done
  echo "$n"
}

e2e_now_ms() { date +%s%3N; }
LATENCIES=()
BRING_UP_FAILURES=0
e2e_bring_up() {
  local tray x y start id limit=$((5000 * E2E_PATIENCE))
  UP_ID=""
  LATENCY=$limit
  # A busy X server may not list the notification area at once: it is waited for.
  e2e_wait_for 5 e2e_has_tray || { BRING_UP_FAILURES=$((BRING_UP_FAILURES + 1)); return 1; }
  tray=$(e2e_tray_window)
  read -r x y < <(e2e_geometry "$tray")
  start=$(e2e_now_ms)
  xdotool mousemove $((x + 10)) $((y + 6)) click --repeat 2 --delay 60 1
  while [ $(($(e2e_now_ms) - start)) -lt "$limit" ]; do
    id=$(xdotool search --onlyvisible --name '^Quillet$' 2>/dev/null | sed -n 1p)
    if [ -n "$id" ]; then
      LATENCY=$(($(e2e_now_ms) - start))
      LATENCIES+=("$LATENCY")
      UP_ID=$id
      return 0
    fi
    sleep 0.02
  done
  BRING_UP_FAILURES=$((BRING_UP_FAILURES + 1))
  return 1
}
e2e_check_responds() {
  local label=$1
  shift
  e2e_bring_up
  e2e_log "$label: double click -> update window in ${LATENCY} ms"
  e2e_check "$label: the window comes up (${LATENCY} ms)" test -n "$UP_ID"
  [ $# -gt 0 ] && e2e_check "$label: while the fault went on" "$@"
  [ -n "$UP_ID" ] && { e2e_click "$UP_ID" 562 11; e2e_wait_hidden "$UP_ID" 3; }  # the close mark
}
e2e_post_line() {
  local x y seen wait
  e2e_bring_up || { e2e_fail "no window for '$1'"; return 1; }
  read -r x y < <(e2e_geometry "$UP_ID")
  seen=$(e2e_now_ms)
  xdotool mousemove $((x + 200)) $((y + 94)) click 1 type --delay 5 "$1"
  # An Enter in the window's first second is taken for one meant for another window.
  wait=$((1100 - ($(e2e_now_ms) - seen)))
  [ "$wait" -gt 0 ] && sleep "$(printf '%d.%03d' $((wait / 1000)) $((wait % 1000)))"
  xdotool key Return
  # Without a window manager Wine may wait 2 s before a window hides; a loaded machine adds to it.
  e2e_wait_hidden "$UP_ID" 6 || { e2e_fail "'$1': Enter did not hide the window"; return 1; }
}
e2e_exit_by_menu() {
  local menu
  e2e_tray_click 3
  menu=$(e2e_wait_menu 5) && e2e_menu_choose "$menu" 10
}
# The account dialog's field NAME as the probe reads it ("message", "visibility", "publickey"...).
e2e_account_field() { "$QUILLET_WINE" "$QUILLET_PEEK" account 2>/dev/null | tr -d '\r' | sed -n "s/^$1=//p"; }
# Options from the tray menu, tried again when the menu did not come up (Wine may still be busy
# hiding a window); prints the dialog's id.
e2e_open_options() {
  local menu attempt
  for attempt in 1 2; do
    e2e_tray_click 3
    menu=$(e2e_wait_menu 5) && e2e_menu_choose "$menu" 7
    e2e_wait_window 'Quillet Options' 10 && return 0
    xdotool key Escape
  done
  return 1
}
# Options, then Edit... on the first account (selected when Options opens); prints the account
# dialog's id.
e2e_open_account() {
  local options
  options=$(e2e_open_options) || return 1
  e2e_click "$options" 152 154  # Edit...
  e2e_wait_window 'Quillet Account' 10
}
