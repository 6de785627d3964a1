#!/usr/bin/env bash
# The windows at 96, 120, 144, 168 and 192 dots per inch (LogPixels under HKCU\Control
# Panel\Desktop, which Wine reads when its server starts): the density tests of the Wine test
# program run at each; then the real program's first-run settings dialog, tray icon, update
# window and tray menu are shot, the window sizes checked against their twips, Cancel clicked
# where its twips put it, and, at the densities the pictures are drawn for, the update window's
# painted picture checked under its controls pixel by pixel. At 168 and 192 dpi the picture is
# the 144 dpi one scaled (smoothing changes single pixels), so only the sizes are checked there.
# The screen is large enough for the update window at 192 dpi (1154 pixels wide), so that its
# shot shows it whole.
export QUILLET_SCREEN=1600x1200
source "$(dirname "$0")/e2e-lib.sh"
source "$(dirname "$0")/e2e-tray-lib.sh"
e2e_init dpi
wine_tests=$QUILLET_BUILD_DIR/quillet_wine_tests.exe

# Twips to pixels at the current density (exactly 1440 / dpi twips per pixel), halves to even,
# as the program converts.
px() { python3 -c 'import sys; print(round(int(sys.argv[1]) * int(sys.argv[2]) / 1440))' "$1" "$dpi"; }
size_of() { xdotool getwindowgeometry "$1" | awk '/Geometry/ { print $2 }'; }

