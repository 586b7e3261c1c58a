#!/usr/bin/env bash
# Shows the drive settings dialog in a Wine virtual desktop as on a Russian
# Windows, checks its layout with the CD list and with the DVD list shown,
# and saves screenshots to build/e2e/shots/drive_settings_<list>.png (NT
# family) and drive_settings_<list>_win98.png (Windows 98, the ANSI row).
#   shoot_drive_settings.sh BUILD_TREE DRIVE_SETTINGS_SHOT_EXE
set -u
. "$(dirname "$0")/shots_lib.sh" "$1" "$2" drive_settings_shots

check() { # report-line shot-name
  photograph "$2"
  if echo "$1" | grep -q 'layout ok'; then
    echo "ok   - $2: $1, shot: $shots/$2.png"
  else
    echo "FAIL - $2: $1"
    status=1
  fi
}

shoot() { # suffix
  local i
  start_shot "drive_settings$1"
  for i in $(seq 50); do grep -q '^cd' "$report" 2>/dev/null && break; sleep 0.1; done
  if grep -q '^cd' "$report" 2>/dev/null; then
    sleep 0.5
    check "$(grep '^cd' "$report")" "drive_settings_cd$1"
    for i in $(seq 60); do grep -q '^dvd' "$report" && break; sleep 0.1; done
    sleep 0.5
    check "$(grep '^dvd' "$report" || echo 'dvd list: no report')" "drive_settings_dvd$1"
  else
    echo "FAIL - drive_settings$1: the dialog did not open"
    status=1
  fi
  wait $shot_pid
}

in_row nt shoot ""
in_row win98-ru shoot _win98
exit $status
