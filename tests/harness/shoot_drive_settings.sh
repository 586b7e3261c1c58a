#!/usr/bin/env bash
# Shows the drive settings dialog in a Wine virtual desktop as on a Russian
# Windows, checks its layout with the CD list and with the DVD list shown,
# and saves screenshots to build/e2e/shots/drive_settings_<list>.png (NT
# family) and drive_settings_<list>_win98.png (Windows 98, the ANSI row).
#   shoot_drive_settings.sh BUILD_TREE DRIVE_SETTINGS_SHOT_EXE
set -u
. "$(dirname "$0")/shots_lib.sh" "$1" "$2" drive_settings_shots

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

shoot_row() { shoot "$prefix" "$1"; } # suffix
in_row nt shoot_row ""
in_row win98-ru shoot_row _win98
exit $status
