#!/usr/bin/env bash
# A hotkey typed into the drive settings dialog works once the dialog is
# confirmed: the dialog opened from the main menu's drive item with real
# clicks, Ctrl+Alt+K pressed for real into the eject field of the 48x CD
# reader (D:), OK; then Ctrl+Alt+K pressed on the desktop ejects that drive.
# Checked through the stored HotKeys value, the drives' command log and
# screenshot build/e2e/shots/drive_hotkey_typed.png. The drives are D: and
# E: behind Wine's own pass-through (scripts/with-drives), reached through
# SPTI, the program's default on NT.
. "$(dirname "$0")/../harness/with_drives_lib.sh"
run_under_drives cd48-reader,dvdrom16-streaming "$0"
. "$(dirname "$0")/../harness/e2e_lib.sh"
. "$(dirname "$0")/drive_dialog_lib.sh"
reset_settings

use_virtual_drives cd48-reader,dvdrom16-streaming
EJECT_FIELD=182
# The first HotKeys word: virtual key K (0x4B) with HOTKEYF_CONTROL | HOTKEYF_ALT.
CTRL_ALT_K=4b060000
ejected() { [ -n "$(at "$1" loads 0)" ]; }  # a START STOP UNIT reached drive 0

start_desktop
start_varnel
expect "the program starts" wait_for 300 varnel_window_exists
wait_for 60 log_settled
xdotool mousemove 500 300 click 1
reader=$(model_key CR-4880)
expect "the CD reader has its key" test -n "$reader"

# Nothing is bound yet: the combination does nothing.
m=$(log lines)
xdotool key ctrl+alt+k
sleep 1
expect "before, Ctrl+Alt+K moves no drive" test -z "$(at "$m" loads)"

expect "the drive item of the main menu opens the dialog" open_dialog 0
click "$EJECT_FIELD"
xdotool key ctrl+alt+k
sleep 0.5
shot drive_hotkey_typed
click 1  # OK
expect "OK closes the dialog" wait_for 50 dialog_closed
sleep 1
expect "the drive's HotKeys value starts with Ctrl+Alt+K" \
  bash -c "wine reg query '$reader\\00' /v HotKeys | tr -d '\r' | grep -qi ' $CTRL_ALT_K'"

# Pressed on the desktop, the new combination ejects the CD reader.
xdotool mousemove 500 300 click 1
sleep 0.5
m=$(log lines)
xdotool key ctrl+alt+k
expect "Ctrl+Alt+K now ejects drive 0 (START STOP UNIT eject)" wait_for 50 ejected "$m"
sleep 0.5
expect "only drive 0, with the eject code" test "$(at "$m" loads 0)" = 2 -a -z "$(at "$m" loads 1)"

stop_varnel
finish
