#!/usr/bin/env bash
# The program as a user meets it, journey by journey, each from a clean state
# with four virtual drives (D: 48x CD reader, E: 52x CD writer, F: 16x DVD
# reader that needs SET STREAMING, G: slot drive that forgets its speed on a
# new disc). Run per row: "nt" (e2e_lib.sh's prefix) or "win98" (Russian
# Windows 98, ANSI code page 1251); JOURNEYS="4 5" runs only those (ctest
# runs the journeys in groups side by side). Screenshots:
# build/e2e/shots/journey_<row>_<journey>_<step>.png; every dialog met passes
# the layout check (varnel-driver check-layout).
#
# Real: clicks on the icon, its menus and the dialogs' controls, typed keys,
# hotkeys pressed on the desktop, the tooltip, the Run value's command line.
# Sent by the test driver, because Wine sends none for virtual drives: the
# volume arrival notice of a disc and the wake notice.
#
# The NT row reaches its drives through SPTI, Wine's own pass-through to the
# drive server of scripts/with-drives; each journey runs with fresh drives
# under a with-drives of its own (the server's drives keep their state
# across program starts, as hardware does). The Windows 98 row keeps the
# ASPI layer.
JOURNEY_DRIVES=cd48-reader,cdrw52-writer,dvdrom16-streaming,slot24-combo
if [ "${1:-nt}" = nt ] && [ -z "${VARNEL_DRIVE_SOCKET:-}" ]; then
  . "$(dirname "$0")/../harness/with_drives_lib.sh"
  start_outside_drives
  failed=0
  for j in ${JOURNEYS:-1 2 3 4 5 6 8 7}; do
    delays=  # journey 4 photographs the writer's discovery: it answers in 400 ms
    [ "$j" = 4 ] && delays=0,400
    JOURNEYS=$j VARNEL_SIM_DELAYS=$delays rerun_with_drives "$JOURNEY_DRIVES" "$0" nt || failed=1
  done
  exit $failed
fi
. "$(dirname "$0")/../harness/e2e_lib.sh"
. "$(dirname "$0")/drive_dialog_lib.sh"
. "$(dirname "$0")/journeys_lib.sh"
use_row "${1:-nt}"

# The speeds each drive's menu shows with its disc: CD reader, CD writer,
# DVD reader (its DVD list), slot drive (empty: its CD list).
SPEEDS="8 7 6 5"
# Picks speed K (0 = the fastest) of drive N from the drive menu.
pick_speed() { # drive k
  open_menu 1 || return 1
  click_item $(speed_row "$1" "$2" $SPEEDS)
  wait_for 30 menu_closed
  sleep 0.5
}
# 8x on the reader, 16x on the writer, 4X on the DVD drive, 10x on the slot drive.
READER_8X=1411 WRITER_16X=2822 DVD_4X=5540 SLOT_10X=1764
speed_sent() { # mark drive speed: a SET CD SPEED, or SET STREAMING for the DVD drive
  if [ "$2" = "$DVD" ]; then at "$1" streaming "$2" | grep -qw "$3"; else at "$1" speeds "$2" | grep -qw "$3"; fi
}
no_speed_sent() { test -z "$(at "$1" speeds)$(at "$1" streaming)"; }

