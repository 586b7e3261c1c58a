#!/usr/bin/env bash
# Shows each tray menu style in a Wine virtual desktop as on a Russian
# Windows, checks that it opened, and saves a screenshot of it to
# build/e2e/shots/menu_<style>.png (menu_*_win98.png: the ANSI row). A
# highlighted picture item must show only the highlight's two colours, as a
# highlighted text item does.
#   shoot_menus.sh BUILD_TREE MENU_SHOT_EXE
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
work=$tree/e2e/work/menu_shots
mkdir -p "$shots" "$work"
VARNEL_XVFB_PID=
varnel_start_xvfb || { echo "shoot_menus: no X server" >&2; exit 2; }
trap 'kill $VARNEL_XVFB_PID 2>/dev/null' EXIT
status=0

shoot() { # prefix name style
  local prefix=$1 name=$2 style=$3 report=$work/$2.txt i
  rm -f "$report"
  WINEPREFIX=$prefix wine explorer /desktop=menu,1024x768 "$exe" "$style" "Z:$report" >/dev/null 2>&1 &
  local pid=$!
  for i in $(seq 100); do [ -s "$report" ] && break; sleep 0.1; done
  if [ -s "$report" ]; then
    import -window root -crop 1024x768+0+0 +repage "$shots/$name.png"
    local verdict="ok  "
    grep -q 'highlighted item: [1-9]' "$report" && verdict=FAIL status=1
    echo "$verdict - $name: $(cat "$report"), shot: $shots/$name.png"
  else
    echo "FAIL - $name: the menu did not open"
    status=1
  fi
  wait $pid
}

e2e_prefix nt
prefix=$WINEPREFIX
WINEPREFIX=$prefix wineserver -p >/dev/null 2>&1
for style in main default separate separate-eject topnames deepmenu grouped; do
  shoot "$prefix" "menu_$style" "$style"
done
WINEPREFIX=$prefix wineserver -k 2>/dev/null

# The same menu through the ANSI row, as on Windows 98.
e2e_prefix win98-ru
prefix=$WINEPREFIX
WINEPREFIX=$prefix wineserver -p >/dev/null 2>&1
for style in default separate separate-eject; do
  shoot "$prefix" "menu_${style}_win98" "$style"
done
WINEPREFIX=$prefix wineserver -k 2>/dev/null
exit $status
