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
# volume arrival notice of a disc and the wake notice; "Найти приводы" after
# hotkeys stored by hand; the machine policy's access list switched to a
# standard user's. Beside the program: another program holding hotkeys
# (journey 4) and a stand-in for the registry editor that records how the
# export asks for it (journey 6, NT row).
#
# The NT row reaches its drives through SPTI, Wine's own pass-through to the
# drive server of scripts/with-drives; each journey runs with fresh drives
# under a with-drives of its own (the server's drives keep their state
# across program starts, as hardware does). The Windows 98 row keeps the
# ASPI layer.
JOURNEY_DRIVES=cd48-reader,cdrw52-writer,dvdrom16-streaming,slot24-combo
# Journey 4 photographs and cancels discoveries: the reader answers in 100 ms,
# the writer in 400 ms.
DISCOVERY_DELAYS=100,400
if [ "${1:-nt}" = nt ] && [ -z "${VARNEL_DRIVE_SOCKET:-}" ]; then
  . "$(dirname "$0")/../harness/with_drives_lib.sh"
  start_outside_drives
  failed=0
  for j in ${JOURNEYS:-1 2 3 4 5 6 8 7}; do
    delays=
    [ "$j" = 4 ] && delays=$DISCOVERY_DELAYS
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
  m=$(mark)
  pick_speed $READER 6
  pick_speed $WRITER 5
  pick_speed $DVD 4
  pick_speed $SLOT 3
  expect "each pick sends its speed to its drive alone: 8x, 16x, 4X by SET STREAMING" \
    test "$(at "$m" speeds $READER)|$(at "$m" speeds $WRITER)|$(at "$m" streaming $DVD)" = "$READER_8X|$WRITER_16X|$DVD_4X"
  tip=$(tooltip)
  expect "the tooltip shows the chosen speeds ($tip)" \
    bash -c "[[ '$tip' == 'KAMIRO (D:) 8x(DATA) ORVEX (E:) 16x(DATA) KAMIRO (F:) 4X(DVD) '* ]]"
  open_menu 1
  jshot speeds_chosen
  close_menu
  expect "the chosen speeds are stored" test "$(reg_value "$(drive_key CR-4880)" SpeedSelectedCD) $(reg_value "$(drive_key RW-5232A)" SpeedSelectedCD) $(reg_value "$(drive_key DR-1648)" SpeedSelectedDVD) $(reg_value "$(drive_key SL-2408)" SpeedSelectedCD)" = \
    "$(printf '0x%x 0x%x 0x%x 0x%x' $READER_8X $WRITER_16X $DVD_4X $SLOT_10X)"
  expect "'Выход' ends the program" quit_by_menu
  expect "with code 0" test "$(cat "$WORK/varnel.rc")" = 0
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
  reader_list=$(stored_speeds "$(model_key CR-4880)" SpeedRangeCD)
  expect "the reader's settings open from the main menu" open_dialog $READER
  click 112
  jshot reader_settings
  layout_ok reader_settings
  # 8 typed in as speed and command, added to the list.
  text_is() { test "$(text_of "$1")" = "$2"; }
  click 152
  xdotool type --delay 100 8
  expect "8 typed in the speed field shows 1408 kB/s" wait_for 20 text_is 155 1408
  click 153
  xdotool type --delay 100 8
  expect "and 8 in the command field 1408 kB/s" wait_for 20 text_is 156 1408
  click 165  # "Добавить"
  sleep 0.5
  jshot reader_8_added
  click 1
  expect "OK closes them" wait_for 50 dialog_closed
  stored_1408() { stored_speeds "$(model_key CR-4880)" SpeedRangeCD | grep -qw 1408; }
  wait_for 30 stored_1408
  after=$(stored_speeds "$(model_key CR-4880)" SpeedRangeCD)
  expect "the reader's eight speeds are stored, 1408 in place of 1411 ($after)" \
    test "$after" = "$(echo "$reader_list" | sed 's/\b1411\b/1408/')" -a "$(echo "$after" | wc -w)" = 8
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
  dvd_list=$(stored_speeds "$(model_key DR-1648)" SpeedRangeDVD)
  expect "the DVD drive's settings open" open_dialog $DVD
  click 137  # "Измерение"
  message_up() { listing | grep -q '^window .*title="Varnel 3\.2" .*visible=1'; }
  expect "measuring the audio CD asks for a data CD" wait_for 100 message_up
  jshot data_cd_message
  layout_ok data_cd_message
  click_in 'title="Varnel 3.2"' 1  # OK, the audio CD still in
  sleep 2
  expect "OK with the audio CD still in asks again" wait_for 100 message_up
  click_in 'title="Varnel 3.2"' 2
  back_in_settings() { ! message_up && dialog_open; }
  expect "Cancel gives up, back in the settings" wait_for 50 back_in_settings
  click 162  # the "DVD" list radio
  dvd_list_shown() { test "$(field 146 visible)$(field 145 visible)" = 10; }
  expect "the DVD radio shows the DVD list" wait_for 20 dvd_list_shown
  click 164  # "Удалить все"
  click 2
  expect "Cancel closes the settings" wait_for 50 dialog_closed
  sleep 1
  expect "and stores nothing: the DVD list stays ($dvd_list)" \
    test "$(stored_speeds "$(model_key DR-1648)" SpeedRangeDVD)" = "$dvd_list" -a -n "$dvd_list"
}

