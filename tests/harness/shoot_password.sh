#!/usr/bin/env bash
# Shows the password dialog in both modes in a Wine virtual desktop as on a
# Russian Windows, checks its layout, and saves screenshots to
# build/e2e/shots/password_<mode>.png (NT family) and
# password_<mode>_win98.png (Windows 98, the ANSI row).
#   shoot_password.sh BUILD_TREE PASSWORD_SHOT_EXE
set -u
. "$(dirname "$0")/shots_lib.sh" "$1" "$2" password_shots

shoot() { # name mode
  if start_shot "$1" "$2"; then
    sleep 0.5  # the typed stars painted
    photograph "$1"
    if grep -q 'layout ok' "$report"; then
      echo "ok   - $1: $(cat "$report"), shot: $shots/$1.png"
    else
      echo "FAIL - $1: $(cat "$report")"
      status=1
    fi
  else
    echo "FAIL - $1: the dialog did not open"
    status=1
  fi
  wait $shot_pid
}
both_modes() { # suffix
  shoot "password_new$1" new
  shoot "password_verify$1" verify
}

in_row nt both_modes ""
in_row win98-ru both_modes _win98
exit $status