# ---- 1. First start with four drives --------------------------------------------
journey_1() {
  journey 1 "first start with four drives"
  clean_state
  start_and_settle
  xdotool mousemove 500 300 click 1
  for n in 0 1 2 3; do
    expect "drive $n was asked who it is (INQUIRY) and for its abilities (MODE SENSE)" \
      test "$(log count 0x12 $n)" -ge 1 -a "$(log count 0x5A $n)" -ge 1
  done
  for model in CR-4880 RW-5232A DR-1648 SL-2408; do
    expect "the $model has its key" test -n "$(model_key "$model")"
  done
  tip=$(tooltip)
  # Wine's shell takes 127 characters, room for all four drives; two of one
  # maker share a short name and are told apart by their letters.
  expect "the tooltip names the drives with their speeds ($tip)" \
    bash -c "[[ '$tip' == 'KAMIRO (D:) 48x(DATA) ORVEX (E:) 52x(DATA) KAMIRO (F:) 16X(DVD) ORVEX (G:) 24x ' ]]"
  open_menu 1
  jshot drive_menu
  close_menu
  pick_speed $READER 6
  pick_speed $WRITER 5
  pick_speed $DVD 4
  pick_speed $SLOT 3
  open_menu 1
  jshot speeds_chosen
  close_menu
  expect "the chosen speeds are stored" test "$(reg_value "$(drive_key CR-4880)" SpeedSelectedCD) $(reg_value "$(drive_key RW-5232A)" SpeedSelectedCD) $(reg_value "$(drive_key DR-1648)" SpeedSelectedDVD) $(reg_value "$(drive_key SL-2408)" SpeedSelectedCD)" = \
    "$(printf '0x%x 0x%x 0x%x 0x%x' $READER_8X $WRITER_16X $DVD_4X $SLOT_10X)"
  expect "'Выход' ends the program" quit_by_menu
  # The drive server's drives keep their speeds across the program's starts,
  # as hardware does: the next start comes after the machine's restart.
  if [ "$ROW" = nt ]; then for n in 0 1 2 3; do control "{\"drive\":$n,\"action\":\"powerReset\"}"; done; fi
  m=$(mark)
  start_and_settle
  expect "at the next start the reader gets 8x" speed_sent "$m" $READER $READER_8X
  expect "the writer 16x" speed_sent "$m" $WRITER $WRITER_16X
  expect "the DVD drive 4X" speed_sent "$m" $DVD $DVD_4X
  m=$(mark)
  sleep 5
  expect "left alone, no drive gets a speed" no_speed_sent "$m"
  # A disc pushed into the slot drive; opening the drive menu looks at the
  # drives, which takes it in. Windows tells of it once it can be read.
  m=$(mark)
  control "{\"drive\":$SLOT,\"action\":\"insert\",\"medium\":\"data-cd\"}"
  open_menu 1
  close_menu
  sleep 2.5
  driver volume 0x8000 0x40 1  # DBT_DEVICEARRIVAL, G:, DBTF_MEDIA
  wait_for 50 speed_sent "$m" $SLOT $SLOT_10X
  expect "the new disc in G: gets the slot drive's 10x back" speed_sent "$m" $SLOT $SLOT_10X
  expect "and no other drive a speed" test -z "$(at "$m" speeds $READER)$(at "$m" speeds $WRITER)$(at "$m" streaming $DVD)"
}

# ---- 2. A drive that forgets its speed on a new disc --------------------------
journey_2() {
  journey 2 "a drive that forgets its speed on a new disc"
  clean_state
  # The timer on ("Включить таймер"): the program looks at its drives every
  # five seconds, which is when the slot drive takes the disc in.
  wine reg add "$key" /v TimerEnable /t REG_DWORD /d 1 /f >/dev/null
  start_and_settle
  xdotool mousemove 500 300 click 1
  pick_speed $SLOT 3
  m=$(mark)
  control "{\"drive\":$SLOT,\"action\":\"insert\",\"medium\":\"data-cd\"}"
  # Read without python: the notice below is timed from this moment.
  slot_took_disc() { tail -n +$((m + 1)) "$VARNEL_SIM_LOG" | grep -q "^{\"drive\":$SLOT,\"control\""; }
  expect "the slot drive draws the disc in" wait_for 80 slot_took_disc
  # Windows tells of the disc once it can read it. The driver waits for that
  # moment itself: its start under Wine, slow on a busy machine, is not timed.
  driver volume 0x8000 0x40 1 2400  # DBT_DEVICEARRIVAL, G:, DBTF_MEDIA
  inserted=$(control_tick "$m" $SLOT)
  ready=$((${inserted:-0} + 2500))  # the slot drive's spin-up
  # The drive forgets at once when it takes a disc in: a speed set after that
  # stays.
  speed_back() { [ -n "$(speed_tick "$m" $SLOT $SLOT_10X "$inserted")" ]; }
  wait_for 30 speed_back
  set_at=$(speed_tick "$m" $SLOT $SLOT_10X "$inserted")
  expect "10x is set again within 1 s of the disc being ready (after $((${set_at:-999999} - ready)) ms)" \
    test -n "$set_at" -a "$((${set_at:-0} - ready))" -le 1000
  open_menu 1
  jshot drive_menu
  close_menu
}

