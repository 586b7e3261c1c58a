#!/usr/bin/env bash
# The tray at work, driven as a user drives it: real clicks on the tray icon
# and on the items of its menus, with two virtual drives reached through SPTI,
# the program's default on NT, and Wine's own pass-through to the drive server
# of scripts/with-drives (a 48x CD reader as D: holding a data CD, a 16x DVD
# reader as E: holding a DVD). Checked through the drives' command log, the registry and
# screenshots of every menu (build/e2e/shots/tray_*.png).
#
# Real: the clicks on the icon and on menu items, the tooltip the icon shows,
# the timers, "Выход". Keys typed with xdotool do not reach a menu whose
# owner is the hidden main window under Wine's virtual desktop (they do reach
# a focused Wine window), so items are clicked. Sent by the test driver,
# because Wine sends none for virtual drives: the volume arrival notice of a
# disc (WM_DEVICECHANGE with the DEV_BROADCAST_VOLUME a system sends) and the
# wake notice (WM_POWERBROADCAST 7, posted).
. "$(dirname "$0")/../harness/with_drives_lib.sh"
run_under_drives cd48-reader,dvdrom16-streaming "$0"
. "$(dirname "$0")/../harness/e2e_lib.sh"
reset_settings

use_virtual_drives cd48-reader,dvdrom16-streaming
wine reg add "$key" /v TimerEnable /t REG_DWORD /d 1 /f >/dev/null
wine reg add "$key" /v TimerAutoclose /t REG_DWORD /d 0 /f >/dev/null

# Rests the pointer on the first item of the open menu, which opens its
# sub-menu.
hover_first() {
  local left top right bottom
  read -r _ left top right bottom < <(driver popups | tr -d '\r' | head -1)
  xdotool mousemove $(((left + right) / 2)) $((top + 3 + 8)) sleep 1
}
# Opens a menu with a click, photographs it, and leaves it open.
open_menu() { # button shot-name
  click_icon "$1"
  expect "$2: the menu opens" wait_for 30 menu_open
  sleep 0.7
  shot "$2"
}
# The per-drive key of a model (the capability key's settings sub-key).
drive_key() { wine reg query "$key" | tr -d '\r' | grep -m1 "^HKEY_CURRENT_USER.*$1"; }
reload() { driver send 105 >/dev/null && wait_for 30 log_settled; }

# The desktop with its taskbar first, so that the icon lands in its
# notification area.
start_desktop
start_varnel
expect "the program starts" wait_for 300 varnel_window_exists
# The first start probes both drives for their speed lists: wait until the
# drives are left alone. A click on the desktop gives it the keyboard.
wait_for 30 log_settled
xdotool mousemove 500 300 click 1
reader=$(drive_key CR-4880)\\00
dvd=$(drive_key DR-1648)\\00
expect "both drives have their keys" test -n "$(drive_key CR-4880)" -a -n "$(drive_key DR-1648)"

# ---- Left click: the drive menu; a lower speed is sent, stored and shown --
open_menu 1 tray_drive_menu
m=$(mark)
click_item 6 0  # 48 40 32 24 16 12 [8]x
wait_for 30 menu_closed
sleep 1
expect "8x from the menu sends SET CD SPEED 1411 to the CD drive" test "$(at "$m" speeds 0)" = 1411
expect "nothing reaches the DVD drive's speed" test -z "$(at "$m" streaming 1)$(at "$m" speeds 1)"
expect "8x is stored as the CD drive's selected speed" \
  bash -c "wine reg query '$reader' /v SpeedSelectedCD | tr -d '\r' | grep -q 0x583"
tip=$(tooltip)
expect "the tooltip shows 8x for the CD drive" bash -c "echo '$tip' | grep -q '8x'"

# The DVD drive's section follows the CD drive's: eight speeds, "Автозапуск"
# and "Проводник", the eject item with the name, four separators. 4X is the
# DVD list's fifth entry, and a DVD in this drive needs SET STREAMING.
open_menu 1 tray_drive_menu_again
m=$(mark)
click_item 15 4
wait_for 30 menu_closed
sleep 1
expect "4X from the menu sends SET STREAMING 5540 to the DVD drive" test "$(at "$m" streaming 1)" = 5540
expect "4X is stored as the DVD drive's selected speed" \
  bash -c "wine reg query '$dvd' /v SpeedSelectedDVD | tr -d '\r' | grep -q 0x15a4"

# ---- A disc arrives in E: (sent notice): only the DVD drive is restored ----
driver send 0x8003 >/dev/null && driver send 0x8013 >/dev/null  # both drives to their maximum, as the hotkeys do
m=$(mark)
control '{"drive":1,"action":"open"}'
control '{"drive":1,"action":"close"}'
driver volume 0x8000 0x10 1  # DBT_DEVICEARRIVAL, E:, DBTF_MEDIA
wait_for 50 bash -c "[ -n \"\$(python3 '$VARNEL_SOURCE/tests/e2e/command_log.py' '$VARNEL_SIM_LOG@$m' streaming 1)\" ]"
expect "the disc arrival in E: restores 4X on the DVD drive" test "$(at "$m" streaming 1)" = 5540
expect "and leaves the CD drive in D: alone" test -z "$(at "$m" speeds 0)"

# ---- Wake (posted notice): only drives whose events include wake ---------
wine reg add "$reader" /v EventMask /t REG_DWORD /d 3 /f >/dev/null  # start, disc change
reload
driver send 0x8003 >/dev/null && driver send 0x8013 >/dev/null
m=$(mark)
driver power 7
dvd_restored() { test "$(at "$m" streaming 1)" = 5540; }
wait_for 30 dvd_restored
sleep 0.5  # time for a wrong speed to the CD drive
expect "wake restores the DVD drive (events 0x0B)" test "$(at "$m" streaming 1)" = 5540
expect "wake leaves the CD drive (events 0x03) alone" test -z "$(at "$m" speeds 0)"

