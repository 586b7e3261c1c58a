#!/usr/bin/env bash
# Runs a test program in a Wine prefix of its own, prepared once, so that the
# main prefix of the build tree keeps its drives and Windows version.
#   cdrom  D: and F: are CD-ROMs with the hard disk E: between them
#   win98  Wine reports Windows 98
# Usage: run_in_prefix.sh cdrom|win98 <program.exe> [arguments...]
set -u
kind=$1
exe=$2
shift 2
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../../.." && pwd)
. "$root/scripts/lib/wine.sh"
tree=$(varnel_build_root "$exe") || { echo "not in a build tree: $exe" >&2; exit 2; }
export WINEPREFIX=$tree/wineprefix-$kind
varnel_prefix_init "$WINEPREFIX"

prepare_cdrom() {
  local d
  for d in d e f; do
    mkdir -p "$tree/drives-cdrom/$d"
    ln -sfn "$tree/drives-cdrom/$d" "$WINEPREFIX/dosdevices/$d:"
  done
  # Wine's mount manager is 64-bit and reads the 64-bit view only.
  wine reg add 'HKLM\Software\Wine\Drives' /v d: /d cdrom /f /reg:64 >/dev/null &&
    wine reg add 'HKLM\Software\Wine\Drives' /v e: /d hd /f /reg:64 >/dev/null &&
    wine reg add 'HKLM\Software\Wine\Drives' /v f: /d cdrom /f /reg:64 >/dev/null
}

prepare_win98() {
  wine reg add 'HKCU\Software\Wine' /v Version /d win98 /f >/dev/null
}

(
  flock 9
  if [ ! -f "$WINEPREFIX/.varnel-$kind" ]; then
    "prepare_$kind" || exit 1
    wineserver -k
    wineserver -w
    touch "$WINEPREFIX/.varnel-$kind"
  fi
) 9>"$WINEPREFIX.lock" || { echo "cannot prepare $WINEPREFIX" >&2; exit 2; }

"$root/scripts/wine-run" "$exe" "$@"
rc=$?
wineserver -k 2>/dev/null
exit $rc
