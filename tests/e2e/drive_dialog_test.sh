#!/usr/bin/env bash
# The drive settings dialog at work, driven as a user drives it: opened from
# the main menu's drive item with a real click, its controls clicked and
# typed into for real, with a 48x CD reader (D:, data CD) and a 16x DVD
# reader (E:) reached through SPTI (Wine's own pass-through, scripts/with-drives). Checked through the
# registry the dialog's OK writes, the drives' command log and screenshots
# (build/e2e/shots/drive_dialog_*.png).
# Each answer of the CD reader takes 100 ms, so that a discovery lasts long
# enough to be photographed.
. "$(dirname "$0")/../harness/with_drives_lib.sh"
VARNEL_SIM_DELAYS=100,0 run_under_drives cd48-reader,dvdrom16-streaming "$0"
. "$(dirname "$0")/../harness/e2e_lib.sh"
. "$(dirname "$0")/drive_dialog_lib.sh"
reset_settings

use_virtual_drives cd48-reader,dvdrom16-streaming
wine reg add "$key" /v TimerEnable /t REG_DWORD /d 1 /f >/dev/null
start_desktop
start_varnel
expect "the program starts" wait_for 300 varnel_window_exists
wait_for 30 log_settled
xdotool mousemove 500 300 click 1
reader=$(model_key CR-4880)
expect "the CD reader has its key" test -n "$reader"
first=$(stored_speeds "$reader" SpeedRangeCD)
echo "speeds found at start: $first"

# ---- Opened from the main menu; both lists photographed -------------------
expect "the drive item of the main menu opens the dialog" open_dialog 0
sleep 1
shot drive_dialog_cd_list
expect "it is the CD reader's" bash -c "echo '$(text_of 102)' | grep -q 'CR-4880'"
expect "the CD list is shown" test "$(field 145 visible)" = 1 -a "$(field 146 visible)" = 0
expect "the DVD list lies exactly over it" test "$(field 145 rect)" = "$(field 146 rect)"
expect "the DVD list radio is off for a CD-only drive" test "$(field 162 enabled)" = 0

# ---- Full discovery: photographed mid-run, the program answers, Cancel ----
settings_disabled() { driver windows varnel.exe | tr -d '\r' | grep "title=\"$TITLE\"" | grep -q 'enabled=0'; }
click 136  # "Полный": every value from 8448 kB/s down, far too long to wait for
expect "the progress window opens" wait_for 50 progress_open 'Полный перебор'
sleep 2
expect "the settings dialog is disabled during the run" settings_disabled
shot drive_dialog_full_discovery
# The main window still answers between the method's commands: a command
# sent to it returns (the time includes starting the driver under Wine).
t0=$(date +%s%N)
driver send 112 >/dev/null
answered=$((($(date +%s%N) - t0) / 1000000))
t0=$(date +%s%N)
driver find >/dev/null
baseline=$((($(date +%s%N) - t0) / 1000000))
echo "during the full discovery the main window answered in $answered ms (a driver start alone: $baseline ms)"
expect "the main window answers within a second during the run" test "$answered" -lt 1000
# Its "Отмена", found first: every text the driver reads from the program
# is answered only between two of the method's steps.
IFS=, read -r l t r b < <(field 2 rect 'Полный перебор')
m=$(log lines)
xdotool mousemove $(((l + r) / 2)) $(((t + b) / 2)) click 1
expect "Cancel ends the full discovery" wait_for 100 progress_closed 'Полный перебор'
expect "at its next step: at most three speed requests after the click" \
  test "$(at "$m" speeds 0 | wc -w)" -le 3
settings_enabled() { dialog_open && ! settings_disabled; }
expect "and the settings dialog is usable again" wait_for 20 settings_enabled

# ---- Fast discovery: the emptied list refilled with the drive's speeds ----
click 164  # "Удалить все"
m=$(log lines)
click 135  # "Быстрый"
expect "the fast discovery runs" wait_for 50 progress_open 'Быстрый перебор'
expect "and ends" wait_for 300 progress_closed 'Быстрый перебор'
expect "the run asked the drive (SET CD SPEED sent)" test -n "$(at "$m" speeds 0)"
shot drive_dialog_after_discovery

