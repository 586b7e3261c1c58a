#!/usr/bin/env bash
# Endurance run: STEPS random user and drive actions against varnel.exe with
# four virtual drives under Wine, with faults injected into the drives.
#
#   tests/e2e/endurance_test.sh [STEPS [SEED]]     (default 140, random seed)
#
# The suite runs the short run of 140 steps (under two minutes); by hand,
# after building build/win32 (varnel, varnel-driver, wnaspi32), run 1000 or
# more. The seed is printed first (ENDURANCE_SEED gives one): the same seed
# replays the same actions (their timing is the machine's).
#
# After every step the program must still have its window, its process must
# live, and it must answer a sent WM_NULL within the device time limit (the
# ASPI wait of 30 s, plus 5 s for the rest of the step). At step 100 and at the end the GDI, USER and handle
# counts read from the process (varnel-driver objects) must agree (a count
# that changed is sampled again after 40 more steps, twice at most: Wine
# loads some pictures once, when a control first needs them), and after
# the run the stored settings that no step changes must read back as before.
#
# Menu commands and drive commands are posted with the test driver: a real
# click costs about a second and a half of pointer moves and menu waits, too
# long for a thousand steps. A few steps click the tray icon for real, and
# every open menu is closed by a real click beside it.
set -u
root=$(cd "$(dirname "$0")/../.." && pwd)
STEPS=${1:-140}
SEED=${2:-${ENDURANCE_SEED:-}}
SEED=${SEED:-$(( $(date +%s%N) % 32768 ))}
: "${VARNEL_SOURCE:=$root}"
: "${VARNEL_BUILD:=$root/build/win32}"
: "${VARNEL_EXE:=$VARNEL_BUILD/varnel.exe}"
: "${VARNEL_DRIVER:=$VARNEL_BUILD/tests/harness/testdriver/varnel-driver.exe}"
: "${VARNEL_ASPI_DLL:=$VARNEL_BUILD/sim/wnaspi32/wnaspi32.dll}"
export VARNEL_SOURCE VARNEL_BUILD VARNEL_EXE VARNEL_DRIVER VARNEL_ASPI_DLL
. "$VARNEL_SOURCE/tests/harness/e2e_lib.sh"

echo "endurance: $STEPS steps, seed $SEED (replay: $0 $STEPS $SEED)"
RANDOM=$SEED

DEVICE_LIMIT_MS=30000  # the ASPI transport's wait for one command
# A drive that does not answer holds the program for that whole wait; the
# step's other commands come on top, so the answer may take a little longer.
PING_LIMIT_MS=$((DEVICE_LIMIT_MS + 5000))
# Each silence costs the device time limit in real time: a few per run.
SILENCES_LEFT=$((STEPS >= 200 ? STEPS / 100 : 1))
PROFILES=(cd48-reader cdrw52-writer dvdrom16-streaming slot24-combo)
LETTERS=(D E F G)
MASKS=(0x8 0x10 0x20 0x40)  # unit-mask bits of D: to G:
MEDIA=(data-cd audio-cd mixed-cd cd-r cd-rw dvd-rom dvd-r dvd+r dvd-rom-dl)
OPCODES=(any 0x00 0x12 0x1B 0x25 0x28 0x42 0x43 0x46 0x5A 0xAC 0xB6 0xBB)
reset_settings
use_virtual_drives "$(IFS=,; echo "${PROFILES[*]}")"
wine reg add "$key" /v ApiPrefered /t REG_DWORD /d 2 /f >/dev/null
wine reg add "$key" /v TimerEnable /t REG_DWORD /d 1 /f >/dev/null
wine reg add "$key" /v TimerAutoclose /t REG_DWORD /d 5000 /f >/dev/null
wine reg add "$key" /v IconOpen /t REG_DWORD /d 1 /f >/dev/null
for t in 0 1 2 3; do driver letter "$t" "${LETTERS[$t]}"; done

