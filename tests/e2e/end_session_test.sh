#!/usr/bin/env bash
# The end of the Windows session, as Wine ends it: `wineboot --end-session`
# sends every top-level window WM_QUERYENDSESSION and then WM_ENDSESSION
# (wParam 1) and ends the process afterwards, without destroying its window.
# One virtual CD reader as D: behind the program's ASPI transport; its volume
# label, read by the reminder's drive list, comes from a folder linked as D:.
# Checked through the drive's command log, the dialogs' controls and
# screenshots (build/e2e/shots/end_session_*.png).
#
#  - A disc in D: with the reminder on: "Вставлен диск!" lists D: and counts
#    down (photographed at about two seconds); a real click on "Извлечь"
#    ejects the disc.
#  - The tray left open, reminder on: "Лоток открыт!" counts down and, at
#    zero, closes the tray with DNClose set, and leaves it open without.
#  - Each reminder ends early once the user has opened or closed the tray
#    by hand (the poll of its tick).
. "$(dirname "$0")/../harness/e2e_lib.sh"
reset_settings

use_virtual_drives cd48-reader
set_value() { wine reg add "$key" /v "$1" /t REG_DWORD /d "$2" /f >/dev/null; }
set_value ApiPrefered 2

# D: is a folder with the label "DATA", so that the drive list can read it.
volume=$WORK/volume
mkdir -p "$volume"
printf 'DATA' >"$volume/.windows-label"
link=$WINEPREFIX/dosdevices/d:
saved_link=$(readlink "$link" 2>/dev/null || true)
ln -sfn "$volume" "$link"
restore_link() { if [ -n "$saved_link" ]; then ln -sfn "$saved_link" "$link"; else rm -f "$link"; fi; }
# Wine's mount manager looks at the drive links when it starts: start it
# again so that D: is a volume with its label.
wineserver -k 2>/dev/null
varnel_start_wineserver 30


# The countdown dialog's line of `driver windows` and one of its controls.
dialog_line() { driver windows varnel.exe | tr -d '\r' | grep -m1 "^window .*title=\"Varnel 3\.2 - $1\".*visible=1"; }
dialog_open() { dialog_line "$1" >/dev/null; }
dialog_gone() { ! dialog_open "$1"; }
control_line() { # title id
  driver windows varnel.exe | tr -d '\r' | sed -n "/title=\"Varnel 3\.2 - $1\"/,/^window/p" | grep -m1 " id=$2 "
}
control_text() { control_line "$1" "$2" | sed 's/.* text="\([^"]*\)".*/\1/'; }
click_control() { # title id
  local l t r b
  read -r l t r b < <(control_line "$1" "$2" | sed 's/.*rect=\([-0-9]*\),\([-0-9]*\),\([-0-9]*\),\([-0-9]*\).*/\1 \2 \3 \4/')
  xdotool mousemove $(((l + r) / 2)) $(((t + b) / 2)) sleep 0.3 click 1
}

# A fresh run of the program in a fresh desktop, its start-up probes over.
start_session() {
  rm -f "$VARNEL_SIM_LOG"
  : >"$VARNEL_SIM_CONTROL"
  start_desktop
  # The letter lives in volatile keys, which a new wineserver has lost.
  driver letter 0 D
  start_varnel
  expect "the program starts" wait_for 300 varnel_window_exists
  wait_for 30 log_settled
}
end_session() {
  (wine wineboot --end-session </dev/null >/dev/null 2>&1; echo $? >"$WORK/wineboot.rc") &
}
session_ended() { [ -f "$WORK/wineboot.rc" ] && varnel_ended; }

# ---- "Вставлен диск!": counts down, and "Извлечь" ejects ----------------
set_value DNEject 0
set_value DNMessage 1
set_value DNClose 0
set_value DNTimer 9
start_session
rm -f "$WORK/wineboot.rc"
m=$(log lines)
end_session
expect "'Вставлен диск!' opens" wait_for 100 dialog_open 'Вставлен диск!'
first=$(control_text 'Вставлен диск!' 106)
sleep 2
shot end_session_disc_inserted
later=$(control_text 'Вставлен диск!' 106)
echo "counter: $first, then $later two seconds later"
expect "it counts down from 9 ($first, then $later)" test "$first" -le 9 -a "$later" -lt "$first" -a "$later" -ge 5
list=$(control_line 'Вставлен диск!' 102)
echo "drive list: $list"
expect "it lists D: with its label" grep -q 'text="D: "DATA"' <<<"$list"
expect "nothing is ejected while it counts" test -z "$(at "$m" loads 0)"
click_control 'Вставлен диск!' 1
expect "the dialog closes on 'Извлечь'" wait_for 50 dialog_gone 'Вставлен диск!'
expect "'Извлечь' ejects the disc (START STOP UNIT eject)" wait_for 50 bash -c "[ \"\$(python3 '$VARNEL_SOURCE/tests/e2e/command_log.py' '$VARNEL_SIM_LOG@$m' loads 0)\" = 2 ]"
expect "the session ends and the program with it" wait_for 200 session_ended

# ---- "Лоток открыт!": closes the tray at zero only with DNClose ---------
tray_open_session() { # DNClose
  set_value DNClose "$1"
  set_value DNTimer 3
  start_session
  control '{"drive":0,"action":"open"}'
  sleep 1
  rm -f "$WORK/wineboot.rc"
  m=$(log lines)
  end_session
  expect "'Лоток открыт!' opens (DNClose $1)" wait_for 100 dialog_open 'Лоток открыт!'
  sleep 1
  shot "end_session_tray_open_dnclose_$1"
  expect "it counts down and ends by itself (DNClose $1)" wait_for 100 dialog_gone 'Лоток открыт!'
  expect "the session ends (DNClose $1)" wait_for 200 session_ended
}
tray_open_session 1
expect "at zero the tray is closed (START STOP UNIT load)" test "$(at "$m" loads 0)" = 3
tray_open_session 0
expect "without DNClose nothing closes the tray" test -z "$(at "$m" loads 0)"

# ---- Both reminders end by themselves when the user acts first ----------
# The tray opened by hand ends "Вставлен диск!" (nothing left to eject); the
# same tray pushed in by hand ends "Лоток открыт!" (nothing left to close).
set_value DNClose 1
set_value DNTimer 30
start_session
rm -f "$WORK/wineboot.rc"
m=$(log lines)
end_session
expect "'Вставлен диск!' opens" wait_for 100 dialog_open 'Вставлен диск!'
control '{"drive":0,"action":"open"}'
expect "it ends within two ticks of the tray being opened by hand" wait_for 25 dialog_gone 'Вставлен диск!'
expect "'Лоток открыт!' follows" wait_for 100 dialog_open 'Лоток открыт!'
control '{"drive":0,"action":"close"}'
expect "it ends within two ticks of the tray being closed by hand" wait_for 25 dialog_gone 'Лоток открыт!'
expect "the session ends" wait_for 100 session_ended
expect "the program moved no tray itself" test -z "$(at "$m" loads 0)"

restore_link
finish