# ---- Typing 8 into the speed field: 1408 kB/s; adding it replaces 1411 -----
text_is() { test "$(text_of "$1")" = "$2"; }
click 152
xdotool type --delay 100 8
expect "8 typed in the speed field shows 1408 kB/s" wait_for 20 text_is 155 1408
click 153
xdotool type --delay 100 8
expect "and 8 in the command field 1408 kB/s" wait_for 20 text_is 156 1408
click 165  # "Добавить"
sleep 0.5
shot drive_dialog_added
click 1  # OK
expect "OK closes the dialog" wait_for 50 dialog_closed
stored_1408() { stored_speeds "$reader" SpeedRangeCD | grep -qw 1408; }
wait_for 30 stored_1408
after=$(stored_speeds "$reader" SpeedRangeCD)
echo "speeds stored after OK: $after"
expect "the discovered list is stored, 1408 in place of 1411" \
  test "$after" = "$(echo "$first" | sed 's/\b1411\b/1408/')"
expect "which has eight entries" test "$(echo "$after" | wc -w)" = 8

# ---- Cancel stores nothing ------------------------------------------------
expect "the dialog opens again" open_dialog 0
click 164  # "Удалить все"
click 2    # "Отмена"
expect "Cancel closes it" wait_for 50 dialog_closed
sleep 1
expect "and the stored list is unchanged" test "$(stored_speeds "$reader" SpeedRangeCD)" = "$after"

# ---- The DVD drive: its DVD list ------------------------------------------
expect "the DVD drive's dialog opens" open_dialog 1
click 162  # the "DVD" list radio
dvd_list_shown() { test "$(field 146 visible)" = 1 -a "$(field 145 visible)" = 0; }
expect "the DVD radio shows the DVD list" wait_for 20 dvd_list_shown
shot drive_dialog_dvd_list
click 2
wait_for 50 dialog_closed

# ---- The lock: unchecking it with a password set asks for it ----------------
# The password "secret", stored as the program stores it.
wine reg add "$key\\Lock" /v Data /d "$(openssl passwd -1 -salt abcd secret)" /f >/dev/null
driver send 105 >/dev/null  # "Найти приводы": settings read again, answered once done
drive_key=$(wine reg query "$reader" | tr -d '\r' | grep -m1 '^HKEY.*\\00$')
wine reg add "$drive_key\\Lock" /v Value /t REG_DWORD /d 1 /f >/dev/null
driver send 105 >/dev/null
PASSWORD_TITLE='Введите пароль'
password_open() { driver windows varnel.exe | tr -d '\r' | grep -q "title=\"$PASSWORD_TITLE\".*visible=1"; }
password_closed() { ! password_open; }
expect "the dialog opens for the lock" open_dialog 0
click 213
expect "unchecking the lock asks for the password" wait_for 50 password_open
shot drive_dialog_lock_password
xdotool type --delay 50 wrong && xdotool key Return
sleep 1
expect "a wrong one is refused" password_open
xdotool key Escape
expect "Escape gives up" wait_for 50 password_closed
click 1
wait_for 50 dialog_closed
sleep 1
lock_value() { wine reg query "$drive_key\\Lock" /v Value | tr -d '\r' | awk '$1 == "Value" { print $3 }'; }
expect "the drive stays locked" test "$(lock_value)" = 0x1
open_dialog 0
click 213
wait_for 50 password_open
xdotool type --delay 50 secret && xdotool key Return
expect "the right password is taken" wait_for 50 password_closed
click 1
wait_for 50 dialog_closed
lock_off() { test "$(lock_value)" = 0x0; }
expect "and the lock is off once OK is pressed" wait_for 30 lock_off

# ---- Measurement with an audio CD: message 142 until the user gives up -----
# The DVD reader tells the medium type (the CD reader does not, and any
# ready disc of it is measured).
control '{"drive":1,"action":"open"}'
control '{"drive":1,"action":"remove"}'
control '{"drive":1,"action":"insert","medium":"audio-cd"}'
MESSAGE_TITLE='Varnel 3\.2( - )?'
message_open() { controls_of "$MESSAGE_TITLE" | grep -q 'компакт-диск с данными'; }
message_closed() { ! message_open; }
expect "the dialog opens for a measurement" open_dialog 1
click 137  # "Измерение"
expect "with an audio CD it asks for a data CD (message 142)" wait_for 100 message_open
shot drive_dialog_measure_audio_cd
click 1 "$MESSAGE_TITLE"  # OK: the audio CD is still in
sleep 2
expect "OK with the audio CD still in asks again" wait_for 100 message_open
click 2 "$MESSAGE_TITLE"
expect "Cancel gives up" wait_for 50 message_closed
expect "back in the settings dialog" dialog_open
click 2
wait_for 50 dialog_closed

stop_varnel
finish
