#!/usr/bin/env bash
# The program sends each drive the same commands through SPTI (Wine's own
# pass-through to the drive server of scripts/with-drives) as through the
# virtual drives' ASPI layer, on every profile of sim/profiles: a first
# start, a later start and a start with the slowest stored speed selected,
# each with fresh drives. "--starts PROFILES" makes the three SPTI starts,
# run by this script under one with-drives, the drive server started anew
# before each.
. "$(dirname "$0")/../harness/with_drives_lib.sh"
. "$(dirname "$0")/../harness/e2e_lib.sh"

one_start() { # kind profiles transport
  use_virtual_drives "$2"
  [ "$1" = first ] && reset_settings
  local n
  if [ "$3" = aspi ]; then
    for ((n = 0; n < $(tr ',' '\n' <<<"$2" | grep -c .); n++)); do driver letter $n "$(printf "\\x$(printf %x $((68 + n)))")"; done
    wine reg add "$key" /v ApiPrefered /t REG_DWORD /d 2 /f
  else
    wine reg delete "$key" /v ApiPrefered /f
  fi >/dev/null 2>&1
  # SpeedSelectedCD/DVD in each drive's "00" key: the last speed of its list.
  [ "$1" = selected ] && wine reg query "$key" /s | tr -d '\r' | sed -n \
    's/^HKEY_.*\\2\.5\\\([^\\]*\)$/\1/p; s/^ *SpeedRange\(CD\|DVD\) *REG_BINARY *[0-9A-F]*\(..\)\(..\)0000[0-9A-F]\{8\}$/\1 \3\2/p' |
    while read -r line; do
      case $line in
        CD\ ???? | DVD\ ????) wine reg add "$key\\$model\\00" /v "SpeedSelected${line% *}" /t REG_DWORD /d $((16#${line#* })) /f >/dev/null 2>&1 ;;
        *) model=$line ;;
      esac
    done
  start_varnel
  wait_for 300 varnel_window_exists
  sleep 1
  wait_for 100 log_settled && wait_for 100 log_settled  # two quiet seconds: a loaded machine pauses
  stop_varnel
  cp "$VARNEL_SIM_LOG" "$WORK/$3-$1-$2.log"
}

if [ "${1:-}" = --starts ]; then
  for kind in first later selected; do
    if [ "$kind" != first ]; then
      expect "fresh drives for the $kind start" fresh_drives
    fi
    one_start $kind "$2" spti
  done
  finish
fi
export VARNEL_SIM_LOG=$WORK/commands.log VARNEL_SIM_CONTROL=$WORK/control
# Wine keeps five CD devices per process: the profiles in groups of five.
mapfile -t all < <(ls "$VARNEL_SOURCE"/sim/profiles | sed 's/\.json$//')
for ((i = 0; i < ${#all[@]}; i += 5)); do
  group=$(IFS=,; echo "${all[*]:i:5}")
  for kind in first later selected; do one_start $kind "$group" aspi; done
  wineserver -k
  "$VARNEL_SOURCE/scripts/with-drives" "$group" -- bash "$0" --starts "$group"
  varnel_start_wineserver 30
  for kind in first later selected; do
    spti=$WORK/spti-$kind-$group.log
    differs=$(python3 "$VARNEL_SOURCE/tests/e2e/command_log.py" "$WORK/aspi-$kind-$group.log" differs "$spti" 2>&1)
    expect "$kind start on $group: the same commands through ASPI and SPTI ($(grep -c cdb "$spti") through SPTI) $differs" \
      test -z "$differs" -a -s "$spti"
  done
done
finish