# ---- 4. Drive settings: a shorter list and the step hotkeys ----------------------
# The first HotKeys word: virtual key K (0x4B) with HOTKEYF_CONTROL | HOTKEYF_ALT.
CTRL_ALT_K_WORD=4b060000
unloaded() { [ -n "$(at "$1" loads "$2")" ]; }  # mark drive: a START STOP UNIT reached it

# The reader's settings: its lists, a full discovery photographed and
# cancelled.
reader_list_cut_short() {
  local answered l t r b
  expect "the reader's settings open from the main menu" open_dialog $READER
  expect "they are the reader's" bash -c "[[ '$(text_of 102)' == *CR-4880* ]]"
  expect "its CD list is shown, the DVD list lies exactly over it, the DVD radio is off" \
    test "$(field 145 visible)$(field 146 visible)$(field 162 enabled) $(field 145 rect)" = "100 $(field 146 rect)"
  settings_disabled() { listing | grep "title=\"$TITLE\"" | grep -q 'enabled=0'; }
  settings_usable() { dialog_open && ! settings_disabled; }
  click 136  # "Полный": every value from 8448 kB/s down, far too long to wait for
  expect "the full discovery runs" wait_for 50 progress_open 'Полный перебор'
  sleep 2
  expect "and disables the settings meanwhile" settings_disabled
  jshot full_discovery
  # The main window still answers between the method's commands: timed by
  # the driver from its message on, not from the start of a Wine process,
  # which a loaded machine can take a second over.
  answered=$(driver ping 1000 | tr -d '\r')
  expect "the main window answers within a second during the run ($answered)" test "${answered%% in *}" = answered
  # Its "Отмена", found first: the driver's questions are answered only
  # between two of the method's steps.
  IFS=, read -r l t r b < <(field 2 rect 'Полный перебор')
  m=$(mark)
  xdotool mousemove $(((l + r) / 2)) $(((t + b) / 2)) click 1
  expect "Cancel ends the full discovery" wait_for 100 progress_closed 'Полный перебор'
  expect "at its next step: at most three speed requests after the click" \
    test "$(at "$m" speeds $READER | wc -w)" -le 3
  expect "and the settings are usable again" wait_for 20 settings_usable
  click 2
  expect "Cancel closes the dialog" wait_for 50 dialog_closed
}