# The update window's shot (client area only) checked against its controls' twips.
check_picture() {
  python3 - "$1" "$dpi" <<'PY'
import subprocess, sys
shot, dpi = sys.argv[1], int(sys.argv[2])
px = lambda t: round(t * dpi / 1440)
def box(l, t, w, h): return px(l), px(t), px(l) + px(w), px(t) + px(h)
w, h = map(int, subprocess.check_output(["identify", "-format", "%w %h", shot]).split())
raw = subprocess.check_output(["convert", shot, "-depth", "8", "rgb:-"])
at = lambda x, y: tuple(raw[(y * w + x) * 3:(y * w + x) * 3 + 3])
TEAL, WHITE, BUTTON, GREY = (42, 198, 204), (255, 255, 255), (140, 140, 140), (128, 128, 128)
failed = []
def check(what, ok):
    print(("ok: " if ok else "FAIL: ") + f"{dpi} dpi: {what}")
    if not ok: failed.append(what)
def pixels(l, t, r, b): return [at(x, y) for y in range(t, b) for x in range(l, r)]

el, et, er, eb = box(525, 1200, 7590, 435)          # the status box
inside = pixels(el + 2, et + 2, er - 2, eb - 2)
check("the text box is white inside", sum(p == WHITE for p in inside) >= 0.97 * len(inside))
frame = lambda p: p[0] == p[1] == p[2] and 150 <= p[0] <= 170
my, mx = (et + eb) // 2, (el + er) // 2
check("the painted input frame lies just left of the text box", any(frame(at(el - d, my)) for d in range(1, 9)))
check("... just right of it", any(frame(at(er - 1 + d, my)) for d in range(1, 9)))
check("... just above it", any(frame(at(mx, et - d)) for d in range(1, 9)))
check("... just below it", any(frame(at(mx, eb - 1 + d)) for d in range(1, 9)))
ll, lt, lr, lb = box(3600, 1800, 1455, 375)        # the send button, a click area
area = pixels(ll + 2, lt + 2, lr - 2, lb - 2)
check("the painted button lies under the click area",
      all(p[0] == p[1] == p[2] for p in area) and sum(p == BUTTON for p in area) >= 0.6 * len(area))
check("the countdown is written on the button", sum(p == WHITE for p in area) >= 20)
il, it, ir, ib = box(8325, 60, 255, 255)           # the close mark
border = -(-2 * dpi // 96)  # the border, 2 pixels at 96 dpi, rounded up as drawn
check("the close mark: teal corners and cross, white inside the border",
      all(at(x, y) == TEAL for x, y in [(il, it), (ir - 1, it), (il, ib - 1), (ir - 1, ib - 1),
                                         ((il + ir - 1) // 2, (it + ib - 1) // 2)])
      and at(il + border, it + border) == WHITE)
check("the characters left are drawn in grey", sum(p == GREY for p in pixels(*box(7200, 540, 975, 495))) >= 20)
heading = pixels(px(450), px(375), px(5250), et - 2)
check("the painted heading lies above the text box", sum(p == (0, 0, 0) for p in heading) >= 100)
check("the teal frame lines the window's edges",
      at(0, h // 2) == TEAL and at(w - 1, h // 2) == TEAL and at(w // 2, 0) == TEAL)
sys.exit(1 if failed else 0)
PY
}

# 8655 x 2310 twips, worked out by hand: 1009.75 x 269.5 at 168 dpi, 1154 x 308 at 192.
declare -A update_size=([96]=577x154 [120]=721x192 [144]=866x231 [168]=1010x270 [192]=1154x308)
# 4710 x 3375 twips: 549.5 x 393.75 at 168 dpi, 628 x 450 at 192.
declare -A settings_size=([96]=314x225 [120]=392x281 [144]=471x338 [168]=550x394 [192]=628x450)
for dpi in 96 120 144 168 192; do
  wine_stop
  "$QUILLET_WINE" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null 2>&1
  "$QUILLET_WINE" reg delete "$APP_KEY" /f >/dev/null 2>&1
  wine_stop
  e2e_log "--- $dpi dpi"

  # The windows' layout, measured inside the process.
  QUILLET_EXPECT_DPI=$dpi "$QUILLET_WINE" "$wine_tests" --gtest_brief=1 \
    --gtest_filter='DisplayDensity.*:SettingsDialogWin32.WindowAndControlsSitAtTheirTwipsPositions' \
    >"$E2E_ART/wine-tests-$dpi.log" 2>&1
  e2e_check "$dpi dpi: the density tests of the Wine test program pass" test $? = 0

  # The first-run dialog: its size, and Cancel where its twips put it.
  e2e_start
  id=$(e2e_wait_window 'Quillet Settings' 60) || { e2e_fail "$dpi dpi: no settings dialog"; continue; }
  sleep 0.5
  e2e_shot "settings-$dpi" "$id"
  e2e_check "$dpi dpi: the settings dialog's client area is 4710 x 3375 twips ($(size_of "$id"))" \
    test "$(size_of "$id")" = "$(px 4710)x$(px 3375)"
  e2e_check "$dpi dpi: ... which is ${settings_size[$dpi]}" test "$(size_of "$id")" = "${settings_size[$dpi]}"
  # (at the first run Cancel follows "Another kind of account..." and OK)
  e2e_click "$id" $(($(px 3510) + $(px 1050) / 2)) $(($(px 2880) + $(px 375) / 2))
  e2e_check "$dpi dpi: Cancel sits where its twips say: the program ends" e2e_wait_exit 20

  # The tray icon, the update window brought up by a second start, and the tray menu.
  e2e_reg_set Username density
  e2e_start
  e2e_check "$dpi dpi: the icon appears" e2e_wait_tray 30
  sleep 0.5
  e2e_shot "tray-$dpi" "$(e2e_tray_window)"
  timeout 30 "$QUILLET_WINE" "$QUILLET_EXE" >/dev/null 2>&1
  update_window=$(e2e_wait_window Quillet 10)
  if [ -n "$update_window" ]; then
    sleep 0.5
    e2e_shot "update-window-$dpi" "$update_window"
    e2e_check "$dpi dpi: the update window is ${update_size[$dpi]} ($(size_of "$update_window"))" \
      test "$(size_of "$update_window")" = "${update_size[$dpi]}"
    case $dpi in
      96 | 120 | 144)  # shot again until it has been painted whole, then checked
        e2e_wait_for 5 eval 'e2e_shot "update-window-$dpi" "$update_window"; check_picture "$E2E_ART/update-window-$dpi.png" >/dev/null'
        check_picture "$E2E_ART/update-window-$dpi.png" ||
          e2e_fail "$dpi dpi: the painted picture does not match the controls" ;;
    esac
  else
    e2e_fail "$dpi dpi: a second start did not bring the update window up"
  fi
  e2e_tray_click 3
  menu=$(e2e_wait_menu 5) && { sleep 0.3; e2e_shot "tray-menu-$dpi"; e2e_key Escape; }
  e2e_check "$dpi dpi: the right button opens the menu" test -n "$menu"
done
e2e_finish
