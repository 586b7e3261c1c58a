#!/usr/bin/env bash
# The README's first command on a fresh clone: `scripts/run` without a display
# builds what it needs by itself and starts the program with both virtual
# drives, which the drives' command log shows. Run again on a display, it
# configures without a CMake warning, puts the help files beside the program
# and ends, desktop and all, when the program ends ("Выход").
# Under scripts/test the clone's compile commands are answered by the
# compiler cache the suite's own trees filled (the same sources and flags);
# configuring and linking run in full.
. "$(dirname "$0")/../harness/e2e_lib.sh"

clone=$WORK/clone
rm -rf "$clone"
git clone -q "$VARNEL_SOURCE" "$clone" || { echo "cannot clone $VARNEL_SOURCE"; exit 1; }
expect "the clone holds no build" test ! -e "$clone/build"

# Headless: scripts/run starts its own Xvfb and its own prefix.
(unset DISPLAY WINEPREFIX; "$clone/scripts/run") >"$WORK/run.out" 2>&1
rc=$?
sed 's/^/  run: /' "$WORK/run.out" | tail -n 8
expect "scripts/run ends with code 0 (got $rc)" test "$rc" -eq 0

log=$clone/build/run/commands.log
expect "scripts/run wrote the command log" test -s "$log"
for drive in 0 1; do
  inquiries=$(python3 "$VARNEL_SOURCE/tests/e2e/command_log.py" "$log" count 0x12 "$drive" 2>/dev/null)
  expect "virtual drive $drive was asked who it is (INQUIRY x${inquiries:-0})" test "${inquiries:-0}" -gt 0
  senses=$(python3 "$VARNEL_SOURCE/tests/e2e/command_log.py" "$log" count 0x5A "$drive" 2>/dev/null)
  expect "virtual drive $drive was probed (MODE SENSE x${senses:-0})" test "${senses:-0}" -gt 0
done
expect "scripts/run saved a screenshot" test -s "$clone/build/run/screenshot.png"
# The empty notification area is one or two flat colours; the icon adds many.
colours=$(convert "$clone/build/run/screenshot.png" -crop 48x28+976+740 +repage -format '%k' info: 2>/dev/null)
expect "the screenshot shows the tray icon (${colours:-0} colours in the notification area)" test "${colours:-0}" -gt 8
cp "$clone/build/run/screenshot.png" "$SHOTS/fresh_clone_run.png" 2>/dev/null && echo "shot: $SHOTS/fresh_clone_run.png"

rm -f "$log"
(unset WINEPREFIX; "$clone/scripts/run") >"$WORK/run2.out" 2>&1 &
second=$!
run_driver() { WINEPREFIX=$clone/build/run/prefix wine "$VARNEL_DRIVER" "$@"; }
second_ended() { ! kill -0 "$second" 2>/dev/null; }
# The prefix's server is restarted by the script until the drives are up:
# the program's first commands tell that it runs.
expect "the second run starts the program" wait_for 1200 test -s "$log"
expect "its window is there" wait_for 300 run_driver find
expect "the help files lie beside the program" test -s "$clone/build/run/varnel.chm" -a -s "$clone/build/run/varnel_en.chm"
run_driver post 109 >/dev/null  # "Выход"
expect "scripts/run ends with the program" wait_for 300 second_ended
second_ended || kill "$second" 2>/dev/null
sed 's/^/  run: /' "$WORK/run2.out" | tail -n 4
expect "and said nothing of CMake" bash -c "! grep -q 'CMake Warning\|CMAKE_TOOLCHAIN_FILE' '$WORK/run2.out'"
WINEPREFIX=$clone/build/run/prefix wineserver -k 2>/dev/null
rm -rf "$clone"
finish
