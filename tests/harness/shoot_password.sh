#!/usr/bin/env bash
# Shows the password dialog in both modes in a Wine virtual desktop as on a
# Russian Windows, checks its layout, and saves screenshots to
# build/e2e/shots/password_<mode>.png (NT family) and
# password_<mode>_win98.png (Windows 98, the ANSI row).
#   shoot_password.sh BUILD_TREE PASSWORD_SHOT_EXE
set -u
. "$(dirname "$0")/shots_lib.sh" "$1" "$2" password_shots

shoot() { # prefix name mode
  local prefix=$1 name=$2 mode=$3 report=$work/$2.txt i
  rm -f "$report"
  WINEPREFIX=$prefix wine explorer /desktop=password,1024x768 "$exe" "$mode" "Z:$report" >/dev/null 2>&1 &
  local pid=$!
  for i in $(seq 100); do [ -s "$report" ] && break; sleep 0.1; done
  if [ -s "$report" ]; then
    sleep 0.5  # the typed stars painted
    import -window root -crop 1024x768+0+0 +repage "$shots/$name.png"
    if grep -q 'layout ok' "$report"; then
      echo "ok   - $name: $(cat "$report"), shot: $shots/$name.png"
    else
      echo "FAIL - $name: $(cat "$report")"
      status=1
    fi
  else
    echo "FAIL - $name: the dialog did not open"
    status=1
  fi
  wait $pid
}
both_modes() { # suffix
  shoot "$prefix" "password_new$1" new
  shoot "$prefix" "password_verify$1" verify
}

in_row nt both_modes ""
in_row win98-ru both_modes _win98
exit $status
