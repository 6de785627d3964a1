#!/usr/bin/env bash
# The settings dialog and the tray presence under Wine, with the real quillet.exe in a fresh
# prefix: a first run cancelled ends with no icon; a first run filled in stores every setting
# and the Run value and shows the icon; the icon's double click and menu work; a second start
# only brings the update window up; "E&xit" removes the icon and ends the program.
source "$(dirname "$0")/e2e-lib.sh"
source "$(dirname "$0")/e2e-tray-lib.sh"
e2e_init tray
run_key='HKCU\Software\Microsoft\Windows\CurrentVersion\Run'
exe_dos=$("$QUILLET_WINE" winepath -w "$QUILLET_EXE" 2>/dev/null | tr -d '\r')

# 1. First run, cancelled: the program ends before any icon exists, and nothing is stored.
e2e_start
id=$(e2e_wait_window 'Quillet Settings' 60) || { e2e_fail "no settings dialog on first run"; e2e_finish; }
e2e_shot first-run-dialog
e2e_click "$id" 269 204   # Cancel (at the first run after "Another kind of account..." and OK)
e2e_check "Cancel on a first run ends the program" e2e_wait_exit 20
e2e_check "no icon left behind" test -z "$(e2e_tray_window)"
e2e_check "no user name stored" test -z "$(e2e_reg_query "$APP_KEY" Username)"
e2e_check "no Run value written" test "$(e2e_reg_hex "$run_key" Quillet)" = missing

# 2. First run, filled in: user name, password, an interval, Enter.
e2e_start
id=$(e2e_wait_window 'Quillet Settings' 60) || { e2e_fail "no settings dialog on the second first run"; e2e_finish; }
e2e_check "no icon while the first-run dialog is up" test -z "$(e2e_tray_window)"
e2e_click "$id" 200 50    # the user name box
e2e_type 'alice_w'
e2e_click "$id" 200 82    # the password box
e2e_type 'Pa55 w&rd'
e2e_key Tab               # to the interval list: 40 minutes, two further down
e2e_key Down
e2e_key Down
e2e_shot settings-filled "$id"
e2e_key Return
e2e_check "Enter closes the dialog" e2e_wait_hidden "$id" 10
e2e_check "the icon appears" e2e_wait_tray 20
e2e_check "Username stored" test "$(e2e_reg_query "$APP_KEY" Username)" = alice_w
e2e_check "Password decodes to what was typed ($(e2e_stored_password))" test "$(e2e_stored_password)" = 'Pa55 w&rd'
e2e_check "Interval stored" test "$(e2e_reg_query "$APP_KEY" Interval)" = 42
e2e_check "Startup stored" test "$(e2e_reg_query "$APP_KEY" Startup)" = 1
e2e_check "Addfriend stored" test "$(e2e_reg_query "$APP_KEY" Addfriend)" = 1
run_value=$(e2e_reg_text "$run_key" Quillet)
e2e_check "Run value names quillet.exe in the program's folder ($run_value)" \
  test "$run_value" = "\"${exe_dos%\\*}\\quillet.exe\""
e2e_shot tray-icon

# 3. A double click on the icon brings the update window up.
e2e_tray_click 1 2
update_window=$(e2e_wait_window Quillet 10)
e2e_check "double click brings the update window up" test -n "$update_window"
e2e_shot update-window
[ -n "$update_window" ] && { e2e_click "$update_window" 562 11; e2e_wait_hidden "$update_window" 5; }  # its close mark

# 4. A second start brings the update window up and ends at once: one process, one icon.
e2e_check "the update window is hidden before the second start" test -z "$(xdotool search --onlyvisible --name '^Quillet$')"
second_start=$(date +%s)
timeout 90 "$QUILLET_WINE" "$QUILLET_EXE" >/dev/null 2>&1
e2e_check "the second start ends by itself ($(($(date +%s) - second_start)) s)" test $? != 124
update_window=$(e2e_wait_window Quillet 10)
e2e_check "the second start brought the update window up" test -n "$update_window"
e2e_check "one copy runs" test "$(e2e_pid_count)" = 1
[ -n "$update_window" ] && { e2e_click "$update_window" 562 11; e2e_wait_hidden "$update_window" 5; }

# 5. The right button opens the menu; "&Settings" opens the dialog filled from the registry.
e2e_tray_click 3
menu=$(e2e_wait_menu 5)
e2e_check "the right button opens the menu" test -n "$menu"
e2e_shot tray-menu
if [ -n "$menu" ]; then
  read -r _ menu_height < <(xdotool getwindowgeometry "$menu" | awk '/Geometry/ { split($2, g, "x"); print g[1], g[2] }')
  e2e_check "the menu holds eight items and two separators (height $menu_height)" test "$menu_height" -ge 143 -a "$menu_height" -le 158
  e2e_menu_choose "$menu" 6
fi
id=$(e2e_wait_window 'Quillet Settings' 10)
e2e_check "\"&Settings\" opens the dialog" test -n "$id"
e2e_shot settings-from-menu "$id"
before=$(e2e_reg_hex "$APP_KEY" Password)
if [ -n "$id" ]; then
  e2e_click "$id" 200 50
  e2e_type 'mallory'
  e2e_key Escape
  e2e_check "Esc closes the dialog" e2e_wait_hidden "$id" 10
fi
e2e_check "Esc writes nothing" test "$(e2e_reg_query "$APP_KEY" Username)" = alice_w -a "$(e2e_reg_hex "$APP_KEY" Password)" = "$before"

# The dialog opened again shows what is stored; untick start-with-Windows and press OK.
e2e_tray_click 3
menu=$(e2e_wait_menu 5) && e2e_menu_choose "$menu" 6
id=$(e2e_wait_window 'Quillet Settings' 10)
if [ -n "$id" ]; then
  e2e_click "$id" 100 152   # the start-with-Windows box
  e2e_click "$id" 92 192    # OK
  e2e_check "OK closes the dialog" e2e_wait_hidden "$id" 10
fi
e2e_check "unticked: Startup 0" test "$(e2e_reg_query "$APP_KEY" Startup)" = 0
e2e_check "unticked: the Run value stays, empty" test -z "$(e2e_reg_hex "$run_key" Quillet)"
e2e_check "the user name is kept" test "$(e2e_reg_query "$APP_KEY" Username)" = alice_w

# 6. "E&xit" removes the icon and ends the process.
e2e_tray_click 3
menu=$(e2e_wait_menu 5) && e2e_menu_choose "$menu" 10
e2e_check "\"E&xit\" removes the icon" e2e_wait_no_tray 10
e2e_check "\"E&xit\" ends the program" e2e_wait_exit 20
e2e_finish
