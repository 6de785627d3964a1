#!/usr/bin/env bash
# Takes the documentation's pictures of the real program under Wine at 96 dpi and writes them to
# docs/screenshots/: update-window.png (a line being typed), settings.png (opened from the
# tray menu, filled from the registry), tray-menu.png (the icon with its menu open) and
# options.png (the Options dialog with two accounts, quiet hours and a hotkey), accounts.png (its
# Accounts section) and account.png (the account dialog, Edit... on the first account).
# QUILLET_SCREENSHOT_DPI=144 takes them at another density into the artifacts only, to look at.
# Run by the build: cmake --build <Windows build folder> --target screenshots
# Environment as for the end-to-end tests (QUILLET_EXE, QUILLET_BUILD_DIR, QUILLET_WINE_DIR).
source "$(dirname "$0")/../tests/e2e/e2e-lib.sh"
source "$(dirname "$0")/../tests/e2e/e2e-tray-lib.sh"
out=$QUILLET_ROOT/docs/screenshots
e2e_init screenshots
mkdir -p "$out"
dpi=${QUILLET_SCREENSHOT_DPI:-96}
px() { echo $(($1 * dpi / 1440)); }  # twips to pixels
"$QUILLET_WINE" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null 2>&1
e2e_reg_set Username alice_w
e2e_reg_set Password "$(e2e_scramble 'not-my-real-one')"
e2e_reg_set QuietFrom 22:00
e2e_reg_set QuietTo 07:30
e2e_reg_set RespectBusy 1
e2e_reg_set Hotkey Ctrl+Alt+Q
for value in 'Api mastodon' 'Server https://mastodon.example/' 'Username bob' 'PostHere 0'; do
  "$QUILLET_WINE" reg add "$APP_KEY\\Accounts\\2" /v "${value%% *}" /d "${value#* }" /f >/dev/null 2>&1
done
e2e_start
e2e_wait_tray 60 || { e2e_fail "no tray icon"; e2e_finish; }

# The update window, brought up as from the tray, with a line being typed.
e2e_tray_click 1 2
update_window=$(e2e_wait_window Quillet 10) || { e2e_fail "no update window"; e2e_finish; }
e2e_click "$update_window" 200 94
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
e2e_menu_choose "$menu" 5   # "&Settings"

# The settings dialog as the user finds it (its client area: Wine draws no title bar here).
dialog=$(e2e_wait_window 'Quillet Settings' 10) || { e2e_fail "no settings dialog"; e2e_finish; }
sleep 0.3
e2e_shot settings "$dialog"
e2e_click "$dialog" 4 220   # a bare spot: the keyboard goes to the dialog
e2e_key Escape
e2e_wait_hidden "$dialog" 3 || e2e_fail "Esc did not close the settings dialog"
fi

# The Options dialog, filled from the registry (the first account's server set only now, so that
# the tray menu above shows the built-in service's caption).
e2e_reg_set Server https://social.example/api/
e2e_tray_click 3
if [ "$dpi" = 96 ]; then
  menu=$(e2e_wait_menu 5) && e2e_menu_choose "$menu" 6   # "&Options..."
else
  menu=$(e2e_wait_menu 5) && e2e_key o                   # its access key
fi
dialog=$(e2e_wait_window 'Quillet Options' 10) || { e2e_fail "no options dialog"; e2e_finish; }
sleep 0.3
e2e_shot options "$dialog"
convert "$E2E_ART/options.png" -crop "$(px 6600)x$(px 3180)+0+0" +repage "$E2E_ART/accounts.png"
# The account dialog: Edit... on the first account (selected when Options opens).
e2e_click "$dialog" "$(px 2287)" "$(px 2317)"
account=$(e2e_wait_window 'Quillet Account' 10) || { e2e_fail "no account dialog"; e2e_finish; }
sleep 0.3
e2e_shot account "$account"
e2e_key Escape
e2e_wait_hidden "$account" 3 || e2e_fail "Esc did not close the account dialog"
e2e_click "$dialog" 4 "$(px 6075)"   # a bare spot: the keyboard goes to the dialog
e2e_key Escape
e2e_wait_hidden "$dialog" 3 || e2e_fail "Esc did not close the options dialog"

if [ "$dpi" != 96 ]; then
  e2e_log "taken at $dpi dpi: in $E2E_ART only"
  e2e_finish
fi
for name in update-window settings tray-menu options accounts account; do
  e2e_check "$name.png taken" cp "$E2E_ART/$name.png" "$out/$name.png"
done
e2e_log "written to $out"
e2e_finish
