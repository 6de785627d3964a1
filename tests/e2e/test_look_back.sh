#!/usr/bin/env bash
# Looking back, as a person who has answered for a few days does it: "Look back..." from the tray
# opens the window on today, its answers with their times read as a screen reader reads them
# (each control's accessible name, the list's rows); Previous day shows yesterday; a word typed
# in the search box finds an answer of three days ago, and a click on it opens its day; the week
# is exported as CSV, which a spreadsheet's reader (Python's csv) reads whole. The window's place
# is kept when it closes.
source "$(dirname "$0")/e2e-lib.sh"
source "$(dirname "$0")/e2e-tray-lib.sh"
e2e_init look_back
e2e_reg_set Username alice
e2e_reg_set Interval 60
e2e_reg_set Api journal

day() { date -d "$1 day" +%F; }
today=$(day 0) yesterday=$(day -1) before=$(day -3)
folder=$(ls -d "$WINEPREFIX"/drive_c/users/*/AppData/Local | grep -v '/Public/' | sed -n 1p)/Quillet
mkdir -p "$folder"
{
  printf '\xEF\xBB\xBFTime,Line,Outcome\r\n'                             # begun before the new columns
  printf '%s 09:15:00,reading "Dune" #books,kept in the journal only\r\n' "$before"
  printf '%s 12:30:00,lunch,kept in the journal only\r\n' "$yesterday"
  printf '%s 16:00:00,"coding, then tests #work",kept in the journal only\r\n' "$yesterday"
  printf '%s 09:00:00,coding #work,kept in the journal only,%s 08:59:50,\r\n' "$today" "$today"
  printf '%s 10:00:15,,not answered,%s 10:00:00,\r\n' "$today" "$today"
  printf '%s 12:31:00,lunch with Bo,kept in the journal only,%s 12:30:58,\r\n' "$today" "$today"
} >"$folder/journal.csv"

# "child=<id>|<role>|<name>|<left>,<top>,<right>,<bottom>|<visible>" and "row=<id>|<column>|...";
# the times and dates as Wine's English (United States) settings write them.
peek_look_back() { "$QUILLET_WINE" "$QUILLET_PEEK" look-back 2>/dev/null | tr -d '\r'; }
rows() { peek_look_back | sed -n 's/^row=410|//p'; }
rows_are() { [ "$(rows)" = "$1" ]; }
# Clicks the middle of a child of the window, found by its identifier.
click_child() {
  local place left top right bottom
  place=$(peek_look_back | awk -F'|' -v id="child=$1" '$1 == id { print $4 }')
  IFS=, read -r left top right bottom <<<"$place"
  [ -n "$bottom" ] || return 1
  xdotool mousemove $(((left + right) / 2)) $(((top + bottom) / 2)) click 1
  sleep 0.3
}
# Clicks the first row of the list, below its header (the list's child).
click_first_row() {
  local left top right bottom
  IFS=, read -r left top right bottom <<<"$(peek_look_back | awk -F'|' 'found && $1 == "child=0" { print $4; exit } $1 == "child=410" { found = 1 }')"
  xdotool mousemove $((left + 60)) $((bottom + 7)) click 1
  sleep 0.3
}

e2e_start
e2e_wait_tray 30 || e2e_fail "no tray icon"
e2e_tray_click 3
menu=$(e2e_wait_menu 5) && e2e_menu_choose "$menu" 2
window=$(e2e_wait_window 'Quillet: look back' 15)
e2e_check "Look back... opens the window" test -n "$window"
if [ -n "$window" ]; then
  e2e_wait_for 10 eval '[ -n "$(rows)" ]'
  peek_look_back >"$E2E_ART/today.txt"
  e2e_shot look-back-today
  e2e_check "today's answers with their times and what became of them" \
    rows_are "$(printf '9:00 AM|coding #work|Kept in the journal\n10:00 AM||Not answered\n12:31 PM|lunch with Bo|Kept in the journal')"
  e2e_check "the list's caption names the day" grep -q "^child=409|[0-9]*|Answers on $(date +%-m/%-d/%Y):|" "$E2E_ART/today.txt"
  e2e_check "the picture says what it shows" grep -qE "^child=407\|[0-9?]*\|.*2 answers.*1 " "$E2E_ART/today.txt"
  e2e_check "the week's #work is counted" grep -q "^row=408|#work|1|2" "$E2E_ART/today.txt"

  click_child 401  # Previous day
  e2e_check "Previous day shows yesterday" e2e_wait_for 10 rows_are \
    "$(printf '12:30 PM|lunch|Kept in the journal\n4:00 PM|coding, then tests #work|Kept in the journal')"

  click_child 406  # the search box
  e2e_type dune
  e2e_wait_for 10 eval 'rows | e2e_has "|reading \"Dune\" #books|"'
  peek_look_back >"$E2E_ART/found.txt"
  e2e_shot look-back-found
  e2e_check "a word finds the answer of three days ago, with its day" e2e_wait_for 10 eval \
    'rows | e2e_has "|reading \"Dune\" #books|"'
  click_first_row
  e2e_check "a click on the hit opens its day" e2e_wait_for 10 eval \
    '[ "$(rows | wc -l)" = 1 ] && rows | e2e_has "^9:15 AM|reading \"Dune\" #books|"'
  peek_look_back >"$E2E_ART/hit-opened.txt"
  e2e_shot look-back-hit-opened

  # Export the week shown (the choice the window starts with) of today.
  click_child 404  # Today
  e2e_wait_for 10 eval 'rows | e2e_has "^12:31 PM|lunch with Bo|"'
  click_child 415  # Export...
  save=$(e2e_wait_window 'Save As' 15)
  e2e_check "Export... asks where, in the common Save As dialog" test -n "$save"
  if [ -n "$save" ]; then
    e2e_shot export-save-as
    xdotool key ctrl+a
    e2e_type 'C:\week.csv'
    e2e_key Return
  fi
  csv=$WINEPREFIX/drive_c/week.csv
  e2e_check "the week is written" e2e_wait_for 15 test -s "$csv"
  if [ -s "$csv" ]; then
    cp "$csv" "$E2E_ART/week.csv"
    e2e_check "a spreadsheet's reader reads the week whole" python3 - "$csv" "$before" "$yesterday" "$today" <<'EOF'
import csv, sys
path, before, yesterday, today = sys.argv[1:]
rows = list(csv.reader(open(path, encoding='utf-8-sig', newline='')))
assert rows[0] == ['Time', 'Line', 'Outcome', 'Asked', 'Accounts'], rows[0]
lines = [(r[0][:10], r[1]) for r in rows[1:]]
assert lines == [(before, 'reading "Dune" #books'), (yesterday, 'lunch'), (yesterday, 'coding, then tests #work'),
                 (today, 'coding #work'), (today, ''), (today, 'lunch with Bo')], lines
assert rows[5][2] == 'not answered' and rows[5][3] == today + ' 10:00:00', rows[5]
EOF
  fi

  click_child 409  # the list's caption: the keyboard goes to the window
  e2e_key Escape
  e2e_check "Esc closes the window" e2e_wait_hidden "$window" 10
  e2e_check "its place is kept" eval '[ -n "$(e2e_reg_query "$APP_KEY" LookBackPlace)" ]'
fi
e2e_check "still running" e2e_alive
e2e_finish