# ---- 3. Wake from sleep ----------------------------------------------------------
journey_3() {
  journey 3 "wake from sleep"
  clean_state
  start_and_settle
  xdotool mousemove 500 300 click 1
  pick_speed $READER 6
  pick_speed $DVD 4
  # The reader's settings: no restore after sleep.
  expect "the reader's settings open from the main menu" open_dialog $READER
  click 112
  jshot reader_settings
  layout_ok reader_settings
  click 1
  expect "OK closes them" wait_for 50 dialog_closed
  expect "the reader's events are start and disc change" test "$(reg_value "$(drive_key CR-4880)" EventMask)" = 0x3
  sleep 1
  m=$(mark)
  for n in 0 1 2 3; do control "{\"drive\":$n,\"action\":\"powerReset\"}"; done
  driver power 7  # PBT_APMRESUMEAUTOMATIC
  wait_for 50 speed_sent "$m" $DVD $DVD_4X
  sleep 1
  expect "after the wake the DVD drive has 4X again" speed_sent "$m" $DVD $DVD_4X
  expect "the reader (no wake restore) and the drives without a chosen speed get none" \
    test -z "$(at "$m" speeds $READER)$(at "$m" speeds $WRITER)$(at "$m" speeds $SLOT)"
  # An audio CD in the DVD drive: measuring its speeds asks for a data CD.
  control "{\"drive\":$DVD,\"action\":\"open\"}"
  control "{\"drive\":$DVD,\"action\":\"remove\"}"
  control "{\"drive\":$DVD,\"action\":\"insert\",\"medium\":\"audio-cd\"}"
  expect "the DVD drive's settings open" open_dialog $DVD
  click 137  # "Измерение"
  message_up() { listing | grep -q '^window .*title="Varnel 3\.2" .*visible=1'; }
  expect "measuring the audio CD asks for a data CD" wait_for 100 message_up
  jshot data_cd_message
  layout_ok data_cd_message
  click_in 'title="Varnel 3.2"' 2
  click 2
  expect "Cancel and Cancel close both" wait_for 50 dialog_closed
}

# ---- 4. Drive settings: a shorter list and the step hotkeys ----------------------
journey_4() {
  journey 4 "drive settings: the writer's list and its hotkeys"
  clean_state
  # The writer answers in 400 ms, so that its discovery can be photographed.
  VARNEL_SIM_DELAYS=0,400 start_and_settle
  xdotool mousemove 500 300 click 1
  open_menu 1
  read -r _ t0 _ b0 <<<"$(popup_rect)"
  close_menu
  expect "the writer's settings open from the main menu" open_dialog $WRITER
  jshot writer_settings
  layout_ok writer_settings
  click 135  # "Быстрый"
  # Found through the layout listing, which asks the busy program nothing.
  discovering() { driver layout varnel.exe | grep -q '^window .*title="Быстрый перебор".*visible=1'; }
  expect "the fast discovery runs" wait_for 50 discovering
  sleep 2  # painted between two of the run's steps
  jshot fast_discovery
  layout_ok fast_discovery
  expect "the progress window was among them" grep -q 'title="[^"]*Быстрый перебор' "$WORK/journey_${ROW}_4_fast_discovery.txt"
  expect "and ends" wait_for 300 progress_closed 'Быстрый перебор'
  # Keep 8x only: the top row selected and deleted, six times.
  IFS=, read -r l t r b < <(field 145 rect)
  for i in 1 2 3 4 5 6; do
    xdotool mousemove $((l + 30)) $((t + 30)) sleep 0.2 click 1 sleep 0.2
    click 163  # "Удалить"
  done
  click 185; xdotool key ctrl+alt+f  # "Быстрее:"
  click 187; xdotool key ctrl+alt+s  # "Медленнее:"
  sleep 0.5
  jshot only_8x
  layout_ok only_8x
  click 1
  expect "OK closes the dialog" wait_for 50 dialog_closed
  sleep 1
  expect "the writer keeps 8x only" test "$(stored_speeds "$(model_key RW-5232A)" SpeedRangeCD)" = "$READER_8X"
  open_menu 1
  jshot drive_menu
  read -r _ t1 _ b1 <<<"$(popup_rect)"
  close_menu
  expect "the drive menu is six speeds shorter ($((b0 - t0)) -> $((b1 - t1)) pixels)" test $((b0 - t0 - (b1 - t1))) = 96
  xdotool mousemove 500 300 click 1
  m=$(mark)
  xdotool key ctrl+alt+s
  writer_speed_sent() { [ -n "$(at "$m" speeds $WRITER)" ]; }
  wait_for 30 writer_speed_sent
  expect "'slower' steps the writer from 52x to 8x, the list's only speed" test "$(at "$m" speeds $WRITER)" = "$READER_8X"
  sleep 0.5
  m=$(mark)
  xdotool key ctrl+alt+f
  sleep 1.5
  xdotool key ctrl+alt+s
  sleep 1.5
  expect "at 8x, 'faster' and 'slower' find no other speed" test -z "$(at "$m" speeds $WRITER)"
}