# ---- Automatic close after 3 s, with the blinking error icon -------------
wine reg add "$key" /v TimerAutoclose /t REG_DWORD /d 3000 /f >/dev/null
reload
xdotool mousemove 500 300
steady=$(tray_signature tray_autoclose_before)
m=$(mark)
control '{"drive":0,"action":"open"}'
opened=$(date +%s%N)
blinks=0
rm -f "$SHOTS/tray_autoclose_blink.png"
for i in $(seq 60); do
  if [ "$(tray_signature tray_autoclose_now)" != "$steady" ]; then
    blinks=$((blinks + 1))
    cp "$SHOTS/tray_autoclose_now.png" "$SHOTS/tray_autoclose_blink.png"
  fi
  # START STOP UNIT to drive 0, read without python: the pictures are
  # sampled as often as a loaded machine allows.
  tail -n +$((m + 1)) "$VARNEL_SIM_LOG" | grep -q '^{"drive":0,"cdb":"1b ' && break
  sleep 0.2
done
closed_after=$((($(date +%s%N) - opened) / 1000000))
rm -f "$SHOTS/tray_autoclose_now.png"
sleep 1
shot tray_autoclose_closed
expect "the open tray is closed by the program (START STOP UNIT load)" test "$(at "$m" loads 0)" = 3
expect "about 3 s after it was seen open (at most 5 s to be seen, ${closed_after} ms)" \
  test "$closed_after" -ge 2500 -a "$closed_after" -le 10000
expect "the icon blinked before the close ($blinks changed pictures)" test "$blinks" -ge 1
# After the close the program restores the drive's speed once the disc is
# read, with the wait picture while the disc spins up.
steady_again() { test "$(tray_signature tray_autoclose_closed)" = "$steady"; }
expect "and shows its steady picture after it" wait_for 100 steady_again
wine reg add "$key" /v TimerAutoclose /t REG_DWORD /d 0 /f >/dev/null

# ---- The other styles, photographed -------------------------------------
wine reg add "$key" /v TopNames /t REG_DWORD /d 1 /f >/dev/null
reload
open_menu 1 tray_drive_menu_top_names
close_menu
wine reg add "$key" /v TopNames /t REG_DWORD /d 0 /f >/dev/null
wine reg add "$key" /v DeepMenu /t REG_DWORD /d 1 /f >/dev/null
reload
open_menu 1 tray_drive_menu_deep
hover_first
shot tray_drive_menu_deep_open
close_menu
wine reg add "$key" /v DeepMenu /t REG_DWORD /d 0 /f >/dev/null
wine reg add "$reader" /v ShortMenu /t REG_DWORD /d 1 /f >/dev/null
reload
open_menu 1 tray_drive_menu_grouped
hover_first
shot tray_drive_menu_grouped_open
close_menu

# ---- Right click while a dialog of the program is open ------------------
about_line() { driver windows varnel.exe | tr -d '\r' | grep -m1 'title="Varnel 3\.2[^"]*" rect=[-0-9,]* visible=1'; }
about_open() { about_line >/dev/null; }
about_closed() { ! about_open; }
driver post 102  # "О программе", modal: the main window is disabled
expect "the about box opens" wait_for 100 about_open
xdotool mousemove 700 150 click 1  # the desktop, beside the box, takes the foreground
click_icon 3
sleep 1
shot tray_right_click_with_dialog
expect "a right click with a dialog open opens no menu" menu_closed
# Escape goes to the foreground window: it closes the about box only if the
# click brought it up.
read -r l t r b < <(about_line |
  sed 's/.*rect=\([-0-9]*\),\([-0-9]*\),\([-0-9]*\),\([-0-9]*\).*/\1 \2 \3 \4/')
xdotool mousemove $(((l + r) / 2)) $(((t + b) / 2)) sleep 0.3 key Escape
expect "the click brought the about box to the front (Escape closed it)" wait_for 30 about_closed

# ---- Right click: the main menu; "Выход" ends the program ----------------
shown=$(tray_signature tray_before_exit)
open_menu 3 tray_main_menu
# "Выход" is the last item, after six program texts, the two drive items and
# four separators.
click_item 8 4
expect "'Выход' ends the program" wait_for 100 varnel_ended
expect "with code 0" test "$(cat "$WORK/varnel.rc" 2>/dev/null)" = 0
sleep 1
expect "and removes the icon" test "$(tray_signature tray_after_exit)" != "$shown"

# ---- As on Windows 10 (Wine's version for varnel.exe alone): still SPTI ----
as_win10='HKCU\Software\Wine\AppDefaults\varnel.exe'
wine reg add "$as_win10" /v Version /d win10 /f >/dev/null
start_varnel
expect "Windows 10: the program starts" wait_for 300 varnel_window_exists
wait_for 30 log_settled
open_menu 1 tray_win10_drive_menu
m=$(mark)
click_item 5 1  # >10x, -, 48 40 32 24 [12]x
sleep 1
expect "Windows 10: 12x from the menu sends SET CD SPEED 2117" test "$(at "$m" speeds 0)" = 2117
spti_shown() { driver windows varnel.exe | grep -q ': SPTI ('; }
open_menu 3 tray_win10_main_menu
click_item 2 1  # О программе, Справка, -, [Информация]
expect "Windows 10: the information box names SPTI" wait_for 50 spti_shown
shot tray_win10_information
driver cancel varnel.exe 1 >/dev/null
stop_varnel
wine reg delete "$as_win10" /f >/dev/null 2>&1
finish