# A random number below N in R, drawn in this shell: a $(...) would draw in a
# subshell and leave the sequence of the seed where it was.
rnd() { R=$((RANDOM % $1)); }
dialogs_shown() { driver cancel varnel.exe | tr -d '\r' | awk '{print $2}'; }
objects() { driver objects varnel.exe | tr -d '\r'; }

declare -A done_count=() fault_count=()
# A command posted and the answer to the WM_NULL sent after it, in one Wine
# start: the step's liveness check.
post_and_ping() { # command [lparam]
  ANSWER=$(driver ping "$PING_LIMIT_MS" "$@" | tr -d '\r')
}
# Every step and its answer time go to steps.log.
count() { done_count[$1]=$((${done_count[$1]:-0} + 1)); LAST="$1"; }
fault() { # kind drive json-fields
  fault_count[$1]=$((${fault_count[$1]:-0} + 1))
  LAST="fault $1 on drive $2"
  control "{\"drive\":$2,\"action\":\"fault\",\"fault\":{$3}}"
}

# A menu opened by a posted command or a real click on the icon, closed by a
# real click on the desktop beside it.
menu_step() { # how [command]
  if [ "$1" = click ]; then
    xdotool mousemove "$ICON_X" "$ICON_Y" click $((RANDOM % 2 ? 1 : 3))
  else
    driver post "${2:-$((100 + RANDOM % 2))}" >/dev/null
  fi
  # A drive menu first refreshes every drive: with a fault storm that takes a while.
  if wait_for 100 menu_open; then
    xdotool mousemove 300 300 click 1
    wait_for 30 menu_closed || return 1
  else
    dialogs_shown >/dev/null  # with no drives the drive menu is the information box
  fi
  return 0
}

# A dialog opened by its command and cancelled as soon as it shows.
dialog_step() { # command
  local n shown=0
  driver post "$1" >/dev/null
  for n in $(seq 100); do
    if [ "$(dialogs_shown)" != 0 ]; then shown=1; elif [ $shown = 1 ]; then return 0; fi
    sleep 0.1
  done
  # A drive command with no such drive, or a drive menu with no drives, shows none.
  [ $shown = 0 ]
}