# Another program holds one of the DVD drive's combinations, the reader's is
# set aside with the drive (Ignore); a second copy of that program tells
# afterwards which combinations are free. The hotkeys are stored as the
# drive settings dialog stores them and read again by "Найти приводы".
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
hotkeys_beside_another_program() {
  local dvd reader
  dvd=$(drive_key DR-1648) reader=$(drive_key CR-4880)
  rm -f "$WORK"/holder*.txt
  # DVD drive: Ctrl+Alt+E eject, Ctrl+Alt+C close, Ctrl+Alt+H minimum speed;
  # the reader, set aside, Ctrl+Alt+D for eject.
  wine reg add "$dvd" /v HotKeys /t REG_BINARY /d "$(hotkeys_value 0x0645 0x0643 0 0 0 0 0x0648)" /f >/dev/null
  wine reg add "$reader" /v HotKeys /t REG_BINARY /d "$(hotkeys_value 0x0644 0 0 0 0 0 0)" /f >/dev/null
  wine reg add "$reader" /v Ignore /t REG_DWORD /d 1 /f >/dev/null
  holder "$WORK/holder1.txt" 60 $CTRL_ALT $VK_H
  expect "another program holds Ctrl+Alt+H" wait_for 100 holds $CTRL_ALT $VK_H 1 "$WORK/holder1.txt"
  driver send 105 >/dev/null  # "Найти приводы", answered once done
  wait_for 50 log_settled
  xdotool mousemove 600 500 click 1
  sleep 0.5
  m=$(mark)
  xdotool key ctrl+alt+e
  expect "with the desktop focused, Ctrl+Alt+E ejects the DVD drive" wait_for 50 unloaded "$m" $DVD
  sleep 0.5
  expect "only the DVD drive" test "$(at "$m" loads $DVD)|$(at "$m" loads $READER)" = "2|"
  xdotool mousemove 250 180 click 1  # the holder's window
  expect "the holder's window has the focus" wait_for 30 holder_active
  jshot hotkey_holder_focused
  m=$(mark)
  xdotool key ctrl+alt+c
  expect "Ctrl+Alt+C closes the DVD drive's tray while another program has the focus" wait_for 50 unloaded "$m" $DVD
  sleep 0.5
  m=$(mark)
  xdotool key ctrl+alt+e
  expect "and Ctrl+Alt+E ejects it again" wait_for 50 unloaded "$m" $DVD
  sleep 0.5
  expect "with the eject code" test "$(at "$m" loads $DVD)" = 2
  expect "the holder still has the focus" holder_active
  # The combination another program holds: only that slot fails.
  m=$(mark)
  xdotool key ctrl+alt+h
  expect "Ctrl+Alt+H reaches the program that held it first" wait_for 30 grep -q "^hotkey " "$WORK/holder1.txt"
  sleep 1
  expect "and sets no speed on the DVD drive" test -z "$(at "$m" streaming $DVD)$(at "$m" speeds $DVD)"
  xdotool key ctrl+alt+d
  sleep 1
  expect "Ctrl+Alt+D of the reader set aside does nothing" test -z "$(at "$m" loads $READER)$(at "$m" loads $DVD)"
  # The DVD drive's eject moves to Ctrl+Alt+J: after "Найти приводы"
  # Ctrl+Alt+E is free again and Ctrl+Alt+J the program's.
  wine reg add "$dvd" /v HotKeys /t REG_BINARY /d "$(hotkeys_value 0x064A 0x0643 0 0 0 0 0x0648)" /f >/dev/null
  driver send 105 >/dev/null
  wait_for 60 log_settled
  holder "$WORK/holder2.txt" 5 $CTRL_ALT $VK_D $CTRL_ALT $VK_E $CTRL_ALT $VK_J
  wait_for 100 grep -q "registered $CTRL_ALT $((VK_J)) " "$WORK/holder2.txt"
  expect "the reader's Ctrl+Alt+D was never registered" holds $CTRL_ALT $VK_D 1 "$WORK/holder2.txt"
  expect "the replaced Ctrl+Alt+E was given back by the reload" holds $CTRL_ALT $VK_E 1 "$WORK/holder2.txt"
  expect "the new Ctrl+Alt+J is the program's" holds $CTRL_ALT $VK_J 0 "$WORK/holder2.txt"
  wait "$HOLDER_JOB"  # the second holder ends after its 5 s and frees its keys
  xdotool mousemove 600 500 click 1
  sleep 0.5
  control "{\"drive\":$DVD,\"action\":\"close\"}"
  m=$(mark)
  xdotool key ctrl+alt+j
  expect "Ctrl+Alt+J now ejects the DVD drive" wait_for 50 unloaded "$m" $DVD
  sleep 0.5
  expect "with the eject code" test "$(at "$m" loads $DVD)" = 2
}

