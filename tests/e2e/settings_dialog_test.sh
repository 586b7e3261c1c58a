#!/usr/bin/env bash
# The program settings dialog, the settings export and "Очистить
# конфигурацию", driven as a user drives them: real clicks on the tray icon,
# the main menu and the dialog's controls, read back with `wine reg query`.
# Two virtual drives stand behind the ASPI transport. The registry editor the
# shell finds first is a stand-in beside varnel.exe that records its command
# line (Wine's own knows "/e" but not "/ea"): Wine's shell looks in
# system32 first, so for the export checks the stand-in takes the place of
# the editor there, which is put back afterwards. Wine's editor then proves
# with
# "/e" that a real export of the key holds every value and drive key.
# Screenshots: build/e2e/shots/settings_*.png, on this (NT) prefix and on a
# Russian Windows 98 one.
. "$(dirname "$0")/../harness/e2e_lib.sh"
reset_settings

use_virtual_drives cd48-reader,dvdrom16-streaming
# A 32-bit program's system32 is syswow64 in a 64-bit prefix.
system32=$WINEPREFIX/drive_c/windows/system32
[ -d "$WINEPREFIX/drive_c/windows/syswow64" ] && system32=$WINEPREFIX/drive_c/windows/syswow64
record=$system32/start_record.txt
rm -f "$record"
run='HKCU\SOFTWARE\Microsoft\Windows\CurrentVersion\Run'
policy='SOFTWARE\Microsoft\Windows\CurrentVersion\Policies\Explorer'
audio='HKCR\AudioCD\shell'

# The system values this test changes start from a known state.
system_reset() {
  driver machine-policy admin  # after a run that stopped as a standard user
  wine reg delete "$run" /v Varnel /f >/dev/null 2>&1
  wine reg delete "HKLM\\$policy" /v NoDriveTypeAutoRun /f >/dev/null 2>&1
  wine reg delete "HKCU\\$policy" /v NoDriveTypeAutoRun /f >/dev/null 2>&1
  wine reg add "$audio" /ve /d play /f >/dev/null 2>&1
  true
}
system_reset
wine reg add "$key" /v ApiPrefered /t REG_DWORD /d 2 /f >/dev/null
driver letter 0 D && driver letter 1 E
# One value as `wine reg query` shows it: "TYPE DATA".
value() { # key name ("" = default)
  local args=(/v "$2"); [ -z "$2" ] && args=(/ve)
  wine reg query "$1" "${args[@]}" 2>/dev/null | tr -d '\r' | awk 'NF >= 2 && $1 != "" && /REG_/ {
    for (i = 1; i <= NF; i++) if ($i ~ /^REG_/) { t = $i; d = ""; for (j = i + 1; j <= NF; j++) d = d (j > i + 1 ? " " : "") $j; print t " " d; exit } }'
}
key_exists() { wine reg query "$1" >/dev/null 2>&1; }

menu_height() { local left top right bottom; read -r _ left top right bottom < <(driver popups | tr -d '\r' | head -1); echo $((bottom - top)); }

listing() { driver windows varnel.exe | tr -d '\r'; }
control_enabled() { listing | grep -q "id=$1 .*enabled=$2"; }
question_up() { listing | grep -q 'Удалить настройки из реестра'; }
# Cleared, the language follows the prefix's English locale.
english_question_up() { listing | grep -q 'Remove the settings from the registry?'; }
product_gone() { ! key_exists 'HKCU\Software\Morbeck Software\Varnel'; }
maker_gone() { ! key_exists 'HKCU\Software\Morbeck Software'; }
# A top-level window of the program whose title holds TEXT.
window_up() { listing | grep -q "^window .*title=\"[^\"]*$1[^\"]*\".*visible=1"; }
window_gone() { ! window_up "$1"; }
# A real click in the middle of control ID of the window titled TEXT.
click_control() { # title-text id
  local r
  r=$(listing | awk -v t="$1" -v id="$2" '/^window / { on = index($0, t) > 0 } on && $0 ~ ("^  control .* id=" id " ") {
      match($0, /rect=[-0-9,]+/); print substr($0, RSTART + 5, RLENGTH - 5); exit }')
  [ -n "$r" ] || { echo "no control $2 in \"$1\""; return 1; }
  IFS=, read -r l t rr b <<<"$r"
  xdotool mousemove $(((l + rr) / 2)) $(((t + b) / 2)) sleep 0.2 click 1
  sleep 0.3
}
open_settings() {
  click_icon 3
  wait_for 30 menu_open || return 1
  sleep 0.5
  click_item 3 2  # О программе, Справка, -, Информация, -, [Настройки]
  wait_for 50 window_up "Настройки"
}
check_layout() { # shot-name
  listing >"$WORK/$1.txt"
  driver check-layout varnel.exe all-shown
}

