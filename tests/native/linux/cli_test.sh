#!/usr/bin/env bash
# varnel against the drive server through SG_IO (scripts/with-drives
# --linux): what each verb prints, its exit code on bad input, the daemon
# finding disc changes and a drive unplugged and plugged in again by polling,
# and the settings file after kills in the middle of writes.
# cli_test.sh VARNEL NATIVE_TREE
set -u
varnel=$1
export VARNEL_NATIVE_TREE=$2
root=$(cd "$(dirname "$0")/../../.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export VARNEL_CONFIG=$work/varnel.conf VARNEL_SIM_CONTROL=$work/control
: >"$work/control"
failed=0
check() { # name expected actual
  if [ "$2" != "$3" ]; then
    echo "FAIL $1"; diff <(echo "$2") <(echo "$3"); failed=1
  else echo "ok   $1"; fi
}

cat >"$work/run.sh" <<'SCRIPT'
set -u
v() { "$VARNEL" "$@" 2>&1 | sed "s|${VARNEL_LINUX_DEVICES%/sr0*}|DEV|g"; echo "exit ${PIPESTATUS[0]}"; }
echo "== list"; v list
"$VARNEL" --json list | python3 -c 'import json, sys; d = json.load(sys.stdin); print(len(d), d[0]["cd"]["speeds"][-1], d[1]["dvd"]["speeds"][0])'
echo "== set"; v set sr0 8x; v set "${VARNEL_LINUX_DEVICES%/sr0*}/sr1" 5540k; v --json set sr0 1411k
echo "== status"; v status
echo "== discover"; v discover sr0 --fast | grep -v '^DEV/sr0: [0-9]* of'
echo "== trays"; v lock sr0; v eject sr0; v unlock sr0; v eject sr0; v --json status; v close sr0
echo "== bad input"; v set sr0 9; v set sr0 fast; v set /nonexistent 8; v set /dev/null 8; v frob; v discover sr0
VARNEL_CONFIG=$WORK v set sr0 8  # a folder: unreadable, so never replaced
echo "== daemon"
"$VARNEL" daemon 2>"$WORK/daemon.log" & daemon=$!
sleep 1
echo '{"drive":0,"action":"powerReset"}' >>"$VARNEL_SIM_CONTROL"
echo '{"drive":1,"action":"powerReset"}' >>"$VARNEL_SIM_CONTROL"
sleep 5.5
# sr1 unplugged, then plugged in again having forgotten its speed.
sr1=${VARNEL_LINUX_DEVICES#*:}
mv "$sr1" "$sr1.away"
sleep 5
echo '{"drive":1,"action":"powerReset"}' >>"$VARNEL_SIM_CONTROL"
mv "$sr1.away" "$sr1"
sleep 5
kill "$daemon"; wait "$daemon"; echo "daemon exit $?"
sed "s|${VARNEL_LINUX_DEVICES%/sr0*}|DEV|g" "$WORK/daemon.log"
v status
echo "== kills"
for i in $(seq 20); do
  "$VARNEL" set sr0 $((i % 2 ? 4 : 8)) >/dev/null 2>&1 & pid=$!
  sleep "0.0$((RANDOM % 10))"; kill -9 "$pid" 2>/dev/null; wait "$pid" 2>/dev/null
done
"$VARNEL" set sr0 8 >/dev/null
"$VARNEL" list 2>&1 >/dev/null | head -3; echo "stderr done"
ls "$(dirname "$VARNEL_CONFIG")" | grep -c '\.new\.'  # what killed writers left is gone
echo "== garbage"
sed -i '0,/^EventMask = 11$/s//EventMask = eleven/; 0,/^CanEject = 8$/s//CanEject 8/' "$VARNEL_CONFIG"
printf '[]\n[Drives\n' >>"$VARNEL_CONFIG"
v set sr0 8 | sed 's/:[0-9]*: /:N: /'
SCRIPT
VARNEL=$varnel WORK=$work "$root/scripts/with-drives" --linux cd48-reader,dvdrom16-streaming -- \
  bash "$work/run.sh" >"$work/out.txt"
section() { sed -n "/^== $1\$/,/^== /p" "$work/out.txt" | sed '1d;/^== /d'; }

check list "DEV/sr0  KAMIRO CD-ROM CR-4880 1.05
  disc:     CD
  speed:    48x (8467 kB/s)
  CD list:  48x 40x 32x 24x 16x 12x 8x 4x
  chosen:   CD none
DEV/sr1  KAMIRO DVD-ROM DR-1648 B3K1
  disc:     DVD
  speed:    16X (22160 kB/s)
  CD list:  (none yet)
  DVD list: 16X 12X 8X 6X 4X 2X
  chosen:   CD none, DVD none
exit 0
2 706 22160" "$(section list)"
check set "DEV/sr0: CD speed 8x (1411 kB/s) chosen; the drive now reads at 8x
exit 0
DEV/sr1: DVD speed 4X (5540 kB/s) chosen; the drive now reads at 4X
exit 0
{\"device\":\"DEV/sr0\",\"list\":\"CD\",\"selected\":1411,\"currentSpeed\":1411}
exit 0" "$(section set)"
check status "settings: $work/varnel.conf
DEV/sr0: disc CD, speed holds (chosen 8x, now 8x)
DEV/sr1: disc DVD, speed holds (chosen 4X, now 4X)
exit 0" "$(section status)"
check discover "DEV/sr0: CD speeds 48x 40x 32x 24x 16x 12x 8x 4x
exit 0" "$(section discover)"
check trays "exit 0
varnel: DEV/sr0: locked; unlock it first
exit 1
exit 0
exit 0
{\"config\":\"$work/varnel.conf\",\"drives\":[{\"device\":\"DEV/sr0\",\"disc\":\"tray open\",\"locked\":false,\"currentSpeed\":1411,\"selected\":1411,\"speed\":\"holds\"},{\"device\":\"DEV/sr1\",\"disc\":\"DVD\",\"locked\":false,\"currentSpeed\":5540,\"selected\":5540,\"speed\":\"holds\"}]}
exit 0
exit 0" "$(section trays)"
check "bad input" "varnel: DEV/sr0: the drive cannot take 9 for a CD; its speeds: 48x 40x 32x 24x 16x 12x 8x 4x
exit 1
varnel: fast: not a speed (8, 8x or 1408k)
exit 2
varnel: /nonexistent: no such device
exit 1
varnel: /dev/null: not an optical drive
exit 1
varnel: frob: no such command
exit 2
varnel: usage: varnel discover DEVICE --fast|--full|--measure
exit 2
varnel: cannot read $work: defaults apply and it is left as it is
varnel: cannot write $work: the speed is set but not kept
DEV/sr0: CD speed 8x (1411 kB/s) chosen; the drive now reads at 8x
exit 1" "$(section 'bad input' | grep -v '^ \|^usage\|^Keeps\|^whenever\|^commands:\|^options:\|^DEVICE\|^$')"
check daemon "daemon exit 0
varnel: settings from $work/varnel.conf
varnel: drive DEV/sr0 (KAMIRO   CD-ROM CR-4880   1.05)
varnel: drive DEV/sr1 (KAMIRO   DVD-ROM DR-1648  B3K1)
varnel: no udev: each drive is asked for disc changes every 5 s
varnel: no system bus: a resume is seen from the time the machine slept
varnel: DEV/sr0 (KAMIRO   CD-ROM CR-4880   1.05) has no media events: polled with TEST UNIT READY
varnel: disc in DEV/sr0 (KAMIRO   CD-ROM CR-4880   1.05)
varnel: disc in DEV/sr1 (KAMIRO   DVD-ROM DR-1648  B3K1)
varnel: drives changed: looking for them again
varnel: drive DEV/sr0 (KAMIRO   CD-ROM CR-4880   1.05)
varnel: drives changed: looking for them again
varnel: drive DEV/sr0 (KAMIRO   CD-ROM CR-4880   1.05)
varnel: drive DEV/sr1 (KAMIRO   DVD-ROM DR-1648  B3K1)
varnel: stopped
settings: $work/varnel.conf
DEV/sr0: disc CD, speed holds (chosen 8x, now 8x)
DEV/sr1: disc DVD, speed holds (chosen 4X, now 4X)
exit 0" "$(section daemon)"
check "kills leave a whole file" "stderr done
0" "$(section kills)"
check "garbage falls back to defaults, line by line" "varnel: $work/varnel.conf:N: no '=' in: CanEject 8 (its default applies)
varnel: $work/varnel.conf:N: EventMask: not a number (its default applies)
varnel: $work/varnel.conf:N: not a key name: [] (its default applies)
varnel: $work/varnel.conf:N: not a key name: [Drives (its default applies)
DEV/sr0: CD speed 8x (1411 kB/s) chosen; the drive now reads at 8x
exit 0" "$(section garbage)"
exit $failed