journey_4() {
  journey 4 "drive settings: the writer's list and its hotkeys"
  clean_state
  VARNEL_SIM_DELAYS=$DISCOVERY_DELAYS start_and_settle
  xdotool mousemove 500 300 click 1
  open_menu 1
  read -r _ t0 _ b0 <<<"$(popup_rect)"
  close_menu
  m=$(mark)
  xdotool key ctrl+alt+k
  sleep 1
  expect "before it is bound, Ctrl+Alt+K moves no drive" test -z "$(at "$m" loads)"
  reader_list_cut_short
  expect "the writer's settings open from the main menu" open_dialog $WRITER
  jshot writer_settings
  layout_ok writer_settings
  click 164  # "Удалить все": the run fills the list anew
  m=$(mark)
  click 135  # "Быстрый"
  # Found through the layout listing, which asks the busy program nothing.
  discovering() { driver layout varnel.exe | grep -q '^window .*title="Быстрый перебор".*visible=1'; }
  expect "the fast discovery runs" wait_for 50 discovering
  sleep 2  # painted between two of the run's steps
  jshot fast_discovery
  layout_ok fast_discovery
  expect "the progress window was among them" grep -q 'title="[^"]*Быстрый перебор' "$WORK/journey_${ROW}_4_fast_discovery.txt"
  expect "and ends" wait_for 300 progress_closed 'Быстрый перебор'
  expect "it asked the writer (SET CD SPEED sent)" test -n "$(at "$m" speeds $WRITER)"
  # Keep 8x only: the top row selected and deleted, six times.
  IFS=, read -r l t r b < <(field 145 rect)
  for i in 1 2 3 4 5 6; do
    xdotool mousemove $((l + 30)) $((t + 30)) sleep 0.2 click 1 sleep 0.2
    click 163  # "Удалить"
  done
  click 185; xdotool key ctrl+alt+f  # "Быстрее:"
  click 187; xdotool key ctrl+alt+s  # "Медленнее:"
  click 182; xdotool key ctrl+alt+k  # "Извлечь:"
  sleep 0.5
  jshot only_8x
  layout_ok only_8x
  click 1
  expect "OK closes the dialog" wait_for 50 dialog_closed
  sleep 1
  expect "the writer keeps 8x only" test "$(stored_speeds "$(model_key RW-5232A)" SpeedRangeCD)" = "$READER_8X"
  expect "its HotKeys value begins with Ctrl+Alt+K for eject" \
    bash -c "wine reg query '$(drive_key RW-5232A)' /v HotKeys | tr -d '\r' | grep -qi ' $CTRL_ALT_K_WORD'"
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
  m=$(mark)
  xdotool key ctrl+alt+k
  expect "Ctrl+Alt+K ejects the writer" wait_for 50 unloaded "$m" $WRITER
  sleep 0.5
  expect "alone, with the eject code" test "$(at "$m" loads $WRITER)|$(at "$m" loads $READER)$(at "$m" loads $DVD)$(at "$m" loads $SLOT)" = "2|"
  [ "$ROW" = nt ] && hotkeys_beside_another_program
}

