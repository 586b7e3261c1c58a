#!/usr/bin/env bash
# varnel.exe beside a bare tray program (bare_tray_win32.cpp, same toolchain
# and flags), under Wine in a virtual desktop with four virtual drives whose
# capabilities are stored. Runs the two alternately and reports each figure's
# median and its ratio to the bare program:
#   "/exit" wall time, start until the window answers, CPU time and device
#   commands while idle with the timer on, private bytes after start, after
#   the first and after 100 main-menu openings, executable size; the idle and
#   memory figures also for the program without drives.
# The idle and memory figures are measured a third time with the drives in
# the drive server, reached through SPTI under scripts/with-drives: the
# program's own cost with no drive model in its process ("--spti" is that
# part, run by the script itself), beside the bare program built to poll
# each drive every 5 seconds (bare-poll).
# BENCH_RUNS (default 5) and BENCH_IDLE_SECONDS (default 60) shorten it.
set -u
spti=0
[ "${1:-}" = --spti ] && spti=1
root=$(cd "$(dirname "$0")/../.." && pwd)
cd "$root"
. scripts/lib/wine.sh
tree=build/win32
[ -f $tree/CMakeCache.txt ] ||
  cmake -S . -B $tree -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake -DCMAKE_BUILD_TYPE=MinSizeRel >/dev/null
[ $spti = 1 ] || cmake --build $tree --target varnel wnaspi32 bare-tray bare-poll tray-probe -j "$(nproc)" >/dev/null || exit 1
runs=${BENCH_RUNS:-5}
idle=${BENCH_IDLE_SECONDS:-60}

work=$root/$tree/bench/tray/work
bin=$work/bin
mkdir -p "$bin"
cp $tree/varnel.exe $tree/sim/wnaspi32/wnaspi32.dll $tree/bench/tray/bare-tray.exe $tree/bench/tray/bare-poll.exe \
  $tree/bench/tray/tray-probe.exe "$bin/" || exit 1
export WINEPREFIX=$work/prefix
drives=cd48-reader,cdrw52-writer,dvdrom16-streaming,slot24-combo
export VARNEL_SIM_LOG=$work/commands.log
if [ $spti = 1 ]; then
  rm -f "$bin/wnaspi32.dll"  # nothing of the drives in the program's process
else
  export WINEDLLOVERRIDES="wnaspi32=n;$WINEDLLOVERRIDES"
  export VARNEL_SIM_PROFILES=$drives
fi
VARNEL_XVFB_PID=
[ -n "${DISPLAY:-}" ] || varnel_start_xvfb || { echo "no X server"; exit 1; }
varnel_prefix_init "$WINEPREFIX"
varnel_start_wineserver
trap 'wineserver -k 2>/dev/null; [ -n "$VARNEL_XVFB_PID" ] && kill $VARNEL_XVFB_PID 2>/dev/null' EXIT
wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null 2>&1
wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1024x768 /f >/dev/null 2>&1
wine explorer /desktop=Default,1024x768 >/dev/null 2>&1 &
sleep 2

key='HKCU\Software\Morbeck Software\Varnel\2.5'
wine reg delete 'HKCU\Software\Morbeck Software' /f >/dev/null 2>&1
# ASPI by choice; through SPTI, the default on NT, with the drives in the server.
[ $spti = 1 ] || wine reg add "$key" /v ApiPrefered /t REG_DWORD /d 2 /f >/dev/null
wine reg add "$key" /v TimerEnable /t REG_DWORD /d 1 /f >/dev/null
wine "$bin/varnel.exe" /exit  # the first start stores the four drives' capabilities

results=$work/results.txt
[ $spti = 1 ] || : >"$results"
# Under Wine the probe cannot read another process's CPU time or private
# bytes: it prints "sample NAME" and waits a second while they are read here
# from /proc, from the Linux process that runs the program.
# The Linux process of the copy in $bin only: other copies of varnel.exe may
# run on the machine. Wine shows the path with backslashes.
unix_pid() { pgrep -f "^Z:${bin//\//.}.$1\$" | head -1; }
# CPU time in microseconds, from the scheduler's nanosecond counts of every
# thread (the 10 ms ticks of /proc/PID/stat round an idle minute to 0).
cpu_us() { cat /proc/"$1"/task/*/schedstat | awk '{s += $1} END {printf "%d", s / 1000}'; }
# Private bytes as Windows counts them: memory of the process alone that no
# file backs. The clean pages of mapped executables are shared memory there,
# even when one process maps them; smaps counts those as private too, so
# they are left out here.
private_kb() { awk '/^Anonymous:/ {print $2}' "/proc/$1/smaps_rollup"; }
measure() { # program exe mode [probe arguments after the exe...]
  local program=$1 exe=$2 mode=$3 out=$work/probe.out line pid t0=0 seen=0
  shift 3
  : >"$out"
  wine "$bin/tray-probe.exe" "$mode" "Z:$bin/$exe" "$@" >"$out" 2>/dev/null &
  local job=$!
  while :; do
    local running=1
    kill -0 $job 2>/dev/null || running=0
    local lines
    mapfile -t lines <"$out"  # no process substitution: bash once hung reaping one
    while [ "$seen" -lt "${#lines[@]}" ]; do
      line=${lines[$seen]%$'\r'}
      seen=$((seen + 1))
      case $line in
        "sample idle_begin") pid=$(unix_pid "$exe"); t0=$(cpu_us "$pid") ;;
        "sample idle_end") echo "$program cpu_ms=$(awk -v a="$t0" -v b="$(cpu_us "$pid")" 'BEGIN {print (b - a) / 1000}')" >>"$results" ;;
        "sample "*) echo "$program private_kb_${line#sample }=$(private_kb "$(unix_pid "$exe")")" >>"$results" ;;
        *=*) echo "$program $line" >>"$results" ;;
      esac
    done
    [ $running = 0 ] && break
    sleep 0.05
  done
}

if [ $spti = 1 ]; then
  for i in $(seq "$((runs < 3 ? runs : 3))"); do
    measure spti varnel.exe idle Varnel "$idle"
    measure poll bare-poll.exe idle VarnelBare "$idle"
    measure spti varnel.exe memory Varnel 100 100
  done
  exit 0
fi

echo "tray bench: $runs runs, idle $idle s"
for i in $(seq "$runs"); do
  measure varnel varnel.exe exit
  measure bare bare-tray.exe exit
  measure varnel varnel.exe start Varnel
  measure bare bare-tray.exe start VarnelBare
done
for i in $(seq "$((runs < 3 ? runs : 3))"); do
  measure varnel varnel.exe idle Varnel "$idle"
  measure bare bare-tray.exe idle VarnelBare "$idle"
  measure varnel varnel.exe memory Varnel 100 100
  measure bare bare-tray.exe memory VarnelBare 0 0
  # The virtual drives live in the program's process: without them the
  # figures are the program's own.
  VARNEL_SIM_PROFILES= measure nodrives varnel.exe idle Varnel "$idle"
  VARNEL_SIM_PROFILES= measure nodrives varnel.exe memory Varnel 100 100
done
wineserver -k 2>/dev/null
wineserver -w 2>/dev/null
scripts/with-drives "$drives" -- bash "$0" --spti || echo "spti error=the run with the drive server failed" >>"$results"
echo "varnel exe_bytes=$(stat -c %s "$bin/varnel.exe")" >>"$results"
echo "bare exe_bytes=$(stat -c %s "$bin/bare-tray.exe")" >>"$results"
python3 "$root/bench/tray/report.py" "$results" "$idle"
