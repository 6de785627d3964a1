#!/usr/bin/env bash
# A pop-up that falls due while another program fills the screen: a borderless window of the
# test's own (quillet_full_screen.exe) covers the whole screen in front when the first scheduled
# pop-up is due (60 s after start); none comes over it, and once the show ends one comes up,
# within 5 s (the time is printed), and only one.
source "$(dirname "$0")/e2e-lib.sh"
source "$(dirname "$0")/e2e-tray-lib.sh"
e2e_init full_screen_hold

e2e_reg_set Username alice
e2e_reg_set Password "$(e2e_scramble 'pw')"
e2e_reg_set Interval 1
e2e_start
e2e_check "the icon appears" e2e_wait_tray 30

end_file=$E2E_ART/show.end
rm -f "$end_file"
"$QUILLET_WINE" "$QUILLET_FULL_SCREEN" "Z:${end_file//\//\\}" >"$E2E_ART/show.log" 2>&1 &
show_pid=$!
show=$(e2e_wait_window 'Full-screen show' 20)
e2e_check "the show fills the screen" test -n "$show"
e2e_check "the show starts before the pop-up is due" test $(($(date +%s) - E2E_APP_STARTED)) -lt 55

# Past the due time (with room for a loaded machine's late ticks), no pop-up over the show.
over=""
while [ $(($(date +%s) - E2E_APP_STARTED)) -lt 90 ]; do
  over=$(e2e_find_window Quillet) && break
  sleep 0.5
done
e2e_shot during-show
e2e_check "no pop-up over the show" test -z "$over"

touch "$end_file"
ended=$(e2e_now_ms)
e2e_check "the show ends" e2e_wait_hidden "$show" 10
wait "$show_pid" 2>/dev/null
id=$(e2e_wait_window Quillet 5)
e2e_log "the pop-up came $(($(e2e_now_ms) - ended)) ms after the show ended"
e2e_check "a pop-up comes once the show has ended" test -n "$id"
e2e_shot after-show
if [ -n "$id" ]; then
  e2e_click "$id" 562 11  # the close mark
  e2e_check "it goes with the close mark" e2e_wait_hidden "$id" 6
  # Only one for the time waited: the next is due a minute after this one, not now.
  again=""
  for _ in $(seq 40); do
    again=$(e2e_find_window Quillet) && break
    sleep 0.5
  done
  e2e_check "only one pop-up for the time waited" test -z "$again"
fi

e2e_exit_by_menu
e2e_check "\"E&xit\" ends the program" e2e_wait_exit 20
e2e_finish