# One random action. Weights: drive commands and hands on the drives most,
# then faults, menus, notices and dialogs (a dialog costs about two seconds).
step() {
  local d r a param op
  rnd 4; d=$R
  rnd 100; r=$R
  if [ "$r" -lt 24 ]; then  # a drive command as the drive menu and hotkeys send it
    local actions=(1 2 3 4 5 6 7 12 12 12)
    rnd 10; param=$R
    rnd ${#actions[@]}; a=${actions[$R]}
    post_and_ping $((0x8000 | param << 8 | d << 4 | a))
    count "drive command"
  elif [ "$r" -lt 44 ]; then  # a person at the drive
    rnd 7
    case $R in
      0) rnd ${#MEDIA[@]}
         control "{\"drive\":$d,\"action\":\"insert\",\"medium\":\"${MEDIA[$R]}\"}"
         driver volume 0x8000 "${MASKS[$d]}" 1 >/dev/null; count "disc inserted" ;;
      1) control "{\"drive\":$d,\"action\":\"remove\"}"
         driver volume 0x8004 "${MASKS[$d]}" 1 >/dev/null; count "disc removed" ;;
      2) control "{\"drive\":$d,\"action\":\"open\",\"force\":true}"; count "tray opened by hand" ;;
      3) control "{\"drive\":$d,\"action\":\"close\"}"; count "tray closed by hand" ;;
      4) control "{\"drive\":$d,\"action\":\"play\"}"; count "audio play" ;;
      5) control "{\"drive\":$d,\"action\":\"stop\"}"; count "audio stop" ;;
      6) control "{\"drive\":$d,\"action\":\"unitAttention\"}"; count "unit attention" ;;
    esac
  elif [ "$r" -lt 50 ]; then  # power back after sleep, and the wake notice
    control "{\"drive\":$d,\"action\":\"powerReset\"}"
    driver power 7 >/dev/null
    count "power reset and wake"
  elif [ "$r" -lt 66 ]; then  # faults in the drive
    rnd ${#OPCODES[@]}; op=${OPCODES[$R]}
    rnd 5
    case $R in
      0) fault "NOT READY storm" "$d" "\"opcode\":\"any\",\"senseKey\":2,\"asc\":4,\"ascq\":1,\"count\":$((10 + RANDOM % 40))" ;;
      1) if [ "$SILENCES_LEFT" -gt 0 ]; then
           SILENCES_LEFT=$((SILENCES_LEFT - 1))
           fault "no answer" "$d" "\"opcode\":\"any\",\"noAnswer\":true,\"count\":1"
         fi ;;
      2) fault "garbage answer" "$d" "\"opcode\":\"$op\",\"garbage\":true,\"count\":$((1 + RANDOM % 3))" ;;
      3) fault "short answer" "$d" "\"opcode\":\"$op\",\"shortData\":$((RANDOM % 9)),\"count\":$((1 + RANDOM % 3))" ;;
      4) fault "short sense" "$d" "\"opcode\":\"$op\",\"senseKey\":6,\"asc\":41,\"ascq\":0,\"senseLength\":$((RANDOM % 14)),\"count\":$((1 + RANDOM % 3))" ;;
    esac
  elif [ "$r" -lt 78 ]; then
    rnd 8
    if [ "$R" = 0 ]; then menu_step click; count "menu by a real click"
    else menu_step post; count "menu by command"; fi || return 1
  elif [ "$r" -lt 90 ]; then  # notices and timers, as the system and the timer post them
    rnd 5
    case $R in
      0) post_and_ping 110 "${MASKS[$d]}" ;;
      1) post_and_ping 111 ;;
      2) post_and_ping 112 ;;
      3) post_and_ping 113 ;;
      4) driver post 200 >/dev/null && post_and_ping 201 ;;  # hidden and shown again
    esac
    count "notice or tick"
  elif [ "$r" -lt 92 ]; then
    post_and_ping 105; count "drives found again"
  else  # about, information, settings, clear configuration, drive settings: cancelled
    local dialogs=(102 104 106 108 $((0x8000 | d << 4)))
    rnd ${#dialogs[@]}
    dialog_step "${dialogs[$R]}" || return 1
    count "dialog opened and cancelled"
  fi
  return 0
}

# The program's state with no menu or dialog open and the drives left alone
# (up to 20 s: a fault storm may keep them busy), for the object counts.
settle() {
  control '{"action":"clearFaults"}'
  local d
  for d in 1 2 3; do control "{\"drive\":$d,\"action\":\"clearFaults\"}"; done
  [ "$(dialogs_shown)" = 0 ] || sleep 3
  menu_closed || { xdotool mousemove 300 300 click 1; sleep 0.5; }
  wait_for 20 log_settled
  objects
}

# Once on a busy machine the export wrote nothing right after the program
# ended: it is tried three times, and what reg said is shown if it never is.
export_settings() { # file
  local attempt
  for attempt in 1 2 3; do
    rm -f "$1"
    wine reg export 'HKCU\Software\Morbeck Software' "$(winepath -w "$1")" /y >"$WORK/reg-export.txt" 2>&1
    [ -s "$1" ] && return 0
    sleep 1
  done
  echo "reg export wrote no $1: $(tr -d '\r' <"$WORK/reg-export.txt")"
  return 1
}

start_desktop
start_varnel
expect "the program starts" wait_for 300 varnel_window_exists
wait_for 100 log_settled
# Every drive has a selected speed, so that restores have work to do.
for d in 0 1 2 3; do driver post $((0x8000 | 2 << 8 | d << 4 | 12)) >/dev/null; done
wait_for 50 log_settled
export_settings "$WORK/before.reg"
# Each menu and dialog once before the run (every drive's dialog): what the
# first opening loads for good (fonts, dialog classes, the rich-edit
# library) is then in the counts
# at step 100 whatever the seed drew before it.
menu_step post 100 && menu_step post 101
for c in 102 104 106 108 $((0x8000)) $((0x8010)) $((0x8020)) $((0x8030)); do dialog_step "$c"; done

