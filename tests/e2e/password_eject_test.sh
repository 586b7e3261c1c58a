#!/usr/bin/env bash
# Ejecting a locked drive when a password is set, driven as a user does it:
# a real click on the eject item of the drive menu (which closes an open
# tray instead), the password typed into
# the dialog that appears. The stored hash is made by openssl, an
# implementation of the same scheme independent of the program's. Checked
# through the drive's command log and screenshots
# (build/e2e/shots/password_eject_*.png). Passwords with Russian letters are
# checked by the dialog's own tests: xdotool cannot type them into Wine.
# The drive is D: behind Wine's own pass-through (scripts/with-drives),
# reached through SPTI, the program's default on NT.
. "$(dirname "$0")/../harness/with_drives_lib.sh"
run_under_drives cd48-reader "$0"
. "$(dirname "$0")/../harness/e2e_lib.sh"
reset_settings

use_virtual_drives cd48-reader
wine reg add "$key\\Lock" /v Data /d "$(openssl passwd -1 -salt Kx7q2Lm9 'Open sesame 7')" /f >/dev/null
drive_key() { wine reg query "$key" | tr -d '\r' | grep -m1 "^HKEY_CURRENT_USER.*$1"; }

# The eject item is the last of the drive menu: a click on its lowest row.
click_eject_item() {
  click_icon 1
  wait_for 30 menu_open || return 1
  sleep 0.5
  local left top right bottom
  read -r _ left top right bottom < <(driver popups | tr -d '\r' | head -1)
  xdotool mousemove $(((left + right) / 2)) $((bottom - 3 - 8)) sleep 0.3 click 1
}
password_line() { driver windows varnel.exe | tr -d '\r' | grep -m1 'title="Varnel 3\.2 - Введите пароль" rect=[-0-9,]* visible=1'; }
asking() { password_line >/dev/null; }
not_asking() { ! asking; }
# Types into the dialog's focused field and presses Enter (the OK button).
answer() { xdotool type --delay 80 "$1" && xdotool key Return; }

start_desktop
start_varnel
expect "the program starts" wait_for 300 varnel_window_exists
wait_for 30 log_settled
reader=$(drive_key CR-4880)\\00
wine reg add "$reader\\Lock" /v Value /t REG_DWORD /d 1 /f >/dev/null
driver send 105 >/dev/null && wait_for 30 log_settled

# ---- A wrong password: the dialog stays, emptied, nothing is ejected ------
m=$(mark)
click_eject_item
expect "the eject item of a locked drive asks for the password" wait_for 50 asking
sleep 0.5
shot password_eject_asked
answer 'wrong'
sleep 1
shot password_eject_wrong
expect "a wrong password keeps the dialog open" asking
expect "and ejects nothing" test -z "$(at "$m" loads 0)"

# ---- The right one: the disc comes out --------------------------------------
answer 'Open sesame 7'
expect "the right password closes the dialog" wait_for 50 not_asking
ejected() { test "$(at "$m" loads 0)" = 2; }
expect "and ejects the disc (START STOP UNIT eject)" wait_for 30 ejected
shot password_eject_done

# ---- The same item now closes the tray, unasked; Cancel keeps the disc in --
m=$(mark)
click_eject_item
tray_closed() { test "$(at "$m" loads 0)" = 3; }
wait_for 30 tray_closed  # a password dialog would hold it back
expect "closing the tray asks nothing" not_asking
expect "and closes it" tray_closed
m=$(mark)
click_eject_item
expect "the next eject asks again" wait_for 50 asking
xdotool key Escape
expect "Escape cancels the dialog" wait_for 30 not_asking
sleep 0.5
expect "and nothing is ejected" test -z "$(at "$m" loads 0)"

stop_varnel
finish
