#!/usr/bin/env bash
# Takes the documentation's pictures of the real program under Wine at 96 dpi and writes them to
# docs/screenshots/: update-window.png (a line being typed), settings.png (opened from the
# tray menu, filled from the registry), tray-menu.png (the icon with its menu open) and
# options.png (the Options dialog with two accounts, quiet hours and a hotkey), accounts.png (its
# Accounts section), account.png (the account dialog, Edit... on the first account),
# account-<kind>.png (the same at each kind of service: twitter, mastodon, journal, bluesky, nostr),
# look-back.png (a week of answers in the journal, emoji among them) and look-back-high-contrast.png (the same in
# high-contrast colours), first-run.png (the settings dialog of a first run, with "Another kind of
# account...") and first-run-<kind>.png (the account dialog it opens, at each kind), and
# lines-waiting.png (a line of 140 characters that waits for a server out of reach, selected, shown
# whole under the list, and a line with emoji after it).
# QUILLET_SCREENSHOT_DPI=144 takes them at another density into the artifacts only, to look at, but
# for look-back-144dpi.png.
# QUILLET_SCREENSHOT_LANGUAGE=de (a tag of po/: de, fr, es, pt-BR, ja, ar) takes them in that
# language into docs/screenshots/<tag>/ (all but accounts.png).
# Run by the build: cmake --build <Windows build folder> --target screenshots
# Environment as for the end-to-end tests (QUILLET_EXE, QUILLET_BUILD_DIR, QUILLET_WINE_DIR).
source "$(dirname "$0")/../tests/e2e/e2e-lib.sh"
source "$(dirname "$0")/../tests/e2e/e2e-tray-lib.sh"
language=${QUILLET_SCREENSHOT_LANGUAGE:-}
out=$QUILLET_ROOT/docs/screenshots${language:+/$language}
catalog=$QUILLET_ROOT/po/${language//-/_}.po
[ -z "$language" ] || [ -f "$catalog" ] || { echo "screenshots: no catalog $catalog" >&2; exit 1; }
[ "$language" = ja ] && export QUILLET_JAPANESE_FONT=1  # the prefix draws Japanese
e2e_init screenshots
dpi=${QUILLET_SCREENSHOT_DPI:-96}
px() { echo $(($1 * dpi / 1440)); }  # twips to pixels
# A text of the program as it shows it in the chosen language (English without one).
translated() {
  [ -n "$language" ] || { echo "$1"; return; }
  python3 -c 'import sys; sys.path.insert(0, sys.argv[1]); from messages import read_po
forms = {e["msgid"]: e["forms"].get(0, "") for e in read_po(sys.argv[2])[1] if not e["fuzzy"]}
print(forms.get(sys.argv[3]) or sys.argv[3])' "$QUILLET_ROOT/tools" "$catalog" "$1"
}
# The window so titled, its title compared whole (xdotool's pattern misses some non-Latin titles
# that Wine sets in a Japanese locale; every title of Quillet holds its name).
find_titled() {
  local id
  for id in $(xdotool search --onlyvisible --name Quillet 2>/dev/null); do
    [ "$(xdotool getwindowname "$id" 2>/dev/null)" = "$1" ] && { echo "$id"; return 0; }
  done
  return 1
}
wait_titled() { e2e_wait_for 10 find_titled "$(translated "$1")"; }
access_key() { translated "$1" | sed 's/&&//g; s/.*&\(.\).*/\1/' | tr '[:upper:]' '[:lower:]'; }
# Where a point TWIPS from the left of a window ENGLISH pixels wide in English at 96 dpi is in
# WINDOW as shown: windows grow with the density, dialogs widen for longer texts, and right-to-left
# languages mirror them.
across() {  # WINDOW ENGLISH TWIPS
  local width x
  width=$(xdotool getwindowgeometry "$1" | awk '/Geometry/ { split($2, g, "x"); print g[1] }')
  x=$(($3 * width / ($2 * 15)))
  case $language in ar) x=$((width - 1 - x)) ;; esac
  echo "$x"
}
"$QUILLET_WINE" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null 2>&1
[ -z "$language" ] || e2e_reg_set Language "$language"
# Windows' Tahoma and Arial hold Arabic letters; those Wine draws in here (its own Tahoma, Liberation
# Sans) do not: linked to DejaVu Sans, which does, the Arabic pictures show text.
if [ "$language" = ar ]; then
  for face in Tahoma Arial 'Liberation Sans' 'Microsoft Sans Serif'; do
    "$QUILLET_WINE" reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink' /v "$face" \
      /t REG_MULTI_SZ /d 'DejaVuSans.ttf,DejaVu Sans' /f >/dev/null 2>&1
  done