started=$(date +%s)
slowest=0
failed_at=
at100=
last_step=0
: >"$WORK/steps.log"
run_steps() { # first last; stops at the first failure (failed_at)
  local i
  for i in $(seq "$1" "$2"); do
    last_step=$i
    LAST=
    ANSWER=
    if ! step; then failed_at="$i (a menu or dialog did not close)"; break; fi
    if varnel_ended; then failed_at="$i (the process ended, code $(cat "$WORK/varnel.rc"))"; break; fi
    answer=${ANSWER:-$(driver ping "$PING_LIMIT_MS" | tr -d '\r')}
    echo "$i $LAST: $answer" >>"$WORK/steps.log"
    [ -n "${ENDURANCE_OBJECTS_EVERY:-}" ] && [ $((i % ENDURANCE_OBJECTS_EVERY)) = 0 ] && echo "$i $(objects)" >>"$WORK/steps.log"
    case $answer in
      answered*) ms=$(echo "$answer" | awk '{print $3}'); [ "$ms" -gt "$slowest" ] && slowest=$ms ;;
      *) failed_at="$i (no answer: ${answer:-no window})"; break ;;
    esac
    [ $((i % 100)) = 0 ] && echo "step $i: $(($(date +%s) - started)) s, slowest answer $slowest ms"
    if [ "$i" = 100 ]; then at100=$(settle); echo "objects at step 100: $at100"; fi
  done
}
run_steps 1 "$STEPS"
[ -n "$failed_at" ] && tail -5 "$WORK/steps.log"
expect "no crash and no hang over the device time limit ($DEVICE_LIMIT_MS ms, $PING_LIMIT_MS with the step) in $STEPS steps${failed_at:+ (failed at step $failed_at)}" \
  test -z "$failed_at"
atend=$(settle)
echo "objects at the end: $atend"
# Wine loads a few pictures for good the first time a control needs them
# (seen: four or six bitmaps at the first opening of the information box or
# a drive's dialog in a state the run had not shown before), so a count
# that changed is sampled again after 40 more steps, twice at most: a leak
# keeps growing, what Wine loads once does not.
counts() { echo "$1" | cut -d' ' -f1-6; }
if [ -n "$at100" ] && [ -z "$failed_at" ]; then
  since=100 before=$at100 stretches=0
  while [ "$(counts "$atend")" != "$(counts "$before")" ] && [ $stretches -lt 2 ] && [ -z "$failed_at" ]; do
    stretches=$((stretches + 1))
    since=$last_step before=$atend
    run_steps $((last_step + 1)) $((last_step + 40))
    atend=$(settle)
    echo "objects after step $last_step: $atend"
  done
  expect "GDI, USER and handle counts at step $last_step as at step $since${failed_at:+ (failed at step $failed_at)}" \
    test "$(counts "$atend")" = "$(counts "$before")" -a -z "$failed_at"
fi

echo "steps done: $last_step in $(($(date +%s) - started)) s; slowest answer $slowest ms"
for k in "${!done_count[@]}"; do printf '  %-28s %d\n' "$k" "${done_count[$k]}"; done | sort
total=0
for k in "${!fault_count[@]}"; do total=$((total + fault_count[$k])); done
echo "faults injected: $total"
for k in "${!fault_count[@]}"; do printf '  %-28s %d\n' "$k" "${fault_count[$k]}"; done | sort

stop_varnel
expect "'Выход' at the end ends the program with code 0" test "$(cat "$WORK/varnel.rc" 2>/dev/null)" = 0
export_settings "$WORK/after.reg"
expect "the stored settings no step changes read back intact" \
  python3 "$VARNEL_SOURCE/tests/e2e/compare_settings.py" "$WORK/before.reg" "$WORK/after.reg"
finish