start_desktop
start_varnel
expect "the program starts" wait_for 300 varnel_window_exists
wait_for 30 log_settled
xdotool mousemove 500 300 click 1

# The drive menu before TopNames, for its height.
click_icon 1
wait_for 30 menu_open
sleep 0.5
plain_height=$(menu_height)
close_menu

# ---- "Настройки" from the real main menu ------------------------------------
expect "\"Настройки\" in the main menu opens the dialog" open_settings
sleep 1
shot settings_dialog_nt
expect "NT: every control inside its group, two columns above OK and Cancel" check_layout settings_dialog_nt
expect "the audio box is disabled from XP on" control_enabled 120 0

# Real clicks: drive name on top, start with Windows hidden, disc autorun off
# for all users and the current user, the timer with a 5-second close.
for id in 132 104 106 118 119 109 114; do click_control "Настройки" $id; done
shot settings_dialog_nt_clicked
click_control "Настройки" 1
expect "OK closes the dialog" wait_for 50 window_gone "Настройки"
wait_for 30 log_settled
run_value=$(value "$run" Varnel)
expect "the Run value starts the program hidden ($run_value)" bash -c "[[ '$run_value' == REG_SZ*varnel.exe\ /hide ]]"
expect "all users' autorun policy is REG_DWORD 0xb5" test "$(value "HKLM\\$policy" NoDriveTypeAutoRun)" = "REG_DWORD 0xb5"
expect "the current user's autorun policy is REG_DWORD 0xb5" test "$(value "HKCU\\$policy" NoDriveTypeAutoRun)" = "REG_DWORD 0xb5"
expect "the audio verb stays \"play\" as shown" test "$(value "$audio" "")" = "REG_SZ play"
expect "TopNames is stored" test "$(value "$key" TopNames)" = "REG_DWORD 0x1"
expect "TimerEnable is stored" test "$(value "$key" TimerEnable)" = "REG_DWORD 0x1"
expect "TimerAutoclose is 5000 ms" test "$(value "$key" TimerAutoclose)" = "REG_DWORD 0x1388"
expect "EjectSingle is untouched" test "$(value "$key" EjectSingle)" = "REG_DWORD 0x1"

click_icon 1
wait_for 30 menu_open
sleep 0.5
shot settings_top_names_drive_menu
top_height=$(menu_height)
close_menu
expect "TopNames puts a name row above each drive's section (menu $plain_height -> $top_height pixels)" \
  test "$top_height" -gt "$plain_height"

# ---- A standard user: Wine checks the machine policy key's access list -------
grey_box_says() { listing | grep -q "id=118 text=\"[^\"]*\\\\n$1\" .*enabled=0"; }
driver machine-policy user
expect "a standard user: the dialog opens" open_settings && sleep 1 && shot settings_dialog_standard_user
expect "the all-users box is grey and says why" grey_box_says "(нужны права администратора)"
expect "the current user's box stays usable" control_enabled 119 1
expect "the two-line box fits its group" check_layout settings_dialog_standard_user
click_control "Настройки" 2 && wait_for 50 window_gone "Настройки"
driver machine-policy admin

