#!/usr/bin/env bash
# A start with corrupt values in the registry, through the real start path
# (Wine's registry, the ASPI transport, two virtual drives): the program
# starts, each corrupt value gives its default and only it, and the saves
# that follow (the settings dialog confirmed, a speed picked) write a tree
# that the next start reads. Every value, corrupted every way, is walked by
# the native corrupt-registry test; this is the same on the real registry.
. "$(dirname "$0")/../harness/e2e_lib.sh"
reset_settings
use_virtual_drives cd48-reader,dvdrom16-streaming
wine reg add "$key" /v ApiPrefered /t REG_DWORD /d 2 /f >/dev/null
wine reg add "$key" /v TimerEnable /t REG_DWORD /d 1 /f >/dev/null
wine reg add "$key" /v IconOpen /t REG_DWORD /d 1 /f >/dev/null

# The type and data of one value, as "REG_DWORD 0x5" (empty when missing).
value() { # key name
  wine reg query "$1" /v "$2" 2>/dev/null | tr -d '\r' | awk -v n="$2" '$1 == n { print $2, $3 }'
}
# A first start stores the drives' capabilities; a speed pick their settings.
start_varnel
expect "the first start shows the window" wait_for 300 varnel_window_exists
wait_for 100 log_settled
driver post $((0x8000 | 1 << 8 | 0 << 4 | 12)) >/dev/null  # drive 0, second speed
sleep 1
stop_varnel
caps=$(wine reg query "$key" | tr -d '\r' | grep -m1 'CR-4880')
settings=$caps\\00
expect "the first start stored the CD drive's keys" test -n "$(value "$settings" SpeedSelectedCD)"

# Corrupt: a number as text, a number too long, the export path as a
# number, the password hash as binary, a capability as text, the drive's
# selected speed as text, its hotkeys as text, its short name as a number.
wine reg add "$key" /v DNTimer /t REG_SZ /d 1 /f >/dev/null
wine reg add "$key" /v TimerAutoclose /t REG_BINARY /d 0100000000000000 /f >/dev/null
wine reg add "$key" /v SavePath /t REG_DWORD /d 65 /f >/dev/null
wine reg add "$key\\Lock" /v Data /t REG_BINARY /d 2431 /f >/dev/null
wine reg add "$caps" /v MaxSpeed /t REG_SZ /d 8467 /f >/dev/null
wine reg add "$settings" /v SpeedSelectedCD /t REG_SZ /d 1411 /f >/dev/null
wine reg add "$settings" /v HotKeys /t REG_SZ /d x /f >/dev/null
wine reg add "$settings" /v ShortName /t REG_DWORD /d 0x41 /f >/dev/null

m=$(mark)
start_varnel
expect "the program starts with corrupt values" wait_for 300 varnel_window_exists
wait_for 100 log_settled
expect "and answers" driver ping 30000
# Enumerating a drive's speeds tries each of its eleven with SET CD SPEED; a
# start that has them stored sends one, the restore.
expect "a capability as text makes the start enumerate the drive's speeds again" \
  test "$(at "$m" count 0xBB 0)" -ge 10
expect "and store its capabilities as numbers again" test "$(value "$caps" MaxSpeed)" = "REG_DWORD 0x2113"

# The settings dialog confirmed saves the program's values: the corrupt
# ones as their defaults, the others as they were.
driver post 106 >/dev/null
wait_for 100 bash -c "wine '$VARNEL_DRIVER' cancel varnel.exe 1 | grep -q 'dialogs [1-9]'"
wait_for 100 bash -c "[ \"\$(wine reg query '$key' /v DNTimer 2>/dev/null | tr -d '\r' | awk '\$1==\"DNTimer\"{print \$2}')\" = REG_DWORD ]"
expect "DNTimer stored as text is saved as its default, 5" test "$(value "$key" DNTimer)" = "REG_DWORD 0x5"
expect "TimerAutoclose of eight bytes is saved as its default, 0" test "$(value "$key" TimerAutoclose)" = "REG_DWORD 0x0"
expect "SavePath stored as a number is saved empty" test "$(value "$key" SavePath)" = "REG_SZ "
expect "the password hash stored as binary is no password" test "$(value "$key\\Lock" Data)" = "REG_SZ "
expect "the values around them are kept (TimerEnable 1, IconOpen 1, ApiPrefered 2)" \
  test "$(value "$key" TimerEnable)$(value "$key" IconOpen)$(value "$key" ApiPrefered)" = \
  "REG_DWORD 0x1REG_DWORD 0x1REG_DWORD 0x2"

# A speed picked saves the drive's settings: its own value, and defaults for
# the hotkeys and the short name.
driver post $((0x8000 | 2 << 8 | 0 << 4 | 12)) >/dev/null  # third speed: 32x, 5645 kB/s
wait_for 50 bash -c "wine reg query '$settings' /v SpeedSelectedCD | grep -q REG_DWORD"
expect "the speed picked is stored as a number" test "$(value "$settings" SpeedSelectedCD)" = "REG_DWORD 0x160d"
expect "the hotkeys stored as text are saved as none" \
  test "$(value "$settings" HotKeys)" = "REG_BINARY 00000000000000000000000000000000000000000000000000000000"
expect "the short name stored as a number is saved empty" test "$(value "$settings" ShortName)" = "REG_BINARY 0000"
stop_varnel
expect "it ends with code 0" test "$(cat "$WORK/varnel.rc" 2>/dev/null)" = 0

# The saved tree reads back: the next start finds nothing to probe again.
m=$(mark)
start_varnel
expect "the next start shows the window" wait_for 300 varnel_window_exists
wait_for 100 log_settled
expect "and enumerates no speeds again (at most the restore's SET CD SPEED)" test "$(at "$m" count 0xBB 0)" -le 2
stop_varnel
finish
