#!/usr/bin/env bash
# Shows the drive settings dialog in a Wine virtual desktop as on a Russian
# Windows, checks its layout with the CD list and with the DVD list shown,
# and saves screenshots to build/e2e/shots/drive_settings_<list>.png (NT
# family) and drive_settings_<list>_win98.png (Windows 98, the ANSI row).
#   shoot_drive_settings.sh BUILD_TREE DRIVE_SETTINGS_SHOT_EXE
set -u
tree=$(cd "$1" && pwd) exe=$(cd "$(dirname "$2")" && pwd)/$(basename "$2")
root=$(cd "$(dirname "$0")/../../.." && pwd)
. "$root/scripts/lib/wine.sh"
# Prefixes of its own, copies of the end-to-end tests' templates, so that it
# runs beside the win32 suite and the other end-to-end tests.
VARNEL_BUILD=$tree
. "$root/tests/e2e/prefix_lib.sh"
e2e_template nt || exit 2  # in the caller's locale, as for the other NT tests
varnel_use_russian_locale "$tree" || exit 2
shots=$root/build/e2e/shots
work=$tree/e2e/work/drive_settings_shots
mkdir -p "$shots" "$work"
if [ -z "${DISPLAY:-}" ]; then
  varnel_start_xvfb || { echo "shoot_drive_settings: no X server" >&2; exit 2; }
  trap 'kill $VARNEL_XVFB_PID 2>/dev/null' EXIT
fi
status=0

check() { # report-line shot-name
  import -window root -crop 1024x768+0+0 +repage "$shots/$2.png"
  if echo "$1" | grep -q 'layout ok'; then
    echo "ok   - $2: $1, shot: $shots/$2.png"
  else
    echo "FAIL - $2: $1"
    status=1
  fi
}

shoot() { # prefix suffix
  local prefix=$1 suffix=$2 report=$work/report$2.txt i
  rm -f "$report"
  WINEPREFIX=$prefix wine explorer /desktop=drive,1024x768 "$exe" "Z:$report" >/dev/null 2>&1 &
  local pid=$!
  for i in $(seq 150); do grep -q '^cd' "$report" 2>/dev/null && break; sleep 0.1; done
  if grep -q '^cd' "$report" 2>/dev/null; then
    sleep 0.5
    check "$(grep '^cd' "$report")" "drive_settings_cd$suffix"
    for i in $(seq 60); do grep -q '^dvd' "$report" && break; sleep 0.1; done
    sleep 0.5
    check "$(grep '^dvd' "$report" || echo 'dvd list: no report')" "drive_settings_dvd$suffix"
  else
    echo "FAIL - drive_settings$suffix: the dialog did not open"
    status=1
  fi
  wait $pid
}

e2e_prefix nt
prefix=$WINEPREFIX
WINEPREFIX=$prefix wineserver -p >/dev/null 2>&1
shoot "$prefix" ""
WINEPREFIX=$prefix wineserver -k 2>/dev/null

e2e_prefix win98-ru
prefix=$WINEPREFIX
WINEPREFIX=$prefix wineserver -p >/dev/null 2>&1
shoot "$prefix" _win98
WINEPREFIX=$prefix wineserver -k 2>/dev/null
exit $status