# ---- Cancel changes nothing ---------------------------------------------------
expect "the dialog opens again" open_settings
for id in 130 104 143; do click_control "Настройки" $id; done
click_control "Настройки" 2
expect "Cancel closes the dialog" wait_for 50 window_gone "Настройки"
expect "after Cancel NumNames is still on" test "$(value "$key" NumNames)" = "REG_DWORD 0x1"
expect "after Cancel DNEject is still off" test "$(value "$key" DNEject)" = "REG_DWORD 0x0"
expect "after Cancel the Run value is unchanged" test "$(value "$run" Varnel)" = "$run_value"

# ---- The export: a file chosen in the real Save-As dialog --------------------
mkdir -p "$WINEPREFIX/drive_c/export dir"
wine_editor_back() { [ -f "$system32/regedit.exe.wine" ] && mv -f "$system32/regedit.exe.wine" "$system32/regedit.exe"; true; }
trap 'wine_editor_back; [ -n "${VARNEL_XVFB_PID:-}" ] && kill $VARNEL_XVFB_PID 2>/dev/null' EXIT
[ -f "$system32/regedit.exe" ] && mv "$system32/regedit.exe" "$system32/regedit.exe.wine"
cp "$VARNEL_RECORD_START" "$system32/regedit.exe"
rm -f "$record"
expect "the dialog opens again" open_settings
click_control "Настройки" 123
expect "the export box opens the Save-As dialog" wait_for 50 window_up "Save"
sleep 0.5
shot settings_save_as
xdotool key ctrl+a type --delay 30 'C:\export dir\varnel copy.reg'
xdotool key Return
expect "the Save-As dialog closes" wait_for 50 window_gone "Save"
shot settings_export_checked
click_control "Настройки" 1
expect "OK closes the dialog" wait_for 50 window_gone "Настройки"
wanted='/ea "C:\export dir\varnel copy.reg" "HKEY_CURRENT_USER\Software\Morbeck Software\Varnel\2.5"'
expect "SavePath is stored" test "$(value "$key" SavePath)" = 'REG_SZ C:\export dir\varnel copy.reg'
expect "after OK the registry editor is asked for the export" wait_for 50 test -f "$record"
started=$(head -1 "$record" 2>/dev/null | tr -d '\r')
echo "     registry editor started as: $started"
expect "with exactly the export's parameters" bash -c '[[ "$1" == *"$2" ]]' _ "$started" "$wanted"

# A speed picked in the drive menu is a saved change too.
rm -f "$record"
click_icon 1
wait_for 30 menu_open
sleep 0.5
click_item 7 1  # the name row, a separator, 48 40 32 24 16 12 [8]x
wait_for 30 menu_closed
expect "a speed pick exports again" wait_for 50 test -f "$record"
rm -f "$record"
stop_varnel
expect "leaving the program exports once more" wait_for 50 test -f "$record"
rm -f "$record" "$system32/regedit.exe"
wine_editor_back
start_varnel
wait_for 300 varnel_window_exists
wait_for 30 log_settled

# Wine's own registry editor with "/e": the file holds every value and drive key.
wine regedit /e 'C:\export dir\real.reg' 'HKEY_CURRENT_USER\Software\Morbeck Software\Varnel\2.5' >/dev/null 2>&1
real=$WINEPREFIX/drive_c/export\ dir/real.reg
iconv -f UTF-16 -t UTF-8 "$real" 2>/dev/null | tr -d '\r' >"$WORK/real.reg" || cp "$real" "$WORK/real.reg"
missing=$(wine reg query "$key" /s | tr -d '\r' | awk '
  /^HKEY_/ { print "[" $0 "]"; next }
  NF >= 3 && /REG_/ { print "\"" $1 "\"=" }' | while read -r line; do
    grep -qiF "$line" "$WORK/real.reg" || echo "$line"; done)
expect "Wine's editor exports every value and drive key ($(grep -c '^\[' "$WORK/real.reg") keys)" test -z "$missing"
[ -n "$missing" ] && echo "$missing" | head