fi

# The first run, no account stored: the settings dialog with "Another kind of account...", and the
# account dialog it opens at each kind (the kind's list has the focus: Down chooses the next).
first_run() {
  local settings account kind
  e2e_start
  settings=$(wait_titled 'Quillet Settings') || { e2e_fail "no settings dialog at the first run"; return 1; }
  sleep 0.3
  e2e_shot first-run "$settings"
  e2e_click "$settings" "$(across "$settings" 314 1200)" "$(px 3067)"   # Another kind of account...
  account=$(wait_titled 'Quillet Account') || { e2e_fail "no account dialog from the first run"; return 1; }
  sleep 0.3
  e2e_shot first-run-twitter "$account"
  for kind in mastodon journal bluesky nostr; do
    e2e_key Down
    sleep 0.3
    # A Nostr key is made at once: its public key shows once the rows for the kind are drawn.
    [ "$kind" != nostr ] || e2e_wait_for 10 eval '[ -n "$(e2e_account_field publickey)" ]' || e2e_fail "no Nostr key"
    sleep 0.3
    e2e_shot "first-run-$kind" "$account"
  done
  e2e_key Escape
  e2e_wait_hidden "$account" 3 || e2e_fail "Esc did not close the account dialog"
  e2e_key Escape
  e2e_wait_exit 15 || e2e_fail "the first run closed without an account did not end Quillet"
}
first_run
e2e_reg_set Username alice_w
e2e_reg_set Password "$(e2e_scramble 'not-my-real-one')"
e2e_reg_set QuietFrom 22:00
e2e_reg_set QuietTo 07:30
e2e_reg_set RespectBusy 1
e2e_reg_set Hotkey Ctrl+Alt+Q
for value in 'Api mastodon' 'Server https://mastodon.example/' 'Username bob' 'PostHere 0'; do
  "$QUILLET_WINE" reg add "$APP_KEY\\Accounts\\2" /v "${value%% *}" /d "${value#* }" /f >/dev/null 2>&1
