# Shared steps of the end-to-end tests. Sourced by each *_test.sh, which ctest
# runs with VARNEL_EXE, VARNEL_DRIVER, VARNEL_BUILD and VARNEL_SOURCE set.
set -u
. "$VARNEL_SOURCE/scripts/lib/wine.sh"

. "$VARNEL_SOURCE/tests/harness/prefix_lib.sh"

# The test's own prefix, apart from the unit tests' one: these tests change
# the registry and run programs in a virtual desktop.
e2e_prefix nt
SHOTS=$VARNEL_SOURCE/build/e2e/shots
WORK=$VARNEL_BUILD/e2e/work/$E2E_ID
mkdir -p "$SHOTS" "$WORK"
failures=0

# Without a display (as scripts/test runs them) each test has an Xvfb of its own.
if [ -z "${DISPLAY:-}" ]; then
  varnel_start_xvfb || { echo "no X server"; exit 1; }
  trap 'kill $VARNEL_XVFB_PID 2>/dev/null' EXIT
fi
varnel_start_wineserver 30

# expect DESCRIPTION COMMAND...: one check, reported as ok or FAIL.
# Each line ends with the test's seconds so far: where a slow run spent them.
expect() {
  local what=$1; shift
  if "$@"; then echo "ok   - $what [${SECONDS}s]"; else echo "FAIL - $what [${SECONDS}s]"; failures=$((failures + 1)); fi
}

driver() { wine "$VARNEL_DRIVER" "$@"; }

# The program's registry key.
key='HKCU\Software\Morbeck Software\Varnel\2.5'

# Runs varnel.exe from a folder of its own with one virtual drive per profile
# (comma-separated). The drives log every command to $VARNEL_SIM_LOG and take
# control lines from $VARNEL_SIM_CONTROL, both emptied. Under
# scripts/with-drives the drives are already there, in its server, behind
# Wine's own pass-through (SPTI); otherwise the program finds them through
# the virtual drives' ASPI layer beside it.
use_virtual_drives() { # profiles
  bin=$WORK/bin
  mkdir -p "$bin"
  cp "$VARNEL_EXE" "$bin/"
  VARNEL_EXE=$bin/varnel.exe
  export VARNEL_SIM_LOG=${VARNEL_SIM_LOG:-$WORK/commands.log}
  export VARNEL_SIM_CONTROL=${VARNEL_SIM_CONTROL:-$WORK/control}
  : >"$VARNEL_SIM_LOG"  # emptied, not removed: the drive server keeps it open
  : >"$VARNEL_SIM_CONTROL"
  if [ -n "${VARNEL_DRIVE_SOCKET:-}" ]; then
    rm -f "$bin/wnaspi32.dll"
    return
  fi
  cp "$VARNEL_ASPI_DLL" "$bin/"
  export WINEDLLOVERRIDES="wnaspi32=n;$WINEDLLOVERRIDES"
  export VARNEL_SIM_PROFILES=$1
}

# Questions about the command log (see command_log.py); "mark" is its
# length now, "at MARK ..." asks about what came after it.
log() { python3 "$VARNEL_SOURCE/tests/e2e/command_log.py" "$VARNEL_SIM_LOG" "$@"; }
mark() { log lines; }
at() { local m=$1; shift; python3 "$VARNEL_SOURCE/tests/e2e/command_log.py" "$VARNEL_SIM_LOG@$m" "$@"; }
# True once the drives have been left alone for a second.
log_settled() { local a b; a=$(log lines); sleep 1; b=$(log lines); [ "$a" = "$b" ]; }
control() { echo "$1" >>"$VARNEL_SIM_CONTROL"; }

# Switches to the Russian Windows 98 row: a prefix that reports version 4.10
# and runs in a Russian locale (ANSI code page 1251), with the same virtual
# desktop.
use_win98_ru_prefix() {
  varnel_use_russian_locale "$VARNEL_BUILD" || exit 2
  e2e_prefix win98-ru
  varnel_start_wineserver 30
}

# Forget everything the program stored but its language: Russian, whose
# texts the tests read, while the NT prefix runs in an English locale (where
# the automatic choice is English).
reset_settings() {
  wine reg delete 'HKCU\Software\Morbeck Software' /f >/dev/null 2>&1
  wine reg add "$key" /v Language /t REG_DWORD /d 1049 /f >/dev/null 2>&1
  true
}

# Starts varnel.exe in the background; its exit code lands in $WORK/varnel.rc.
start_varnel() {
  rm -f "$WORK/varnel.rc"
  (wine "$VARNEL_EXE" "$@"; echo $? >"$WORK/varnel.rc") &
  VARNEL_JOB=$!
}

# Waits up to N tenths of a second for a condition command to succeed.
wait_for() { # tenths command...
  local n=$1 i; shift
  for i in $(seq "$n"); do "$@" >/dev/null 2>&1 && return 0; sleep 0.1; done
  return 1
}

varnel_window_exists() { driver find >/dev/null; }

# Starts the prefix's 1024x768 virtual desktop and waits for its taskbar,
# where the program's icon goes.
start_desktop() {
  wine explorer /desktop=Default,1024x768 &
  wait_for 100 taskbar_up
}
taskbar_up() { driver windows explorer.exe | grep -q 'class="Shell_TrayWnd"'; }
varnel_ended() { [ -f "$WORK/varnel.rc" ]; }

# Asks a running copy to quit and waits for it.
stop_varnel() {
  driver post 109 >/dev/null 2>&1
  wait_for 100 varnel_ended
}

# Screenshot of the virtual desktop into build/e2e/shots/NAME.png.
shot() {
  driver screenshot "$WORK/$1.bmp" && convert "$WORK/$1.bmp" "$SHOTS/$1.png" && echo "shot: $SHOTS/$1.png"
}

# ---- The tray icon and its menus --------------------------------------------
# The icon in the notification area at the bottom right of the desktop.
ICON_X=1010
ICON_Y=755
click_icon() { xdotool mousemove "$ICON_X" "$ICON_Y" click "$1"; }
menu_open() { driver popups | grep -q popup; }
menu_closed() { ! menu_open; }
# A real click on a menu item. Wine draws a text row 16 pixels high and a
# separator 9, inside a 3-pixel frame: the item after TEXTS rows and SEPS
# separators from the top of the open menu.
click_item() { # texts seps
  local left top right bottom
  read -r _ left top right bottom < <(driver popups | tr -d '\r' | head -1)
  xdotool mousemove $(((left + right) / 2)) $((top + 3 + 16 * $1 + 9 * $2 + 8)) sleep 0.3 click 1
}
# A click on the desktop beside the menu closes it.
close_menu() { xdotool mousemove 300 300 click 1; wait_for 20 menu_closed; }
# The text of the icon's tooltip, shown while the pointer rests on the icon.
tooltip() {
  xdotool mousemove "$ICON_X" "$((ICON_Y - 40))" sleep 0.3 mousemove "$ICON_X" "$ICON_Y" sleep 1.5
  driver windows explorer.exe | tr -d '\r' | grep -o 'class="tooltips_class32" title="[^"]*" [^ ]* visible=1' |
    sed 's/.*title="\([^"]*\)".*/\1/' | head -1
}

# A signature of the notification area at the right end of the taskbar.
tray_signature() { # shot-name
  shot "$1" >/dev/null && convert "$SHOTS/$1.png" -crop 48x28+976+740 +repage -format '%#' info:
}

finish() {
  wineserver -k 2>/dev/null
  if [ "$failures" -ne 0 ]; then echo "$failures check(s) failed"; exit 1; fi
  echo "all checks passed"
  exit 0
}