# ---- 5. Password, a locked drive, and clearing the configuration --------------
journey_5() {
  journey 5 "password, locked drive, clear configuration"
  clean_state
  start_and_settle
  xdotool mousemove 500 300 click 1
  open_menu 3
  read -r _ t0 _ b0 <<<"$(popup_rect)"
  close_menu
  expect "the program settings open from the main menu" open_program_settings
  click_in "Настройки" 134
  expect "the password box asks for a new password" wait_for 50 window_up "Новый пароль"
  xdotool type --delay 50 'Journey 5'
  click_in "Новый пароль" 108
  xdotool type --delay 50 'Journey 5'
  jshot new_password
  layout_ok new_password
  xdotool key Return
  expect "OK takes it" wait_for 50 window_gone "Новый пароль"
  jshot program_settings
  layout_ok program_settings
  click_in "Настройки" 1
  expect "the settings close" wait_for 50 window_gone "Настройки"
  hash=$(reg_value "$key\\Lock" Data)
  expect "the password's hash is stored ($hash)" test "${hash:0:3}" = '$1$'
  expect "the reader's settings open" open_dialog $READER
  click 213  # "Запирать привод при закрытии"
  click 1
  expect "they close" wait_for 50 dialog_closed
  expect "the reader is locked" test "$(reg_value "$(drive_key CR-4880)\\Lock" Value)" = 0x1
  asking() { window_up "Введите пароль"; }
  m=$(mark)
  open_menu 1
  click_item $(eject_row $READER $SPEEDS)
  expect "ejecting the locked reader asks for the password" wait_for 50 asking
  jshot eject_password
  layout_ok eject_password
  xdotool type --delay 50 'wrong' && xdotool key Return
  sleep 1
  expect "a wrong one keeps asking" asking
  expect "and ejects nothing" test -z "$(at "$m" loads $READER)"
  xdotool type --delay 50 'Journey 5' && xdotool key Return
  expect "the right one closes the dialog" wait_for 50 window_gone "Введите пароль"
  sleep 1
  expect "and ejects the disc" test "$(at "$m" loads $READER)" = 2
  choose_main 4 2  # "Очистить конфигурацию"
  expect "clearing asks for the password" wait_for 50 asking
  xdotool type --delay 50 'Journey 5' && xdotool key Return
  expect "then asks to be sure" wait_for 50 window_up "Varnel"
  sleep 0.5
  jshot clear_question
  layout_ok clear_question
  click_in "Varnel" 1
  sleep 2
  expect "the program's registry keys are gone" bash -c "! wine reg query 'HKCU\\Software\\Morbeck Software' >/dev/null 2>&1"
  # Its language gone too, the program follows the row's locale: English on
  # the NT row, Russian on the Russian Windows 98 row.
  local information=Информация
  [ "$ROW" = nt ] && information=Information
  xdotool mousemove "$ICON_X" "$ICON_Y" click 1
  expect "with no drives left, a left click shows the information box ($information)" \
    wait_for 50 window_up "$information"
  sleep 0.5
  jshot information
  layout_ok information
  # "Метод доступа: SPTI (Windows NT/2K/XP)" or "...: ASPI (Windows 95/98/ME)"
  # (in English on the NT row, whose locale the program now follows).
  method=$(driver windows varnel.exe | tr -d '\r' | grep -oE ': (SPTI|ASPI) \(Windows [^)]*\)' | head -1)
  expect "its access method is SPTI on NT and ASPI on Windows 98 ($method)" \
    test "${method:2:4}" = "$([ "$ROW" = nt ] && echo SPTI || echo ASPI)"
  click_in "$information" 1
  wait_for 30 window_gone "$information"
  open_menu 3
  jshot main_menu_cleared
  read -r _ t1 _ b1 <<<"$(popup_rect)"
  close_menu
  expect "the main menu has lost its four drive items ($((b0 - t0)) -> $((b1 - t1)) pixels)" test $((b0 - t0 - (b1 - t1))) = 64
}