# ---- 5. Password, a locked drive, and clearing the configuration --------------
OTHER_PRODUCT='HKCU\Software\Morbeck Software\Other Product'
asking() { window_up "Введите пароль"; }
not_asking() { ! asking; }
answer() { xdotool type --delay 50 "$1" && xdotool key Return; }
lock_value() { reg_value "$(drive_key CR-4880)\\Lock" Value; }
eject_reader() { open_menu 1 && click_item $(eject_row $READER $SPEEDS); }
journey_5() {
  journey 5 "password, locked drive, clear configuration"
  clean_state
  # Another product of the same maker: clearing leaves its key.
  wine reg add "$OTHER_PRODUCT" /v Kept /t REG_DWORD /d 1 /f >/dev/null
  start_and_settle
  xdotool mousemove 500 300 click 1
  open_menu 3
  read -r _ t0 _ b0 <<<"$(popup_rect)"
  close_menu
  expect "the program settings open from the main menu" open_program_settings
  # Start with Windows, disc autorun off for all users and this one: clearing
  # puts them back.
  for id in 104 118 119; do click_in "Настройки" $id; done
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
  salt=${hash#\$1\$}
  # openssl makes the same scheme independently of the program.
  expect "the password's hash is stored, as openssl makes it ($hash)" \
    test "${hash:0:3}" = '$1$' -a "$(openssl passwd -1 -salt "${salt%%\$*}" 'Journey 5')" = "$hash"
  expect "the reader's settings open" open_dialog $READER
  click 213  # "Запирать привод при закрытии"
  click 1
  expect "they close" wait_for 50 dialog_closed
  expect "the reader is locked" test "$(lock_value)" = 0x1
  m=$(mark)
  eject_reader
  expect "ejecting the locked reader asks for the password" wait_for 50 asking
  jshot eject_password
  layout_ok eject_password
  answer 'wrong'
  sleep 1
  expect "a wrong one keeps asking" asking
  expect "and ejects nothing" test -z "$(at "$m" loads $READER)"
  answer 'Journey 5'
  expect "the right one closes the dialog" wait_for 50 not_asking
  sleep 1
  expect "and ejects the disc" test "$(at "$m" loads $READER)" = 2
  m=$(mark)
  eject_reader
  closed_unasked() { test "$(at "$m" loads $READER)" = 3 && not_asking; }
  expect "the same item then closes the tray without asking" wait_for 30 closed_unasked
  m=$(mark)
  eject_reader
  expect "the next eject asks again" wait_for 50 asking
  xdotool key Escape
  expect "Escape cancels" wait_for 30 not_asking
  sleep 0.5
  expect "and nothing is ejected" test -z "$(at "$m" loads $READER)"
  # Unlocking in the reader's settings asks for the password too.
  expect "the reader's settings open again" open_dialog $READER
  click 213
  expect "unchecking the lock asks for the password" wait_for 50 asking
  jshot unlock_password
  answer 'wrong'
  sleep 1
  expect "a wrong one is refused" asking
  xdotool key Escape
  expect "Escape gives up" wait_for 50 not_asking
  click 1
  expect "OK closes the settings" wait_for 50 dialog_closed
  sleep 1
  expect "the reader stays locked" test "$(lock_value)" = 0x1
  open_dialog $READER
  click 213
  wait_for 50 asking
  answer 'Journey 5'
  expect "the right one is taken" wait_for 50 not_asking
  click 1
  wait_for 50 dialog_closed
  lock_off() { test "$(lock_value)" = 0x0; }
  expect "and the lock is off once OK is pressed" wait_for 30 lock_off
  choose_main 4 2  # "Очистить конфигурацию"
  expect "clearing asks for the password" wait_for 50 asking
  answer 'wrong'
  sleep 1
  xdotool key Escape
  expect "a wrong one, then Escape, closes the question" wait_for 50 not_asking
  sleep 1
  expect "and removes nothing" key_exists "$key\\Lock"
  choose_main 4 2
  wait_for 50 asking
  answer 'Journey 5'
  expect "the right one leads to the question" wait_for 50 window_up "Varnel"
  sleep 0.5
  jshot clear_question
  layout_ok clear_question
  click_in "Varnel" 1
  cleared() { ! key_exists "$key" && key_exists "$OTHER_PRODUCT"; }
  expect "the program's keys are gone, the other product's stays" wait_for 30 cleared
  local user_autorun=0x95
  [ "$ROW" = win98 ] && user_autorun=95000000
  expect "no Run value, no autorun value for all users, the current user's CD-ROM bit clear again, audio CDs play" \
    test "$(reg_entry "$RUN_KEY" Varnel)|$(reg_entry "HKLM\\$POLICY" NoDriveTypeAutoRun)|$(reg_value "HKCU\\$POLICY" NoDriveTypeAutoRun)|$(reg_entry "$AUDIO_VERB" "")" = "||$user_autorun|REG_SZ play"
  wine reg delete "$OTHER_PRODUCT" /f >/dev/null 2>&1
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
  # A right click while the box is open: no menu, and the box comes to the
  # front, where Escape reaches it.
  xdotool mousemove 700 150 click 1  # the desktop beside the box takes the foreground
  click_icon 3
  sleep 1
  jshot right_click_with_dialog
  expect "a right click with a dialog open opens no menu" menu_closed
  local l t r b
  read -r l t r b < <(listing | grep -m1 "^window .*title=\"[^\"]*$information[^\"]*\".*visible=1" |
    sed 's/.*rect=\([-0-9]*\),\([-0-9]*\),\([-0-9]*\),\([-0-9]*\).*/\1 \2 \3 \4/')
  xdotool mousemove $(((l + r) / 2)) $(((t + b) / 2)) sleep 0.3 key Escape
  expect "the click brought the box to the front (Escape closed it)" wait_for 30 window_gone "$information"
  open_menu 3
  jshot main_menu_cleared
  read -r _ t1 _ b1 <<<"$(popup_rect)"
  close_menu
  expect "the main menu has lost its four drive items ($((b0 - t0)) -> $((b1 - t1)) pixels)" test $((b0 - t0 - (b1 - t1))) = 64
  [ "$ROW" = nt ] && clear_as_standard_user
}
# A standard user with autorun off for everyone: clearing says what it
# could not put back (Wine checks the machine policy key's access list).
clear_as_standard_user() {
  wine reg add "HKLM\\$POLICY" /v NoDriveTypeAutoRun /t REG_DWORD /d 0xb5 /f >/dev/null
  driver machine-policy user
  choose_main 4 2
  english_question() { listing | grep -q 'Remove the settings from the registry?'; }
  expect "cleared, the program asks in English, the language of the prefix" wait_for 50 english_question
  click_in "Varnel" 1
  not_restored() { listing | grep -q 'administrator rights are needed'; }
  expect "a standard user's clearing says not every system setting was put back" wait_for 50 not_restored
  jshot clear_standard_user
  click_in "Varnel" 1
  expect "all users' autorun stays off" test "$(reg_value "HKLM\\$POLICY" NoDriveTypeAutoRun)" = 0xb5
  driver machine-policy admin
  maker_gone() { ! key_exists 'HKCU\Software\Morbeck Software'; }
  expect "cleared again, the empty maker key goes too" wait_for 30 maker_gone
}

# ---- 6. The program settings: autostart hidden, disc autorun, the timer -------
# The program's groups laid out as designed, and no control it placed left
# hidden; the listing is kept beside the screenshots.
settings_layout_ok() { # step
  listing >"$WORK/journey_${ROW}_${JOURNEY}_$1_groups.txt"
  driver check-layout varnel.exe all-shown
}
control_enabled() { listing | grep -q "id=$1 .*enabled=$2"; }

# The export of the settings (NT row). The registry editor the shell finds
# first is a stand-in that records its command line (Wine's own knows "/e"
# but not "/ea"): Wine's shell looks in system32 first, so the stand-in takes
# the place of Wine's editor there until the program has ended.
editor_stand_in() {
  SYSTEM32=$WINEPREFIX/drive_c/windows/system32
  # A 32-bit program's system32 is syswow64 in a 64-bit prefix.
  [ -d "$WINEPREFIX/drive_c/windows/syswow64" ] && SYSTEM32=$WINEPREFIX/drive_c/windows/syswow64
  RECORD=$SYSTEM32/start_record.txt
  rm -f "$RECORD"
  mv "$SYSTEM32/regedit.exe" "$SYSTEM32/regedit.exe.wine"
  cp "$VARNEL_RECORD_START" "$SYSTEM32/regedit.exe"
  mkdir -p "$WINEPREFIX/drive_c/export dir"
}
export_chosen() {
  click_in "Настройки" 123  # "Сохранять копию настроек в файл"
  expect "the copy-to-file box opens the Save-As dialog" wait_for 50 window_up "Save"
  sleep 0.5
  jshot save_as
  xdotool key ctrl+a type --delay 30 'C:\export dir\varnel copy.reg'
  xdotool key Return
  expect "the Save-As dialog closes" wait_for 50 window_gone "Save"
}
export_asked() {
  local wanted='/ea "C:\export dir\varnel copy.reg" "HKEY_CURRENT_USER\Software\Morbeck Software\Varnel\2.5"' started
  expect "the file is stored (SavePath)" test "$(reg_entry "$key" SavePath)" = 'REG_SZ C:\export dir\varnel copy.reg'
  expect "after OK the registry editor is asked for the export" wait_for 50 test -f "$RECORD"
  started=$(head -1 "$RECORD" 2>/dev/null | tr -d '\r')
  expect "with exactly the export's parameters ($started)" bash -c '[[ "$1" == *"$2" ]]' _ "$started" "$wanted"
  rm -f "$RECORD"
}
# Wine's own editor with "/e": the file holds every value and drive key.
wine_editor_exports_all() {
  local real missing
  mv -f "$SYSTEM32/regedit.exe.wine" "$SYSTEM32/regedit.exe"
  wine regedit /e 'C:\export dir\real.reg' 'HKEY_CURRENT_USER\Software\Morbeck Software\Varnel\2.5' >/dev/null 2>&1
  real=$WINEPREFIX/drive_c/export\ dir/real.reg
  iconv -f UTF-16 -t UTF-8 "$real" 2>/dev/null | tr -d '\r' >"$WORK/real.reg" || cp "$real" "$WORK/real.reg"
  missing=$(wine reg query "$key" /s | tr -d '\r' | awk '
    /^HKEY_/ { print "[" $0 "]"; next }
    NF >= 3 && /REG_/ { print "\"" $1 "\"=" }' | while read -r line; do
      grep -qiF "$line" "$WORK/real.reg" || echo "$line"; done)
  expect "Wine's editor exports every value and drive key ($(grep -c '^\[' "$WORK/real.reg") keys)" test -z "$missing"
  [ -n "$missing" ] && echo "$missing" | head
  # The copy is no longer wanted: the program's later ends ask no editor.
  wine reg delete "$key" /v SavePath /f >/dev/null 2>&1
}
# A standard user (Wine checks the machine policy key's access list): the
# all-users switch is grey, and Cancel keeps nothing clicked.
standard_user_settings() { # run-value
  grey_box_says() { listing | grep -q "id=118 text=\"[^\"]*\\\\n$1\" .*enabled=0"; }
  driver machine-policy user
  expect "a standard user: the settings open" open_program_settings
  sleep 1
  jshot settings_standard_user
  expect "the all-users box is grey and says why" grey_box_says "(нужны права администратора)"
  expect "the current user's box stays usable" control_enabled 119 1
  expect "the two-line box fits its group" settings_layout_ok standard_user
  for id in 130 104 143; do click_in "Настройки" $id; done  # numbered names, start with Windows, eject at the end
  click_in "Настройки" 2
  expect "Cancel closes the settings" wait_for 50 window_gone "Настройки"
  expect "and keeps NumNames on, DNEject off and the Run value" \
    test "$(reg_value "$key" NumNames) $(reg_value "$key" DNEject)|$(reg_value "$RUN_KEY" Varnel)" = "0x1 0x0|$1"
  driver machine-policy admin
}
# The timer's automatic close: the open tray closed, the icon blinking until then.
autoclose_ok() { # seconds
  local steady blinks=0 closed_after now=journey_${ROW}_6_autoclose_now
  xdotool mousemove 500 300
  steady=$(tray_signature "journey_${ROW}_6_autoclose_before")
  m=$(mark)
  control "{\"drive\":$READER,\"action\":\"open\"}"
  rm -f "$SHOTS/journey_${ROW}_6_autoclose_blink.png"
  for _ in $(seq 80); do
    if [ "$(tray_signature "$now")" != "$steady" ]; then
      blinks=$((blinks + 1))
      cp "$SHOTS/$now.png" "$SHOTS/journey_${ROW}_6_autoclose_blink.png"
    fi
    # START STOP UNIT to the reader, read without python: the pictures are
    # sampled as often as a loaded machine allows.
    tail -n +$((m + 1)) "$VARNEL_SIM_LOG" | grep -q "^{\"drive\":$READER,.*\"cdb\":\"1b " && break
    sleep 0.2
  done
  rm -f "$SHOTS/$now.png"
  tray_closed() { test "$(at "$m" loads $READER)" = 3; }
  expect "the open tray is closed by the program (START STOP UNIT load)" wait_for 30 tray_closed
  # Timed by the drives' clock: the pictures above take a loaded machine
  # seconds each.
  closed_after=$(closed_after_ms "$m" $READER)
  expect "about $1 s after it was seen open (at most 5 s to be seen, ${closed_after} ms)" \
    test "${closed_after:-0}" -ge $(($1 * 1000 - 500)) -a "${closed_after:-0}" -le $(($1 * 1000 + 7000))
  expect "the icon blinked before the close ($blinks changed pictures)" test "$blinks" -ge 1
  steady_again() { test "$(tray_signature "journey_${ROW}_6_autoclose_closed")" = "$steady"; }
  expect "and shows its steady picture after it" wait_for 100 steady_again
}
journey_6() {
  journey 6 "program settings: autostart hidden, disc autorun, the timer"
  clean_state
  start_and_settle
  xdotool mousemove 500 300 click 1
  open_menu 1
  read -r _ t0 _ b0 <<<"$(popup_rect)"
  close_menu
  [ "$ROW" = nt ] && editor_stand_in
  expect "the program settings open" open_program_settings
  [ "$ROW" = nt ] && export_chosen
  # Drive names on top, start with Windows hidden, disc autorun off for all
  # users and this one, the timer with a 5-second close.
  for id in 132 104 106 118 119 109 114; do click_in "Настройки" $id; done
  jshot autostart_hidden
  expect "every control inside its group, two columns above OK and Cancel" settings_layout_ok autostart_hidden
  expect "the audio CD box is grey from XP on, usable on Windows 98" control_enabled 120 "$([ "$ROW" = nt ] && echo 0 || echo 1)"
  click_in "Настройки" 1
  expect "the settings close" wait_for 50 window_gone "Настройки"
  command_line=$(reg_value "$RUN_KEY" Varnel)
  expect "the Run value starts the program with /hide ($command_line)" bash -c "[[ '$command_line' == *varnel.exe\ /hide ]]"
  local all_users="REG_DWORD 0xb5" this_user=0xb5 autorun_now
  [ "$ROW" = win98 ] && all_users="REG_BINARY B5000000" this_user=B5000000
  autorun_now="$(reg_entry "HKLM\\$POLICY" NoDriveTypeAutoRun)|$(reg_value "HKCU\\$POLICY" NoDriveTypeAutoRun)|$(reg_entry "$AUDIO_VERB" "")"
  expect "disc autorun is off for all users ($all_users) and for this one, audio CDs still play ($autorun_now)" \
    test "$autorun_now" = "$all_users|$this_user|REG_SZ play"
  expect "TopNames, TimerEnable and a 5000 ms TimerAutoclose are stored, EjectSingle untouched" \
    test "$(reg_value "$key" TopNames) $(reg_value "$key" TimerEnable) $(reg_value "$key" TimerAutoclose) $(reg_value "$key" EjectSingle)" = "0x1 0x1 0x1388 0x1"
  [ "$ROW" = nt ] && export_asked
  open_menu 1
  jshot drive_menu_top_names
  read -r l1 t1 r1 b1 <<<"$(popup_rect)"
  # A name row above each section makes the four drives taller than the
  # screen: each drive gets a submenu of its own instead.
  expect "with names on top the drive menu is one row per drive ($((b0 - t0)) -> $((b1 - t1)) pixels)" test $((b1 - t1)) = 70
  if [ "$ROW" = nt ]; then
    # The reader's submenu, opened by resting on its row; then its 8x.
    xdotool mousemove $(((l1 + r1) / 2)) $((t1 + 3 + 8)) sleep 1
    read -r l t r b <<<"$(driver popups | tr -d '\r' | awk -v left="$l1" '$2 != left { print $2, $3, $4, $5; exit }')"
    xdotool mousemove $(((l + r) / 2)) $((t + 3 + 16 * 6 + 8)) sleep 0.3 click 1  # 48 40 32 24 16 12 [8]x
    expect "a speed picked exports again" wait_for 50 test -f "$RECORD"
    rm -f "$RECORD"
    standard_user_settings "$command_line"
  else
    close_menu
  fi
  shown=$(tray_signature "journey_${ROW}_6_before_exit")
  expect "'Выход' ends the program" quit_by_menu
  if [ "$ROW" = nt ]; then
    expect "leaving the program exports once more" wait_for 50 test -f "$RECORD"
    wine_editor_exports_all
  fi
  sleep 1
  empty=$(tray_signature "journey_${ROW}_6_no_program")
  expect "and removes the icon" test "$empty" != "$shown"
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
  autoclose_ok 5
  stop_varnel
  wine reg delete "$RUN_KEY" /v Varnel /f >/dev/null 2>&1
}

# ---- 8. English, for a user whose Windows is not Russian (NT row) ---------------
# Nothing but Cyrillic-free texts in the program's windows.
no_cyrillic() {
  listing | python3 -c 'import sys; sys.exit(any("\u0400" <= c <= "\u04ff" for c in sys.stdin.buffer.read().decode("utf-8", "replace")))'
}
AS_WINDOWS_10='HKCU\Software\Wine\AppDefaults\varnel.exe'
open_english_settings() { choose_main 3 2 && wait_for 50 window_up "Varnel 3.2 - Settings"; }
journey_8() {
  journey 8 "English on an English Windows"
  clean_state
  # No language stored: the program follows the prefix's English locale.
  wine reg delete "$key" /v Language /f >/dev/null 2>&1
  # And Windows 10, as Wine reports it for varnel.exe alone.
  wine reg add "$AS_WINDOWS_10" /v Version /d win10 /f >/dev/null
  start_and_settle
  xdotool mousemove 500 300 click 1
  open_menu 3
  jshot main_menu
  close_menu
  open_menu 1
  jshot drive_menu
  close_menu
  m=$(mark)
  pick_speed $READER 5
  expect "Windows 10: 12x from the menu sends SET CD SPEED 2117 (through SPTI still)" test "$(at "$m" speeds $READER)" = 2117
  choose_main 2 1  # About, Help, -, [Information]
  spti_shown() { listing | grep -q ': SPTI ('; }
  expect "and the information box names SPTI" wait_for 50 spti_shown
  jshot information
  click_in "Information" 1
  wait_for 30 window_gone "Information"
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
  wine reg delete "$AS_WINDOWS_10" /f >/dev/null 2>&1
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
