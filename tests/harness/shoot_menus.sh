#!/usr/bin/env bash
# Shows each tray menu style in a Wine virtual desktop as on a Russian
# Windows, checks that it opened, and saves a screenshot of it to
# build/e2e/shots/menu_<style>.png (menu_*_win98.png: the ANSI row). A
# highlighted picture item must show only the highlight's two colours, as a
# highlighted text item does.
#   shoot_menus.sh BUILD_TREE MENU_SHOT_EXE
set -u
. "$(dirname "$0")/shots_lib.sh" "$1" "$2" menu_shots

shoot() { # name style
  if start_shot "$1" "$2"; then
    photograph "$1"
    local verdict="ok  "
    grep -q 'highlighted item: [1-9]' "$report" && verdict=FAIL status=1
    echo "$verdict - $1: $(cat "$report"), shot: $shots/$1.png"
  else
    echo "FAIL - $1: the menu did not open"
    status=1
  fi
  wait $shot_pid
}
styles() { # suffix style...
  local suffix=$1 style
  shift
  for style in "$@"; do shoot "menu_$style$suffix" "$style"; done
}

in_row nt styles "" main default separate separate-eject topnames deepmenu grouped
# The same menu through the ANSI row, as on Windows 98.
in_row win98-ru styles _win98 default separate separate-eject
exit $status
