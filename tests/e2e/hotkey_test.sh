#!/usr/bin/env bash
# Global hotkeys pressed for real: key combinations typed on the X display
# with xdotool reach the program as WM_HOTKEY (Wine matches them on the
# keyboard input of its virtual desktop, whichever Wine window has the focus)
# and act on the drive they were stored for. Two virtual drives reached
# through SPTI (Wine's own pass-through, scripts/with-drives): a CD reader (drive 0, D:, ignored, with a hotkey stored all
# the same) and a DVD drive (drive 1, E:). Another program, hotkey-holder,
# holds one of the DVD drive's combinations before the program starts, and a
# second copy tells afterwards which combinations are free. Checked through
# the drives' command log and the holders' reports; screenshot
# build/e2e/shots/hotkey_holder_focused.png.
. "$(dirname "$0")/../harness/with_drives_lib.sh"
run_under_drives cd48-reader,dvdrom16-streaming "$0"
. "$(dirname "$0")/../harness/e2e_lib.sh"
reset_settings

use_virtual_drives cd48-reader,dvdrom16-streaming
rm -f "$WORK"/holder*.txt
drive_key() { wine reg query "$key" | tr -d '\r' | grep -m1 "^HKEY_CURRENT_USER.*$1"; }
# The 28-byte HotKeys value: seven little-endian words, eject first.
hotkeys_value() { local w out=; for w in "$@"; do out+=$(printf '%02x%02x0000' $((w & 0xFF)) $((w >> 8))); done; echo "$out"; }
# MOD_ALT | MOD_CONTROL and the virtual keys of the letters used.
CTRL_ALT=3 VK_D=0x44 VK_E=0x45 VK_H=0x48 VK_J=0x4A
holder() { # report seconds (modifiers key)...
  local report=$1; shift
  wine "$VARNEL_HOTKEY_HOLDER" "$report" "$@" &
  HOLDER_JOB=$!
}
holds() { tr -d '\r' <"$4" | grep -qx "registered $1 $(($2)) $3"; }  # modifiers key 1|0 report
# The holder's window is the active one (Wine's console programs write CRLF).
holder_active() { tail -1 "$WORK/holder1.txt" | tr -d '\r' | grep -qx active; }
unloaded() { [ -n "$(at "$1" loads "$2")" ]; }  # a START STOP UNIT reached the drive

start_desktop
# A first start learns the drives and creates their keys; the hotkeys are
# then stored as the drive settings dialog stores them.
start_varnel
expect "the program starts" wait_for 300 varnel_window_exists
wait_for 60 log_settled
stop_varnel
reader=$(drive_key CR-4880)\\00
dvd=$(drive_key DR-1648)\\00
expect "both drives have their keys" test -n "$(drive_key CR-4880)" -a -n "$(drive_key DR-1648)"
# DVD drive: Ctrl+Alt+E eject, Ctrl+Alt+C close, Ctrl+Alt+H minimum speed.
wine reg add "$dvd" /v HotKeys /t REG_BINARY /d "$(hotkeys_value 0x0645 0x0643 0 0 0 0 0x0648)" /f >/dev/null
# CD reader: ignored, with Ctrl+Alt+D for eject.
wine reg add "$reader" /v HotKeys /t REG_BINARY /d "$(hotkeys_value 0x0644 0 0 0 0 0 0)" /f >/dev/null
wine reg add "$reader" /v Ignore /t REG_DWORD /d 1 /f >/dev/null

# Another program takes Ctrl+Alt+H first.
holder "$WORK/holder1.txt" 120 $CTRL_ALT $VK_H
expect "another program holds Ctrl+Alt+H" wait_for 100 holds $CTRL_ALT $VK_H 1 "$WORK/holder1.txt"
start_varnel
expect "the program starts again" wait_for 300 varnel_window_exists
wait_for 60 log_settled

# ---- Ctrl+Alt+E with the desktop focused: drive 1 ejects ---------------
xdotool mousemove 600 500 click 1
sleep 0.5
m=$(mark)
xdotool key ctrl+alt+e
expect "Ctrl+Alt+E ejects drive 1 (START STOP UNIT eject)" wait_for 50 unloaded "$m" 1
sleep 0.5
expect "only drive 1" test "$(at "$m" loads 1)" = 2 -a -z "$(at "$m" loads 0)"

# ---- With another program's window focused -----------------------------
xdotool mousemove 250 180 click 1  # the holder's window
expect "the holder's window has the focus" wait_for 30 holder_active
shot hotkey_holder_focused
m=$(mark)
xdotool key ctrl+alt+c
expect "Ctrl+Alt+C closes drive 1's tray while another program has the focus" wait_for 50 unloaded "$m" 1
sleep 0.5
m=$(mark)
xdotool key ctrl+alt+e
expect "and Ctrl+Alt+E ejects it again" wait_for 50 unloaded "$m" 1
sleep 0.5
expect "with the eject code" test "$(at "$m" loads 1)" = 2
expect "the holder still has the focus" holder_active

# ---- The combination another program holds: only that slot fails --------
m=$(mark)
xdotool key ctrl+alt+h
expect "Ctrl+Alt+H reaches the program that held it first" \
  wait_for 30 grep -q "^hotkey " "$WORK/holder1.txt"
sleep 1
expect "and sets no speed on drive 1" test -z "$(at "$m" streaming 1)$(at "$m" speeds 1)"
# The ignored drive's combination is not taken either: typed, nothing moves.
xdotool key ctrl+alt+d
sleep 1
expect "Ctrl+Alt+D of the ignored drive 0 does nothing" test -z "$(at "$m" loads 0)$(at "$m" loads 1)"

# ---- A reload registers the stored hotkeys again -------------------------
# Drive 1's eject moves to Ctrl+Alt+J; after "Найти приводы" Ctrl+Alt+E is
# free again and Ctrl+Alt+J is the program's. A second holder asks.
wine reg add "$dvd" /v HotKeys /t REG_BINARY /d "$(hotkeys_value 0x064A 0x0643 0 0 0 0 0x0648)" /f >/dev/null
driver send 105 >/dev/null
wait_for 60 log_settled
holder "$WORK/holder2.txt" 5 $CTRL_ALT $VK_D $CTRL_ALT $VK_E $CTRL_ALT $VK_J
wait_for 100 grep -q "registered $CTRL_ALT $((VK_J)) " "$WORK/holder2.txt"
expect "the ignored drive's Ctrl+Alt+D was never registered" holds $CTRL_ALT $VK_D 1 "$WORK/holder2.txt"
expect "the replaced Ctrl+Alt+E was unregistered by the reload" holds $CTRL_ALT $VK_E 1 "$WORK/holder2.txt"
expect "the new Ctrl+Alt+J is the program's" holds $CTRL_ALT $VK_J 0 "$WORK/holder2.txt"
wait "$HOLDER_JOB"  # the second holder ends after its 5 s and frees its keys
xdotool mousemove 600 500 click 1
sleep 0.5
control '{"drive":1,"action":"close"}'
m=$(mark)
xdotool key ctrl+alt+j
expect "Ctrl+Alt+J now ejects drive 1" wait_for 50 unloaded "$m" 1
sleep 0.5
expect "with the eject code" test "$(at "$m" loads 1)" = 2

stop_varnel
finish