# ---- 6. Autostart with "/hide" --------------------------------------------------
journey_6() {
  journey 6 "autostart hidden"
  clean_state
  start_and_settle
  xdotool mousemove 500 300 click 1
  expect "the program settings open" open_program_settings
  click_in "Настройки" 104  # "Запускать вместе с Windows"
  click_in "Настройки" 106  # "/hide"
  jshot autostart_hidden
  click_in "Настройки" 1
  expect "the settings close" wait_for 50 window_gone "Настройки"
  command_line=$(reg_value "$RUN_KEY" Varnel)
  expect "the Run value starts the program with /hide ($command_line)" bash -c "[[ '$command_line' == *varnel.exe\ /hide ]]"
  expect "'Выход' ends the program" quit_by_menu
  sleep 1
  empty=$(tray_signature "journey_${ROW}_6_no_program")
  # As the Run key does: the program and its argument from the value.
  rm -f "$WORK/varnel.rc"
  (wine "${command_line% /hide}" /hide; echo $? >"$WORK/varnel.rc") &
  expect "the program starts" wait_for 300 varnel_window_exists
  sleep 2
  expect "its icon stays hidden" test "$(tray_signature "journey_${ROW}_6_started_hidden")" = "$empty"
  wine "${command_line% /hide}"
  expect "a second start ends at once" test $? = 0
  sleep 1
  expect "and shows the first one's icon" test "$(tray_signature "journey_${ROW}_6_shown")" != "$empty"
  stop_varnel
  wine reg delete "$RUN_KEY" /v Varnel /f >/dev/null 2>&1
}

# ---- 8. English, for a user whose Windows is not Russian (NT row) ---------------
# Nothing but Cyrillic-free texts in the program's windows.
no_cyrillic() {
  listing | python3 -c 'import sys; sys.exit(any("\u0400" <= c <= "\u04ff" for c in sys.stdin.buffer.read().decode("utf-8", "replace")))'
}
open_english_settings() { choose_main 3 2 && wait_for 50 window_up "Varnel 3.2 - Settings"; }
journey_8() {
  journey 8 "English on an English Windows"
  clean_state
  # No language stored: the program follows the prefix's English locale.
  wine reg delete "$key" /v Language /f >/dev/null 2>&1
  start_and_settle
  xdotool mousemove 500 300 click 1
  open_menu 3
  jshot main_menu
  close_menu
  open_menu 1
  jshot drive_menu
  close_menu
  local TITLE='Varnel 3\.2 - Drive settings'
  expect "the reader's settings open as \"Drive settings\"" open_dialog $READER
  jshot drive_settings
  layout_ok drive_settings
  expect "and show no Russian text" no_cyrillic
  click 1
  expect "OK closes them" wait_for 50 dialog_closed
  expect "\"Settings\" opens the program settings" open_english_settings
  jshot program_settings
  layout_ok program_settings
  expect "and show no Russian text" no_cyrillic
  click_in "Settings" 155  # "Russian"
  click_in "Settings" 1
  expect "OK closes them" wait_for 50 window_gone "Varnel 3.2 - Settings"
  expect "Russian is stored (1049)" test "$(reg_value "$key" Language)" = 0x419
  expect "and after the reload the program speaks it" open_program_settings
  jshot program_settings_russian
  click_in "Настройки" 2
  wait_for 50 window_gone "Настройки"
  open_menu 3
  jshot main_menu_russian
  close_menu
}

# ---- 7. The session ends with a tray open (last: it ends the desktop) ----------
journey_7() {
  journey 7 "the session ends with a tray open"
  clean_state
  wine reg add "$key" /v DNMessage /t REG_DWORD /d 1 /f >/dev/null
  start_and_settle
  control "{\"drive\":$READER,\"action\":\"open\"}"
  sleep 1
  m=$(mark)
  (wine wineboot --end-session </dev/null >/dev/null 2>&1 &)
  expect "the reminder 'Лоток открыт!' opens" wait_for 100 window_up "Лоток открыт!"
  sleep 1
  jshot tray_open
  layout_ok tray_open
  click_in "Лоток открыт!" 1  # "Закрыть лоток"
  closed() { test "$(at "$m" loads $READER)" = 3; }
  expect "'Закрыть лоток' closes the reader's tray (START STOP UNIT load)" wait_for 50 closed
  expect "the program ends with the session" wait_for 200 varnel_ended
}

# JOURNEYS="2 5" runs only those; the English journey needs the NT row's
# English locale, and the end of the session comes last.
for j in ${JOURNEYS:-1 2 3 4 5 6 $([ "$ROW" = nt ] && echo 8) 7}; do journey_$j; done

finish
