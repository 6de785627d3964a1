#!/usr/bin/env bash
# The scheduled pop-up while the program's other windows are open, in two parts that run side by
# side: 60 s after start while the tray menu is open ("menu"), or while the settings dialog is
# open ("settings"). The pop-up comes over each, the program keeps responding (a double click on
# the icon brings the update window up within a second; each time is printed), the dialog still
# closes and writes nothing, and "E&xit" ends the program cleanly.
source "$(dirname "$0")/e2e-lib.sh"
source "$(dirname "$0")/e2e-tray-lib.sh"
e2e_parts "${1:-}" menu settings
e2e_init "popup_over_$E2E_PART"

e2e_reg_set Username alice
e2e_reg_set Password "$(e2e_scramble 'pw')"
e2e_reg_set Interval 1
e2e_start
e2e_check "the icon appears" e2e_wait_tray 30
while [ $(($(date +%s) - E2E_APP_STARTED)) -lt 50 ]; do sleep 1; done

if [ "$E2E_PART" = menu ]; then
  # The scheduled pop-up (60 s after start) while the tray menu is open.
  e2e_tray_click 3
  menu=$(e2e_wait_menu 5)
  e2e_check "the menu is open before the pop-up" test -n "$menu"
  id=$(e2e_wait_window Quillet 25)
  e2e_check "the pop-up comes while the menu is open" test -n "$id"
  e2e_shot popup-over-menu
  xdotool key Escape   # closes the menu if it is still open
  if [ -n "$id" ]; then e2e_click "$id" 562 11; e2e_wait_hidden "$id" 3; fi
  e2e_check_responds "after a pop-up over the menu"
else
  # The scheduled pop-up while the settings dialog is open.
  e2e_tray_click 3
  menu=$(e2e_wait_menu 5) && e2e_menu_choose "$menu" 6
  settings=$(e2e_wait_window 'Quillet Settings' 10)
  e2e_check "the settings dialog is open before the pop-up" test -n "$settings"
  id=$(e2e_wait_window Quillet 30)
  e2e_check "the pop-up comes while the settings dialog is open" test -n "$id"
  e2e_shot popup-over-settings
  if [ -n "$id" ]; then e2e_click "$id" 562 11; e2e_wait_hidden "$id" 3; fi
  e2e_check_responds "with the settings dialog open"
  if [ -n "$settings" ]; then
    e2e_click "$settings" 200 50
    e2e_key Escape
    e2e_check "the settings dialog still closes" e2e_wait_hidden "$settings" 10
  fi
  e2e_check "the dialog wrote nothing" test "$(e2e_reg_query "$APP_KEY" Interval)" = 1
fi

e2e_exit_by_menu
e2e_check "\"E&xit\" removes the icon" e2e_wait_no_tray 10
e2e_check "\"E&xit\" ends the program" e2e_wait_exit 20
wait "$E2E_APP_PID"
rc=$?
e2e_check "the exit code is 0 ($rc)" test "$rc" = 0
e2e_finish
