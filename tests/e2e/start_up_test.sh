#!/usr/bin/env bash
# Start-up: the command-line switches and the hand-over to a running copy.
. "$(dirname "$0")/../harness/e2e_lib.sh"
reset_settings

# A listener poses as the running copy and prints the command it receives.
# It waits long enough for a slow start on a loaded machine; a copy that
# missed it would start for real and stay, so the copy is given a minute.
handover() { # expected-command varnel-args...
  local expected=$1; shift
  local out=$WORK/listen.out
  driver listen 60 1 >"$out" &
  local listener=$!
  wait_for 50 grep -q listening "$out"
  local start end
  start=$(date +%s%N)
  timeout 60 wine "$VARNEL_EXE" "$@"
  local rc=$?
  end=$(date +%s%N)
  wait "$listener"
  expect "'varnel.exe $*' ends with code 0 (got $rc)" test "$rc" -eq 0
  expect "'varnel.exe $*' ends within 2 s ($(((end - start) / 1000000)) ms)" test $(((end - start) / 1000000)) -lt 2000
  expect "'varnel.exe $*' hands over command $expected" grep -q "^command $expected 0\b" "$out"
}
handover 201
handover 200 /HIDE
handover 201 /hide x

# "/exit" neither looks for the running copy nor makes a window.
out=$WORK/listen.out
driver listen 4 1 >"$out" &
listener=$!
wait_for 50 grep -q listening "$out"
timeout 60 wine "$VARNEL_EXE" /Exit
rc=$?
wait "$listener"
expect "'/Exit' beside a running copy ends with code 0 (got $rc)" test "$rc" -eq 0
expect "'/Exit' sends nothing to the running copy" bash -c "! grep -q command '$out'"

# A trailing blank is no switch: the program starts and stays.
start_varnel "/exit "
expect "'/exit ' starts the program with its window" wait_for 100 varnel_window_exists
expect "'/exit ' keeps running" bash -c "sleep 1; [ ! -f '$WORK/varnel.rc' ]"
shot start_up_running
driver windows varnel.exe >"$WORK/windows.txt"
expect "the main window is the hidden 'Varnel'" grep -Eq 'class="Varnel" title="Varnel" rect=[-0-9,]+ visible=0' "$WORK/windows.txt"

# The icon sits in the notification area; "/hide" from a second copy takes
# it away and a plain second start brings it back.
sleep 1
shown=$(tray_signature tray_shown)
timeout 60 wine "$VARNEL_EXE" /hide
sleep 1
hidden=$(tray_signature tray_hidden)
expect "a second copy with '/hide' removes the tray icon" test "$shown" != "$hidden"

# A real second copy finds the real first one.
start=$(date +%s%N)
timeout 60 wine "$VARNEL_EXE"
rc=$?
ms=$((($(date +%s%N) - start) / 1000000))
expect "a second copy ends with code 0 within 2 s (rc $rc, $ms ms)" test "$rc" -eq 0 -a "$ms" -lt 2000
expect "the first copy still runs" varnel_window_exists
sleep 1
expect "a plain second start shows the icon again" test "$(tray_signature tray_shown_again)" = "$shown"

stop_varnel
expect "command 109 ends the program with code 0" test "$(cat "$WORK/varnel.rc" 2>/dev/null)" = 0
expect "no Varnel window is left" bash -c "! wine '$VARNEL_DRIVER' find"
finish
