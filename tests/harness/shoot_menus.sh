#!/usr/bin/env bash
# Shows each tray menu style in a Wine virtual desktop as on a Russian
# Windows, checks that it opened, and saves a screenshot of it to
# build/e2e/shots/menu_<style>.png (menu_*_win98.png: the ANSI row). A
# highlighted picture item must show only the highlight's two colours, as a
# highlighted text item does.
#   shoot_menus.sh BUILD_TREE MENU_SHOT_EXE
set -u
. "$(dirname "$0")/shots_lib.sh" "$1" "$2" menu_shots

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
styles() { # suffix style...
  local suffix=$1 style
  shift
  for style in "$@"; do shoot "$prefix" "menu_$style$suffix" "$style"; done
}

in_row nt styles "" main default separate separate-eject topnames deepmenu grouped
# The same menu through the ANSI row, as on Windows 98.
in_row win98-ru styles _win98 default separate separate-eject
exit $status