done
# A week of answers in the journal, for the look-back window: a working day's lines with their
# tags, lunch, a pop-up or two left unanswered.
e2e_reg_set Journal 1
journal_folder=$(ls -d "$WINEPREFIX"/drive_c/users/*/AppData/Local | grep -v '/Public/' | sed -n 1p)/Quillet
mkdir -p "$journal_folder"
python3 - "$journal_folder/journal.csv" <<'PYTHON'
import datetime, sys
lines = ["Reading the overnight mail #work", "Stand-up with the team #work", "Fixing the flaky upload test #work #bugs",
         "Lunch at the canteen #lunch", "Reviewing Ana's pull request #work #review", "Coffee \u2615 and a walk round the block",
         "Release notes out \U0001F680 #work", "Reading \"The Dispossessed\" #reading"]
rows = ["\ufeffTime,Line,Outcome,Asked,Accounts"]
today = datetime.date.today()
for back in range(6, -1, -1):
    day = today - datetime.timedelta(days=back)
    if day.weekday() >= 5 and back: continue
    for n, minute in enumerate(range(9 * 60 + 5, 18 * 60, 40 + back * 3)):
        if back == 0 and minute > 16 * 60: break
        at = datetime.datetime.combine(day, datetime.time(minute // 60, minute % 60, 12))
        asked = (at - datetime.timedelta(seconds=9)).strftime("%Y-%m-%d %H:%M:%S")
        if (n + back) % 7 == 5:
            rows.append(f"{(at + datetime.timedelta(seconds=6)).strftime('%Y-%m-%d %H:%M:%S')},,not answered,{asked},")
            continue
        line = "Lunch at the canteen #lunch" if 12 * 60 <= minute < 12 * 60 + 40 else lines[(n + back) % len(lines)]
        line = '"' + line.replace('"', '""') + '"' if '"' in line or ',' in line else line
        rows.append(f"{at.strftime('%Y-%m-%d %H:%M:%S')},{line},posted,{asked},")
open(sys.argv[1], "w", encoding="utf-8", newline="").write("\r\n".join(rows) + "\r\n")
PYTHON
# Japanese as a Japanese Windows shows it: its system locale links the faces Wine draws the update
# window in to Japanese ones (the dialogs' faces are linked in any locale).
if [ "$language" = ja ]; then LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8 e2e_start 2>/dev/null; else e2e_start; fi  # (no such locale here: bash warns)
e2e_wait_tray 60 || { e2e_fail "no tray icon"; e2e_finish; }

# The update window, brought up as from the tray, with a line being typed.
e2e_tray_click 1 2
update_window=$(e2e_wait_window Quillet 10) || { e2e_fail "no update window"; e2e_finish; }
e2e_click "$update_window" "$(across "$update_window" 577 3000)" 94
e2e_type 'Trying out Quillet: a line every forty minutes, no more'
sleep 0.3
e2e_shot update-window "$update_window"
e2e_key Escape
e2e_wait_hidden "$update_window" 3 || e2e_fail "Esc did not hide the update window"

# (the tray menu is chosen from by its items' places at 96 dpi: at another density only the dialogs
# below are taken)
if [ "$dpi" = 96 ]; then
# The tray menu: the notification area and the menu below it, on a plain background.
# (pressed near the icon's lower right corner, so that the menu leaves most of the icon in view)
read -r tx ty < <(e2e_geometry "$(e2e_tray_window)")
xdotool mousemove $((tx + 17)) $((ty + 17)) click 3
menu=$(e2e_wait_menu 5) || { e2e_fail "no tray menu"; e2e_finish; }
sleep 0.3
e2e_shot desktop
tray=$(e2e_tray_window)
read -r x0 y0 x1 y1 < <(for id in "$tray" "$menu"; do
    xdotool getwindowgeometry "$id" | awk '/Position/ { split($2, p, ",") } /Geometry/ { split($2, g, "x"); print p[1], p[2], p[1] + g[1], p[2] + g[2] }'
  done | awk 'NR == 1 { a = $1; b = $2; c = $3; d = $4 } { a = $1 < a ? $1 : a; b = $2 < b ? $2 : b; c = $3 > c ? $3 : c; d = $4 > d ? $4 : d } END { print a, b, c, d }')
m=8
x0=$((x0 > m ? x0 - m : 0)); y0=$((y0 > m ? y0 - m : 0))
convert "$E2E_ART/desktop.png" -crop $((x1 - x0 + m))x$((y1 - y0 + m))+$x0+$y0 +repage \
  -fill 'rgb(222,228,234)' -draw 'color 0,0 floodfill' -draw "color $((x1 - x0 + m - 1)),$((y1 - y0 + m - 1)) floodfill" \
  "$E2E_ART/tray-menu.png"
if [ -z "$language" ]; then
  e2e_menu_choose "$menu" 6   # "&Settings"
else
  e2e_key "$(access_key '&Settings')"
fi

# The settings dialog as the user finds it (its client area: Wine draws no title bar here).
dialog=$(wait_titled 'Quillet Settings') || { e2e_fail "no settings dialog"; e2e_finish; }
sleep 0.3
e2e_shot settings "$dialog"
e2e_click "$dialog" "$(across "$dialog" 314 60)" 220   # a bare spot: the keyboard goes to the dialog
e2e_key Escape
e2e_wait_hidden "$dialog" 3 || e2e_fail "Esc did not close the settings dialog"
fi

# The Options dialog, filled from the registry (the first account's server set only now, so that
# the tray menu above shows the built-in service's caption).
e2e_reg_set Server https://social.example/api/
e2e_tray_click 3
if [ "$dpi" = 96 ] && [ -z "$language" ]; then
  menu=$(e2e_wait_menu 5) && e2e_menu_choose "$menu" 7   # "&Options..."
else
  menu=$(e2e_wait_menu 5) && e2e_key "$(access_key '&Options...')"
fi
dialog=$(wait_titled 'Quillet Options') || { e2e_fail "no options dialog"; e2e_finish; }
sleep 0.3
e2e_shot options "$dialog"
convert "$E2E_ART/options.png" -crop "$(px 6600)x$(px 3180)+0+0" +repage "$E2E_ART/accounts.png"
# The account dialog: Edit... on the first account (selected when Options opens).
e2e_click "$dialog" "$(across "$dialog" 440 2287)" "$(px 2317)"
account=$(wait_titled 'Quillet Account') || { e2e_fail "no account dialog"; e2e_finish; }
sleep 0.3
e2e_shot account "$account"
cp "$E2E_ART/account.png" "$E2E_ART/account-twitter.png"
# Each further kind of service, chosen with Down in the list (which has the focus), as it shows.
for kind in mastodon journal bluesky nostr; do
  e2e_key Down
  sleep 0.3
  e2e_shot "account-$kind" "$account"
done
e2e_key Escape
e2e_wait_hidden "$account" 3 || e2e_fail "Esc did not close the account dialog"
e2e_click "$dialog" "$(across "$dialog" 440 60)" "$(px 6075)"   # a bare spot: the keyboard goes to the dialog
e2e_key Escape
e2e_wait_hidden "$dialog" 3 || e2e_fail "Esc did not close the options dialog"

# The look-back window on today, a week of answers behind it.
look_back() {  # NAME
  local window
  e2e_tray_click 3
  menu=$(e2e_wait_menu 5) && e2e_key "$(access_key 'Look &back...')"
  window=$(wait_titled 'Quillet: look back') || { e2e_fail "no look-back window"; return 1; }
  sleep 0.5
  e2e_shot "$1" "$window"
  e2e_click "$window" "$(across "$window" 760 7500)" 3   # a bare spot: the keyboard goes to the window
  e2e_key Escape
  e2e_wait_hidden "$window" 3 || e2e_fail "Esc did not close the look-back window"
}
look_back look-back

# The lines-waiting window: a line of 140 characters sent to the first account's server, which
# takes each request and closes the connection without an answer, waits to be looked for;
# selected, it shows whole under the list with its reason.
lines_waiting() {
  closer_port=$(e2e_free_port)
  python3 -c 'import socket, sys
s = socket.socket(); s.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1); s.bind(("127.0.0.1", int(sys.argv[1]))); s.listen(8)
while True:
    c, _ = s.accept(); c.settimeout(2)
    try: c.recv(65536)
    except OSError: pass
    c.close()' "$closer_port" &
  closer=$!
  e2e_reg_set Server "http://127.0.0.1:$closer_port/api/"
  e2e_tray_click 1 2
  update_window=$(e2e_wait_window Quillet 10) || { e2e_fail "no update window"; e2e_finish; }
  e2e_click "$update_window" "$(across "$update_window" 577 3000)" 94
  e2e_type 'Reading the whole of the winter timetable aloud to the cat, who does not care for trains at all, and has now said so twice, and very loudly.'
  sleep 0.5
  e2e_key Return
  e2e_wait_hidden "$update_window" 5 || e2e_fail "Enter did not send the line"
  e2e_wait_for 60 eval '[ -n "$(e2e_outbox_file)" ] && e2e_outbox | e2e_has "^[^s] "' || e2e_fail "the line does not wait"
  # A second line with emoji, which cannot be typed through a key under Wine: pasted.
  e2e_tray_click 1 2
  update_window=$(e2e_wait_window Quillet 10) || { e2e_fail "no update window"; e2e_finish; }
  e2e_click "$update_window" "$(across "$update_window" 577 3000)" 94
  e2e_type 'Coffee '
  printf '%s' $'\u2615 then the 9:15 \U0001F686 \u2764\uFE0F' | xclip -selection clipboard -loops 1 2>/dev/null &
  sleep 0.3
  e2e_key ctrl+v
  sleep 0.5
  e2e_key Return
  e2e_wait_hidden "$update_window" 5 || e2e_fail "Enter did not send the second line"
  e2e_wait_for 60 eval '[ "$(e2e_outbox | grep -c "^[^s] ")" -ge 2 ]' || e2e_fail "the second line does not wait"
  e2e_tray_click 3
  menu=$(e2e_wait_menu 5) && e2e_key "$(access_key 'Lines &waiting...')"
  lines=$(wait_titled 'Quillet: lines waiting') || { e2e_fail "no lines-waiting window"; e2e_finish; }
  e2e_click "$lines" "$(across "$lines" 560 1500)" "$(px 375)"   # the list: the keyboard goes to it
  e2e_key Home   # the first row, selected
  sleep 0.5
  e2e_shot lines-waiting "$lines"
  e2e_key Delete   # Remove: asked first, Yes
  e2e_key y
  e2e_key Home     # the second line too
  e2e_key Delete
  e2e_key y
  e2e_key Escape
  e2e_wait_hidden "$lines" 5 || e2e_fail "Esc did not close the lines-waiting window"
  kill "$closer" 2>/dev/null
  e2e_reg_set Server https://social.example/api/
}
lines_waiting


if [ "$dpi" != 96 ]; then
  e2e_log "taken at $dpi dpi: in $E2E_ART only, but for the look-back window's"
  [ -n "$language" ] || e2e_check "look-back-${dpi}dpi.png taken" cp "$E2E_ART/look-back.png" "$out/look-back-${dpi}dpi.png"
  e2e_finish
fi
# In the system's high-contrast colours (Wine takes them from the registry at start): the
# picture's marks and lines follow them.
if [ -z "$language" ]; then
  wineserver -k; wineserver -w
  for value in 'Window 0 0 0' 'WindowText 255 255 255' 'Hilight 26 235 255' 'HilightText 0 0 0' \
    'ButtonFace 0 0 0' 'ButtonText 255 255 255' 'GrayText 63 242 63' 'Background 0 0 0' 'Menu 0 0 0' \
    'MenuText 255 255 255' 'ButtonShadow 255 255 255' 'ButtonHilight 255 255 255' 'WindowFrame 255 255 255'; do
    "$QUILLET_WINE" reg add 'HKCU\Control Panel\Colors' /v "${value%% *}" /d "${value#* }" /f >/dev/null 2>&1
  done
  e2e_start
  e2e_wait_tray 60 || { e2e_fail "no tray icon after the restart"; e2e_finish; }
  look_back look-back-high-contrast
fi
names="update-window settings tray-menu options account account-twitter account-mastodon account-journal account-bluesky account-nostr look-back"
names="$names lines-waiting first-run first-run-twitter first-run-mastodon first-run-journal first-run-bluesky first-run-nostr"
[ -n "$language" ] || names="$names accounts look-back-high-contrast"   # (a crop at English places)
mkdir -p "$out"
for name in $names; do
  e2e_check "$name.png taken" cp "$E2E_ART/$name.png" "$out/$name.png"
done
e2e_log "written to $out"
e2e_finish
