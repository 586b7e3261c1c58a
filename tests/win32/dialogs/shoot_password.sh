#!/usr/bin/env bash
# Shows the password dialog in both modes in a Wine virtual desktop as on a
# Russian Windows, checks its layout, and saves screenshots to
# build/e2e/shots/password_<mode>.png (NT family) and
# password_<mode>_win98.png (Windows 98, the ANSI row).
#   shoot_password.sh BUILD_TREE PASSWORD_SHOT_EXE
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
work=$tree/e2e/work/password_shots
mkdir -p "$shots" "$work"
VARNEL_XVFB_PID=
varnel_start_xvfb || { echo "shoot_password: no X server" >&2; exit 2; }
trap 'kill $VARNEL_XVFB_PID 2>/dev/null' EXIT
status=0

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

e2e_prefix nt
prefix=$WINEPREFIX
WINEPREFIX=$prefix wineserver -p >/dev/null 2>&1
shoot "$prefix" password_new new
shoot "$prefix" password_verify verify
WINEPREFIX=$prefix wineserver -k 2>/dev/null

e2e_prefix win98-ru
prefix=$WINEPREFIX
WINEPREFIX=$prefix wineserver -p >/dev/null 2>&1
shoot "$prefix" password_new_win98 new
shoot "$prefix" password_verify_win98 verify
WINEPREFIX=$prefix wineserver -k 2>/dev/null
exit $status
