#!/usr/bin/env bash
# "/exit" end to end: the program reaches the virtual drives through its ASPI
# transport, learns them on the first start, leaves their speeds alone while
# discovering on later starts, applies a stored selected speed, and closes
# open trays when asked to at start.
. "$(dirname "$0")/../harness/e2e_lib.sh"
reset_settings

bin=$WORK/bin
mkdir -p "$bin"
cp "$VARNEL_EXE" "$VARNEL_ASPI_DLL" "$bin/"
export WINEDLLOVERRIDES="wnaspi32=n;$WINEDLLOVERRIDES"
export VARNEL_SIM_PROFILES=cd48-reader,cdrw52-writer,dvdrom16-streaming,dvdrw16-roundup
wine reg add "$key" /v ApiPrefered /t REG_DWORD /d 2 /f >/dev/null
log() { python3 "$VARNEL_SOURCE/tests/e2e/command_log.py" "$@"; }

# One "/exit" run, its commands logged to NAME.log: it ends with code 0.
run_once() { # name what
  export VARNEL_SIM_LOG=$WORK/$1.log
  rm -f "$VARNEL_SIM_LOG"
  wine "$bin/varnel.exe" /exit
  local rc=$?
  expect "$2 ends with code 0 (got $rc)" test "$rc" -eq 0
}

run_once first "the first '/exit'"
for drive in 0 1 2 3; do
  expect "drive $drive was asked who it is" test "$(log "$WORK/first.log" count 0x12 $drive)" -ge 1
  expect "drive $drive was probed for speeds" test "$(log "$WORK/first.log" count 0xBB $drive)" -ge 2
done
wine reg query "$key" | tr -d '\r' >"$WORK/keys.txt"
expect "a capability key was stored for each of the four models" test "$(grep -c "^HKEY_CURRENT_USER.*2\.5\\\\" "$WORK/keys.txt")" -ge 4
expect "no window is left behind" bash -c "! wine '$VARNEL_DRIVER' find"

run_once later "a later '/exit'"
expect "a later start sends no SET CD SPEED" test "$(log "$WORK/later.log" count 0xBB)" -eq 0
expect "a later start sends no SET STREAMING" test "$(log "$WORK/later.log" count 0xB6)" -eq 0

# Select 8x (1411 kB/s) on the 48x reader, which runs at full speed.
reader=$(grep -m1 "^HKEY_CURRENT_USER.*CR-4880" "$WORK/keys.txt")
expect "the 48x reader has its key" test -n "$reader"
wine reg add "$reader\\00" /v SpeedSelectedCD /t REG_DWORD /d 1411 /f >/dev/null
wine reg add "$reader\\00" /v ForceRead /t REG_DWORD /d 0 /f >/dev/null
run_once selected "'/exit' with a selected speed"
expect "SET CD SPEED 1411 reached the reader" test "$(log "$WORK/selected.log" speeds 0)" = 1411
expect "no READ(10) with ForceRead off" test "$(log "$WORK/selected.log" count 0x28 0)" -eq 0

wine reg add "$reader\\00" /v ForceRead /t REG_DWORD /d 1 /f >/dev/null
run_once forced "'/exit' with ForceRead"
expect "SET CD SPEED 1411 again" test "$(log "$WORK/forced.log" speeds 0)" = 1411
expect "ForceRead asks READ CAPACITY" test "$(log "$WORK/forced.log" count 0x25 0)" -ge 1
expect "ForceRead reads two single sectors" test "$(log "$WORK/forced.log" reads 0)" = "1 1"

# With CloseOnRun, "/exit" closes the open trays before it applies speeds.
wine reg add "$key" /v CloseOnRun /t REG_DWORD /d 1 /f >/dev/null
export VARNEL_SIM_CONTROL=$WORK/control
printf '%s\n' '{"drive":0,"action":"open"}' '{"drive":2,"action":"open"}' >"$VARNEL_SIM_CONTROL"
run_once closing "'/exit' with CloseOnRun"
unset VARNEL_SIM_CONTROL
expect "the open tray of drive 0 is closed" test "$(log "$WORK/closing.log" loads 0)" = 3
expect "the open tray of drive 2 is closed" test "$(log "$WORK/closing.log" loads 2)" = 3
reset_settings
finish
