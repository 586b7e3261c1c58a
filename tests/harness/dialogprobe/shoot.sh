#!/usr/bin/env bash
# Opens each dialog in a Wine virtual desktop on a private Xvfb, prints the
# probe's report and saves a screenshot to build/e2e/shots/<dialog>.png.
# Usage: tests/harness/dialogprobe/shoot.sh [build tree] [dialog...]
set -u
root=$(cd "$(dirname "$0")/../../.." && pwd)
tree=${1:-$root/build/win32}
shift || true
dialogs=${*:-message question corner about info info-large message-en question-en about-en info-en}
. "$root/scripts/lib/wine.sh"
# A Russian Windows: the ANSI code page 1251 (the prefix kind "ru" of tests/harness/run_in_prefix.sh).
varnel_use_russian_locale "$tree" || exit 2
export WINEPREFIX=$tree/wineprefix-ru
varnel_prefix_init "$WINEPREFIX"
wineserver -p >/dev/null 2>&1
shots=$root/build/e2e/shots
mkdir -p "$shots"
VARNEL_XVFB_PID=
varnel_start_xvfb || { echo "shoot: no X server" >&2; exit 2; }
trap 'wineserver -k 2>/dev/null; kill $VARNEL_XVFB_PID 2>/dev/null' EXIT
exe=$tree/tests/harness/dialogprobe/dialogprobe.exe
status=0
for d in $dialogs; do
  rm -f "$shots/$d.txt"
  wine explorer /desktop=probe,1024x768 "$exe" "$d" 4000 "Z:$shots/$d.txt" >/dev/null 2>&1 &
  pid=$!
  sleep 3
  import -window root "$shots/$d.png"
  wait $pid
  cat "$shots/$d.txt"
  grep -q '^layout ok' "$shots/$d.txt" || status=1
done
exit $status