# ---- "Очистить конфигурацию" behind a password --------------------------------
hash=$(openssl passwd -1 -salt abcd secret)
wine reg add "$key\\Lock" /v Data /d "$hash" /f >/dev/null
wine reg add 'HKCU\Software\Morbeck Software\Other Product' /v Kept /t REG_DWORD /d 1 /f >/dev/null
driver send 105 >/dev/null && wait_for 30 log_settled
clear_config() {
  click_icon 3
  wait_for 30 menu_open || return 1
  sleep 0.5
  click_item 4 2  # ..., Настройки, [Очистить конфигурацию]
}
clear_config
expect "the password is asked first" wait_for 50 window_up "пароль"
sleep 0.5
shot settings_clear_password
xdotool type --delay 30 'wrong'
xdotool key Return
sleep 1
xdotool key Escape
expect "a wrong password, then Cancel, closes the question" wait_for 50 window_gone "пароль"
sleep 1
expect "and removes nothing" test "$(value "$key" TopNames)" = "REG_DWORD 0x1"
clear_config
wait_for 50 window_up "пароль"
sleep 0.5
xdotool type --delay 30 'secret'
xdotool key Return
expect "the right password leads to the question" wait_for 50 question_up
sleep 0.5
shot settings_clear_question
click_control "Varnel" 1
expect "the product key is gone" wait_for 30 product_gone
expect "the maker key stays with the other product's key" key_exists 'HKCU\Software\Morbeck Software\Other Product'
expect "the Run value is gone" test -z "$(value "$run" Varnel)"
expect "all users' autorun policy value is gone" test -z "$(value "HKLM\\$policy" NoDriveTypeAutoRun)"
expect "the current user's CD-ROM bit is clear again (0x95)" test "$(value "HKCU\\$policy" NoDriveTypeAutoRun)" = "REG_DWORD 0x95"
expect "the audio verb is \"play\"" test "$(value "$audio" "")" = "REG_SZ play"
xdotool mousemove 500 300
sleep 1
shot settings_cleared_tray
wine reg delete 'HKCU\Software\Morbeck Software\Other Product' /f >/dev/null 2>&1
# A standard user again, with autorun off for everyone: clearing says what it
# could not put back.
wine reg add "HKLM\\$policy" /v NoDriveTypeAutoRun /t REG_DWORD /d 0xb5 /f >/dev/null
driver machine-policy user
clear_config
expect "cleared, the program asks in English, the language of the prefix" wait_for 50 english_question_up
click_control "Varnel" 1
not_restored_up() { listing | grep -q 'administrator rights are needed'; }
expect "a standard user's clearing says not every system setting was restored" wait_for 50 not_restored_up
shot settings_clear_standard_user_en && click_control "Varnel" 1
expect "all users' autorun stays off" test "$(value "HKLM\\$policy" NoDriveTypeAutoRun)" = "REG_DWORD 0xb5"
driver machine-policy admin
sleep 2
expect "cleared again, the empty maker key goes too" maker_gone
stop_varnel
system_reset
wineserver -k 2>/dev/null

# ---- The Russian Windows 98 row: the dialog from the main menu, photographed --
use_win98_ru_prefix
reset_settings
wine reg add "$key" /v ApiPrefered /t REG_DWORD /d 2 /f >/dev/null
driver letter 0 D && driver letter 1 E
start_desktop
start_varnel
expect "win98: the program starts" wait_for 300 varnel_window_exists
wait_for 30 log_settled
xdotool mousemove 500 300 click 1
expect "win98: \"Настройки\" in the main menu opens the dialog" open_settings
sleep 1
shot settings_dialog_win98_ru
expect "win98: every control inside its group, two columns above OK and Cancel" check_layout settings_dialog_win98_ru
expect "win98: the audio box is enabled" control_enabled 120 1
click_control "Настройки" 118
click_control "Настройки" 1
wait_for 50 window_gone "Настройки"
expect "win98: all users' autorun policy is 4 bytes of REG_BINARY" \
  test "$(value "HKLM\\$policy" NoDriveTypeAutoRun)" = "REG_BINARY B5000000"
stop_varnel
wine reg delete "HKLM\\$policy" /v NoDriveTypeAutoRun /f >/dev/null 2>&1
finish
