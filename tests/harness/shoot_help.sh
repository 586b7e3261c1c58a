#!/usr/bin/env bash
# Opens the built help file the way "Справка" does (the shell's "open" on
# varnel.chm, which the prefix associates with Wine's HTML help viewer),
# checks that the viewer's window came up and photographs it to
# build/e2e/shots/help_viewer.png. Wine's viewer shows the contents tree;
# the pages themselves need a browser engine that is not installed here.
#   shoot_help.sh BUILD_TREE
set -u
tree=$(cd "$1" && pwd)
root=$(cd "$(dirname "$0")/../.." && pwd)
. "$root/scripts/lib/wine.sh"
# The help file is Russian: its title is in code page 1251, as on a Russian
# Windows.
varnel_use_russian_locale "$tree" || exit 2
shots=$root/build/e2e/shots
mkdir -p "$shots"
[ -f "$tree/varnel.chm" ] || { echo "FAIL - no $tree/varnel.chm"; exit 1; }
export WINEPREFIX=$tree/wineprefix-help
varnel_prefix_init "$WINEPREFIX"
VARNEL_XVFB_PID=
varnel_start_xvfb || { echo "shoot_help: no X server" >&2; exit 2; }
trap 'wineserver -k 2>/dev/null; kill $VARNEL_XVFB_PID 2>/dev/null' EXIT

wine start /unix "$tree/varnel.chm" >/dev/null 2>&1 &
for i in $(seq 150); do
  xwininfo -root -tree 2>/dev/null | grep -q '("hh.exe" "hh.exe")  [0-9][0-9]*x' && break
  sleep 0.1
done
if ! xwininfo -root -tree | grep '("hh.exe" "hh.exe")' | grep -qv 'Default IME'; then
  echo "FAIL - the help viewer did not open varnel.chm"
  exit 1
fi
sleep 2  # let the contents tree fill in
import -window root "$shots/help_viewer.png"
echo "ok   - the help viewer opened varnel.chm, shot: $shots/help_viewer.png"
